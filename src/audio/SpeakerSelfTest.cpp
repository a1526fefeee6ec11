#include "audio/SpeakerSelfTest.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace vexlin::audio {
namespace {

constexpr double kBlockSeconds = 0.05;
// The sound this far beside a burst's frequency must be well below it: a tone elsewhere is not the burst.
constexpr double kNeighbourHz = 200.0;
constexpr double kClipLevel = 0.999;

double toDb(double power) {
    return power > 0.0 ? 10.0 * std::log10(power) : kSelfTestFloorDbfs;
}

double floored(double db) {
    return std::max(db, kSelfTestFloorDbfs);
}

std::vector<double> hannWindow(std::size_t n) {
    std::vector<double> window(n);
    for (std::size_t i = 0; i < n; ++i) {
        window[i] =
            0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n));
    }
    return window;
}

// Power of a sine at `hz` in one Hann-windowed block, as amplitude squared (1.0 for a full-scale sine).
double tonePower(std::span<const float> block, const std::vector<double>& window, double windowSum, double hz,
                 double rate) {
    const double omega = 2.0 * std::numbers::pi * hz / rate;
    const double coefficient = 2.0 * std::cos(omega);
    double s1 = 0.0;
    double s2 = 0.0;
    for (std::size_t i = 0; i < block.size(); ++i) {
        const double s0 = block[i] * window[i] + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double re = s1 - s2 * std::cos(omega);
    const double im = s2 * std::sin(omega);
    const double amplitude = 2.0 * std::sqrt(re * re + im * im) / windowSum;
    return amplitude * amplitude;
}

double meanSquare(std::span<const float> samples) {
    double sum = 0.0;
    for (const float v : samples) {
        sum += static_cast<double>(v) * v;
    }
    return samples.empty() ? 0.0 : sum / static_cast<double>(samples.size());
}

// The blocks a recording is analysed in: 50 ms, Hann-windowed, so 20 Hz wide bins, narrow enough to find a
// burst well below broadband noise.
struct Blocks {
    std::span<const float> recording;
    double rate = 0.0;
    std::size_t length = 0;
    std::vector<double> window;
    double windowSum = 0.0;

    Blocks(std::span<const float> samples, double sampleRate, std::size_t blockLength)
        : recording(samples), rate(sampleRate), length(blockLength), window(hannWindow(blockLength)) {
        for (const double w : window) {
            windowSum += w;
        }
    }

    // The mean power of a sine at `hz` over `count` blocks one after another from sample `start`.
    double meanPower(std::size_t start, std::size_t count, double hz) const {
        double sum = 0.0;
        for (std::size_t i = 0; i < count; ++i) {
            sum += tonePower(recording.subspan(start + i * length, length), window, windowSum, hz, rate);
        }
        return count > 0 ? sum / static_cast<double>(count) : 0.0;
    }
};

// Where the bursts are looked for, in samples of the recording.
struct Layout {
    std::size_t backgroundBlocks = 0;
    std::size_t burstBlocks = 0;
    std::size_t firstBurst = 0;  // where the left burst starts with no latency at all
    std::size_t rightOffset = 0; // from the left burst's start to the right one's
    std::size_t burstLength = 0;
    std::size_t margin = 0; // from a burst's start to the stretch that is measured
    std::size_t latencyStep = 0;
    std::size_t maxLatency = 0;

    // The measured stretch of a burst starting at `burstStart` lies within the recording.
    bool fits(std::size_t burstStart, std::size_t size, std::size_t blockLength) const {
        return burstStart + margin + burstBlocks * blockLength <= size;
    }
};

ChannelFinding judgeBurst(const Blocks& blocks, const Layout& layout, std::size_t burstStart, double hz,
                          const SelfTestPlan& plan) {
    ChannelFinding finding;
    finding.frequencyHz = hz;
    const double background = blocks.meanPower(0, layout.backgroundBlocks, hz);
    const std::size_t from = burstStart + layout.margin;
    const double burst = blocks.meanPower(from, layout.burstBlocks, hz);
    const double beside = std::max(blocks.meanPower(from, layout.burstBlocks, hz - kNeighbourHz),
                                   blocks.meanPower(from, layout.burstBlocks, hz + kNeighbourHz));

    const double backgroundDb = floored(toDb(background));
    const double besideDb = floored(toDb(beside));
    finding.levelDbfs = floored(toDb(burst));
    finding.snrDb = finding.levelDbfs - backgroundDb;
    const double contrastDb = finding.levelDbfs - besideDb;
    finding.heard = finding.snrDb >= kHeardSnrDb && contrastDb >= kHeardSnrDb;
    // Even played straight into the microphone, the burst would not stand clear of this.
    finding.masked = !finding.heard && std::max(backgroundDb, besideDb) + kHeardSnrDb > plan.burstDbfs;

    const auto first = blocks.recording.begin() + static_cast<std::ptrdiff_t>(from);
    const auto last = first + static_cast<std::ptrdiff_t>(layout.burstBlocks * blocks.length);
    finding.clipped = std::any_of(first, last, [](float v) { return std::abs(v) >= kClipLevel; });
    return finding;
}

// The latency of the burst at `hz`, due `offset` samples after the left one: every latency whose measured
// stretch lies wholly inside the burst gives about its full power, so the burst's onset is where the middle
// of that plateau puts it.  Nullopt when no latency in the window leaves the stretch inside the recording.
std::optional<std::size_t> burstLatency(const Blocks& blocks, const Layout& layout, std::size_t offset,
                                        double hz) {
    std::vector<double> powers;
    for (std::size_t latency = 0; latency <= layout.maxLatency; latency += layout.latencyStep) {
        const std::size_t start = layout.firstBurst + offset + latency;
        if (!layout.fits(start, blocks.recording.size(), blocks.length)) {
            break;
        }
        powers.push_back(blocks.meanPower(start + layout.margin, layout.burstBlocks, hz));
    }
    if (powers.empty()) {
        return std::nullopt;
    }
    const auto loudest =
        static_cast<std::size_t>(std::max_element(powers.begin(), powers.end()) - powers.begin());
    constexpr double kPlateau = 0.8; // within 1 dB of the loudest
    std::size_t first = loudest;
    std::size_t last = loudest;
    while (first > 0 && powers[first - 1] >= kPlateau * powers[loudest]) {
        --first;
    }
    while (last + 1 < powers.size() && powers[last + 1] >= kPlateau * powers[loudest]) {
        ++last;
    }
    return (first + last) / 2 * layout.latencyStep;
}

std::string decibels(double db) {
    // Whole decibels with a sign, the minus a true minus sign as in the rest of the Russian texts.
    const long rounded = std::lround(db);
    std::string text = rounded < 0 ? "−" : "+";
    text += std::to_string(std::labs(rounded));
    return text + " дБ";
}

std::string dbfs(double db) {
    const long rounded = std::lround(db);
    return (rounded < 0 ? "−" : "") + std::to_string(std::labs(rounded)) + " дБFS";
}

std::string channelText(const char* name, const ChannelFinding& finding, const SelfTestFindings& all) {
    std::string text = std::string(name) + ": ";
    if (all.microphoneSilent) {
        return text + "не проверен — микрофон ничего не слышит";
    }
    if (all.loopback) {
        return text + "не проверен — записан сам выход звука, а не микрофон";
    }
    if (finding.masked) {
        return text + "слишком шумно для проверки";
    }
    if (!finding.heard) {
        return text + "не слышен";
    }
    text += "слышен (" + decibels(finding.snrDb) + ")";
    if (finding.clipped) {
        text += ", микрофон перегружен";
    }
    return text;
}

results::ResultLine channelLine(const char* key, const char* what, const std::string& text,
                                const ChannelFinding& finding, const SelfTestFindings& all) {
    results::ResultLine line;
    line.source = "audio";
    line.key = key;
    line.what = what;
    line.verdict = text;
    if (all.microphoneSilent || all.loopback || all.noMicrophone || !all.measured || finding.masked) {
        line.judgement = results::Verdict::None;
    } else {
        line.judgement = finding.heard ? results::Verdict::Good : results::Verdict::Bad;
        line.value = finding.heard ? decibels(finding.snrDb) : "";
    }
    line.facts = {{"heard", finding.heard, ""},
                  {"snr_db", finding.snrDb, "dB"},
                  {"level_dbfs", finding.levelDbfs, "dBFS"},
                  {"background_dbfs", all.backgroundDbfs, "dBFS"},
                  {"frequency_hz", finding.frequencyHz, "Hz"},
                  {"clipped", finding.clipped, ""},
                  {"masked", finding.masked, ""},
                  {"latency_ms", all.latencySeconds * 1000.0, "ms"}};
    return line;
}

} // namespace

