#include "audio/SoundModule.h"

namespace vexlin::audio {

// Bumped with any change to SoundService or to what the module calls of the program's objects.
const char* soundModuleVersion() {
    return VEXLIN_VERSION "/sound-2";
}

} // namespace vexlin::audio
