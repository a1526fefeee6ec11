#pragma once

class QOpenGLContext;

namespace vexlin::gfx {

// Makes `context` the program-wide share context (nullptr gives it up again), which the screen's context of
// every QOpenGLWidget shares with.  Qt makes one itself at start when asked to share
// (Qt::AA_ShareOpenGLContexts), and so loads the OpenGL driver before the first window maps: tens of
// milliseconds on every start, for a window most runs never open.  Setting it later, from the performance
// window's own context, keeps the driver out of start-up.  The setter is exported by QtGui but declared in
// no public header; this file is the one place that uses it, and the build checks that the Qt it is
// configured against still exports it.
void setGlobalShareContext(QOpenGLContext* context);

} // namespace vexlin::gfx
