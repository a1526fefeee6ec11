#include "audio/SoundModule.h"

#include "platform/NormalPriorityLane.h"
#include "platform/ProgramModule.h"

#include <array>
#include <thread>
#include <utility>

namespace vexlin::audio {
namespace {

// Stands in for the sound system when its module is not there: no devices, nothing recorded, and the music
// and the clip answer with the reason.
class UnavailableSoundService final : public SoundService {
public:
    explicit UnavailableSoundService(std::string reason) : reason_(std::move(reason)) {}

    std::vector<InputDeviceCaps> inputDevices() override { return {}; }
    void startCapture(const CaptureSettings&, BufferHandler) override {}
    void stopCapture(bool) override {}
    bool captureOpen() const override { return false; }
    std::int64_t captureBacklogBytes() const override { return 0; }

    std::string openMusic(const std::filesystem::path&) override { return reason_; }
    bool musicOpen() const override { return false; }
    std::string playMusic(bool) override { return reason_; }
    void stopMusic() override {}
    bool musicPlaying() const override { return false; }
    void setVolumeWord(std::uint32_t) override {}
    std::optional<std::uint32_t> volumeWord() const override { return std::nullopt; }

    std::string playClip(std::vector<std::int16_t>, int) override { return reason_; }
    void stopClip() override {}
    // Nothing is ever opened, so nothing can be lost.
    void setDeviceLossHandler(DeviceLossHandler) override {}

private:
    std::string reason_;
};

std::unique_ptr<SoundService> unavailable(const std::string& why) {
    return std::make_unique<UnavailableSoundService>("Звук недоступен: " + why);
}

// Forwards to the service being loaded aside, waiting for it on the first call.  Called from one thread.
class AsideSoundService final : public SoundService {
public:
    AsideSoundService(platform::NormalPriorityLane& lane, const std::filesystem::path& moduleFile)
        : loading_(lane.startThread(
              [this, &lane, moduleFile] { loaded_ = loadSoundService(&lane, moduleFile); })) {}
    ~AsideSoundService() override { service(); }

    std::vector<InputDeviceCaps> inputDevices() override { return service().inputDevices(); }
    void startCapture(const CaptureSettings& settings, BufferHandler onBuffer) override {
        service().startCapture(settings, std::move(onBuffer));
    }
    void stopCapture(bool waitForLastBuffer) override { service().stopCapture(waitForLastBuffer); }
    bool captureOpen() const override { return service().captureOpen(); }
    std::int64_t captureBacklogBytes() const override { return service().captureBacklogBytes(); }

    std::string openMusic(const std::filesystem::path& file) override { return service().openMusic(file); }
    bool musicOpen() const override { return service().musicOpen(); }
    std::string playMusic(bool fromStart) override { return service().playMusic(fromStart); }
    void stopMusic() override { service().stopMusic(); }
    bool musicPlaying() const override { return service().musicPlaying(); }
    void setVolumeWord(std::uint32_t word) override { service().setVolumeWord(word); }
    std::optional<std::uint32_t> volumeWord() const override { return service().volumeWord(); }

    std::string playClip(std::vector<std::int16_t> interleavedStereo, int rate) override {
        return service().playClip(std::move(interleavedStereo), rate);
    }
    void stopClip() override { service().stopClip(); }
    void setDeviceLossHandler(DeviceLossHandler handler) override {
        service().setDeviceLossHandler(std::move(handler));
    }

private:
    SoundService& service() const {
        if (loading_.joinable()) {
            loading_.join();
        }
        return *loaded_;
    }

    std::unique_ptr<SoundService> loaded_;
    mutable std::thread loading_;
};

} // namespace

std::unique_ptr<SoundService> loadSoundServiceAside(platform::NormalPriorityLane& lane,
                                                    const std::filesystem::path& moduleFile) {
    return std::make_unique<AsideSoundService>(lane, moduleFile);
}

std::unique_ptr<SoundService> loadSoundService(platform::NormalPriorityLane* lane,
                                               const std::filesystem::path& moduleFile) {
    const auto loaded = platform::loadProgramModule(moduleFile, "звуковой модуль", kSoundModuleVersionSymbol,
                                                    soundModuleVersion(), {kSoundModuleMakeSymbol});
    if (!loaded.module) {
        return unavailable(loaded.refusal);
    }
    const auto make =
        reinterpret_cast<SoundModuleMakeFunction>(loaded.module->symbol(kSoundModuleMakeSymbol));
    std::array<char, 512> reason{};
    SoundService* service = make(lane, reason.data(), reason.size());
    if (service == nullptr) {
        return unavailable(std::string("звуковая система не запустилась (") + reason.data() + ").");
    }
    return std::unique_ptr<SoundService>(service);
}

} // namespace vexlin::audio
