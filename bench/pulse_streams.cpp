// Playback streams of silence for the audio timing run: one client with INPUTS streams on each
// sink named, stream k claiming to come from the program "programK". One process, because the
// server takes at most 64 clients. Runs until it is stopped.
// Usage: pulse_streams INPUTS SINK...
#include <pulse/pulseaudio.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const pa_sample_spec k_silence_format = {PA_SAMPLE_S16LE, 8000, 2};
static int g_inputs;
static char** g_sinks;
static int g_sink_count;

static void write_silence(pa_stream* stream, size_t bytes, void*) {
    void* data = nullptr;
    if (pa_stream_begin_write(stream, &data, &bytes) < 0 || !data) return;
    memset(data, 0, bytes);
    pa_stream_write(stream, data, bytes, nullptr, 0, PA_SEEK_RELATIVE);
}

static void context_state(pa_context* context, void* mainloop) {
    pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED) pa_mainloop_quit((pa_mainloop*)mainloop, 1);
    if (state != PA_CONTEXT_READY) return;
    const pa_buffer_attr attr = {(uint32_t)-1, (uint32_t)pa_usec_to_bytes(1000000, &k_silence_format), (uint32_t)-1, (uint32_t)-1,
                                 (uint32_t)-1};
    for (int s = 0; s < g_sink_count; s++)
        for (int k = 1; k <= g_inputs; k++) {
            char name[32];
            snprintf(name, sizeof name, "program%02d", k);
            pa_proplist* props = pa_proplist_new();
            pa_proplist_sets(props, PA_PROP_APPLICATION_PROCESS_BINARY, name);
            pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, name);
            pa_stream* stream = pa_stream_new_with_proplist(context, "silence", &k_silence_format, nullptr, props);
            pa_proplist_free(props);
            pa_stream_set_write_callback(stream, write_silence, nullptr);
            pa_stream_connect_playback(stream, g_sinks[s], &attr, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr);
        }
}

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    g_inputs = atoi(argv[1]);
    g_sinks = argv + 2;
    g_sink_count = argc - 2;
    pa_mainloop* mainloop = pa_mainloop_new();
    pa_context* context = pa_context_new(pa_mainloop_get_api(mainloop), "pulse_streams");
    pa_context_set_state_callback(context, context_state, mainloop);
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return 1;
    int result = 0;
    pa_mainloop_run(mainloop, &result);
    return result;
}
