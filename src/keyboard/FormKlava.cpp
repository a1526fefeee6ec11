#include "keyboard/FormKlava.h"

#include "keyboard/HeldKeys.h"
#include "keyboard/KeyEventMapping.h"
#include "keyboard/KeyboardResults.h"
#include "keyboard/PictureBox.h"
#include "keyboard/PictureKeys.h"
#include "platform/DataFiles.h"
#include "ui/ClockTimerSwitch.h"
#include "ui/Dialogs.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace vexlin {
namespace {

constexpr int kPanelHeight = 41;
constexpr int kCountPanelHeight = 24;
constexpr int kTickMs = 250;

QLabel* makeSunkenText(QWidget* parent, const char* name, QRect geometry) {
    auto* text = new QLabel(parent);
    text->setObjectName(name);
    text->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    text->setGeometry(geometry);
    return text;
}

// The sprite with every pixel of the transparent colour made fully transparent.
QImage withTransparentColour(const QImage& sprite, QRgb transparent) {
    QImage out = sprite.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if (qRgb(qRed(line[x]), qGreen(line[x]), qBlue(line[x])) == transparent) {
                line[x] = qRgba(0, 0, 0, 0);
            }
        }
    }
    return out;
}

MouseButton mouseButtonOf(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return MouseButton::Left;
    case Qt::RightButton:
        return MouseButton::Right;
    default:
        return MouseButton::Other;
    }
}

// Keys typed with Alt held belong to the system (window menu, switching windows), as does any key meant for
// another modal window that opened above this one (a message box).
bool belongsToSystem(const QKeyEvent& event, const QWidget* self) {
    const QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal != self) {
        return true;
    }
    const bool altKey = event.key() == Qt::Key_Alt || event.key() == Qt::Key_AltGr;
    return !altKey && event.modifiers().testFlag(Qt::AltModifier);
}

} // namespace

TFormKlava::TFormKlava(AppServices& services, QWidget* parent) : Form(parent, Qt::Tool), services_(services) {
    setObjectName("FormKlava");
    setSizeGripEnabled(true);

    Panel1 = new QWidget;
    Panel1->setObjectName("Panel1");
    Panel1->setFixedHeight(kPanelHeight);
    StaticText1 = makeSunkenText(Panel1, "StaticText1", {8, 10, 497, 21});
    StaticText2 = makeSunkenText(Panel1, "StaticText2", {514, 10, 22, 21});
    StaticText2->setAlignment(Qt::AlignCenter);
    Button1 = new QPushButton("Очистить", Panel1);
    Button1->setObjectName("Button1");
    Button1->setGeometry(540, 8, 75, 25);
    Button1->setAutoDefault(false);

    Image1 = new PictureBox;
    Image1->setObjectName("Image1");
    Image1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);

    Panel2 = new QWidget;
    Panel2->setObjectName("Panel2");
    Panel2->setFixedHeight(kCountPanelHeight);
    StaticText3 = makeSunkenText(Panel2, "StaticText3", {8, 1, 200, 21});
    StaticText4 = makeSunkenText(Panel2, "StaticText4", {214, 1, 401, 21});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(Image1, 1);
    layout->addWidget(Panel2);

    // The close area lies over the picture's "close" mark; it has no picture of its own.
    Image2 = new PictureBox(this);
    Image2->setObjectName("Image2");
    Image2->setGeometry(16, 51, 79, 18);
    Image2->setCursor(Qt::PointingHandCursor);
    Image2->setToolTip("Закрыть");
    Image2->raise();

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kTickMs);
    connect(Timer1, &QTimer::timeout, this, &TFormKlava::Timer1Timer);
    heldKeys = keysHeldNow;
    steady_.start();

    connect(Button1, &QPushButton::clicked, this, &TFormKlava::Button1Click);
    connect(Image2, &PictureBox::clicked, this, &TFormKlava::Image2Click);
    connect(Image1, &PictureBox::mouseDown, this, &TFormKlava::Image1MouseDown);
    connect(Image1, &PictureBox::mouseUp, this, &TFormKlava::Image1MouseUp);

    // The count's panel comes on top of the picture's height, so the picture keeps all of it.
    setOuterSize({627, 510 + kCountPanelHeight});
}

std::int64_t TFormKlava::steadyMs() const {
    return steadyClock ? steadyClock() : steady_.elapsed();
}

