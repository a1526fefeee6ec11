#include "gfx/PerformanceForm.h"

#include "gfx/FrameView.h"
#include "gfx/GlSink.h"
#include "gfx/GlSyncCalls.h"
#include "gfx/GlobalShareContext.h"
#include "gfx/OpenGlMissing.h"
#include "platform/DataFiles.h"
#include "ui/ClockTimerSwitch.h"
#include "ui/Dialogs.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <cstdlib>
#include <xcb/xcb.h>

namespace vexlin {
namespace {

constexpr QSize kOuterSize{809, 614};
constexpr QSize kLabelSize{76, 31};

QSurfaceFormat sceneFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);
    format.setSwapInterval(0); // no frame limiter, no vertical sync
    return format;
}

// Whether the connection to the X server has broken, found by a round trip.  Mesa's GLX crashes when it is
// called on a connection whose server has gone, where Qt would end the program with a message at its next
// look at the connection; so no OpenGL is started on one.  False where the display is not X11.
bool x11ConnectionBroken() {
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr) {
        return false;
    }
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    return xcb_connection_has_error(connection) != 0;
}

void showError(const std::string& message) {
    dialogs().message(nullptr, QApplication::applicationName(), QString::fromStdString(message),
                      Dialogs::Icon::Critical);
}

// Without OpenGL the user learns what is missing on this session (on Wayland: EGL for its clients), and the
// window shows the same words where the frames would be.  The OpenGL view goes before the window is ever
// shown: Qt's Wayland back end crashes flushing a window whose OpenGL widget got no context.
void showOpenGlMissing(gfx::OpenGlStep step, QWidget* window, FrameView*& view, QLabel* counter) {
    const std::string text = gfx::openGlMissingText(QGuiApplication::platformName().toStdString(), step);
    auto* note = new QLabel(QString::fromStdString(text), window);
    note->setObjectName("OpenGlMissing");
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignCenter);
    note->setMargin(24);
    delete window->layout()->replaceWidget(view, note);
    delete view;
    view = nullptr;
    counter->raise();
    showError(text);
}

} // namespace

TForm1::TForm1(AppServices& services, QWidget* parent)
    : Form(parent), services_(services),
      thermal_(services.thermal.get(), services.results, sysinfo::ThermalRunKind::Performance) {
    setObjectName("Form1");
    setWindowTitle(QString::fromStdString(gfx::performanceTitle()));
    setFont(QFont("Arial"));
    setOuterSize(kOuterSize);
    resize(kOuterSize);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    view_ = new FrameView(this);
    layout->addWidget(view_);

    Label3 = new QLabel("0", this);
    Label3->setObjectName("Label3");
    QFont labelFont("Arial");
    labelFont.setPixelSize(24);
    Label3->setFont(labelFont);
    Label3->setStyleSheet("QLabel { color: red; background-color: black; }");
    Label3->resize(kLabelSize);
    Label3->raise();
    placeLabel();

    LabelTemp = new QLabel(this);
    LabelTemp->setObjectName("LabelTemp");
    QFont tempFont("Arial");
    tempFont.setPixelSize(14);
    LabelTemp->setFont(tempFont);
    LabelTemp->setStyleSheet("QLabel { color: #ffd040; background-color: black; padding: 2px 4px; }");
    LabelTemp->move(0, 0);
    LabelTemp->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);
    // Counts are published while frames are counted (see startDrawing).
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);

    IdleTimer = new QTimer(this);
    IdleTimer->setObjectName("IdleTimer");
    IdleTimer->setInterval(0);
    connect(IdleTimer, &QTimer::timeout, this, &TForm1::ApplicationIdle);

    // Setting up OpenGL loads the driver and the character (a good part of a second on a software
    // renderer): done once the main window is on the screen, not before it.
    if (parent != nullptr) {
        parent->installEventFilter(this);
    }
}

TForm1::~TForm1() {
    FormDestroy();
}

void TForm1::FormDestroy() {
    stopDrawing();
    if (view_ != nullptr) { // gone when the window shows why it has no OpenGL
        view_->setFrames(nullptr, {});
    }
    if (context_ && surface_ && context_->makeCurrent(surface_.get())) {
        if (sync_) {
            handOver_.reset(*sync_);
        }
        textures_.deleteAll();
        for (auto& frame : frames_) {
            frame.reset();
        }
        context_->doneCurrent();
    }
    // Only when the context could not be made current: leaked with it rather than crashing.
    for (auto& frame : frames_) {
        frame.release();
    }
    if (ownsShareContext_) {
        gfx::setGlobalShareContext(nullptr);
    }
    sync_.reset();
    context_.reset();
}

bool TForm1::prepare() {
    if (glState_ == GlState::NotStarted && x11ConnectionBroken()) {
        return false; // the program is about to end
    }
    if (glState_ == GlState::NotStarted) {
        glState_ = FormCreate() ? GlState::Ready : GlState::Failed;
    }
    return glState_ == GlState::Ready;
}

