#pragma once

#include "keyboard/EventClock.h"
#include "keyboard/KeyCoverage.h"
#include "keyboard/KeyboardTest.h"
#include "ui/AppServices.h"
#include "ui/Form.h"

#include <QElapsedTimer>
#include <QImage>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QKeyEvent;
class QLabel;
class QPushButton;
class QTimer;

namespace vexlin {

class PictureBox;

// The keyboard test: a keyboard picture on which every held key lights up, with the count of the keys
// pressed since the window opened and the stuck and chattering keys found.
class TFormKlava : public Form {
    Q_OBJECT
public:
    TFormKlava(AppServices& services, QWidget* parent = nullptr);

    void FormShow() override;
    void FormActivate() override;
    void FormClose() override;
    void Button1Click();
    void Image2Click();
    void Image1MouseDown(Qt::MouseButton button);
    void Image1MouseUp(Qt::MouseButton button);
    void Timer1Timer();
    // The application-wide key hook: true when the event was taken.
    bool AppKeyEvent(QKeyEvent* event);

    QWidget* Panel1 = nullptr;
    QLabel* StaticText1 = nullptr;
    QLabel* StaticText2 = nullptr;
    QPushButton* Button1 = nullptr;
    PictureBox* Image1 = nullptr;
    PictureBox* Image2 = nullptr;
    // Under the picture: the key count and the faults found.
    QWidget* Panel2 = nullptr;
    QLabel* StaticText3 = nullptr;
    QLabel* StaticText4 = nullptr;
    // Looks for keys that stay down without events (a held modifier repeats nothing).
    QTimer* Timer1 = nullptr;

    // The keys held now (nullopt where the system does not tell), read when the window opens and on every
    // tick; replaceable so that a test can hold keys.
    std::function<std::optional<std::vector<std::uint32_t>>()> heldKeys;
    // Milliseconds on a steady clock; replaceable so that a test can let the seconds of a held key pass.
    std::function<std::int64_t()> steadyClock;

    // The five pictures of data/, loaded at every activation and released at close; the sprites already
    // carry their transparency.
    QImage KeyboardPicture;
    QImage KeyDownSprite;
    QImage KeyUpSprite;
    QImage SmallKeyDownSprite;
    QImage SmallKeyUpSprite;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool loadImages();
    void releaseImages();
    void drawSprites(const std::vector<SpriteDraw>& draws);
    void showTexts();
    void showCoverage();
    void countKey(const QKeyEvent& event, const std::optional<PhysicalKey>& key);
    bool checkHeldKeys();
    std::int64_t steadyMs() const;
    const QImage& spriteImage(Sprite sprite) const;

    AppServices& services_;
    KeyboardTest test_;
    KeyCoverage coverage_;
    EventClock eventClock_;
    QElapsedTimer steady_;
    bool loadErrorShowing_ = false;
    bool backFromLoadError_ = false;
    bool loadFailedThisOpening_ = false; // the message was shown once; it is not shown again until reopened
};

} // namespace vexlin
