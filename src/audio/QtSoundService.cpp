#include "audio/QtSoundService.h"

#include "audio/CaptureAssembler.h"
#include "audio/CaptureFormat.h"
#include "audio/MusicPlayer.h"
#include "audio/Waveform.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QAudioSource>
#include <QBuffer>
#include <QEventLoop>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <future>
#include <optional>

namespace vexlin {
namespace {

audio::InputDeviceCaps capsOf(const QAudioDevice& device) {
    audio::InputDeviceCaps caps;
    caps.description = device.description().toStdString();
    caps.minimumRate = device.minimumSampleRate();
    caps.maximumRate = device.maximumSampleRate();
    caps.minimumChannels = device.minimumChannelCount();
    caps.maximumChannels = device.maximumChannelCount();
    const auto formats = device.supportedSampleFormats();
    caps.unsigned8 = formats.contains(QAudioFormat::UInt8);
    caps.signed16 = formats.contains(QAudioFormat::Int16);
    return caps;
}

bool listed(const QList<QAudioDevice>& devices, const QByteArray& id) {
    return std::any_of(devices.begin(), devices.end(),
                       [&id](const QAudioDevice& device) { return device.id() == id; });
}

QAudioFormat qtFormat(const audio::WaveFormat& wave) {
    QAudioFormat format;
    format.setSampleRate(static_cast<int>(wave.samplesPerSec));
    format.setChannelCount(wave.channels);
    format.setSampleFormat(wave.bitsPerSample == 16 ? QAudioFormat::Int16 : QAudioFormat::UInt8);
    return format;
}

} // namespace

// Everything that touches Qt Multimedia; created, used and deleted on the sound thread only.
class QtSoundService::Worker : public QObject {
public:
    using Post = std::function<void(std::vector<std::uint8_t>, bool)>;
    // The device lost, and for an input the capture it ended (the service's number for it).
    using Report = std::function<void(audio::LostDevice, int capture)>;

    // Runs on the sound thread once the worker has moved there.
    void init() {
        // The first use of the sound back end starts its client thread: from here, at this thread's priority.
        QMediaDevices::defaultAudioOutput();
        music_ = new MusicPlayer(this);
        watch_ = new QTimer(this);
        watch_->setInterval(kDeviceWatchInterval);
        connect(watch_, &QTimer::timeout, this, [this] { checkDevices(); });
    }

    void setReport(Report report) { report_ = std::move(report); }

    // Looks for the devices under the running streams from now on, until none runs.
    void watchDevices() {
        if (watch_ != nullptr && !watch_->isActive()) {
            watch_->start();
        }
    }
    ~Worker() override {
        closeCapture();
        stopClip();
        joinDecoder();
    }

    bool startCapture(const audio::CaptureSettings& settings, Post post, std::atomic<std::int64_t>& filling,
                      int capture) {
        closeCapture();
        capture_ = capture;
        const audio::WaveFormat wave = audio::captureWaveFormat(settings.sixteenBit);
        assembler_.emplace(audio::captureBufferBytes(settings.bufferSamples, wave),
                           audio::silenceByte(settings.sixteenBit));
        post_ = std::move(post);
        filling_ = &filling;
        const QAudioDevice input = QMediaDevices::defaultAudioInput();
        if (input.isNull()) {
            return false;
        }
        inputId_ = input.id();
        watchDevices();
        source_ = new QAudioSource(input, qtFormat(wave), this);
        // Small fragments, so that even the shortest buffers arrive at their own pace and not in bursts.
        source_->setBufferSize(static_cast<qsizetype>(std::max<std::size_t>(assembler_->bufferBytes(), 512)));
        stream_ = source_->start();
        if (stream_ != nullptr) {
            connect(stream_, &QIODevice::readyRead, this, [this] { readCaptured(); });
        }
        return true;
    }

    bool captureAlive() const {
        return source_ != nullptr && stream_ != nullptr && source_->error() == QAudio::NoError &&
               source_->state() != QAudio::StoppedState;
    }

    void requestStop() {
        if (assembler_) {
            assembler_->requestStop();
            // Bytes that arrived before the stop are not signalled again.
            readCaptured();
        }
    }

    void closeCapture() {
        if (source_ != nullptr) {
            source_->stop();
            delete source_;
            source_ = nullptr;
        }
        stream_ = nullptr;
        assembler_.reset();
        post_ = nullptr;
        inputId_.clear();
    }

