// The audio model installed as the audio layer's platform, for in-process tests.
#pragma once
#include "core_audio_model.h"

extern AudioModel g_fake_audio;

// Empties the model and makes the audio layer create its objects from it.
void fake_audio_install();
void fake_audio_uninstall();
