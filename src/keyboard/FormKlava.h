#pragma once

#include "app/shared/AppServices.h"
#include "app/shared/Form.h"
#include "keyboard/KeyboardTest.h"

#include <QImage>
#include <vector>

class QKeyEvent;
class QLabel;
class QPushButton;

namespace vexlin {

class PictureBox;

// The keyboard test: a keyboard picture on which every held key lights up.
class TFormKlava : public Form {
    Q_OBJECT
public:
    TFormKlava(AppServices& services, QWidget* parent = nullptr);

    void FormActivate() override;
    void FormClose() override;
    void Button1Click();
    void Image2Click();
    void Image1MouseDown(Qt::MouseButton button);
    void Image1MouseUp(Qt::MouseButton button);
    // The application-wide key hook: true when the event was taken.
    bool AppKeyEvent(QKeyEvent* event);

    QWidget* Panel1 = nullptr;
    QLabel* StaticText1 = nullptr;
    QLabel* StaticText2 = nullptr;
    QPushButton* Button1 = nullptr;
    PictureBox* Image1 = nullptr;
    PictureBox* Image2 = nullptr;

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
    const QImage& spriteImage(Sprite sprite) const;

    AppServices& services_;
    KeyboardTest test_;
    bool loadErrorShowing_ = false;
    bool backFromLoadError_ = false;
};

} // namespace vexlin
