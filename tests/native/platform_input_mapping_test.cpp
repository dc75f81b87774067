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
    log.clear();

    // Records are found by their type byte, whatever their order.
    void* swapped[2] = {&mouse, &keyboard};
    mapping.devices = swapped;
    InputAction both[] = {action("Fire"), action("Jump")};
    ASSERT_TRUE(load("[keyboard_and_mouse]\nFire=mouse_right\nJump=keyboard_space\n", both, 2));
    EXPECT_EQ(both[0].state, &mouse.button_down[MOUSE_RIGHT]);
    EXPECT_EQ(both[1].state, &keyboard.key_down[KEY_SPACE]);
}

TEST_F(MappingFixture, NameFillingTheWholeFieldIsReadWithinIt) {
    InputAction actions[1] = {};
    memset(actions[0].name, 'A', sizeof actions[0].name);  // no terminator
    std::string key(63, 'A');
    ASSERT_TRUE(load("[keyboard_and_mouse]\n" + key + "=keyboard_a\n", actions, 1));
    EXPECT_EQ(actions[0].state, &keyboard.key_down[KEY_A]);
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
    // Every code has its own name and back; code 0 has none.
    EXPECT_EQ(input_key_name(0), nullptr);
    EXPECT_EQ(input_key_name(KEY_CODE_COUNT), nullptr);
    for (u32 k = 1; k < KEY_CODE_COUNT; k++) {
        ASSERT_TRUE(input_key_code_from_name(string_view_cstr(input_key_name((u8)k)), &code)) << k;
        EXPECT_EQ(code, k);
    }
    for (u32 b = 0; b < MOUSE_BUTTON_COUNT; b++) {
        ASSERT_TRUE(input_mouse_button_from_name(string_view_cstr(input_mouse_button_name((u8)b)), &code)) << b;
        EXPECT_EQ(code, b);
    }
}

TEST(InputNames, NamesMeetTheCodesTheKeyTranslationGives) {
    // The irregular stretches of the table: F24 sits between F20 and F21, slash is divide.
    const struct {
        const char* name;
        u32 code;
    } names[] = {
        {"keyboard_a", KEY_A},          {"keyboard_z", KEY_Z},          {"keyboard_0", KEY_0},
        {"keyboard_9", KEY_9},          {"keyboard_lcontrol", KEY_LCONTROL}, {"keyboard_rshift", KEY_RSHIFT},
        {"keyboard_menu", KEY_MENU},    {"keyboard_rsystem", KEY_RSYSTEM}, {"keyboard_hyphen", 56},
        {"keyboard_space", KEY_SPACE},  {"keyboard_caps_lock", KEY_CAPS_LOCK}, {"keyboard_del", KEY_DEL},
        {"keyboard_divide", 71},        {"keyboard_slash", 71},         {"keyboard_left", KEY_ARROW_LEFT},
        {"keyboard_down", KEY_ARROW_DOWN}, {"keyboard_numpad9", KEY_NUMPAD0 + 9}, {"keyboard_f20", KEY_F20},
        {"keyboard_f24", 106},          {"keyboard_f21", 107},          {"keyboard_f23", 109},
        {"keyboard_pause", KEY_PAUSE},
    };
    for (const auto& n : names) {
        u8 code = 0;
        ASSERT_TRUE(input_key_code_from_name(string_view_cstr(n.name), &code)) << n.name;
        EXPECT_EQ(code, n.code) << n.name;
    }
    u8 code = 0xFF;
    ASSERT_TRUE(input_mouse_button_from_name(string_view_cstr("mouse_x1"), &code));
    EXPECT_EQ(code, MOUSE_X1);
    ASSERT_TRUE(input_mouse_button_from_name(string_view_cstr("mouse_unknown"), &code));
    EXPECT_EQ(code, MOUSE_UNKNOWN);
}

}  // namespace
