// The audio layer's volume arithmetic at its edges; in-range rounding, clamping and the mute
// threshold are tested through the audio layer under Wine.
#include <gtest/gtest.h>
#include <math.h>
#include "app/audio_math.h"

// A misbehaving platform must not make the u8 conversion overflow (undefined behaviour).
TEST(AudioMath, OutOfRangeScalarsStayWithinAPercent) {
    for (f32 v : {3.0f, INFINITY}) {
        EXPECT_EQ(audio_percent_rounded(v), 100);
        EXPECT_EQ(audio_percent_truncated(v), 100);
    }
    for (f32 v : {-0.5f, NAN}) {
        EXPECT_EQ(audio_percent_rounded(v), 0);
        EXPECT_EQ(audio_percent_truncated(v), 0);
    }
}
