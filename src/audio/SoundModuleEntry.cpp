// The sound module's two exported functions; everything else in it stays hidden.
#include "audio/QtSoundService.h"
#include "audio/SoundModule.h"
#include "platform/ModuleEntry.h"

#include <exception>
#include <type_traits>

#define VEXLIN_EXPORT extern "C" __attribute__((visibility("default")))

VEXLIN_EXPORT const char* vexlin_sound_module_version() {
    return vexlin::audio::soundModuleVersion();
}

VEXLIN_EXPORT vexlin::audio::SoundService*
vexlin_make_sound_service(vexlin::platform::NormalPriorityLane* lane, char* error, unsigned long errorSize) {
    // No exception crosses into the program: it may be built by another compiler run than this module.
    try {
        return new vexlin::QtSoundService(lane);
    } catch (const std::exception& failure) {
        vexlin::platform::writeReason(failure.what(), error, errorSize);
    }
    return nullptr;
}

static_assert(
    std::is_same_v<decltype(&vexlin_sound_module_version), vexlin::audio::SoundModuleVersionFunction>);
static_assert(std::is_same_v<decltype(&vexlin_make_sound_service), vexlin::audio::SoundModuleMakeFunction>);
