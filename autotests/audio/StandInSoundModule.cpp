// Sound modules for the loader's tests, one per STAND_IN_KIND: a working one whose service answers with the
// file it was asked to open, one of another version, one whose service cannot start, one without entry
// points.
#include "audio/SoundModule.h"

#include <cstring>
#include <string>

#define STAND_IN_EXPORT extern "C" __attribute__((visibility("default")))

#if STAND_IN_KIND != 3
namespace {

class EchoSoundService final : public vexlin::audio::SoundService {
public:
    std::vector<vexlin::audio::InputDeviceCaps> inputDevices() override { return {{.description = "echo"}}; }
    void startCapture(const vexlin::audio::CaptureSettings&, BufferHandler) override {}
    void stopCapture(bool) override {}
    bool captureOpen() const override { return false; }
    std::int64_t captureBacklogBytes() const override { return 0; }
    std::string openMusic(const std::filesystem::path& file) override { return "echo " + file.string(); }
    bool musicOpen() const override { return true; }
    std::string playMusic(bool) override { return {}; }
    void stopMusic() override {}
    bool musicPlaying() const override { return false; }
    void setVolumeWord(std::uint32_t) override {}
    std::optional<std::uint32_t> volumeWord() const override { return 7; }
    std::string playClip(std::vector<std::int16_t>, int) override { return {}; }
    void stopClip() override {}
    void setDeviceLossHandler(DeviceLossHandler) override {}
};

} // namespace

STAND_IN_EXPORT const char* vexlin_sound_module_version() {
    return STAND_IN_KIND == 1 ? "0.0.0/sound-0" : vexlin::audio::soundModuleVersion();
}

STAND_IN_EXPORT vexlin::audio::SoundService* vexlin_make_sound_service(vexlin::platform::NormalPriorityLane*,
                                                                       char* error, unsigned long errorSize) {
    if (STAND_IN_KIND == 2) {
        std::strncpy(error, "no sound server", errorSize - 1);
        return nullptr;
    }
    return new EchoSoundService;
}
#else
STAND_IN_EXPORT int vexlin_something_else() {
    return 0;
}
#endif
