#pragma once

#include "results/ResultsStore.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vexlin::audio {

// The speaker and microphone self-test: a tone burst on the left channel only, then one on the right only,
// each at its own frequency, played while the microphone records.  Each burst is looked for in the recording
// by its frequency where the clip puts it: the left one after the latency of the output and the input (found
// from its onset within a bounded window), the right one at its offset after the left.  Each is compared
// with the background measured before the first burst could arrive.
//
// The microphone records one channel, so the test tells whether each channel of the output is heard, not
// where the speaker playing it stands: swapped speakers, or a laptop that mixes both channels into each
// speaker, look the same as a sound pair.
struct SelfTestPlan {
    int playRate = 44100;
    double leadSeconds = 0.5;  // silence before the first burst: the background is measured meanwhile
    double burstSeconds = 0.5; // each burst; long enough for many 20 ms analysis blocks
    double gapSeconds = 0.3;
    double tailSeconds = 0.3;
    double leftHz = 750.0;
    double rightHz = 1250.0;
    // Peak level of each burst in the played clip, in dB below full scale.
    double burstDbfs = -12.0;
    // How long the recording runs after the clip has started: room for the output and input latency.
    double recordSeconds = 3.0;
    // The longest latency looked for: a tone heard later than this is not the burst.
    double maxLatencySeconds = 0.8;
};

// The clip to play: interleaved 16-bit stereo at `plan.playRate`, silent but for the two bursts, each faded
// in and out over 10 ms so that the speakers do not click.
std::vector<std::int16_t> selfTestClip(const SelfTestPlan& plan);

// 8-bit unsigned or 16-bit signed little-endian capture samples as values in -1 ... 1.
void appendCaptureSamples(std::span<const std::uint8_t> buffer, bool sixteenBit, std::vector<float>& out);

struct ChannelFinding {
    bool heard = false;
    double snrDb = 0.0;     // the burst's frequency over its background, in dB
    double levelDbfs = 0.0; // the burst as the microphone heard it (a sine's amplitude against full scale)
    double frequencyHz = 0.0;
    bool clipped = false; // the microphone's signal hit full scale during the burst
    // Not heard, but the sound at and beside its frequency is so loud that a burst at the played level
    // could not have stood kHeardSnrDb above it: no verdict on the channel.
    bool masked = false;
};

struct SelfTestFindings {
    bool measured = false; // false: the recording was too short to judge anything
    ChannelFinding left;
    ChannelFinding right;
    double backgroundDbfs = 0.0; // the microphone's own level before the first burst (RMS)
    bool microphoneSilent = false;
    // The background is exact digital silence while something else was recorded: no microphone in a room
    // records exact zeros, so the input is the output looped back, and nothing was heard through the air.
    bool loopback = false;
    bool noMicrophone = false;   // the system offers no recording device at all
    double latencySeconds = 0.0; // from the clip's start to the heard onset of the bursts
};

// The rate the microphone records at during the self-test (the capture rate of the audio window).
inline constexpr double kSelfTestCaptureRate = 22050.0;

// Levels are never reported below this: the quietest a 16-bit recording can tell apart from nothing.
inline constexpr double kSelfTestFloorDbfs = -120.0;
// A burst counts as heard this far above its background, and above the sound just beside its frequency.
inline constexpr double kHeardSnrDb = 10.0;
// A recording whose level stays below this all through is taken as no microphone at all.
inline constexpr double kSilentMicrophoneDbfs = -80.0;

// Analyses a mono recording at `rate` that started before the clip did; the clip started playing when
// `clipStart` samples had been recorded.
SelfTestFindings analyseSelfTest(std::span<const float> recording, double rate, const SelfTestPlan& plan,
                                 std::size_t clipStart = 0);

// The findings when the system has no microphone to record with.
SelfTestFindings noMicrophoneFindings(const SelfTestPlan& plan);

// Shown under the verdicts: what a mono recording cannot tell.
inline constexpr const char* kMonoCaptureNote = "Запись моно: проверены каналы, не места динамиков";

// The lines shown in the window, in order: left, right, microphone.
std::vector<std::string> selfTestTexts(const SelfTestFindings& findings);

// The same as results of this run (source "audio"; keys "left_channel", "right_channel", "microphone").
std::vector<results::ResultLine> selfTestResults(const SelfTestFindings& findings);

} // namespace vexlin::audio
