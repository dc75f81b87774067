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

using Texts = std::vector<std::string>;

struct MappingFixture : testing::Test {
    KeyboardState keyboard = keyboard_state_create();
    MouseState mouse = mouse_state_create();
    void* devices[2] = {&keyboard, &mouse};
    InputMapping mapping = {devices, INPUT_MAPPING_KEYBOARD_AND_MOUSE};
    CountingAllocator heap;
    LogCapture log;

    // Loads the actions from the section's entries, written as this test's mapping file.
    bool load(const std::string& entries, InputAction* actions, u32 count) {
        ScratchFile file(".ini");
        EXPECT_TRUE(file.write("[keyboard_and_mouse]\r\n" + entries));
        bool ok = input_mapping_load(&mapping, file.path().c_str(), actions, count, &heap.allocator);
        EXPECT_EQ(heap.live(), 0) << "the file buffer is freed on every way out";
        return ok;
    }
};

TEST_F(MappingFixture, ActionsPointAtTheLiveStateBytes) {
    InputAction actions[] = {action("Jump"), action("Menu"), action("Fire")};
    ASSERT_TRUE(load("Jump=keyboard_space\r\nMenu=keyboard_f10\nFire=mouse_left\n", actions, 3));
    EXPECT_EQ(actions[0].device, (void*)&keyboard);
    EXPECT_EQ(actions[0].state, (const u8*)&keyboard + 58);
    EXPECT_EQ(actions[0].reserved, 0u);
    EXPECT_EQ(actions[1].state, &keyboard.key_down[95]);
    EXPECT_EQ(actions[2].device, (void*)&mouse);
    EXPECT_EQ(actions[2].state, &mouse.button_down[MOUSE_LEFT]);
    EXPECT_TRUE(log.texts().empty());
}

TEST_F(MappingFixture, AMissingKeyOrUnknownValueStopsTheLoadAndEarlierActionsKeepTheirPointers) {
    InputAction actions[] = {action("Jump"), action("Crouch"), action("Fire")};
    EXPECT_FALSE(load("Jump=keyboard_space\nFire=mouse_left\n", actions, 3));
    EXPECT_EQ(log.texts(), Texts{"Failed to get ini action: Crouch !"});
    EXPECT_EQ(actions[0].state, &keyboard.key_down[KEY_SPACE]);
    EXPECT_EQ(actions[1].state, nullptr);
    EXPECT_EQ(actions[2].state, nullptr) << "actions after the failing one are not resolved";
    log.clear();
    InputAction unknown[] = {action("Jump"), action("Run")};
    EXPECT_FALSE(load("Jump=keyboard_spacebar\nRun=keyboard_lshift\n", unknown, 2));
    EXPECT_EQ(log.texts(), Texts{"Unknown input value: \"keyboard_spacebar\"."});
    EXPECT_EQ(unknown[0].state, nullptr);
}

TEST_F(MappingFixture, MissingFileAndUnsupportedTypeAreReported) {
    InputAction actions[] = {action("Jump")};
    EXPECT_FALSE(input_mapping_load(&mapping, "no_such_mapping.ini", actions, 1, &heap.allocator));
    EXPECT_EQ(log.texts(), Texts{"Failed to get input configuration from no_such_mapping.ini."});
    log.clear();
    mapping.mapping_type = 2;
    EXPECT_FALSE(load("Jump=keyboard_space\n", actions, 1));
    EXPECT_EQ(log.texts(), Texts{"Mapping type not supported: 2."});
    EXPECT_EQ(actions[0].state, nullptr);
}

// Mended: an action bound to a device the mapping lacks must not get a pointer formed from a
// null record.
TEST_F(MappingFixture, ActionOnAMissingDeviceFailsWithoutAPointer) {
    devices[1] = nullptr;
    InputAction actions[] = {action("Jump"), action("Fire")};
    EXPECT_FALSE(load("Jump=keyboard_space\nFire=mouse_left\n", actions, 2));
    EXPECT_EQ(log.texts(), Texts{"Input mapping has no mouse state for the action Fire."});
    EXPECT_EQ(actions[0].state, &keyboard.key_down[KEY_SPACE]);
    EXPECT_EQ(actions[1].state, nullptr);
    EXPECT_EQ(actions[1].device, nullptr);
    log.clear();
    devices[0] = devices[1] = &mouse;  // a record of another type is no keyboard either
    EXPECT_FALSE(load("Jump=keyboard_space\n", actions, 1));
    EXPECT_EQ(log.texts(), Texts{"Input mapping has no keyboard state for the action Jump."});
    mapping.devices = nullptr;
    EXPECT_FALSE(load("Fire=mouse_left\n", &actions[1], 1));
    // Records are found by their type byte, whatever their order.
    void* swapped[2] = {&mouse, &keyboard};
    mapping.devices = swapped;
    InputAction both[] = {action("Fire"), action("Jump")};
    ASSERT_TRUE(load("Fire=mouse_right\nJump=keyboard_space\n", both, 2));
    EXPECT_EQ(both[0].state, &mouse.button_down[MOUSE_RIGHT]);
    EXPECT_EQ(both[1].state, &keyboard.key_down[KEY_SPACE]);
}

TEST_F(MappingFixture, NameFillingTheWholeFieldIsReadWithinIt) {
    InputAction actions[1] = {};
    memset(actions[0].name, 'A', sizeof actions[0].name);  // no terminator
    ASSERT_TRUE(load(std::string(63, 'A') + "=keyboard_a\n", actions, 1));
    EXPECT_EQ(actions[0].state, &keyboard.key_down[KEY_A]);
}

TEST(InputNames, IrregularNamesMapAndOnlyExactNamesMatch) {
    u8 code = 0xFF;
    // The irregular stretches: F24 sits between F20 and F21, slash is divide.
    const std::pair<const char*, u32> names[] = {{"keyboard_space", KEY_SPACE}, {"keyboard_hyphen", 56},
                                                 {"keyboard_divide", 71},       {"keyboard_slash", 71},
                                                 {"keyboard_f24", 106},         {"keyboard_f21", 107}};
    for (auto [name, expected] : names) {
        ASSERT_TRUE(input_key_code_from_name(string_view_cstr(name), &code)) << name;
        EXPECT_EQ(code, expected) << name;
    }
    for (const char* w : {"keyboard_F10", "keyboard_a ", "keyboard_", "keyboard_aa", "mouse_left", ""})
        EXPECT_FALSE(input_key_code_from_name(string_view_cstr(w), &code)) << '"' << w << '"';
    for (const char* w : {"mouse_Left", "mouse_x3", "keyboard_a"})
        EXPECT_FALSE(input_mouse_button_from_name(string_view_cstr(w), &code)) << '"' << w << '"';
    // A prefix of a longer name is not that name.
    ASSERT_TRUE(input_key_code_from_name(string_view("keyboard_f10", 11), &code));
    EXPECT_EQ(code, KEY_F1);
}

}  // namespace
