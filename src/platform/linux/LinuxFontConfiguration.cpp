#include "platform/FontConfiguration.h"

#include <fontconfig/fontconfig.h>

namespace vexlin::platform {

void loadFontConfiguration() {
    // The toolkit asks fontconfig for its default configuration; once this has built it, that is a lookup.
    FcInit();
}

} // namespace vexlin::platform
