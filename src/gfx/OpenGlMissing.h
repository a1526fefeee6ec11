#pragma once

#include <string>
#include <string_view>

namespace vexlin::gfx {

// Where getting the performance test's OpenGL context failed.
enum class OpenGlStep { CreateContext, MakeCurrent };

// The message for a performance test without OpenGL, by Qt platform name.  On Wayland a client gets OpenGL
// only through EGL, which the compositor and the driver must offer; the message names that and the way out,
// rather than leaving the user with a black window.
std::string openGlMissingText(std::string_view platformName, OpenGlStep step);

} // namespace vexlin::gfx
