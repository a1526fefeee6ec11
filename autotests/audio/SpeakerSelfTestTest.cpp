// The self-test's analysis on synthetic recordings: the played clip passed through a model of the speakers
// and the microphone (each channel's gain, the mono downmix at the capture rate, a latency, noise, other
// sounds of the room, clipping).

#include "audio/SpeakerSelfTest.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <string>

using namespace vexlin::audio;

namespace {

constexpr double kRate = 22050.0;

// What a quiet room gives a real microphone: noise about 70 dB below full scale, never exact zeros.
constexpr double kRoomNoise = 0.0003;

// A sound of the room at the microphone: a sine at `hz`, or white noise when `hz` is 0.
struct Sound {
    double hz = 0.0;
    double fromSeconds = 0.0;
    double seconds = 0.0;
    double amplitude = 0.0; // the sine's peak, or the noise's RMS
};

struct Path {
    double leftGain = 1.0;
    double rightGain = 1.0;
    double latencySeconds = 0.15;
    double noiseRms = 0.0; // white noise added at the microphone, full scale 1
    double micGain = 1.0;  // applied before clipping to -1 ... 1
    double leftHz = 0.0;   // when not 0: the left burst comes out at this frequency instead
    double rightHz = 0.0;
    double recordSeconds = 3.0;
    std::vector<Sound> sounds;
};

// A sine standing in for a burst that the speaker reproduces at another frequency.
std::vector<std::int16_t> clipFor(const SelfTestPlan& plan, const Path& path) {
    SelfTestPlan played = plan;
    if (path.leftHz > 0.0) {
        played.leftHz = path.leftHz;
    }
    if (path.rightHz > 0.0) {
        played.rightHz = path.rightHz;
    }
    return selfTestClip(played);
}

// What the microphone records: silence until the clip arrives, then (L·gain + R·gain) / 2 at 22050 Hz.
std::vector<float> record(const SelfTestPlan& plan, const Path& path) {
    const std::vector<std::int16_t> clip = clipFor(plan, path);
    const auto total = static_cast<std::size_t>(path.recordSeconds * kRate);
    std::vector<float> out(total, 0.0f);
    const auto delay = static_cast<std::size_t>(path.latencySeconds * kRate);
    const std::size_t step = static_cast<std::size_t>(plan.playRate / kRate);
    for (std::size_t i = delay; i < total; ++i) {
        const std::size_t frame = (i - delay) * step;
        if (2 * frame + 1 >= clip.size()) {
            break;
        }
        out[i] = static_cast<float>((clip[2 * frame] * path.leftGain + clip[2 * frame + 1] * path.rightGain) /
                                    2.0 / 32768.0);
    }
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, path.noiseRms);
    std::normal_distribution<double> unitNoise(0.0, 1.0);
    for (std::size_t i = 0; i < out.size(); ++i) {
        double value = out[i] + (path.noiseRms > 0.0 ? noise(random) : 0.0);
        const double t = static_cast<double>(i) / kRate;
        for (const Sound& sound : path.sounds) {
            if (t >= sound.fromSeconds && t < sound.fromSeconds + sound.seconds) {
                value += sound.hz > 0.0 ? sound.amplitude * std::sin(2.0 * std::numbers::pi * sound.hz * t)
                                        : sound.amplitude * unitNoise(random);
            }
        }
        out[i] = static_cast<float>(std::clamp(value * path.micGain, -1.0, 1.0));
    }
    return out;
}

struct AnalysisRow {
    std::string name;
    Path path;
    bool leftHeard;
    bool rightHeard;
    bool microphoneSilent;
    bool clipped;
    double minSnrDb; // the heard bursts stand at least this far above the background
    double maxSnrDb;
    bool loopback = false;
    bool leftMasked = false;
};

class SelfTestAnalysis : public testing::TestWithParam<AnalysisRow> {};

