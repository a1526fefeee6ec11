#pragma once

#include "audio/CaptureAssembler.h"
#include "audio/CaptureFormat.h"
#include "audio/Waveform.h"
#include "platform/SoundService.h"

#include <QObject>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <optional>

namespace vexlin::testing {

// A sound device in memory: the microphone hears the clips played, through a gain per speaker and an
// optional mute, with a little latency, over the quiet noise of a room; capture buffers arrive from a timer
// as a real device's would.
class FakeSoundService final : public audio::SoundService {
public:
    FakeSoundService() {
        clock_.setInterval(10);
        QObject::connect(&clock_, &QTimer::timeout, [this] { tick(); });
    }

    double leftGain = 1.0;
    double rightGain = 1.0;
    bool microphoneMuted = false;
    bool hasInput = true;
    // The room's noise at the microphone (RMS, full scale 1): about −70 dBFS; 0 makes the input a loopback.
    double roomNoise = 0.0003;
    std::vector<audio::InputDeviceCaps> devices{{.description = "Fake microphone",
                                                 .minimumRate = 8000,
                                                 .maximumRate = 48000,
                                                 .minimumChannels = 1,
                                                 .maximumChannels = 2,
                                                 .unsigned8 = true,
                                                 .signed16 = true}};

    std::vector<audio::InputDeviceCaps> inputDevices() override { return devices; }

    void startCapture(const audio::CaptureSettings& settings, BufferHandler onBuffer) override {
        stopCapture(false);
        settings_ = settings;
        captureSettings.push_back(settings);
        onBuffer_ = std::move(onBuffer);
        open_ = true;
        ++captureStarts;
        const audio::WaveFormat wave = audio::captureWaveFormat(settings.sixteenBit);
        assembler_.emplace(audio::captureBufferBytes(settings.bufferSamples, wave),
                           audio::silenceByte(settings.sixteenBit));
        if (hasInput) {
            clock_.start();
        }
    }
    void stopCapture(bool waitForLastBuffer) override {
        if (!open_) {
            return;
        }
        if (waitForLastBuffer && hasInput && assembler_) {
            assembler_->requestStop();
            while (!assembler_->finished()) {
                tick();
            }
        }
        clock_.stop();
        open_ = false;
        onBuffer_ = nullptr;
        assembler_.reset();
    }
    bool captureOpen() const override { return open_; }
    std::int64_t captureBacklogBytes() const override {
        return assembler_ ? static_cast<std::int64_t>(assembler_->filled()) : 0;
    }

    std::string openMusic(const std::filesystem::path& file) override {
        musicFile = file;
        return musicOpenError;
    }
    bool musicOpen() const override { return musicOpenError.empty(); }
    std::string playMusic(bool fromStart) override {
        if (!musicOpenError.empty()) {
            return "Плеер не открыт. " + musicOpenError;
        }
        musicPlays.push_back(fromStart);
        playing_ = true;
        return {};
    }
    void stopMusic() override { playing_ = false; }
    bool musicPlaying() const override { return playing_; }
    void setVolumeWord(std::uint32_t word) override { volume_ = word; }
    std::optional<std::uint32_t> volumeWord() const override { return volume_; }

    std::string playClip(std::vector<std::int16_t> interleavedStereo, int rate) override {
        clip_ = std::move(interleavedStereo);
        clipRate_ = rate;
        clipFrame_ = 0;
        ++clipsPlayed;
        // The clip reaches the microphone a little later, as through real speakers.
        delaySamples_ = 2205;
        return {};
    }
    void stopClip() override { clip_.clear(); }

    void setDeviceLossHandler(DeviceLossHandler handler) override { lossHandler_ = std::move(handler); }
    // The device goes away as a real one does: its streams are closed first, then the handler hears of it.
    void loseDevice(audio::LostDevice device) {
        if (device == audio::LostDevice::Input) {
            hasInput = false;
            if (!open_) {
                return;
            }
            clock_.stop();
            open_ = false;
            onBuffer_ = nullptr;
            assembler_.reset();
        } else {
            if (!playing_ && clip_.empty()) {
                return;
            }
            playing_ = false;
            clip_.clear();
        }
        if (lossHandler_) {
            lossHandler_(device);
        }
    }

    std::filesystem::path musicFile;
    std::string musicOpenError;
    std::vector<bool> musicPlays; // fromStart of each play
    int captureStarts = 0;
    std::vector<audio::CaptureSettings> captureSettings; // of every start
    int clipsPlayed = 0;

private:
    // 10 ms of microphone signal at 22050 Hz.
    void tick() {
        if (!assembler_) {
            return;
        }
        std::vector<std::uint8_t> bytes;
        for (int i = 0; i < 221; ++i) {
            double value = 0.0;
            if (delaySamples_ > 0) {
                --delaySamples_;
            } else if (!clip_.empty() && clipRate_ > 0) {
                const std::size_t frame =
                    clipFrame_ * static_cast<std::size_t>(clipRate_) / audio::kCaptureRate;
                ++clipFrame_;
                if (2 * frame + 1 < clip_.size()) {
                    value = (clip_[2 * frame] * leftGain + clip_[2 * frame + 1] * rightGain) / 2.0 / 32768.0;
                }
            }
            value += roomNoise * noise();
            if (microphoneMuted) {
                value = 0.0;
            }
            value = std::clamp(value, -1.0, 32767.0 / 32768.0);
            if (settings_.sixteenBit) {
                const auto sample = static_cast<std::int16_t>(std::lround(value * 32768.0));
                bytes.push_back(static_cast<std::uint8_t>(sample & 0xFF));
                bytes.push_back(static_cast<std::uint8_t>((sample >> 8) & 0xFF));
            } else {
                bytes.push_back(
                    static_cast<std::uint8_t>(std::clamp(std::lround(128.0 + value * 128.0), 0L, 255L)));
            }
        }
        const BufferHandler handler = onBuffer_;
        assembler_->feed(bytes, [&](std::span<const std::uint8_t> buffer, bool) {
            if (handler) {
                handler(std::vector<std::uint8_t>(buffer.begin(), buffer.end()));
            }
        });
    }

    // Uniform noise of unit RMS from a fixed seed, so that every run hears the same room.
    double noise() {
        seed_ = seed_ * 1664525u + 1013904223u;
        return (static_cast<double>(seed_ >> 8) / static_cast<double>(1u << 24) - 0.5) * std::sqrt(12.0);
    }

    std::uint32_t seed_ = 12345;
    audio::CaptureSettings settings_;
    BufferHandler onBuffer_;
    DeviceLossHandler lossHandler_;
    bool open_ = false;
    std::optional<audio::CaptureAssembler> assembler_;
    QTimer clock_;
    bool playing_ = false;
    std::optional<std::uint32_t> volume_;
    std::vector<std::int16_t> clip_;
    int clipRate_ = 0;
    std::size_t clipFrame_ = 0;
    int delaySamples_ = 0;
};

} // namespace vexlin::testing
