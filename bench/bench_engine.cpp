// Costs of the engine facilities the program does not use: resolving a full input mapping (every
// key and button name) from memory, and decoding and widening a 256 x 256 image.
#include <benchmark/benchmark.h>
#include <string>
#include <vector>
#include "Ostrel/core/os.h"
#include "Ostrel/platform/input.h"
#include "Ostrel/platform/input_mapping.h"
#include "Ostrel/text/image.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>

static Allocator g_heap = os_heap_allocator();

static void BM_InputMappingResolveAllNames(benchmark::State& state) {
    std::string text = "[keyboard_and_mouse]\r\n";
    std::vector<InputAction> actions;
    auto add = [&](const char* value) {
        InputAction a = {};
        snprintf(a.name, sizeof a.name, "Action%u", (unsigned)actions.size());
        text += std::string(a.name) + "=" + value + "\r\n";
        actions.push_back(a);
    };
    for (u32 k = 1; k < KEY_CODE_COUNT; k++) add(input_key_name((u8)k));
    for (u32 b = 0; b < MOUSE_BUTTON_COUNT; b++) add(input_mouse_button_name((u8)b));
    KeyboardState keyboard = keyboard_state_create();
    MouseState mouse = mouse_state_create();
    void* devices[2] = {&keyboard, &mouse};
    InputMapping mapping = {devices, INPUT_MAPPING_KEYBOARD_AND_MOUSE};
    for (auto _ : state) {
        bool ok = input_mapping_resolve(&mapping, (const u8*)text.data(), (u32)text.size(), actions.data(),
                                        (u32)actions.size());
        if (!ok) state.SkipWithError("mapping did not resolve");
        benchmark::DoNotOptimize(actions.data());
    }
    state.counters["actions"] = (double)actions.size();
}
BENCHMARK(BM_InputMappingResolveAllNames)->Unit(benchmark::kMicrosecond);

static void append(void* context, void* data, int size) { ((std::string*)context)->append((const char*)data, size); }

static void BM_ImageDecodePng256(benchmark::State& state) {
    const int channels = (int)state.range(0);
    std::vector<u8> pixels(256 * 256 * channels);
    for (size_t i = 0; i < pixels.size(); i++) pixels[i] = (u8)(i * 7 + (i >> 8));
    std::string png;
    stbi_write_png_to_func(append, &png, 256, 256, channels, pixels.data(), 256 * channels);
    const u8 white[4] = {255, 255, 255, 255};
    for (auto _ : state) {
        Image image = image_decode((const u8*)png.data(), (u32)png.size(), &g_heap);
        image_widen_to_four_channels(&image, white);
        benchmark::DoNotOptimize(image.pixels);
        image_free(&image);
    }
    state.counters["png_bytes"] = (double)png.size();
}
BENCHMARK(BM_ImageDecodePng256)->Arg(1)->Arg(3)->Arg(4)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
