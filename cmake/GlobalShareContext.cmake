# The performance window sets the program-wide OpenGL share context through a function that QtGui exports
# but declares in no public header (src/gfx/GlobalShareContext.h says why).  A Qt that stops exporting it
# fails here, at configure time, instead of at link time deep in the build or, worse, silently.
include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_LIBRARIES Qt6::Gui)
set(CMAKE_REQUIRED_FLAGS "-fPIC")
set(CMAKE_REQUIRED_QUIET ON)
check_cxx_source_compiles([=[
#include <QOpenGLContext>
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE
int main() { qt_gl_set_global_share_context(nullptr); }
]=] VEXLIN_QT_EXPORTS_GLOBAL_SHARE_CONTEXT)
unset(CMAKE_REQUIRED_LIBRARIES)
unset(CMAKE_REQUIRED_FLAGS)
unset(CMAKE_REQUIRED_QUIET)
if(NOT VEXLIN_QT_EXPORTS_GLOBAL_SHARE_CONTEXT)
    message(FATAL_ERROR
        "Qt ${Qt6_VERSION} does not export qt_gl_set_global_share_context, which the performance window uses "
        "to share its OpenGL context without loading the driver at start-up (src/gfx/GlobalShareContext.h). "
        "Replace that call with Qt::AA_ShareOpenGLContexts set before the application object is made.")
endif()
