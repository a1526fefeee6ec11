#include "gfx/PerformanceForm.h"

#include "app/shared/ClockTimerSwitch.h"
#include "app/shared/Dialogs.h"
#include "gfx/FrameView.h"
#include "gfx/GlSink.h"
#include "platform/DataFiles.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace vexlin {
namespace {

// The frames are drawn in a context of this window's own and shown through a QOpenGLWidget, whose context
// must see the same textures.  Qt shares contexts program-wide only when told so before the application
// object exists, hence a static initialiser.
[[maybe_unused]] const bool kShareContexts = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}();

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

void showError(const std::string& message) {
    dialogs().message(nullptr, QApplication::applicationName(), QString::fromStdString(message),
                      Dialogs::Icon::Critical);
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
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    Timer1->start();

    IdleTimer = new QTimer(this);
    IdleTimer->setObjectName("IdleTimer");
    IdleTimer->setInterval(0);
    connect(IdleTimer, &QTimer::timeout, this, &TForm1::ApplicationIdle);

    FormCreate();
}

TForm1::~TForm1() {
    FormDestroy();
}

void TForm1::FormDestroy() {
    IdleTimer->stop();
    if (context_ && surface_ && context_->makeCurrent(surface_.get())) {
        textures_.deleteAll();
        frame_.reset();
        context_->doneCurrent();
    }
    frame_.release(); // only when the context could not be made current: leaked with it rather than crashing
    context_.reset();
}

void TForm1::FormCreate() {
    if (!createContext()) {
        return;
    }
    glClearColor(0, 0, 0, 0);
    glShadeModel(GL_SMOOTH);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_TEXTURE_2D);
    startTime_.start();
    countInterval_.start();
    FormResize();
    if (!loadScene()) {
        return; // nothing is drawn and the counter stays 0
    }
    IdleTimer->start();
}

bool TForm1::createContext() {
    context_ = std::make_unique<QOpenGLContext>();
    context_->setFormat(sceneFormat());
    context_->setShareContext(QOpenGLContext::globalShareContext());
    surface_ = std::make_unique<QOffscreenSurface>();
    if (!context_->create()) {
        showError("Не удалось создать контекст OpenGL: тест производительности не будет работать.");
        context_.reset();
        return false;
    }
    surface_->setFormat(context_->format());
    surface_->create();
    if (!surface_->isValid() || !context_->makeCurrent(surface_.get())) {
        showError("Не удалось включить контекст OpenGL: тест производительности не будет работать.");
        context_.reset();
        return false;
    }
    resizeFrameBuffer();
    return true;
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

void TForm1::resizeFrameBuffer() {
    const QSize pixels = (size() * devicePixelRatioF()).expandedTo({1, 1});
    if (frame_ && frame_->size() == pixels) {
        return;
    }
    frame_ =
        std::make_unique<QOpenGLFramebufferObject>(pixels, QOpenGLFramebufferObject::CombinedDepthStencil);
    view_->setFrameTexture(0);
}

void TForm1::FormResize() {
    if (!context_ || !context_->makeCurrent(surface_.get())) {
        return;
    }
    resizeFrameBuffer();
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
    frame_->bind();
    DrawScene();
    frame_->bindDefault();
    glFlush();
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
    view_->setFrameTexture(frame_->texture());
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
    if (!sceneRunning() || !context_->makeCurrent(surface_.get())) {
        return {};
    }
    return frame_->toImage();
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