TEST_P(SelfTestAnalysis, FindsWhatTheMicrophoneHeard) {
    const AnalysisRow& row = GetParam();
    const SelfTestPlan plan;
    const std::vector<float> recording = record(plan, row.path);
    const SelfTestFindings found = analyseSelfTest(recording, kRate, plan);
    ASSERT_TRUE(found.measured);
    EXPECT_EQ(found.left.heard, row.leftHeard) << "left " << found.left.snrDb << " dB";
    EXPECT_EQ(found.right.heard, row.rightHeard) << "right " << found.right.snrDb << " dB";
    EXPECT_EQ(found.microphoneSilent, row.microphoneSilent);
    EXPECT_EQ(found.left.clipped || found.right.clipped, row.clipped);
    EXPECT_EQ(found.loopback, row.loopback);
    EXPECT_EQ(found.left.masked, row.leftMasked);
    EXPECT_FALSE(found.right.masked);
    for (const ChannelFinding* channel : {&found.left, &found.right}) {
        if (channel->heard) {
            EXPECT_GE(channel->snrDb, row.minSnrDb);
            EXPECT_LE(channel->snrDb, row.maxSnrDb);
        }
    }
    EXPECT_DOUBLE_EQ(found.left.frequencyHz, plan.leftHz);
    EXPECT_DOUBLE_EQ(found.right.frequencyHz, plan.rightHz);
}

// A burst at -12 dBFS on one channel is recorded at -18 dBFS after the mono downmix.
INSTANTIATE_TEST_SUITE_P(
    Recordings, SelfTestAnalysis,
    testing::Values(
        AnalysisRow{"CleanBursts", {.noiseRms = kRoomNoise}, true, true, false, false, 60.0, 200.0},
        AnalysisRow{"NoLatency",
                    {.latencySeconds = 0.0, .noiseRms = kRoomNoise},
                    true,
                    true,
                    false,
                    false,
                    60.0,
                    200.0},
        AnalysisRow{"LongLatency",
                    {.latencySeconds = 0.38, .noiseRms = kRoomNoise},
                    true,
                    true,
                    false,
                    false,
                    60.0,
                    200.0},
        // White noise at -40 dBFS spreads over the whole band; the bursts stand far above it in their bins.
        AnalysisRow{"BurstsInNoise", {.noiseRms = 0.01}, true, true, false, false, 15.0, 60.0},
        // Bursts 30 dB down in the same noise: 11 dB quieter than the noise overall, still found by
        // frequency.
        AnalysisRow{"QuietBurstsInNoise",
                    {.leftGain = 0.0316, .rightGain = 0.0316, .noiseRms = 0.01},
                    true,
                    true,
                    false,
                    false,
                    10.0,
                    30.0},
        AnalysisRow{"RightSpeakerDead",
                    {.rightGain = 0.0, .noiseRms = 0.001},
                    true,
                    false,
                    false,
                    false,
                    20.0,
                    100.0},
        AnalysisRow{"BothSpeakersDead",
                    {.leftGain = 0.0, .rightGain = 0.0, .noiseRms = 0.001},
                    false,
                    false,
                    false,
                    false,
                    0.0,
                    0.0},
        AnalysisRow{
            "Clipping", {.noiseRms = kRoomNoise, .micGain = 40.0}, true, true, false, true, 40.0, 200.0},
        // The speakers play tones, but not at the frequencies asked for: neither burst counts as heard.
        AnalysisRow{"WrongFrequencies",
                    {.noiseRms = 0.0005, .leftHz = 1000.0, .rightHz = 1600.0},
                    false,
                    false,
                    false,
                    false,
                    0.0,
                    0.0},
        // Each burst counts only where the clip puts it: a whistle at the left's frequency after the clip,
        // or one at the right's frequency away from its offset after the left, is no burst.
        AnalysisRow{"WhistleAfterTheClipIsNotTheLeft",
                    {.leftGain = 0.0,
                     .rightGain = 0.0,
                     .noiseRms = 0.001,
                     .sounds = {{.hz = 750.0, .fromSeconds = 2.2, .seconds = 0.5, .amplitude = 0.1}}},
                    false,
                    false,
                    false,
                    false,
                    0.0,
                    0.0},
        AnalysisRow{"RightToneAtTheWrongOffset",
                    {.rightGain = 0.0,
                     .noiseRms = 0.001,
                     .sounds = {{.hz = 1250.0, .fromSeconds = 2.3, .seconds = 0.5, .amplitude = 0.1}}},
                    true,
                    false,
                    false,
                    false,
                    20.0,
                    100.0},
        AnalysisRow{"LeftDeadRightFindsTheLatency",
                    {.leftGain = 0.0, .latencySeconds = 0.3, .noiseRms = kRoomNoise},
                    false,
                    true,
                    false,
                    false,
                    60.0,
                    200.0},
        // The burst must stand 10 dB above the sound 200 Hz beside it: a noise burst is loud at every
        // frequency, and a tone beside the burst only 6 dB below it is more than the burst.
        AnalysisRow{"NoiseBurstIsNoTone",
                    {.leftGain = 0.0,
                     .noiseRms = kRoomNoise,
                     .sounds = {{.hz = 0.0, .fromSeconds = 0.65, .seconds = 0.5, .amplitude = 0.05}}},
                    false,
                    true,
                    false,
                    false,
                    20.0,
                    200.0},
        AnalysisRow{"ToneBesideOnlySixDbBelow",
                    {.noiseRms = kRoomNoise,
                     .sounds = {{.hz = 950.0, .fromSeconds = 0.65, .seconds = 0.5, .amplitude = 0.0625}}},
                    false,
                    true,
                    false,
                    false,
                    60.0,
                    200.0},
        // A whistle as loud as this at the left burst's frequency leaves no room for a verdict.
        AnalysisRow{"WhistleMasksTheLeft",
                    {.noiseRms = kRoomNoise,
                     .sounds = {{.hz = 750.0, .fromSeconds = 0.0, .seconds = 3.0, .amplitude = 0.3}}},
                    false,
                    true,
                    false,
                    false,
                    40.0,
                    200.0,
                    false,
                    true},
        // The recording ends before the right burst that the left one's latency puts late.
        AnalysisRow{"RecordingEndsBeforeTheRightBurst",
                    {.latencySeconds = 0.7, .noiseRms = kRoomNoise, .recordSeconds = 2.2},
                    true,
                    false,
                    false,
                    false,
                    60.0,
                    200.0},
        // Exact zeros between the bursts: the output looped back in, not a microphone in a room.
        AnalysisRow{"DigitalLoopback", {}, false, false, false, false, 0.0, 0.0, true},
        AnalysisRow{"Silence", {.leftGain = 0.0, .rightGain = 0.0}, false, false, true, false, 0.0, 0.0}),
    [](const testing::TestParamInfo<AnalysisRow>& info) { return info.param.name; });