// The count covers one opening; going to another window and back is no new opening.
void TFormKlava::FormShow() {
    loadFailedThisOpening_ = false;
    coverage_.start(heldKeys ? heldKeys().value_or(std::vector<std::uint32_t>{})
                             : std::vector<std::uint32_t>{},
                    eventClock_.now(steadyMs()));
    showCoverage();
    Timer1->start();
}

void TFormKlava::FormActivate() {
    if (backFromLoadError_ || loadFailedThisOpening_) {
        // Coming back from the message about a missing picture is no new activation; loading again would
        // only show the message again.  The window manager may hand the activation back more than once (or
        // before the box ever took it), so the rule holds for the whole opening.
        backFromLoadError_ = false;
        return;
    }
    qApp->installEventFilter(this);
    if (!loadImages()) {
        return;
    }
    Image1->setPicture(KeyboardPicture);
    test_.clear();
    showTexts();
    const int type = services_.keyboard != nullptr ? services_.keyboard->keyboardType() : 0;
    setWindowTitle(QString::fromStdString(keyboardTypeCaption(type)));
}

void TFormKlava::FormClose() {
    // A message about a missing picture that took the activation away ends with the window; the next
    // opening is a new activation, hook and all.
    backFromLoadError_ = false;
    loadFailedThisOpening_ = false;
    qApp->removeEventFilter(this);
    Timer1->stop();
    checkHeldKeys();
    for (auto& line : keyboardResultLines(coverage_)) {
        services_.results.put(std::move(line));
    }
    releaseImages();
    closeTestWindow(services_.clock, 16); // the full test goes on with the clock measurement
}

bool TFormKlava::loadImages() {
    releaseImages();
    struct File {
        const char* name;
        QImage* image;
    };
    const File files[] = {
        {"data/klava.bmp", &KeyboardPicture},      {"data/button.bmp", &KeyDownSprite},
        {"data/button2.bmp", &KeyUpSprite},        {"data/button_s.bmp", &SmallKeyDownSprite},
        {"data/button2_s.bmp", &SmallKeyUpSprite},
    };
    QString error;
    for (const auto& file : files) {
        const QString path = QString::fromStdString(platform::dataPath(file.name).string());
        if (!QFileInfo::exists(path)) {
            error = QString("Не найден файл \"%1\".").arg(path);
        } else if (!file.image->load(path, "BMP") || file.image->isNull()) {
            error = QString("Файл \"%1\" не читается как рисунок BMP.").arg(path);
        }
        if (!error.isEmpty()) {
            break;
        }
    }
    // The transparent colour is read at (2, 2) of the key-down sprite.
    if (error.isEmpty() && !KeyDownSprite.rect().contains(2, 2)) {
        error = QString("Рисунок \"%1\" меньше 3 × 3 точек.").arg("data/button.bmp");
    }
    if (!error.isEmpty()) {
        releaseImages();
        loadFailedThisOpening_ = true;
        loadErrorShowing_ = true;
        dialogs().message(this, QApplication::applicationName(), error, Dialogs::Icon::Critical);
        loadErrorShowing_ = false;
        return false;
    }
    const QRgb transparent = KeyDownSprite.pixel(2, 2) | 0xFF000000u;
    KeyDownSprite = withTransparentColour(KeyDownSprite, transparent);
    KeyUpSprite = withTransparentColour(KeyUpSprite, transparent);
    SmallKeyDownSprite = withTransparentColour(SmallKeyDownSprite, transparent);
    SmallKeyUpSprite = withTransparentColour(SmallKeyUpSprite, transparent);
    KeyboardPicture = KeyboardPicture.convertToFormat(QImage::Format_RGB32);
    return true;
}

void TFormKlava::releaseImages() {
    KeyboardPicture = {};
    KeyDownSprite = {};
    KeyUpSprite = {};
    SmallKeyDownSprite = {};
    SmallKeyUpSprite = {};
}

const QImage& TFormKlava::spriteImage(Sprite sprite) const {
    switch (sprite) {
    case Sprite::KeyDown:
        return KeyDownSprite;
    case Sprite::KeyUp:
        return KeyUpSprite;
    case Sprite::SmallKeyDown:
        return SmallKeyDownSprite;
    case Sprite::SmallKeyUp:
        break;
    }
    return SmallKeyUpSprite;
}

void TFormKlava::drawSprites(const std::vector<SpriteDraw>& draws) {
    QImage& canvas = Image1->picture();
    if (canvas.isNull() || draws.empty()) {
        return;
    }
    QPainter painter(&canvas);
    for (const auto& draw : draws) {
        painter.drawImage(draw.place.x, draw.place.y, spriteImage(draw.sprite));
    }
    painter.end();
    Image1->update();
}

