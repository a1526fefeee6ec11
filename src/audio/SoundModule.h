#pragma once

#include "platform/SoundService.h"

#include <filesystem>
#include <memory>

namespace vexlin::platform {
class NormalPriorityLane;
}

namespace vexlin::audio {

// The sound service over Qt Multimedia lives in a module of its own, loaded while the windows are built: the
// two dozen libraries of the multimedia stack (the sound server's client, codecs, network) then no longer
// hold up the program's own start.
inline constexpr char kSoundModuleFile[] = "vexlin-sound.so";

// What the module exports, with C linkage.  The version is the program's and the interface's together: a
// module left from another build is refused rather than called through a different layout.
inline constexpr char kSoundModuleVersionSymbol[] = "vexlin_sound_module_version";
inline constexpr char kSoundModuleMakeSymbol[] = "vexlin_make_sound_service";
const char* soundModuleVersion();
using SoundModuleVersionFunction = const char* (*)();
// A new service, or null with the reason written to `error` (a buffer of `errorSize` bytes).
using SoundModuleMakeFunction = SoundService* (*)(platform::NormalPriorityLane* lane, char* error,
                                                  unsigned long errorSize);

// The service from the module at `moduleFile`.  When the module is missing, cannot be loaded or is of
// another version, a service with no devices whose music and clip calls return the message that says so:
// the program runs on without sound and the audio window tells the user why.
std::unique_ptr<SoundService> loadSoundService(platform::NormalPriorityLane* lane,
                                               const std::filesystem::path& moduleFile);

// The same, loaded and made on a thread started from the lane while the caller goes on; the first call on
// the service waits for it.  Made on the sound server's time, not the windows': the program's start does
// not wait for the multimedia libraries or the connection to the sound server.
std::unique_ptr<SoundService> loadSoundServiceAside(platform::NormalPriorityLane& lane,
                                                    const std::filesystem::path& moduleFile);

} // namespace vexlin::audio