    std::string playClip(std::vector<std::int16_t> samples, int rate) {
        stopClip();
        QAudioFormat format;
        format.setSampleRate(rate);
        format.setChannelCount(2);
        format.setSampleFormat(QAudioFormat::Int16);
        format.setChannelConfig(QAudioFormat::ChannelConfigStereo);
        clipData_ = QByteArray(reinterpret_cast<const char*>(samples.data()),
                               static_cast<qsizetype>(samples.size() * sizeof(std::int16_t)));
        clipBuffer_ = std::make_unique<QBuffer>(&clipData_);
        clipBuffer_->open(QIODevice::ReadOnly);
        const QAudioDevice output = QMediaDevices::defaultAudioOutput();
        clipSink_ = std::make_unique<QAudioSink>(output, format);
        clipSink_->start(clipBuffer_.get());
        if (clipSink_->error() != QAudio::NoError || clipSink_->state() == QAudio::StoppedState) {
            stopClip();
            return "Не удалось начать воспроизведение: нет доступного устройства вывода звука.";
        }
        clipOutputId_ = output.id();
        watchDevices();
        return {};
    }

    void stopClip() {
        if (clipSink_) {
            clipSink_->stop();
            clipSink_.reset();
        }
        clipBuffer_.reset();
        clipOutputId_.clear();
    }

    // The player, with the tune it was last given taken in first: whatever is asked of the music waits for
    // it, and nothing else does.  A tune not yet being decoded is decoded here, for the caller waits anyway.
    MusicPlayer& player() {
        if (undecoded_) {
            const std::filesystem::path file = std::move(*undecoded_);
            undecoded_.reset();
            music_->open(file);
        } else if (pendingMusic_.valid()) {
            std::shared_future<audio::DecodeResult> pending = std::move(pendingMusic_);
            pendingMusic_ = {};
            music_->adopt(pending.get());
        }
        return *music_;
    }

    // Decoding the whole tune takes more processor time than building every window, and on two cores a
    // normal-priority decoder takes it from the idle interface thread while the main window is still being
    // built and shown.  So the tune waits `delay` before a thread of its own decodes it; not the sound
    // thread, so that the device list and the capture do not queue behind it.  A timer left from a tune
    // given earlier only starts this one a little sooner.
    void expectMusic(std::filesystem::path file, std::chrono::milliseconds delay) {
        forgetGivenMusic();
        undecoded_ = std::move(file);
        QTimer::singleShot(delay, this, [this] { startDecoding(); });
    }

    // A tune given earlier and not yet taken in is dropped; a decoder still at work finishes on its own.
    void forgetGivenMusic() {
        undecoded_.reset();
        pendingMusic_ = {};
    }

private:
    // A stream whose device has left the system's list is closed and its loss reported; Qt would keep it
    // running on nothing, polling a dead stream.
    void checkDevices() {
        const bool musicPlays = music_->isPlaying();
        if (source_ == nullptr && clipSink_ == nullptr && !musicPlays) {
            watch_->stop();
            return;
        }
        if (source_ != nullptr && !listed(QMediaDevices::audioInputs(), inputId_)) {
            closeCapture();
            lose(audio::LostDevice::Input);
        }
        if (clipSink_ == nullptr && !musicPlays) {
            return;
        }
        const QList<QAudioDevice> outputs = QMediaDevices::audioOutputs();
        bool outputLost = false;
        if (musicPlays && !listed(outputs, music_->outputId())) {
            music_->stop();
            outputLost = true;
        }
        if (clipSink_ != nullptr && !listed(outputs, clipOutputId_)) {
            stopClip();
            outputLost = true;
        }
        if (outputLost) {
            lose(audio::LostDevice::Output);
        }
    }

    void lose(audio::LostDevice device) {
        if (report_) {
            report_(device, capture_);
        }
    }

    void startDecoding() {
        if (!undecoded_) {
            return; // asked for, and so decoded, before its time
        }
        joinDecoder();
        auto decoding = std::make_shared<std::promise<audio::DecodeResult>>();
        pendingMusic_ = decoding->get_future().share();
        // Made on the sound thread, the decoder runs at its priority.
        decoder_ = std::thread(
            [decoding, file = std::move(*undecoded_)] { decoding->set_value(audio::decodeMp3File(file)); });
        undecoded_.reset();
    }

    void joinDecoder() {
        if (decoder_.joinable()) {
            decoder_.join();
        }
    }

