#pragma once

#include "platform/NormalPriorityLane.h"
#include "platform/SoundService.h"

#include <QObject>
#include <atomic>
#include <chrono>
#include <memory>

class QEventLoop;
class QThread;

namespace vexlin {

// The sound service over Qt Multimedia.  Every stream lives on a sound thread of its own, started from the
// normal-priority lane when one is given: the sound server's client thread, the capture and the code that
// refills the music buffer then never inherit the idle priority of the user-interface thread.  Calls block
// until the sound thread has done them; full capture buffers come back to the thread that started the
// capture as posted events, in order.  It may be made on any thread.
class QtSoundService final : public audio::SoundService {
public:
    // How long a tune given to openMusic waits before it is decoded, unless it is asked for sooner: long
    // enough for the main window to be up.
    static constexpr std::chrono::milliseconds kMusicDecodeDelay{1500};

    explicit QtSoundService(platform::NormalPriorityLane* lane = nullptr,
                            std::chrono::milliseconds musicDecodeDelay = kMusicDecodeDelay);
    ~QtSoundService() override;
    QtSoundService(const QtSoundService&) = delete;
    QtSoundService& operator=(const QtSoundService&) = delete;

    std::vector<audio::InputDeviceCaps> inputDevices() override;

    void startCapture(const audio::CaptureSettings& settings, BufferHandler onBuffer) override;
    void stopCapture(bool waitForLastBuffer) override;
    bool captureOpen() const override { return captureOpen_; }
    std::int64_t captureBacklogBytes() const override;

    std::string openMusic(const std::filesystem::path& file) override;
    bool musicOpen() const override;
    std::string playMusic(bool fromStart) override;
    void stopMusic() override;
    bool musicPlaying() const override;
    void setVolumeWord(std::uint32_t word) override;
    std::optional<std::uint32_t> volumeWord() const override;

    std::string playClip(std::vector<std::int16_t> interleavedStereo, int rate) override;
    void stopClip() override;
    void setDeviceLossHandler(DeviceLossHandler handler) override;

    // How often the devices under running streams are looked for: the sound back end of Qt keeps a stream
    // whose device went away "active", silent and without an error, so only the device list tells.
    static constexpr std::chrono::milliseconds kDeviceWatchInterval{250};

    // The thread the streams run on.
    QThread* soundThread() const { return thread_.get(); }
    // Runs `work` on the sound thread and waits for it (tests read the thread's facts this way).
    void runOnSoundThread(const std::function<void()>& work) const;

private:
    class Worker;

    void deliver(int generation, const std::vector<std::uint8_t>& buffer, bool last);
    void lost(audio::LostDevice device, int capture);

    std::chrono::milliseconds musicDecodeDelay_;
    std::unique_ptr<QThread> thread_;
    Worker* worker_ = nullptr;
    // Lives on the thread that started the capture; the sound thread posts full buffers to it.
    std::unique_ptr<QObject> receiver_;
    BufferHandler onBuffer_;
    audio::CaptureSettings capture_;
    bool captureOpen_ = false;
    int generation_ = 0;
    bool lastDelivered_ = false;
    QEventLoop* stopWait_ = nullptr;
    // Lives on the thread that set the loss handler; the sound thread posts a loss to it.
    std::unique_ptr<QObject> lossReceiver_;
    DeviceLossHandler onLoss_;
    // Bytes posted but not yet handed over, and bytes of the buffer being filled.
    std::atomic<std::int64_t> posted_{0};
    std::atomic<std::int64_t> filling_{0};
};

} // namespace vexlin