TEST(SelfTestAnalysisLimits, ARecordingTooShortJudgesNothing) {
    const SelfTestPlan plan;
    const std::vector<float> recording(static_cast<std::size_t>(0.5 * kRate), 0.1f);
    const SelfTestFindings found = analyseSelfTest(recording, kRate, plan);
    EXPECT_FALSE(found.measured);
    EXPECT_FALSE(found.left.heard);
    EXPECT_FALSE(found.right.heard);
    EXPECT_EQ(selfTestTexts(found)[2], "Микрофон: запись слишком коротка для проверки");
    EXPECT_FALSE(analyseSelfTest({}, kRate, plan).measured);
    EXPECT_FALSE(analyseSelfTest(recording, 0.0, plan).measured);
}

TEST(SelfTestAnalysisLimits, BackgroundIsTheMicrophonesOwnLevel) {
    const SelfTestPlan plan;
    const SelfTestFindings noisy = analyseSelfTest(record(plan, {.noiseRms = 0.01}), kRate, plan);
    EXPECT_NEAR(noisy.backgroundDbfs, -40.0, 1.0);
    const SelfTestFindings digital = analyseSelfTest(record(plan, {}), kRate, plan);
    EXPECT_DOUBLE_EQ(digital.backgroundDbfs, kSelfTestFloorDbfs);
    EXPECT_TRUE(digital.loopback);
    // The clip started later than the recording: the latency is counted from the clip's start.
    const auto late = static_cast<std::size_t>(0.2 * kRate);
    const SelfTestFindings lateClip =
        analyseSelfTest(record(plan, {.latencySeconds = 0.35, .noiseRms = kRoomNoise}), kRate, plan, late);
    EXPECT_TRUE(lateClip.left.heard);
    EXPECT_TRUE(lateClip.right.heard);
    EXPECT_NEAR(lateClip.latencySeconds, 0.15, 0.03);
}

