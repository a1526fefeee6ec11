#pragma once

#include "app/shared/AppServices.h"
#include "app/shared/Form.h"
#include "gfx/GlTextures.h"
#include "gfx/PlayerModel.h"
#include "gfx/SceneView.h"
#include "sysinfo/ThermalMonitor.h"

#include <QElapsedTimer>
#include <QImage>
#include <cstdint>
#include <memory>

class QLabel;
class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFramebufferObject;
class QTimer;

namespace vexlin {

class FrameView;

// Frames drawn since the performance window's last timer tick.
inline std::int32_t FrameCount = 0;

// The graphics performance test: the animated character drawn as fast as the machine allows.  Created once
// at start-up; from then on it draws and counts frames for the whole run, shown or hidden, and publishes the
// count of the last second in its caption and in Label3 (which the full test reads).
class TForm1 : public Form {
    Q_OBJECT
public:
    TForm1(AppServices& services, QWidget* parent = nullptr);
    ~TForm1() override;

    void FormShow() override;
    void FormClose() override;
    void Timer1Timer();
    // Publishes the frames counted over the last intervalMs milliseconds as frames per second.
    void publishFrameCount(std::int64_t intervalMs);
    void FormResize();
    void FormMouseDown(Qt::MouseButton button, int x, int y);
    void FormMouseMove(int x, int y);
    void FormMouseUp();

    // True once the character and the weapon are loaded and the drawing runs.
    bool sceneRunning() const;
    // The latest frame as drawn (for tests and screenshots); null when nothing is drawn.
    QImage lastFrame();
    const gfx::SceneView& scene() const { return scene_; }

    QLabel* Label3 = nullptr;
    // Top left: the hottest processor temperature and the fans while the window is shown.
    QLabel* LabelTemp = nullptr;
    QTimer* Timer1 = nullptr;
    // The idle handler: a zero-interval timer, running from creation to the end of the program.
    QTimer* IdleTimer = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void FormCreate();
    // The textures and the framebuffer go with their context, which is released here.
    void FormDestroy();
    void ApplicationIdle();
    void DrawScene();
    void showLatestFrame();
    bool createContext();
    bool loadScene();
    void resizeFrameBuffer();
    QSize outerSize() const;
    void placeLabel();
    void showTemperatures(const std::string& line);

    AppServices& services_;
    FrameView* view_ = nullptr;
    sysinfo::ThermalMonitor thermal_;

    std::unique_ptr<QOpenGLContext> context_;
    std::unique_ptr<QOffscreenSurface> surface_;
    std::unique_ptr<QOpenGLFramebufferObject> frame_;
    gfx::GlTextureMaker textures_;
    std::unique_ptr<gfx::Q3Player> character_;
    std::unique_ptr<gfx::Md3Model> weapon_;

    gfx::SceneView scene_;
    QElapsedTimer startTime_;
    QElapsedTimer lastShown_;
    QElapsedTimer countInterval_; // since the frame counter was last published
    std::uint32_t elapsedTime_ = 0;
    std::uint32_t lastElapsedTime_ = 0;
};

} // namespace vexlin
