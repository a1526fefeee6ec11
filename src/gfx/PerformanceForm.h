#pragma once

#include "gfx/FrameHandOver.h"
#include "gfx/GlTextures.h"
#include "gfx/PlayerModel.h"
#include "gfx/SceneView.h"
#include "sysinfo/ThermalMonitor.h"
#include "ui/AppServices.h"
#include "ui/Form.h"

#include <QElapsedTimer>
#include <QImage>
#include <array>
#include <cstdint>
#include <memory>
#include <string>

class QLabel;
class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFramebufferObject;
class QTimer;

namespace vexlin {

class FrameView;
class GlSyncCalls;

// Frames drawn since the performance window's last timer tick.
inline std::int32_t FrameCount = 0;

// The graphics performance test: the animated character drawn as fast as the machine allows.  Created once
// at start-up.  It draws and counts frames while it is shown, and while the full test has it draw hidden
// (the full test reads Label3 before the window appears); it publishes the count of the last second in its
// caption and in Label3.  Otherwise it draws nothing and its idle handler does not run at all.
//
// OpenGL is set up and the character loaded once, when the main window (the parent) has first been
// painted, or earlier when the window is first needed.
class TForm1 : public Form {
    Q_OBJECT
public:
    TForm1(AppServices& services, QWidget* parent = nullptr);
    ~TForm1() override;

    // While on, the window draws, counts and publishes also when hidden.  The full test switches it on at
    // its start and off when its performance part is over.
    void setDrawingWhileHidden(bool on);
    bool drawingWhileHidden() const { return drawingWhileHidden_; }
    // Sets up OpenGL and loads the character now, unless done already; true when the scene can be drawn.
    // A failure is reported once, and the window then draws nothing for the rest of the run.
    bool prepare();
    // Frames are handed to the screen with fences where the OpenGL has them; a test turns them off, before
    // prepare, to see the hand-over without.
    void setFencesAllowed(bool allowed) { fencesAllowed_ = allowed; }
    void setVisible(bool visible) override;

    void FormShow() override;
    void FormClose() override;
    void Timer1Timer();
    // Publishes the frames counted over the last intervalMs milliseconds as frames per second.
    void publishFrameCount(std::int64_t intervalMs);
    void FormResize();
    void FormMouseDown(Qt::MouseButton button, int x, int y);
    void FormMouseMove(int x, int y);
    void FormMouseUp();

    // True once the character and the weapon are loaded.
    bool sceneLoaded() const { return glState_ == GlState::Ready; }

    // The scene context's vendor, renderer and version, for the report; empty until OpenGL is set up.
    struct GlStrings {
        std::string vendor;
        std::string renderer;
        std::string version;
    };
    const GlStrings& glStrings() const { return glStrings_; }
    // True while frames are drawn and counted.
    bool sceneRunning() const;
    // The latest complete frame (for tests and screenshots); null when nothing has been drawn.
    QImage lastFrame();
    const gfx::SceneView& scene() const { return scene_; }
    const gfx::FrameHandOver& handOver() const { return handOver_; }
    FrameView* frameView() const { return view_; }

    QLabel* Label3 = nullptr;
    // Top left: the hottest processor temperature and the fans while the window is shown.
    QLabel* LabelTemp = nullptr;
    QTimer* Timer1 = nullptr;
    // The idle handler: a zero-interval timer, running only while the window draws.
    QTimer* IdleTimer = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class GlState { NotStarted, Ready, Failed };

    bool FormCreate();
    // The textures and the framebuffer go with their context, which is released here.
    void FormDestroy();
    void ApplicationIdle();
    void DrawScene();
    void showLatestFrame();
    bool createContext();
    void readGlStrings();
    bool loadScene();
    void resizeFrameBuffers();
    // Starts or stops the drawing as the window's visibility and the full test require.
    void updateDrawing(bool visible);
    void startDrawing();
    void stopDrawing();
    QSize outerSize() const;
    void placeLabel();
    void showTemperatures(const std::string& line);

    AppServices& services_;
    FrameView* view_ = nullptr;
    sysinfo::ThermalMonitor thermal_;

    GlState glState_ = GlState::NotStarted;
    bool drawingWhileHidden_ = false;
    bool counting_ = false; // shown, or asked to draw hidden
    bool fencesAllowed_ = true;
    bool ownsShareContext_ = false;
    std::unique_ptr<QOpenGLContext> context_;
    std::unique_ptr<QOffscreenSurface> surface_;
    std::unique_ptr<GlSyncCalls> sync_;
    std::array<std::unique_ptr<QOpenGLFramebufferObject>, gfx::FrameHandOver::kBuffers> frames_;
    gfx::FrameHandOver handOver_;
    gfx::GlTextureMaker textures_;
    std::unique_ptr<gfx::Q3Player> character_;
    std::unique_ptr<gfx::Md3Model> weapon_;

    gfx::SceneView scene_;
    QElapsedTimer startTime_;
    QElapsedTimer lastShown_;
    QElapsedTimer countInterval_; // since the frame counter was last published
    std::uint32_t elapsedTime_ = 0;
    std::uint32_t lastElapsedTime_ = 0;
    GlStrings glStrings_;
};

} // namespace vexlin