TEST(SelfTestClip, EachBurstOnItsOwnChannelAtItsLevel) {
    const SelfTestPlan plan;
    const std::vector<std::int16_t> clip = selfTestClip(plan);
    const double seconds = plan.leadSeconds + 2 * plan.burstSeconds + plan.gapSeconds + plan.tailSeconds;
    ASSERT_EQ(clip.size(), 2 * static_cast<std::size_t>(std::lround(seconds * plan.playRate)));
    const auto frame = [&](double at) { return static_cast<std::size_t>(at * plan.playRate); };
    const std::size_t leftStart = frame(plan.leadSeconds);
    const std::size_t rightStart = frame(plan.leadSeconds + plan.burstSeconds + plan.gapSeconds);
    const std::size_t burst = frame(plan.burstSeconds);
    int leftPeak = 0;
    int rightPeak = 0;
    for (std::size_t i = 0; i < clip.size() / 2; ++i) {
        const bool inLeft = i >= leftStart && i < leftStart + burst;
        const bool inRight = i >= rightStart && i < rightStart + burst;
        if (!inLeft) {
            ASSERT_EQ(clip[2 * i], 0) << "left sample outside its burst at frame " << i;
        }
        if (!inRight) {
            ASSERT_EQ(clip[2 * i + 1], 0) << "right sample outside its burst at frame " << i;
        }
        leftPeak = std::max(leftPeak, std::abs(static_cast<int>(clip[2 * i])));
        rightPeak = std::max(rightPeak, std::abs(static_cast<int>(clip[2 * i + 1])));
    }
    const int expected = static_cast<int>(std::lround(32767.0 * std::pow(10.0, plan.burstDbfs / 20.0)));
    EXPECT_NEAR(leftPeak, expected, expected / 100);
    EXPECT_NEAR(rightPeak, expected, expected / 100);
    // Faded in: the first sample of a burst is silent, not a step.
    EXPECT_EQ(clip[2 * leftStart], 0);
}

struct SampleRow {
    std::string name;
    std::vector<std::uint8_t> bytes;
    bool sixteenBit;
    std::vector<float> expected;
};

class CaptureSamples : public testing::TestWithParam<SampleRow> {};

