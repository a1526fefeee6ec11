#pragma once

#include "audio/Mp3Decoder.h"
#include "audio/PcmLoop.h"

#include <QByteArray>
#include <QObject>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

class QAudioSink;

namespace vexlin {

// The music of the sound-card test: a decoded MP3 played round and round through the default output, each
// channel at its own gain.  Gains act on this program's stream only; the device's own volume is never
// touched.
class MusicPlayer : public QObject {
    Q_OBJECT
public:
    explicit MusicPlayer(QObject* parent = nullptr);
    ~MusicPlayer() override;

    // Decodes the whole file.  Returns an empty string when the player is open, else the message for the
    // user; a failed open leaves the player closed (and any earlier music gone).
    std::string open(const std::filesystem::path& file);
    // The same for a file decoded elsewhere (on a thread of its own, say).
    std::string adopt(audio::DecodeResult decoded);
    bool isOpen() const { return loop_.frames() > 0; }
    const std::string& openError() const { return openError_; }

    // Plays from the beginning, or on from where the last stop left it.  Returns an empty string when the
    // music plays, else the message for the user (no music open, or no output that takes it).
    std::string play(bool fromStart = true);
    void stop();
    bool isPlaying() const;
    // The output the music plays through, while it plays.
    const QByteArray& outputId() const { return outputId_; }

    // Left gain from the low 16 bits, right from the high 16 bits.  Until the first call both are full.
    void setVolumeWord(std::uint32_t word);
    std::optional<std::uint32_t> volumeWord() const { return volume_; }

    const audio::PcmLoop& loop() const { return loop_; }
    int rate() const { return rate_; }

private:
    class LoopDevice;

    audio::PcmLoop loop_;
    int rate_ = 0;
    std::string openError_;
    std::optional<std::uint32_t> volume_;
    std::unique_ptr<LoopDevice> device_;
    std::unique_ptr<QAudioSink> sink_;
    QByteArray outputId_;
};

} // namespace vexlin