std::vector<std::int16_t> selfTestClip(const SelfTestPlan& plan) {
    const double rate = plan.playRate;
    const auto frames = [&](double seconds) { return static_cast<std::size_t>(std::lround(seconds * rate)); };
    const std::size_t lead = frames(plan.leadSeconds);
    const std::size_t burst = frames(plan.burstSeconds);
    const std::size_t gap = frames(plan.gapSeconds);
    const std::size_t total = lead + burst + gap + burst + frames(plan.tailSeconds);
    std::vector<std::int16_t> clip(2 * total, 0);
    const double peak = 32767.0 * std::pow(10.0, plan.burstDbfs / 20.0);
    const std::size_t fade = std::min(frames(0.01), burst / 2);

    auto writeBurst = [&](std::size_t first, double hz, int channel) {
        for (std::size_t i = 0; i < burst; ++i) {
            double envelope = 1.0;
            const std::size_t fromEnd = burst - 1 - i;
            if (fade > 0 && std::min(i, fromEnd) < fade) {
                envelope = 0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(std::min(i, fromEnd)) /
                                                static_cast<double>(fade));
            }
            const double value =
                peak * envelope * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / rate);
            clip[2 * (first + i) + static_cast<std::size_t>(channel)] =
                static_cast<std::int16_t>(std::lround(value));
        }
    };
    writeBurst(lead, plan.leftHz, 0);
    writeBurst(lead + burst + gap, plan.rightHz, 1);
    return clip;
}