    void readCaptured() {
        std::uint8_t chunk[4096];
        while (stream_ != nullptr && assembler_ && !assembler_->finished()) {
            const qint64 got = stream_->read(reinterpret_cast<char*>(chunk), sizeof chunk);
            if (got <= 0) {
                break;
            }
            assembler_->feed({chunk, static_cast<std::size_t>(got)},
                             [this](std::span<const std::uint8_t> buffer, bool last) {
                                 post_(std::vector<std::uint8_t>(buffer.begin(), buffer.end()), last);
                             });
        }
        if (assembler_ && filling_ != nullptr) {
            filling_->store(static_cast<std::int64_t>(assembler_->filled()) +
                            (stream_ != nullptr ? stream_->bytesAvailable() : 0));
        }
    }

    MusicPlayer* music_ = nullptr;
    // The tune last given, waiting for its decoder; then the decoder's result.
    std::optional<std::filesystem::path> undecoded_;
    std::shared_future<audio::DecodeResult> pendingMusic_;
    std::thread decoder_;

    QAudioSource* source_ = nullptr;
    QIODevice* stream_ = nullptr;
    std::optional<audio::CaptureAssembler> assembler_;
    Post post_;
    std::atomic<std::int64_t>* filling_ = nullptr;

    QByteArray clipData_;
    std::unique_ptr<QBuffer> clipBuffer_;
    std::unique_ptr<QAudioSink> clipSink_;