void TFormKlava::showTexts() {
    StaticText1->setText(QString::fromStdString(test_.logText()));
    StaticText2->setText(QString::fromStdString(test_.codeText()));
}

void TFormKlava::showCoverage() {
    StaticText3->setText(QString::fromStdString(coverageText(coverage_)));
    StaticText4->setText(QString::fromStdString(faultText(coverage_)));
    std::vector<QPoint> marks;
    const auto keys = pictureKeys();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (coverage_.wasPressed(i)) {
            continue;
        }
        // In the key's lower right corner, where neither its labels nor most of its sprite are.
        const bool small = keys[i].size == SpriteSize::Small;
        const SpritePlace last = keys[i].places.back();
        const int width = small ? kSmallSpriteWidth : kWideSpriteWidth;
        const int height = small ? kSmallSpriteHeight : kWideSpriteHeight;
        marks.emplace_back(last.x + width - 5, last.y + height - 5);
    }
    Image1->setMarks(std::move(marks));
}

void TFormKlava::Button1Click() {
    Image1->setPicture(KeyboardPicture);
    test_.clear();
    showTexts();
    coverage_.restart(eventClock_.now(steadyMs()));
    showCoverage();
}

void TFormKlava::Timer1Timer() {
    if (checkHeldKeys()) {
        showCoverage();
    }
}

// A key's release can go where this window does not see it without the window losing the activation: the
// window manager takes the keyboard while Alt+Tab cycles, and the Alt's key-up goes to it.  What the system
// says is held settles that before a held key is called stuck.
bool TFormKlava::checkHeldKeys() {
    if (heldKeys) {
        if (const auto held = heldKeys()) {
            coverage_.keysReallyHeld(*held);
        }
    }
    return coverage_.tick(eventClock_.now(steadyMs()));
}

void TFormKlava::countKey(const QKeyEvent& event, const std::optional<PhysicalKey>& key) {
    KeyStroke stroke;
    stroke.key = key.value_or(PhysicalKey{});
    stroke.x11Keycode = event.nativeScanCode();
    stroke.down = event.type() == QEvent::KeyPress;
    stroke.autoRepeat = event.isAutoRepeat();
    stroke.timeMs = eventClock_.eventTime(static_cast<std::uint32_t>(event.timestamp()), steadyMs());
    std::string name;
    if (!pictureKeyIndex(stroke.key, stroke.x11Keycode)) {
        name = unknownKeyTextOf(event); // only keys off the picture are named by the event
        stroke.name = name;
    }
    if (coverage_.key(stroke)) {
        showCoverage();
    }
}

void TFormKlava::Image2Click() {
    close();
}

void TFormKlava::Image1MouseDown(Qt::MouseButton button) {
    const auto draws = test_.mouseDown(mouseButtonOf(button));
    if (draws.empty()) {
        return;
    }
    showTexts();
    drawSprites(draws);
}

void TFormKlava::Image1MouseUp(Qt::MouseButton button) {
    drawSprites(test_.mouseUp(mouseButtonOf(button)));
}

bool TFormKlava::AppKeyEvent(QKeyEvent* event) {
    if (belongsToSystem(*event, this)) {
        return false;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept(); // no shortcut of another window fires while the keys are being tested
        return true;
    }
    const auto key = physicalKeyOf(*event);
    countKey(*event, key);
    if (!key) {
        if (event->type() == QEvent::KeyPress) {
            test_.unknownKeyDown(unknownKeyTextOf(*event));
            showTexts();
        }
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        drawSprites(test_.keyDown(*key, event->text().toStdString()));
        showTexts();
    } else if (!event->isAutoRepeat()) {
        // A held key repeats its press only; the release that X11 sends before each repeat is not a release.
        drawSprites(test_.keyUp(*key));
    }
    return true;
}

bool TFormKlava::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
        return AppKeyEvent(static_cast<QKeyEvent*>(event));
    default:
        return Form::eventFilter(watched, event);
    }
}

bool TFormKlava::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate) {
        if (loadErrorShowing_) {
            backFromLoadError_ = true;
        }
        // Alt+Tab, a notification, a click elsewhere: the keys let go meanwhile are let go in another
        // program, which gets their key-ups.
        coverage_.focusLost();
    }
    return Form::event(event);
}

} // namespace vexlin