void appendCaptureSamples(std::span<const std::uint8_t> buffer, bool sixteenBit, std::vector<float>& out) {
    if (sixteenBit) {
        for (std::size_t i = 0; i + 1 < buffer.size(); i += 2) {
            const auto raw =
                static_cast<std::int16_t>(static_cast<std::uint16_t>(buffer[i] | (buffer[i + 1] << 8)));
            out.push_back(static_cast<float>(raw) / 32768.0f);
        }
    } else {
        for (const std::uint8_t byte : buffer) {
            out.push_back((static_cast<float>(byte) - 128.0f) / 128.0f);
        }
    }
}

SelfTestFindings analyseSelfTest(std::span<const float> recording, double rate, const SelfTestPlan& plan,
                                 std::size_t clipStart) {
    SelfTestFindings findings;
    findings.left.frequencyHz = plan.leftHz;
    findings.right.frequencyHz = plan.rightHz;
    const auto blockLength = static_cast<std::size_t>(std::lround(kBlockSeconds * rate));
    if (blockLength < 8 || !(rate > 0.0)) {
        return findings;
    }
    const auto samples = [rate](double seconds) {
        return static_cast<std::size_t>(std::lround(seconds * rate));
    };
    Layout layout;
    // The background: the part of the lead that has surely been recorded before the first burst can arrive.
    layout.backgroundBlocks =
        std::max<std::size_t>(1, static_cast<std::size_t>(plan.leadSeconds * 0.8 / kBlockSeconds));
    // A stretch a little shorter than a burst, in its middle, so that the fades and a latency found a little
    // off do not lower it.
    layout.burstBlocks =
        std::max<std::size_t>(1, static_cast<std::size_t>(plan.burstSeconds * 0.7 / kBlockSeconds));
    layout.burstLength = samples(plan.burstSeconds);
    layout.margin = layout.burstLength > layout.burstBlocks * blockLength
                        ? (layout.burstLength - layout.burstBlocks * blockLength) / 2
                        : 0;
    layout.firstBurst = clipStart + samples(plan.leadSeconds);
    layout.rightOffset = samples(plan.burstSeconds + plan.gapSeconds);
    layout.latencyStep = std::max<std::size_t>(1, samples(0.01));
    layout.maxLatency = samples(std::max(0.0, plan.maxLatencySeconds));

    const std::size_t background = layout.backgroundBlocks * blockLength;
    if (recording.size() < background || layout.firstBurst < background ||
        !layout.fits(layout.firstBurst + layout.rightOffset, recording.size(), blockLength)) {
        return findings;
    }
    findings.measured = true;
    const double backgroundPower = meanSquare(recording.first(background));
    findings.backgroundDbfs = floored(toDb(backgroundPower));
    findings.microphoneSilent = floored(toDb(meanSquare(recording))) < kSilentMicrophoneDbfs;
    findings.loopback = !findings.microphoneSilent && backgroundPower == 0.0;

    const Blocks blocks(recording, rate, blockLength);
    // The left burst's onset gives the latency; the right burst is where the clip puts it after the left.
    // When the left is not heard, the right burst's own onset gives it.
    const std::size_t leftLatency = burstLatency(blocks, layout, 0, plan.leftHz).value_or(0);
    std::size_t latency = leftLatency;
    findings.left = judgeBurst(blocks, layout, layout.firstBurst + latency, plan.leftHz, plan);
    if (!findings.left.heard) {
        const auto rightLatency = burstLatency(blocks, layout, layout.rightOffset, plan.rightHz);
        const ChannelFinding right =
            judgeBurst(blocks, layout, layout.firstBurst + layout.rightOffset + rightLatency.value_or(0),
                       plan.rightHz, plan);
        if (right.heard) {
            latency = *rightLatency;
            findings.left = judgeBurst(blocks, layout, layout.firstBurst + latency, plan.leftHz, plan);
        }
    }
    // A latency found near the end of its window may put the right burst past the end of the recording.
    if (layout.fits(layout.firstBurst + layout.rightOffset + latency, recording.size(), blockLength)) {
        findings.right =
            judgeBurst(blocks, layout, layout.firstBurst + layout.rightOffset + latency, plan.rightHz, plan);
    }
    findings.latencySeconds = static_cast<double>(latency) / rate;
    if (findings.microphoneSilent || findings.loopback) {
        for (ChannelFinding* channel : {&findings.left, &findings.right}) {
            channel->heard = false;
            channel->masked = false;
        }
    }
    return findings;
}

