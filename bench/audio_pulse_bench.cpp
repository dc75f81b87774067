// Main-thread CPU of the PulseAudio audio layer's per-frame work against the server that
// bench/audio_pulse_bench.sh starts: rebuilding the picture from the mirror, alone, with what the
// Mixer reads for the shown device, and while a session slider is dragged (a change and its
// answers every frame).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include "Ostrel/core/log.h"
#include "Ostrel/core/os.h"
#include "app/audio.h"

static Allocator g_heap = os_heap_allocator();

static u32 session_total() {
    u32 n = 0;
    for (u32 i = 0; i < audio_device_count(); i++) n += audio_session_count(i);
    return n;
}

static void check_picture(benchmark::State& state) {
    const u32 devices = (u32)atoi(getenv("KORVANE_BENCH_SINKS") ? getenv("KORVANE_BENCH_SINKS") : "0");
    const u32 sessions = (u32)atoi(getenv("KORVANE_BENCH_INPUTS") ? getenv("KORVANE_BENCH_INPUTS") : "0");
    if (audio_device_count() != devices || session_total() != devices * sessions)
        state.SkipWithError("the picture does not hold the server's sinks and sink inputs");
    state.counters["devices"] = audio_device_count();
    state.counters["sessions"] = session_total();
}

static void BM_AudioRefresh(benchmark::State& state) {
    for (auto _ : state) audio_refresh();
    check_picture(state);
}
BENCHMARK(BM_AudioRefresh)->Unit(benchmark::kMicrosecond);

static void BM_AudioRefreshAndMixerReads(benchmark::State& state) {
    u64 sum = 0;
    for (auto _ : state) {
        audio_refresh();
        const u32 d = audio_default_device_index();
        for (u32 i = 0; i < audio_device_count(); i++) sum += audio_device_name(i).length;
        sum += audio_get_device_volume_percent(d) + audio_get_device_mute(d) + (u64)(audio_get_device_volume(d) * 100);
        for (u32 j = 0; j < audio_session_count(d); j++)
            sum += audio_session_name(d, j).length + audio_get_session_volume_percent(d, j) +
                   audio_get_session_mute(d, j) + (u64)(audio_get_session_volume(d, j) * 100);
    }
    benchmark::DoNotOptimize(sum);
    check_picture(state);
}
BENCHMARK(BM_AudioRefreshAndMixerReads)->Unit(benchmark::kMicrosecond);

static void BM_AudioRefreshWhileDragging(benchmark::State& state) {
    u32 frame = 0;
    for (auto _ : state) {
        audio_refresh();
        const u32 d = audio_default_device_index();
        if (audio_session_count(d)) audio_set_session_volume(d, 0, (f32)(frame++ % 100) / 100.0f);
    }
    check_picture(state);
}
BENCHMARK(BM_AudioRefreshWhileDragging)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    g_default_allocator = &g_heap;
    if (!log_start()) return 1;
    benchmark::Initialize(&argc, argv);
    audio_init();
    benchmark::RunSpecifiedBenchmarks();
    audio_shutdown();
    benchmark::Shutdown();
    log_stop();
    return 0;
}
