#include "audio/SpeakerSelfTest.h"

#include <algorithm>
#include <cmath>
#include <numbers>

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

struct BlockPowers {
    std::vector<double> at;
    std::vector<double> beside; // the louder of the two neighbours
};

BlockPowers blockPowers(std::span<const float> recording, std::size_t blockLength, double hz, double rate) {
    BlockPowers powers;
    const std::vector<double> window = hannWindow(blockLength);
    double windowSum = 0.0;
    for (const double w : window) {
        windowSum += w;
    }
    for (std::size_t start = 0; start + blockLength <= recording.size(); start += blockLength) {
        const auto block = recording.subspan(start, blockLength);
        powers.at.push_back(tonePower(block, window, windowSum, hz, rate));
        powers.beside.push_back(std::max(tonePower(block, window, windowSum, hz - kNeighbourHz, rate),
                                         tonePower(block, window, windowSum, hz + kNeighbourHz, rate)));
    }
    return powers;
}

ChannelFinding findBurst(std::span<const float> recording, double rate, double hz, std::size_t blockLength,
                         std::size_t backgroundBlocks, std::size_t burstBlocks) {
    ChannelFinding finding;
    finding.frequencyHz = hz;
    const BlockPowers powers = blockPowers(recording, blockLength, hz, rate);
    if (powers.at.size() < backgroundBlocks + burstBlocks) {
        return finding;
    }
    double background = 0.0;
    for (std::size_t i = 0; i < backgroundBlocks; ++i) {
        background += powers.at[i];
    }
    background /= static_cast<double>(backgroundBlocks);

    // The loudest stretch of a burst's length after the background part.
    double best = -1.0;
    std::size_t bestStart = backgroundBlocks;
    for (std::size_t start = backgroundBlocks; start + burstBlocks <= powers.at.size(); ++start) {
        double sum = 0.0;
        for (std::size_t i = start; i < start + burstBlocks; ++i) {
            sum += powers.at[i];
        }
        if (sum > best) {
            best = sum;
            bestStart = start;
        }
    }
    double beside = 0.0;
    for (std::size_t i = bestStart; i < bestStart + burstBlocks; ++i) {
        beside += powers.beside[i];
    }
    const double burst = best / static_cast<double>(burstBlocks);
    beside /= static_cast<double>(burstBlocks);

    const double backgroundDb = floored(toDb(background));
    finding.levelDbfs = floored(toDb(burst));
    finding.snrDb = finding.levelDbfs - backgroundDb;
    const double contrastDb = finding.levelDbfs - floored(toDb(beside));
    finding.heard = finding.snrDb >= kHeardSnrDb && contrastDb >= kHeardSnrDb;

    const auto first = recording.begin() + static_cast<std::ptrdiff_t>(bestStart * blockLength);
    const auto last = first + static_cast<std::ptrdiff_t>(burstBlocks * blockLength);
    finding.clipped = std::any_of(first, last, [](float v) { return std::abs(v) >= kClipLevel; });
    return finding;
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

std::string channelText(const char* name, const ChannelFinding& finding, bool microphoneSilent) {
    std::string text = std::string(name) + ": ";
    if (microphoneSilent) {
        return text + "не проверен — микрофон ничего не слышит";
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
    if (all.microphoneSilent || !all.measured) {
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
                  {"clipped", finding.clipped, ""}};
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

SelfTestFindings analyseSelfTest(std::span<const float> recording, double rate, const SelfTestPlan& plan) {
    SelfTestFindings findings;
    findings.left.frequencyHz = plan.leftHz;
    findings.right.frequencyHz = plan.rightHz;
    const auto blockLength = static_cast<std::size_t>(std::lround(kBlockSeconds * rate));
    if (blockLength < 8 || !(rate > 0.0)) {
        return findings;
    }
    // 50 ms blocks: 20 Hz wide bins, narrow enough to find a burst well below broadband noise.
    // The background: the part of the lead that has surely been recorded before the first burst can arrive.
    const auto backgroundBlocks =
        std::max<std::size_t>(1, static_cast<std::size_t>(plan.leadSeconds * 0.8 / kBlockSeconds));
    // A stretch a little shorter than a burst, so that latency jitter and fades do not lower it.
    const auto burstBlocks =
        std::max<std::size_t>(1, static_cast<std::size_t>(plan.burstSeconds * 0.7 / kBlockSeconds));
    const std::size_t needed = blockLength * (backgroundBlocks + burstBlocks);
    if (recording.size() < needed) {
        return findings;
    }
    findings.measured = true;
    findings.backgroundDbfs = floored(toDb(meanSquare(recording.first(backgroundBlocks * blockLength))));
    findings.microphoneSilent = floored(toDb(meanSquare(recording))) < kSilentMicrophoneDbfs;
    findings.left = findBurst(recording, rate, plan.leftHz, blockLength, backgroundBlocks, burstBlocks);
    findings.right = findBurst(recording, rate, plan.rightHz, blockLength, backgroundBlocks, burstBlocks);
    if (findings.microphoneSilent) {
        findings.left.heard = false;
        findings.right.heard = false;
    }
    return findings;
}

std::vector<std::string> selfTestTexts(const SelfTestFindings& findings) {
    if (!findings.measured) {
        return {"Левый канал: не проверен", "Правый канал: не проверен",
                "Микрофон: запись слишком коротка для проверки"};
    }
    return {channelText("Левый канал", findings.left, findings.microphoneSilent),
            channelText("Правый канал", findings.right, findings.microphoneSilent),
            findings.microphoneSilent ? "Микрофон: тишина — не подключён или выключен"
                                      : "Микрофон: сигнал есть (фон " + dbfs(findings.backgroundDbfs) + ")"};
}

std::vector<results::ResultLine> selfTestResults(const SelfTestFindings& findings) {
    const std::vector<std::string> texts = selfTestTexts(findings);
    std::vector<results::ResultLine> lines;
    lines.push_back(channelLine("left_channel", "Левый динамик", texts[0], findings.left, findings));
    lines.push_back(channelLine("right_channel", "Правый динамик", texts[1], findings.right, findings));

    results::ResultLine microphone;
    microphone.source = "audio";
    microphone.key = "microphone";
    microphone.what = "Микрофон";
    microphone.verdict = texts[2];
    microphone.judgement = !findings.measured          ? results::Verdict::None
                           : findings.microphoneSilent ? results::Verdict::Bad
                                                       : results::Verdict::Good;
    microphone.facts = {{"heard", findings.measured && !findings.microphoneSilent, ""},
                        {"background_dbfs", findings.backgroundDbfs, "dBFS"},
                        {"measured", findings.measured, ""}};
    lines.push_back(microphone);
    return lines;
}

} // namespace vexlin::audio