bool TForm1::FormCreate() {
    if (!createContext()) {
        return false;
    }
    glClearColor(0, 0, 0, 0);
    glShadeModel(GL_SMOOTH);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_TEXTURE_2D);
    startTime_.start();
    FormResize();
    return loadScene(); // when it fails nothing is drawn and the counter stays 0
}

void TForm1::setVisible(bool visible) {
    // The screen's context is made when the window is first shown and must find the scene's to share with.
    if (visible) {
        prepare();
    }
    Form::setVisible(visible);
}

void TForm1::setDrawingWhileHidden(bool on) {
    drawingWhileHidden_ = on;
    updateDrawing(isVisible());
}

void TForm1::updateDrawing(bool visible) {
    const bool wanted = visible || drawingWhileHidden_;
    if (wanted == counting_) {
        return;
    }
    counting_ = wanted;
    if (wanted) {
        startDrawing();
    } else {
        stopDrawing();
    }
}

void TForm1::startDrawing() {
    // Counting starts afresh: until its first count the window shows what it showed when new, never a rate
    // measured before the pause or over an interval that includes it.
    FrameCount = 0;
    Label3->setText("0");
    setWindowTitle(QString::fromStdString(gfx::performanceTitle()));
    countInterval_.start();
    Timer1->start();
    // Without a scene the count goes on being published, as 0.
    if (prepare()) {
        lastShown_.invalidate();
        IdleTimer->start();
    }
}

void TForm1::stopDrawing() {
    IdleTimer->stop();
    Timer1->stop();
}

bool TForm1::createContext() {
    context_ = std::make_unique<QOpenGLContext>();
    context_->setFormat(sceneFormat());
    surface_ = std::make_unique<QOffscreenSurface>();
    // The screen's context finds this one's textures through the program-wide share context.  Qt would make
    // that at application start when asked to share, and so load the OpenGL driver before the first window
    // maps; this context takes its part instead, unless the program has one already.
    QOpenGLContext* const share = QOpenGLContext::globalShareContext();
    context_->setShareContext(share);
    if (!context_->create()) {
        showOpenGlMissing(gfx::OpenGlStep::CreateContext, this, view_, Label3);
        context_.reset();
        return false;
    }
    if (share == nullptr) {
        gfx::setGlobalShareContext(context_.get());
        ownsShareContext_ = true;
    }
    surface_->setFormat(context_->format());
    surface_->create();
    if (!surface_->isValid() || !context_->makeCurrent(surface_.get())) {
        // The context stays: it may be the program's share context by now.
        showOpenGlMissing(gfx::OpenGlStep::MakeCurrent, this, view_, Label3);
        return false;
    }
    sync_ = std::make_unique<GlSyncCalls>(*context_, fencesAllowed_);
    readGlStrings();
    resizeFrameBuffers();
    return true;
}

void TForm1::readGlStrings() {
    auto* gl = context_->functions();
    const auto read = [gl](GLenum name) {
        const auto* text = reinterpret_cast<const char*>(gl->glGetString(name));
        return text != nullptr ? std::string(text) : std::string();
    };
    glStrings_ = {read(GL_VENDOR), read(GL_RENDERER), read(GL_VERSION)};
}

bool TForm1::loadScene() {
    character_ = std::make_unique<gfx::Q3Player>();
    weapon_ = std::make_unique<gfx::Md3Model>();
    gfx::LoadContext load{
        textures_, [](std::string_view written) { return platform::dataPath(written).string(); }, {}};
    auto error = gfx::LoadPlayerModel(*character_, "data\\model\\sarge\\", "default", load);
    if (!error) {
        error = gfx::LoadWeaponModel(*weapon_, *character_, load);
    }
    for (const gfx::TextureMessage& message : load.messages) {
        dialogs().message(nullptr, QString::fromStdString(message.caption),
                          QString::fromStdString(message.text), Dialogs::Icon::None);
    }
    if (error) {
        showError(error->message);
        return false;
    }
    return true;
}

QSize TForm1::outerSize() const {
    // Before the window manager has framed the window this is its plain size.
    return frameGeometry().size();
}

void TForm1::resizeFrameBuffers() {
    const QSize pixels = (size() * devicePixelRatioF()).expandedTo({1, 1});
    if (frames_[0] && frames_[0]->size() == pixels) {
        return;
    }
    handOver_.reset(*sync_);
    view_->setFrames(nullptr, {});
    for (auto& frame : frames_) {
        frame = std::make_unique<QOpenGLFramebufferObject>(pixels,
                                                           QOpenGLFramebufferObject::CombinedDepthStencil);
    }
    view_->setFrames(&handOver_, {frames_[0]->texture(), frames_[1]->texture()}, sync_->hasFences());
}

