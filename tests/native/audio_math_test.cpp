// The audio layer's volume arithmetic.
#include <gtest/gtest.h>
#include <math.h>
#include "app/audio_math.h"

TEST(AudioMath, DevicePercentRoundsHalvesUp) {
    EXPECT_EQ(audio_percent_rounded(0.506f), 51);
    EXPECT_EQ(audio_percent_rounded(0.504f), 50);
    EXPECT_EQ(audio_percent_rounded(0.0f), 0);
    EXPECT_EQ(audio_percent_rounded(1.0f), 100);
}

TEST(AudioMath, SessionPercentTruncates) {
    EXPECT_EQ(audio_percent_truncated(0.506f), 50);
    EXPECT_EQ(audio_percent_truncated(0.509f), 50);
    EXPECT_EQ(audio_percent_truncated(0.99999f), 99);
    EXPECT_EQ(audio_percent_truncated(1.0f), 100);
}

TEST(AudioMath, EveryPercentSurvivesTheTripThroughAScalar) {
    for (u32 p = 0; p <= 100; p++) {
        f32 scalar = audio_percent_to_scalar((u8)p);
        EXPECT_EQ(audio_percent_truncated(scalar), p);
        EXPECT_EQ(audio_percent_rounded(scalar), p);
    }
}

// A misbehaving platform must not make the u8 conversion overflow (undefined behaviour).
TEST(AudioMath, OutOfRangeScalarsStayWithinAPercent) {
    EXPECT_EQ(audio_percent_rounded(3.0f), 100);
    EXPECT_EQ(audio_percent_truncated(3.0f), 100);
    EXPECT_EQ(audio_percent_rounded(-0.5f), 0);
    EXPECT_EQ(audio_percent_truncated(-0.5f), 0);
    EXPECT_EQ(audio_percent_rounded(NAN), 0);
    EXPECT_EQ(audio_percent_truncated(INFINITY), 100);
}

TEST(AudioMath, ClampAndMuteThreshold) {
    EXPECT_EQ(audio_clamp_volume(1.3f), 1.0f);
    EXPECT_EQ(audio_clamp_volume(0.7f), 0.7f);
    EXPECT_EQ(audio_clamp_volume(-0.5f), -0.5f);  // the system refuses it, not the clamp
    EXPECT_EQ(audio_clamp_volume(audio_percent_to_scalar(150)), 1.0f);
    EXPECT_FLOAT_EQ(audio_percent_to_scalar(150), 1.5f);
    EXPECT_TRUE(audio_below_mute_threshold(0.004f));
    EXPECT_FALSE(audio_below_mute_threshold(0.005f));
    EXPECT_TRUE(audio_below_mute_threshold(-1.0f));
}