    QTimer* watch_ = nullptr;
    QByteArray inputId_;
    int capture_ = 0;
    QByteArray clipOutputId_;
    Report report_;
};

QtSoundService::QtSoundService(platform::NormalPriorityLane* lane, std::chrono::milliseconds musicDecodeDelay)
    : musicDecodeDelay_(musicDecodeDelay), thread_(std::make_unique<QThread>()) {
    thread_->setObjectName("vexlin-sound");
    // A thread takes the scheduling policy of the thread that creates it.
    if (lane != nullptr) {
        lane->run([this] { thread_->start(); });
    } else {
        thread_->start();
    }
    worker_ = new Worker;
    worker_->moveToThread(thread_.get());
    // Connecting to the sound server takes a few milliseconds; the start goes on meanwhile.  Every later
    // call is queued behind this one, so none sees the worker unready.
    QMetaObject::invokeMethod(
        worker_, [this] { worker_->init(); }, Qt::QueuedConnection);
}

QtSoundService::~QtSoundService() {
    runOnSoundThread([this] { delete worker_; });
    worker_ = nullptr;
    thread_->quit();
    thread_->wait();
}

void QtSoundService::runOnSoundThread(const std::function<void()>& work) const {
    if (QThread::currentThread() == thread_.get()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(worker_, work, Qt::BlockingQueuedConnection);
}

std::vector<audio::InputDeviceCaps> QtSoundService::inputDevices() {
    std::vector<audio::InputDeviceCaps> devices;
    runOnSoundThread([&] {
        for (const QAudioDevice& device : QMediaDevices::audioInputs()) {
            devices.push_back(capsOf(device));
        }
    });
    return devices;
}

void QtSoundService::startCapture(const audio::CaptureSettings& settings, BufferHandler onBuffer) {
    stopCapture(false);
    capture_ = settings;
    onBuffer_ = std::move(onBuffer);
    captureOpen_ = true;
    lastDelivered_ = false;
    posted_ = 0;
    filling_ = 0;
    const int generation = ++generation_;
    // The service may have been made on another thread; the buffers go to the one that records.
    if (!receiver_ || receiver_->thread() != QThread::currentThread()) {
        receiver_ = std::make_unique<QObject>();
    }
    QObject* receiver = receiver_.get();
    auto post = [this, receiver, generation](std::vector<std::uint8_t> buffer, bool last) {
        posted_ += static_cast<std::int64_t>(buffer.size());
        QMetaObject::invokeMethod(
            receiver,
            [this, generation, buffer = std::move(buffer), last] { deliver(generation, buffer, last); },
            Qt::QueuedConnection);
    };
    runOnSoundThread([&] { worker_->startCapture(settings, post, filling_, generation); });
}

void QtSoundService::deliver(int generation, const std::vector<std::uint8_t>& buffer, bool last) {
    if (generation != generation_) {
        return; // from a capture that has been closed since
    }
    posted_ -= static_cast<std::int64_t>(buffer.size());
    // A copy: the handler may stop the capture, which clears the member.
    const BufferHandler handler = onBuffer_;
    if (handler) {
        handler(buffer);
    }
    if (last && generation == generation_) {
        lastDelivered_ = true;
        if (stopWait_ != nullptr) {
            stopWait_->quit();
        }
    }
}

void QtSoundService::stopCapture(bool waitForLastBuffer) {
    if (!captureOpen_ || stopWait_ != nullptr) {
        return;
    }
    bool alive = false;
    if (waitForLastBuffer) {
        runOnSoundThread([&] {
            alive = worker_->captureAlive();
            if (alive) {
                worker_->requestStop();
            }
        });
    }
    if (alive && !lastDelivered_) {
        QEventLoop wait;
        stopWait_ = &wait;
        QTimer::singleShot(audio::stopWaitLimitMs(capture_.bufferSamples), &wait, &QEventLoop::quit);
        wait.exec(QEventLoop::ExcludeUserInputEvents);
        stopWait_ = nullptr;
    }
    runOnSoundThread([this] { worker_->closeCapture(); });
    ++generation_;
    captureOpen_ = false;
    onBuffer_ = nullptr;
    posted_ = 0;
    filling_ = 0;
}

std::int64_t QtSoundService::captureBacklogBytes() const {
    return posted_.load() + filling_.load();
}

std::string QtSoundService::openMusic(const std::filesystem::path& file) {
    std::error_code ignored;
    if (QThread::currentThread() == thread_.get() || !std::filesystem::is_regular_file(file, ignored)) {
        std::string error;
        runOnSoundThread([&] {
            worker_->forgetGivenMusic();
            error = worker_->player().open(file);
        });
        return error;
    }
    // A file that turns out broken says so when it is played.
    QMetaObject::invokeMethod(
        worker_, [this, file] { worker_->expectMusic(file, musicDecodeDelay_); }, Qt::QueuedConnection);
    return {};
}

bool QtSoundService::musicOpen() const {
    bool open = false;
    runOnSoundThread([&] { open = worker_->player().isOpen(); });
    return open;
}

std::string QtSoundService::playMusic(bool fromStart) {
    std::string error;
    runOnSoundThread([&] {
        error = worker_->player().play(fromStart);
        if (error.empty()) {
            worker_->watchDevices();
        }
    });
    return error;
}

void QtSoundService::stopMusic() {
    runOnSoundThread([this] { worker_->player().stop(); });
}

bool QtSoundService::musicPlaying() const {
    bool playing = false;
    runOnSoundThread([&] { playing = worker_->player().isPlaying(); });
    return playing;
}

void QtSoundService::setVolumeWord(std::uint32_t word) {
    runOnSoundThread([&] { worker_->player().setVolumeWord(word); });
}

std::optional<std::uint32_t> QtSoundService::volumeWord() const {
    std::optional<std::uint32_t> word;
    runOnSoundThread([&] { word = worker_->player().volumeWord(); });
    return word;
}

std::string QtSoundService::playClip(std::vector<std::int16_t> interleavedStereo, int rate) {
    std::string error;
    runOnSoundThread([&] { error = worker_->playClip(std::move(interleavedStereo), rate); });
    return error;
}

void QtSoundService::stopClip() {
    runOnSoundThread([this] { worker_->stopClip(); });
}

void QtSoundService::setDeviceLossHandler(DeviceLossHandler handler) {
    onLoss_ = std::move(handler);
    if (!lossReceiver_ || lossReceiver_->thread() != QThread::currentThread()) {
        lossReceiver_ = std::make_unique<QObject>();
    }
    QObject* receiver = lossReceiver_.get();
    runOnSoundThread([this, receiver] {
        worker_->setReport([this, receiver](audio::LostDevice device, int capture) {
            QMetaObject::invokeMethod(
                receiver, [this, device, capture] { lost(device, capture); }, Qt::QueuedConnection);
        });
    });
}

void QtSoundService::lost(audio::LostDevice device, int capture) {
    if (device == audio::LostDevice::Input) {
        if (!captureOpen_ || capture != generation_) {
            return; // stopped, or started anew, since: the loss is of a capture that is over
        }
        // The sound thread has closed the input: what it posted before is of a capture that is over.
        ++generation_;
        captureOpen_ = false;
        onBuffer_ = nullptr;
        posted_ = 0;
        filling_ = 0;
        if (stopWait_ != nullptr) {
            stopWait_->quit();
        }
    }
    // A copy: the handler may set another one.
    const DeviceLossHandler handler = onLoss_;
    if (handler) {
        handler(device);
    }
}

} // namespace vexlin