void TForm1::FormResize() {
    if (!context_ || !context_->makeCurrent(surface_.get())) {
        return;
    }
    resizeFrameBuffers();
    // The viewport has the window's outer size, frame included, as the test has always drawn.
    const QSize outer = outerSize() * devicePixelRatioF();
    glViewport(0, 0, outer.width(), outer.height());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(outer.width()) / std::max(1, outer.height()), 1.0, 500.0);
    glMatrixMode(GL_MODELVIEW);
}

void TForm1::ApplicationIdle() {
    FrameCount += 1;
    lastElapsedTime_ = elapsedTime_;
    elapsedTime_ = gfx::smoothElapsed(static_cast<std::uint32_t>(startTime_.elapsed()), lastElapsedTime_);
    if (!context_->makeCurrent(surface_.get())) {
        return;
    }
    // Into the buffer the screen is not showing; the hand-over flushes the frame and fences it.
    QOpenGLFramebufferObject& target = *frames_[static_cast<std::size_t>(handOver_.beginDrawing(*sync_))];
    target.bind();
    DrawScene();
    target.bindDefault();
    handOver_.endDrawing(*sync_);
    showLatestFrame();
}

void TForm1::showLatestFrame() {
    // Every frame is drawn, but the screen is only given as many as it can show: putting each one on the
    // screen would make the count measure the desktop's compositing rather than the drawing, and would let
    // the count depend on whether the window is shown.
    if (!isVisible()) {
        return;
    }
    const QScreen* shownOn = screen();
    const double refresh = shownOn != nullptr && shownOn->refreshRate() > 1.0 ? shownOn->refreshRate() : 60.0;
    if (lastShown_.isValid() && lastShown_.nsecsElapsed() < static_cast<qint64>(1e9 / refresh)) {
        return;
    }
    lastShown_.start();
    view_->update();
}

void TForm1::DrawScene() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0, -10, scene_.depth);
    glRotatef(scene_.xRotation, 1, 0, 0);
    glRotatef(scene_.zRotation, 0, 0, 1);
    gfx::ImmediateGl sink;
    gfx::AnimateAndRender(*character_, static_cast<float>(elapsedTime_ / 1000.0), sink);
}

void TForm1::Timer1Timer() {
    publishFrameCount(countInterval_.restart());
    if (thermal_.running()) {
        showTemperatures(thermal_.sample());
    }
}

void TForm1::showTemperatures(const std::string& line) {
    LabelTemp->setText(QString::fromStdString(line));
    LabelTemp->adjustSize();
    LabelTemp->setVisible(!line.empty());
    LabelTemp->raise();
}

void TForm1::publishFrameCount(std::int64_t intervalMs) {
    FrameCount = gfx::framesPerSecond(FrameCount, intervalMs);
    setWindowTitle(QString::fromStdString(gfx::performanceCaption(FrameCount)));
    Label3->setText(QString::number(FrameCount));
    FrameCount = 0;
}

bool TForm1::sceneRunning() const {
    return IdleTimer->isActive();
}

QImage TForm1::lastFrame() {
    const int latest = handOver_.latest();
    if (!sceneLoaded() || latest < 0 || !context_->makeCurrent(surface_.get())) {
        return {};
    }
    return frames_[static_cast<std::size_t>(latest)]->toImage();
}

void TForm1::FormShow() {
    FormResize();
    thermal_.start();
    showTemperatures(thermal_.line());
}

void TForm1::FormClose() {
    thermal_.finish();
    closeTestWindow(services_.clock, 14); // the full test goes on with the keyboard
}

void TForm1::FormMouseDown(Qt::MouseButton button, int x, int y) {
    const auto which = button == Qt::LeftButton    ? gfx::MouseButton::Left
                       : button == Qt::RightButton ? gfx::MouseButton::Right
                                                   : gfx::MouseButton::Other;
    scene_.mouseDown(which, x, y);
}

void TForm1::FormMouseMove(int x, int y) {
    scene_.mouseMove(x, y);
}

void TForm1::FormMouseUp() {
    scene_.mouseUp();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Paint) {
        watched->removeEventFilter(this);
        QTimer::singleShot(0, this, [this] { prepare(); });
    }
    return Form::eventFilter(watched, event);
}

void TForm1::showEvent(QShowEvent* event) {
    Form::showEvent(event);
    updateDrawing(true);
}

void TForm1::hideEvent(QHideEvent* event) {
    Form::hideEvent(event);
    // Also when the window is minimised or leaves the desktop in view: nobody can see it drawing then.
    updateDrawing(false);
}

void TForm1::placeLabel() {
    Label3->move(width() - kLabelSize.width(), 0);
}

void TForm1::resizeEvent(QResizeEvent* event) {
    Form::resizeEvent(event);
    placeLabel();
    FormResize();
}

void TForm1::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    FormMouseDown(event->button(), at.x(), at.y());
}

void TForm1::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    FormMouseMove(at.x(), at.y());
}

void TForm1::mouseReleaseEvent(QMouseEvent*) {
    FormMouseUp();
}

} // namespace vexlin
