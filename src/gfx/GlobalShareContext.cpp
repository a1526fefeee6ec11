#include "gfx/GlobalShareContext.h"

#include <QOpenGLContext>

QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace vexlin::gfx {

void setGlobalShareContext(QOpenGLContext* context) {
    qt_gl_set_global_share_context(context);
}

} // namespace vexlin::gfx