TEST_P(CaptureSamples, BecomeFullScaleValues) {
    std::vector<float> out{0.5f}; // appended to, never replaced
    appendCaptureSamples(GetParam().bytes, GetParam().sixteenBit, out);
    std::vector<float> expected{0.5f};
    expected.insert(expected.end(), GetParam().expected.begin(), GetParam().expected.end());
    EXPECT_EQ(out, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Widths, CaptureSamples,
    testing::Values(SampleRow{"EightBit", {0, 128, 255, 192}, false, {-1.0f, 0.0f, 127.0f / 128.0f, 0.5f}},
                    SampleRow{"SixteenBit",
                              {0x00, 0x80, 0x00, 0x00, 0xFF, 0x7F, 0x00, 0x40},
                              true,
                              {-1.0f, 0.0f, 32767.0f / 32768.0f, 0.5f}},
                    // An odd byte at the end of a 16-bit buffer is half a sample: left out.
                    SampleRow{"SixteenBitOddTail", {0x00, 0x40, 0x12}, true, {0.5f}}),
    [](const testing::TestParamInfo<SampleRow>& info) { return info.param.name; });

struct TextRow {
    std::string name;
    SelfTestFindings findings;
    std::vector<std::string> expected;
};

class SelfTestTexts : public testing::TestWithParam<TextRow> {};

TEST_P(SelfTestTexts, SayWhatWasHeard) {
    EXPECT_EQ(selfTestTexts(GetParam().findings), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Verdicts, SelfTestTexts,
    testing::Values(
        TextRow{"BothHeard",
                {.measured = true,
                 .left = {.heard = true, .snrDb = 34.4},
                 .right = {.heard = true, .snrDb = 29.6},
                 .backgroundDbfs = -62.5},
                {"Левый канал: слышен (+34 дБ)", "Правый канал: слышен (+30 дБ)",
                 "Микрофон: сигнал есть (фон −63 дБFS)"}},
        TextRow{"RightMissing",
                {.measured = true,
                 .left = {.heard = true, .snrDb = 71.0},
                 .right = {.snrDb = 2.0},
                 .backgroundDbfs = -120.0},
                {"Левый канал: слышен (+71 дБ)", "Правый канал: не слышен",
                 "Микрофон: сигнал есть (фон −120 дБFS)"}},
        TextRow{"Clipped",
                {.measured = true,
                 .left = {.heard = true, .snrDb = 50.0, .clipped = true},
                 .right = {.heard = true, .snrDb = 50.0}},
                {"Левый канал: слышен (+50 дБ), микрофон перегружен", "Правый канал: слышен (+50 дБ)",
                 "Микрофон: сигнал есть (фон 0 дБFS)"}},
        // A deaf microphone is its own fault, not two dead speakers.
        TextRow{"MicrophoneSilent",
                {.measured = true, .backgroundDbfs = -120.0, .microphoneSilent = true},
                {"Левый канал: не проверен — микрофон ничего не слышит",
                 "Правый канал: не проверен — микрофон ничего не слышит",
                 "Микрофон: тишина — не подключён или выключен"}},
        TextRow{"TooNoisyIsNoDeadSpeaker",
                {.measured = true,
                 .left = {.snrDb = 1.0, .masked = true},
                 .right = {.heard = true, .snrDb = 40.0},
                 .backgroundDbfs = -20.0},
                {"Левый канал: слишком шумно для проверки", "Правый канал: слышен (+40 дБ)",
                 "Микрофон: сигнал есть (фон −20 дБFS)"}},
        TextRow{"LoopbackIsNoMicrophone",
                {.measured = true, .backgroundDbfs = -120.0, .loopback = true},
                {"Левый канал: не проверен — записан сам выход звука, а не микрофон",
                 "Правый канал: не проверен — записан сам выход звука, а не микрофон",
                 "Микрофон: похоже на петлю с выхода звука, не микрофон"}},
        TextRow{"NoMicrophoneAtAll",
                noMicrophoneFindings(SelfTestPlan{}),
                {"Левый канал: не проверен — нет микрофона", "Правый канал: не проверен — нет микрофона",
                 "Микрофон: не найден — в системе нет устройства записи"}}),
    [](const testing::TestParamInfo<TextRow>& info) { return info.param.name; });

TEST(SelfTestResults, OneLinePerChannelAndTheMicrophone) {
    SelfTestFindings found{.measured = true,
                           .left = {.heard = true, .snrDb = 34.0, .levelDbfs = -18.0, .frequencyHz = 750.0},
                           .right = {.heard = false, .snrDb = 1.5, .levelDbfs = -80.0, .frequencyHz = 1250.0},
                           .backgroundDbfs = -81.5};
    const auto lines = selfTestResults(found);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].source, "audio");
    EXPECT_EQ(lines[0].key, "left_channel");
    EXPECT_EQ(lines[0].verdict, "Левый канал: слышен (+34 дБ)");
    EXPECT_EQ(lines[0].judgement, vexlin::results::Verdict::Good);
    EXPECT_EQ(lines[1].key, "right_channel");
    EXPECT_EQ(lines[1].judgement, vexlin::results::Verdict::Bad);
    EXPECT_EQ(lines[2].key, "microphone");
    EXPECT_EQ(lines[2].judgement, vexlin::results::Verdict::Good);
    auto fact = [](const vexlin::results::ResultLine& line, const std::string& name) {
        for (const auto& f : line.facts) {
            if (f.name == name) {
                return f.value;
            }
        }
        return vexlin::results::FactValue{std::string("<missing>")};
    };
    EXPECT_EQ(fact(lines[0], "heard"), vexlin::results::FactValue{true});
    EXPECT_EQ(fact(lines[1], "heard"), vexlin::results::FactValue{false});
    EXPECT_EQ(fact(lines[0], "snr_db"), vexlin::results::FactValue{34.0});
    EXPECT_EQ(fact(lines[1], "frequency_hz"), vexlin::results::FactValue{1250.0});
    EXPECT_EQ(fact(lines[2], "background_dbfs"), vexlin::results::FactValue{-81.5});

    EXPECT_EQ(lines[0].what, "Левый канал"); // the channel, not the speaker's place
    EXPECT_EQ(fact(lines[2], "found"), vexlin::results::FactValue{true});

    found.microphoneSilent = true;
    const auto silent = selfTestResults(found);
    EXPECT_EQ(silent[0].judgement, vexlin::results::Verdict::None); // not the speaker's fault
    EXPECT_EQ(silent[2].judgement, vexlin::results::Verdict::Bad);

    found.microphoneSilent = false;
    found.loopback = true;
    const auto looped = selfTestResults(found);
    EXPECT_EQ(looped[0].judgement, vexlin::results::Verdict::None);
    EXPECT_EQ(looped[2].judgement, vexlin::results::Verdict::Warning);
    EXPECT_EQ(fact(looped[2], "loopback"), vexlin::results::FactValue{true});

    const auto absent = selfTestResults(noMicrophoneFindings(SelfTestPlan{}));
    EXPECT_EQ(absent[0].judgement, vexlin::results::Verdict::None);
    EXPECT_EQ(absent[2].judgement, vexlin::results::Verdict::Bad); // the microphone's own fault
    EXPECT_EQ(fact(absent[2], "found"), vexlin::results::FactValue{false});
}

} // namespace