SelfTestFindings noMicrophoneFindings(const SelfTestPlan& plan) {
    SelfTestFindings findings;
    findings.noMicrophone = true;
    findings.left.frequencyHz = plan.leftHz;
    findings.right.frequencyHz = plan.rightHz;
    return findings;
}

std::vector<std::string> selfTestTexts(const SelfTestFindings& findings) {
    if (findings.noMicrophone) {
        return {"Левый канал: не проверен — нет микрофона", "Правый канал: не проверен — нет микрофона",
                "Микрофон: не найден — в системе нет устройства записи"};
    }
    if (!findings.measured) {
        return {"Левый канал: не проверен", "Правый канал: не проверен",
                "Микрофон: запись слишком коротка для проверки"};
    }
    std::string microphone = "Микрофон: сигнал есть (фон " + dbfs(findings.backgroundDbfs) + ")";
    if (findings.microphoneSilent) {
        microphone = "Микрофон: тишина — не подключён или выключен";
    } else if (findings.loopback) {
        microphone = "Микрофон: похоже на петлю с выхода звука, не микрофон";
    }
    return {channelText("Левый канал", findings.left, findings),
            channelText("Правый канал", findings.right, findings), microphone};
}

std::vector<results::ResultLine> selfTestResults(const SelfTestFindings& findings) {
    const std::vector<std::string> texts = selfTestTexts(findings);
    std::vector<results::ResultLine> lines;
    // Named by channel: a mono recording cannot tell which speaker played it.
    lines.push_back(channelLine("left_channel", "Левый канал", texts[0], findings.left, findings));
    lines.push_back(channelLine("right_channel", "Правый канал", texts[1], findings.right, findings));

    results::ResultLine microphone;
    microphone.source = "audio";
    microphone.key = "microphone";
    microphone.what = "Микрофон";
    microphone.verdict = texts[2];
    if (findings.noMicrophone || findings.microphoneSilent) {
        microphone.judgement = results::Verdict::Bad;
    } else if (!findings.measured) {
        microphone.judgement = results::Verdict::None;
    } else {
        microphone.judgement = findings.loopback ? results::Verdict::Warning : results::Verdict::Good;
    }
    microphone.facts = {{"heard", findings.measured && !findings.microphoneSilent && !findings.loopback, ""},
                        {"background_dbfs", findings.backgroundDbfs, "dBFS"},
                        {"measured", findings.measured, ""},
                        {"found", !findings.noMicrophone, ""},
                        {"loopback", findings.loopback, ""}};
    lines.push_back(microphone);
    return lines;
}

} // namespace vexlin::audio
