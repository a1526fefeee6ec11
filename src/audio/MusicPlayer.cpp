#include "audio/MusicPlayer.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <cstring>
#include <vector>

namespace vexlin {
namespace {

constexpr int kMusicBufferMs = 500;

} // namespace

// Feeds the sink from the loop; it never runs dry, so playback only ends when the player stops it.
class MusicPlayer::LoopDevice : public QIODevice {
public:
    explicit LoopDevice(audio::PcmLoop& loop) : loop_(loop) {}

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return QIODevice::bytesAvailable() + (1 << 20); }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const auto frames = static_cast<std::size_t>(maxSize / 4);
        scratch_.resize(frames * 2);
        const std::size_t got = loop_.read(scratch_);
        std::memcpy(data, scratch_.data(), got * 4);
        return static_cast<qint64>(got * 4);
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    audio::PcmLoop& loop_;
    std::vector<std::int16_t> scratch_;
};

MusicPlayer::MusicPlayer(QObject* parent) : QObject(parent) {}

MusicPlayer::~MusicPlayer() {
    stop();
}

std::string MusicPlayer::open(const std::filesystem::path& file) {
    return adopt(audio::decodeMp3File(file));
}

std::string MusicPlayer::adopt(audio::DecodeResult decoded) {
    stop();
    if (!decoded.ok()) {
        loop_ = audio::PcmLoop();
        rate_ = 0;
        openError_ = decoded.error;
        return openError_;
    }
    rate_ = decoded.pcm.rate;
    loop_ = audio::PcmLoop(std::move(decoded.pcm.samples));
    if (volume_) {
        loop_.setGains(audio::gainsFromVolumeWord(*volume_));
    }
    openError_.clear();
    return {};
}

std::string MusicPlayer::play(bool fromStart) {
    if (!isOpen()) {
        return "Плеер не открыт. " + openError_;
    }
    stop();
    if (fromStart) {
        loop_.rewind();
    }

    QAudioFormat format;
    format.setSampleRate(rate_);
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    format.setChannelConfig(QAudioFormat::ChannelConfigStereo);
    const QAudioDevice output = QMediaDevices::defaultAudioOutput();
    outputId_ = output.id();
    sink_ = std::make_unique<QAudioSink>(output, format);
    // Queued ahead: enough to ride out a busy machine's scheduling delays of the sound thread, short enough
    // that a moved track bar is heard within a moment.
    sink_->setBufferSize(rate_ * 4 * kMusicBufferMs / 1000);
    device_ = std::make_unique<LoopDevice>(loop_);
    device_->open(QIODevice::ReadOnly);
    sink_->start(device_.get());
    // A missing or refusing output shows at once; a running stream that fails later just falls silent.
    if (sink_->error() != QAudio::NoError || sink_->state() == QAudio::StoppedState) {
        stop();
        return "Не удалось начать воспроизведение: нет доступного устройства вывода звука.";
    }
    return {};
}

void MusicPlayer::stop() {
    if (sink_) {
        sink_->stop();
        sink_.reset();
    }
    device_.reset();
    outputId_.clear();
}

bool MusicPlayer::isPlaying() const {
    return sink_ != nullptr && sink_->state() != QAudio::StoppedState;
}

void MusicPlayer::setVolumeWord(std::uint32_t word) {
    volume_ = word;
    loop_.setGains(audio::gainsFromVolumeWord(word));
}

} // namespace vexlin
