#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "Ostrel/platform/input.h"
#include "Ostrel/platform/input_mapping.h"
#include "support/log_capture.h"
#include "test_files.h"

namespace {

InputAction action(const char* name) {
    InputAction a = {};
    strncpy(a.name, name, sizeof a.name - 1);
    a.reserved = 0xDEADBEEF;  // loading must clear it
    return a;
}

struct MappingFixture : testing::Test {
    KeyboardState keyboard = keyboard_state_create();
    MouseState mouse = mouse_state_create();
    void* devices[2] = {&keyboard, &mouse};
    InputMapping mapping = {devices, INPUT_MAPPING_KEYBOARD_AND_MOUSE};
    CountingAllocator heap;
    LogCapture log;

    // Writes the text as this test's mapping file and loads the actions from it.
    bool load(const std::string& text, InputAction* actions, u32 count) {
        ScratchFile file(".ini");
        EXPECT_TRUE(file.write(text));
        bool ok = input_mapping_load(&mapping, file.path().c_str(), actions, count, &heap.allocator);
        EXPECT_EQ(heap.live(), 0) << "the file buffer is freed on every way out";
        return ok;
    }
    const u8* keyboard_byte(u32 offset) { return (const u8*)&keyboard + offset; }
};

TEST_F(MappingFixture, JumpOnSpaceIsKeyboardRecordByte58) {
    InputAction actions[] = {action("Jump")};
    ASSERT_TRUE(load("[keyboard_and_mouse]\r\nJump=keyboard_space\r\n", actions, 1));
    EXPECT_EQ(actions[0].device, (void*)&keyboard);
    EXPECT_EQ(actions[0].state, keyboard_byte(58));
    EXPECT_EQ(actions[0].reserved, 0u);
    // Reading the action is reading the live key state.
    keyboard.key_down[KEY_SPACE] = 1;
    EXPECT_EQ(*actions[0].state, 1);
    EXPECT_TRUE(log.texts().empty());
}

TEST_F(MappingFixture, F10IsCode95NotF1) {
    InputAction actions[] = {action("Menu"), action("Help")};
    ASSERT_TRUE(load("[keyboard_and_mouse]\nMenu=keyboard_f10\nHelp=keyboard_f1\n", actions, 2));
    EXPECT_EQ(actions[0].state, &keyboard.key_down[95]);
    EXPECT_EQ(actions[1].state, &keyboard.key_down[KEY_F1]);
}

TEST_F(MappingFixture, MouseLeftIsTheMouseRecordsLeftByte) {
    InputAction actions[] = {action("Fire"), action("Aim")};
    ASSERT_TRUE(load("[keyboard_and_mouse]\nFire=mouse_left\nAim=mouse_x2\n", actions, 2));
    EXPECT_EQ(actions[0].device, (void*)&mouse);
    EXPECT_EQ(actions[0].state, &mouse.button_down[MOUSE_LEFT]);
    EXPECT_EQ(actions[1].state, &mouse.button_down[MOUSE_X2]);
    EXPECT_EQ(actions[0].reserved, 0u);
}

TEST_F(MappingFixture, DevicesAreFoundByTypeInEitherOrder) {
    devices[0] = &mouse;
    devices[1] = &keyboard;
    InputAction actions[] = {action("Fire"), action("Jump")};
    ASSERT_TRUE(load("[keyboard_and_mouse]\nFire=mouse_right\nJump=keyboard_space\n", actions, 2));
    EXPECT_EQ(actions[0].state, &mouse.button_down[MOUSE_RIGHT]);
    EXPECT_EQ(actions[1].state, &keyboard.key_down[KEY_SPACE]);
}

TEST_F(MappingFixture, MissingKeyStopsTheLoadAndEarlierActionsKeepTheirPointers) {
    InputAction actions[] = {action("Jump"), action("Crouch"), action("Fire")};
    EXPECT_FALSE(load("[keyboard_and_mouse]\nJump=keyboard_space\nFire=mouse_left\n", actions, 3));
    EXPECT_EQ(log.texts(), std::vector<std::string>{"Failed to get ini action: Crouch !"});
    EXPECT_EQ(actions[0].state, &keyboard.key_down[KEY_SPACE]);
    EXPECT_EQ(actions[1].state, nullptr);
    EXPECT_EQ(actions[2].state, nullptr) << "actions after the failing one are not resolved";
}

TEST_F(MappingFixture, EntriesOutsideTheSectionAreNotSeen) {
    InputAction actions[] = {action("Jump")};
    EXPECT_FALSE(load("Jump=keyboard_space\n[other]\nJump=keyboard_a\n", actions, 1));
    EXPECT_EQ(log.texts(), std::vector<std::string>{"Failed to get ini action: Jump !"});
    log.clear();
    // The next section's header ends the mapping section.
    EXPECT_FALSE(load("[keyboard_and_mouse]\nFire=mouse_left\n[other]\nJump=keyboard_a\n", actions, 1));
    EXPECT_EQ(log.texts(), std::vector<std::string>{"Failed to get ini action: Jump !"});
    EXPECT_EQ(actions[0].state, nullptr);
}

TEST_F(MappingFixture, UnknownValueIsNamedInTheMessage) {
    InputAction actions[] = {action("Jump"), action("Run")};
    EXPECT_FALSE(load("[keyboard_and_mouse]\nJump=keyboard_spacebar\nRun=keyboard_lshift\n", actions, 2));
    EXPECT_EQ(log.texts(), std::vector<std::string>{"Unknown input value: \"keyboard_spacebar\"."});
    EXPECT_EQ(actions[0].state, nullptr);
}

TEST_F(MappingFixture, MissingFileAndUnsupportedTypeAreReported) {
    InputAction actions[] = {action("Jump")};
    EXPECT_FALSE(input_mapping_load(&mapping, "no_such_mapping.ini", actions, 1, &heap.allocator));
    EXPECT_EQ(log.texts(), std::vector<std::string>{"Failed to get input configuration from no_such_mapping.ini."});
    log.clear();
    mapping.mapping_type = 2;
    EXPECT_FALSE(load("[keyboard_and_mouse]\nJump=keyboard_space\n", actions, 1));
    EXPECT_EQ(log.texts(), std::vector<std::string>{"Mapping type not supported: 2."});
    EXPECT_EQ(actions[0].state, nullptr);
}

// Mended: an action bound to a device the mapping lacks must not get a pointer formed from a
// null record.
TEST_F(MappingFixture, ActionOnAMissingDeviceFailsWithoutAPointer) {
    devices[1] = nullptr;
    InputAction actions[] = {action("Jump"), action("Fire")};
    EXPECT_FALSE(load("[keyboard_and_mouse]\nJump=keyboard_space\nFire=mouse_left\n", actions, 2));
    EXPECT_EQ(log.texts(), std::vector<std::string>{"Input mapping has no mouse state for the action Fire."});
    EXPECT_EQ(actions[0].state, &keyboard.key_down[KEY_SPACE]);
    EXPECT_EQ(actions[1].state, nullptr);
    EXPECT_EQ(actions[1].device, nullptr);
    log.clear();

    // A record of another type in the keyboard's slot is no keyboard either.
    devices[0] = &mouse;
    devices[1] = &mouse;
    EXPECT_FALSE(load("[keyboard_and_mouse]\nJump=keyboard_space\n", actions, 1));
    EXPECT_EQ(log.texts(), std::vector<std::string>{"Input mapping has no keyboard state for the action Jump."});
    log.clear();

    mapping.devices = nullptr;
    InputAction fire[] = {action("Fire")};
    EXPECT_FALSE(load("[keyboard_and_mouse]\nFire=mouse_left\n", fire, 1));
    EXPECT_EQ(fire[0].state, nullptr);
}

TEST_F(MappingFixture, NameFillingTheWholeFieldIsReadWithinIt) {
    InputAction actions[1] = {};
    memset(actions[0].name, 'A', sizeof actions[0].name);  // no terminator
    std::string key(63, 'A');
    ASSERT_TRUE(load("[keyboard_and_mouse]\n" + key + "=keyboard_a\n", actions, 1));
    EXPECT_EQ(actions[0].state, &keyboard.key_down[KEY_A]);
}

TEST_F(MappingFixture, EveryEngineNameBindsItsCode) {
    // One action per key code and per mouse button, all in one file, checked against the codes
    // the key translation uses.
    struct Named {
        const char* name;
        u8 code;
    };
    const Named keys[] = {
        {"keyboard_a", KEY_A},           {"keyboard_z", KEY_Z},
        {"keyboard_0", KEY_0},           {"keyboard_9", KEY_9},
        {"keyboard_escape", KEY_ESCAPE}, {"keyboard_lcontrol", KEY_LCONTROL},
        {"keyboard_lshift", KEY_LSHIFT}, {"keyboard_lalt", KEY_LALT},
        {"keyboard_lsystem", KEY_LSYSTEM}, {"keyboard_rcontrol", KEY_RCONTROL},
        {"keyboard_rshift", KEY_RSHIFT}, {"keyboard_ralt", KEY_RALT},
        {"keyboard_menu", KEY_MENU},     {"keyboard_rsystem", KEY_RSYSTEM},
        {"keyboard_rbracket", 47},       {"keyboard_lbracket", 48},
        {"keyboard_semicolon", 49},      {"keyboard_comma", 50},
        {"keyboard_period", 51},         {"keyboard_quote", 52},
        {"keyboard_backslash", 53},      {"keyboard_tilde", 54},
        {"keyboard_equal", 55},          {"keyboard_hyphen", 56},
        {"keyboard_space", KEY_SPACE},   {"keyboard_enter", KEY_ENTER},
        {"keyboard_backspace", KEY_BACKSPACE}, {"keyboard_tab", KEY_TAB},
        {"keyboard_caps_lock", KEY_CAPS_LOCK}, {"keyboard_pageup", 62},
        {"keyboard_pagedown", 63},       {"keyboard_end", 64},
        {"keyboard_home", 65},           {"keyboard_insert", 66},
        {"keyboard_del", KEY_DEL},       {"keyboard_plus", 68},
        {"keyboard_minus", 69},          {"keyboard_multiply", 70},
        {"keyboard_divide", 71},         {"keyboard_slash", 71},
        {"keyboard_left", KEY_ARROW_LEFT}, {"keyboard_right", KEY_ARROW_RIGHT},
        {"keyboard_up", KEY_ARROW_UP},   {"keyboard_down", KEY_ARROW_DOWN},
        {"keyboard_numpad0", KEY_NUMPAD0}, {"keyboard_numpad9", KEY_NUMPAD0 + 9},
        {"keyboard_f1", KEY_F1},         {"keyboard_f4", 89},
        {"keyboard_f20", KEY_F20},       {"keyboard_f24", KEY_F24},
        {"keyboard_f21", KEY_F21},       {"keyboard_f22", KEY_F22},
        {"keyboard_f23", KEY_F23},       {"keyboard_pause", KEY_PAUSE},
    };
    // Codes between the listed ones run in order within their groups.
    std::vector<Named> all(std::begin(keys), std::end(keys));
    std::vector<std::string> generated;
    for (char c = 'b'; c < 'z'; c++) generated.push_back(std::string("keyboard_") + c);
    for (int d = 1; d < 9; d++) generated.push_back("keyboard_" + std::to_string(d));
    for (int d = 1; d < 9; d++) generated.push_back("keyboard_numpad" + std::to_string(d));
    for (int f = 2; f < 20; f++) generated.push_back("keyboard_f" + std::to_string(f));
    u32 g = 0;
    for (char c = 'b'; c < 'z'; c++) all.push_back({generated[g++].c_str(), (u8)(KEY_A + (c - 'a'))});
    for (int d = 1; d < 9; d++) all.push_back({generated[g++].c_str(), (u8)(KEY_0 + d)});
    for (int d = 1; d < 9; d++) all.push_back({generated[g++].c_str(), (u8)(KEY_NUMPAD0 + d)});
    for (int f = 2; f < 20; f++) all.push_back({generated[g++].c_str(), (u8)(KEY_F1 + f - 1)});

    std::string text = "[keyboard_and_mouse]\n";
    std::vector<InputAction> actions;
    std::vector<bool> covered(KEY_CODE_COUNT, false);
    for (size_t i = 0; i < all.size(); i++) {
        std::string name = "Key" + std::to_string(i);
        text += name + "=" + all[i].name + "\n";
        actions.push_back(action(name.c_str()));
        covered[all[i].code] = true;
    }
    for (u32 b = 0; b < MOUSE_BUTTON_COUNT; b++) {
        std::string name = "Button" + std::to_string(b);
        text += name + "=" + input_mouse_button_name((u8)b) + "\n";
        actions.push_back(action(name.c_str()));
    }
    for (u32 code = 1; code < KEY_CODE_COUNT; code++) EXPECT_TRUE(covered[code]) << "code " << code << " untested";

    ASSERT_TRUE(load(text, actions.data(), (u32)actions.size()));
    for (size_t i = 0; i < all.size(); i++) {
        EXPECT_EQ(actions[i].state, &keyboard.key_down[all[i].code]) << all[i].name;
        EXPECT_EQ(actions[i].device, (void*)&keyboard) << all[i].name;
    }
    EXPECT_STREQ(input_mouse_button_name(MOUSE_UNKNOWN), "mouse_unknown");
    EXPECT_STREQ(input_mouse_button_name(MOUSE_MIDDLE), "mouse_middle");
    EXPECT_STREQ(input_mouse_button_name(MOUSE_X1), "mouse_x1");
    for (u32 b = 0; b < MOUSE_BUTTON_COUNT; b++)
        EXPECT_EQ(actions[all.size() + b].state, &mouse.button_down[b]) << "button " << b;
}

TEST(InputNames, OnlyExactNamesMatch) {
    u8 code = 0xFF;
    const char* wrong[] = {"keyboard_F10", "Keyboard_a", "keyboard_a ", " keyboard_a", "keyboard_", "keyboard",
                           "keyboard_f25", "keyboard_f0", "keyboard_unknown", "keyboard_aa", "mouse_left",
                           "keyboard_numpad", ""};
    for (const char* w : wrong) {
        EXPECT_FALSE(input_key_code_from_name(string_view_cstr(w), &code)) << '"' << w << '"';
    }
    const char* wrong_mouse[] = {"mouse_Left", "mouse_", "mouse_x3", "mouse_left ", "keyboard_a"};
    for (const char* w : wrong_mouse) {
        EXPECT_FALSE(input_mouse_button_from_name(string_view_cstr(w), &code)) << '"' << w << '"';
    }
    // A name is compared by its length too: a prefix of a longer name is not that name.
    ASSERT_TRUE(input_key_code_from_name(string_view("keyboard_f10", 11), &code));
    EXPECT_EQ(code, KEY_F1);
    // Names and codes round-trip; code 0 has no name.
    EXPECT_EQ(input_key_name(0), nullptr);
    EXPECT_EQ(input_key_name(KEY_CODE_COUNT), nullptr);
    for (u32 k = 1; k < KEY_CODE_COUNT; k++) {
        ASSERT_TRUE(input_key_code_from_name(string_view_cstr(input_key_name((u8)k)), &code)) << k;
        EXPECT_EQ(code, k);
    }
}

TEST_F(MappingFixture, ValuesAreTakenAsTheyStand) {
    // "KEY = value" makes the key "KEY " and a trailing blank belongs to the value.
    InputAction actions[] = {action("Jump")};
    EXPECT_FALSE(load("[keyboard_and_mouse]\nJump=keyboard_space   \n", actions, 1));
    EXPECT_EQ(log.texts(), std::vector<std::string>{"Unknown input value: \"keyboard_space   \"."});
    log.clear();
    EXPECT_FALSE(load("[keyboard_and_mouse]\nJump =keyboard_space\n", actions, 1));
    EXPECT_EQ(log.texts(), std::vector<std::string>{"Failed to get ini action: Jump !"});
    log.clear();
    // Comment lines and a blank after the '=' are fine.
    ASSERT_TRUE(load("; bindings\n[keyboard_and_mouse]\n; movement\nJump= keyboard_space\n", actions, 1));
    EXPECT_EQ(actions[0].state, &keyboard.key_down[KEY_SPACE]);
}

}  // namespace
