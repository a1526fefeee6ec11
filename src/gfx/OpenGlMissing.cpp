#include "gfx/OpenGlMissing.h"

namespace vexlin::gfx {

std::string openGlMissingText(std::string_view platformName, OpenGlStep step) {
    // "wayland", and "wayland-egl" when a user names the integration explicitly.
    if (platformName.substr(0, 7) == "wayland") {
        return "Сеанс Wayland не предоставляет программам OpenGL: нет EGL для клиентов Wayland. Тест "
               "производительности не будет работать. Установите драйвер Mesa с поддержкой EGL (пакеты "
               "libegl1 и libegl-mesa0) или запустите Vexlin в сеансе X11.";
    }
    if (step == OpenGlStep::CreateContext) {
        return "Не удалось создать контекст OpenGL: тест производительности не будет работать.";
    }
    return "Не удалось включить контекст OpenGL: тест производительности не будет работать.";
}

} // namespace vexlin::gfx
