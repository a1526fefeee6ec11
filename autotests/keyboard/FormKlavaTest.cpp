#include "keyboard/FormKlava.h"

#include "keyboard/KeyPlaces.h"
#include "keyboard/PictureBox.h"
#include "support/FakeClock.h"
#include "ui/ClockTimerSwitch.h"
#include "ui/Dialogs.h"
#include "ui/Globals.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTestEventList>
#include <QTimer>

namespace vexlin {
namespace {

class FakeKeyboard final : public platform::KeyboardInfo {
public:
    int type = 4;
    int keyboardType() const override { return type; }
};

using testing::FakeClock;

// A key event as X11 delivers it: with the keycode of the physical key, whatever the layout made of it.
class NativeKeyEvent final : public QTestEvent {
public:
    NativeKeyEvent(QEvent::Type type, int key, quint32 keycode, QString text, bool autoRepeat = false,
                   Qt::KeyboardModifiers modifiers = Qt::NoModifier)
        : type_(type), key_(key), keycode_(keycode), text_(std::move(text)), autoRepeat_(autoRepeat),
          modifiers_(modifiers) {}
    void simulate(QWidget* widget) override {
        QKeyEvent event(type_, key_, modifiers_, keycode_, 0, 0, text_, autoRepeat_);
        event.setTimestamp(timestamp_);
        QApplication::sendEvent(widget, &event);
    }
    QTestEvent* clone() const override { return new NativeKeyEvent(*this); }
    // The X server's time of the event, in milliseconds.
    NativeKeyEvent* at(ulong timestamp) {
        timestamp_ = timestamp;
        return this;
    }

private:
    QEvent::Type type_;
    int key_;
    quint32 keycode_;
    QString text_;
    bool autoRepeat_;
    Qt::KeyboardModifiers modifiers_;
    ulong timestamp_ = 0;
};

// A key event of the physical key `keycode` at X server time `t`.
void stroke(QTestEventList& list, QEvent::Type type, quint32 keycode, ulong t, bool repeat = false) {
    list.append((new NativeKeyEvent(type, Qt::Key_unknown, keycode, QString(), repeat))->at(t));
}

void press(QTestEventList& list, int key, quint32 keycode, const QString& text, bool repeat = false) {
    list.append(new NativeKeyEvent(QEvent::KeyPress, key, keycode, text, repeat));
}
void release(QTestEventList& list, int key, quint32 keycode, const QString& text, bool repeat = false) {
    list.append(new NativeKeyEvent(QEvent::KeyRelease, key, keycode, text, repeat));
}

QImage region(const QImage& image, SpritePlace place, QSize size) {
    return image.copy(QRect({place.x, place.y}, size));
}

// True when every opaque pixel of the sprite is on the picture at the place.
bool spriteShownAt(const QImage& picture, const QImage& sprite, SpritePlace place) {
    for (int y = 0; y < sprite.height(); ++y) {
        for (int x = 0; x < sprite.width(); ++x) {
            const QRgb s = sprite.pixel(x, y);
            if (qAlpha(s) != 0 &&
                (picture.pixel(place.x + x, place.y + y) | 0xFF000000u) != (s | 0xFF000000u)) {
                return false;
            }
        }
    }
    return true;
}

// A message box that takes the activation away from the window it belongs to, as a real one does.
class DeactivatingDialogs final : public Dialogs {
public:
    int shown = 0;
    void message(QWidget* parent, const QString&, const QString&, Icon) override {
        ++shown;
        QEvent deactivate(QEvent::WindowDeactivate);
        QApplication::sendEvent(parent, &deactivate);
    }
};

struct ExpectedKey {
    int virtualKey = 0;
    bool extended = false;
};

} // namespace

class FormKlavaTest : public QObject {
    Q_OBJECT

private:
    AppServices services_;
    FakeKeyboard* keyboard_ = nullptr;
    FakeClock clock_;
    std::int64_t now_ = 0; // the window's steady clock, where a test sets it
    // The keys the system says are held; nullopt: it does not say, as off X11.  The X server of the test
    // desktop holds no key while the tests send theirs straight to the window.
    std::optional<std::vector<std::uint32_t>> held_;
    std::unique_ptr<TFormKlava> form_;
    std::unique_ptr<ScopedRecordingDialogs> recorded_ = std::make_unique<ScopedRecordingDialogs>();

    void activate() {
        form_->FormActivate();
        QVERIFY(!form_->KeyboardPicture.isNull());
    }

    void checkKey(ExpectedKey key, bool down) {
        const auto placed = keyPlaces(key.virtualKey, key.extended);
        const bool small = placed.size == SpriteSize::Small;
        const QImage& sprite = small ? (down ? form_->SmallKeyDownSprite : form_->SmallKeyUpSprite)
                                     : (down ? form_->KeyDownSprite : form_->KeyUpSprite);
        QVERIFY(!placed.places.empty());
        for (const auto& place : placed.places) {
            QVERIFY2(spriteShownAt(form_->Image1->picture(), sprite, place),
                     qPrintable(QString("sprite at %1,%2").arg(place.x).arg(place.y)));
            const bool changed = region(form_->Image1->picture(), place, sprite.size()) !=
                                 region(form_->KeyboardPicture, place, sprite.size());
            QCOMPARE(changed, down);
        }
    }

private slots:
    void init() {
        recorded_->recorder.shown.clear();
        auto keyboard = std::make_unique<FakeKeyboard>();
        keyboard_ = keyboard.get();
        services_.keyboard = std::move(keyboard);
        services_.clock = &clock_;
        FullTestRunning = false;
        FullTestStep = 0;
        services_.results.clear();
        form_ = std::make_unique<TFormKlava>(services_);
        held_.reset();
        form_->heldKeys = [this] { return held_; };
        form_->show();
        // The window manager's activation runs the activation handler once; nothing activates it again.
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        QVERIFY(recorded_->shown().empty());
        activate();
    }

    void cleanup() {
        form_->close();
        form_.reset();
    }

    void keySequences_data() {
        QTest::addColumn<QTestEventList>("pressed");
        QTest::addColumn<QTestEventList>("released");
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("virtualKey");
        QTest::addColumn<bool>("extended");

        QTestEventList p, r;
        press(p, Qt::Key_A, 38, "a");
        release(r, Qt::Key_A, 38, "a");
        QTest::newRow("LatinA") << p << r << "a "
                                << "65" << 65 << false;

        p.clear(), r.clear();
        press(p, 0x6c6 /* Cyrillic ef */, 38, "ф");
        release(r, 0x6c6, 38, "ф");
        QTest::newRow("RussianLayoutLightsA") << p << r << "ф "
                                              << "65" << 65 << false;

        p.clear(), r.clear();
        press(p, Qt::Key_Control, 105, "");
        release(r, Qt::Key_Control, 105, "");
        QTest::newRow("RightCtrl") << p << r << " "
                                   << "17" << 17 << true;

        p.clear(), r.clear();
        press(p, Qt::Key_Control, 37, "");
        release(r, Qt::Key_Control, 37, "");
        QTest::newRow("LeftCtrl") << p << r << " "
                                  << "17" << 17 << false;

        p.clear(), r.clear();
        press(p, Qt::Key_Shift, 62, "");
        release(r, Qt::Key_Shift, 62, "");
        QTest::newRow("RightShiftLightsBoth") << p << r << "Shift "
                                              << "16" << 16 << false;

        p.clear(), r.clear();
        press(p, Qt::Key_A, 38, "a");
        release(p, Qt::Key_A, 38, "a", true);
        press(p, Qt::Key_A, 38, "a", true);
        release(p, Qt::Key_A, 38, "a", true);
        press(p, Qt::Key_A, 38, "a", true);
        release(r, Qt::Key_A, 38, "a");
        QTest::newRow("AutoRepeat") << p << r << "a a a "
                                    << "65" << 65 << false;

        p.clear(), r.clear();
        press(p, Qt::Key_Escape, 9, "\x1b");
        release(r, Qt::Key_Escape, 9, "\x1b");
        QTest::newRow("EscapeLightsAndStays") << p << r << "Escape "
                                              << "27" << 27 << false;

        p.clear(), r.clear();
        press(p, Qt::Key_Space, 65, " ");
        release(r, Qt::Key_Space, 65, " ");
        QTest::newRow("Space") << p << r << "Space "
                               << "32" << 32 << false;

        p.clear(), r.clear();
        press(p, Qt::Key_F10, 76, "");
        release(r, Qt::Key_F10, 76, "");
        QTest::newRow("F10") << p << r << "F10 "
                             << "121" << 121 << false;

        p.clear(), r.clear();
        press(p, Qt::Key_Down, 116, "");
        release(r, Qt::Key_Down, 116, "");
        QTest::newRow("DownArrow") << p << r << "Down "
                                   << "40" << 40 << false;

        // Events made without a scan code (synthesised) are read by the key they name.
        p.clear(), r.clear();
        p.addKeyPress(Qt::Key_Backspace);
        r.addKeyRelease(Qt::Key_Backspace);
        QTest::newRow("SynthesisedBackspace") << p << r << "Backspace "
                                              << "8" << 8 << false;
    }

    void keySequences() {
        QFETCH(QTestEventList, pressed);
        QFETCH(QTestEventList, released);
        QFETCH(QString, log);
        QFETCH(QString, code);
        QFETCH(int, virtualKey);
        QFETCH(bool, extended);

        pressed.simulate(form_->Button1);
        QCOMPARE(form_->StaticText1->text(), log);
        QCOMPARE(form_->StaticText2->text(), code);
        checkKey({virtualKey, extended}, true);
        if (virtualKey == 17) {
            checkKey({17, !extended}, false); // the other Ctrl stays dark
            QVERIFY(!spriteShownAt(form_->Image1->picture(), form_->KeyDownSprite,
                                   keyPlaces(17, !extended).places.front()));
        }
        released.simulate(form_->Button1);
        QCOMPARE(form_->StaticText1->text(), log);
        checkKey({virtualKey, extended}, false);
        QVERIFY(form_->isVisible());
    }

    // Keys the picture has no place for still answer: a code of their own where the key has one, else 0 and
    // the key's name; none lights anything.
    void keysWithoutAPlace_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("keycode");
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("code");
        QTest::newRow("Mute") << int(Qt::Key_VolumeMute) << 121 << "Volume Mute "
                              << "173";
        QTest::newRow("VolumeDown") << int(Qt::Key_VolumeDown) << 122 << "Volume Down "
                                    << "174";
        QTest::newRow("VolumeUp") << int(Qt::Key_VolumeUp) << 123 << "Volume Up "
                                  << "175";
        QTest::newRow("NextTrack") << int(Qt::Key_MediaNext) << 171 << "Next Track "
                                   << "176";
        QTest::newRow("PreviousTrack") << int(Qt::Key_MediaPrevious) << 173 << "Previous Track "
                                       << "177";
        QTest::newRow("StopMedia") << int(Qt::Key_MediaStop) << 174 << "Stop Media "
                                   << "178";
        QTest::newRow("PlayPause") << int(Qt::Key_MediaPlay) << 172 << "Play/Pause "
                                   << "179";
        QTest::newRow("Mail") << int(Qt::Key_LaunchMail) << 163 << "Mail "
                              << "180";
        QTest::newRow("BrowserBack") << int(Qt::Key_Back) << 166 << "Browser Back "
                                     << "166";
        QTest::newRow("BrowserForward") << int(Qt::Key_Forward) << 167 << "Browser Forward "
                                        << "167";
        QTest::newRow("BrowserRefresh") << int(Qt::Key_Refresh) << 181 << "Browser Refresh "
                                        << "168";
        QTest::newRow("BrowserStop") << int(Qt::Key_Stop) << 136 << "Browser Stop "
                                     << "169";
        QTest::newRow("BrowserSearch") << int(Qt::Key_Search) << 225 << "Browser Search "
                                       << "170";
        QTest::newRow("BrowserFavorites") << int(Qt::Key_Favorites) << 164 << "Browser Favorites "
                                          << "171";
        QTest::newRow("BrowserHome") << int(Qt::Key_HomePage) << 180 << "Browser Home "
                                     << "172";
        QTest::newRow("Sleep") << int(Qt::Key_Sleep) << 150 << "Sleep "
                               << "95";
        QTest::newRow("WirelessByName") << int(Qt::Key_WLAN) << 246 << "Wireless "
                                        << "0";
        QTest::newRow("BrightnessByName") << int(Qt::Key_MonBrightnessUp) << 233 << "Monitor Brightness Up "
                                          << "0";
        // The keypad's "=" types the character of the "=" key, but it is another key.
        QTest::newRow("KeypadEqualNotTheEqualKey") << int(Qt::Key_Equal) << 125 << "= "
                                                   << "0";
        QTest::newRow("NoNameAtAll") << 0 << 248 << "Key 248 "
                                     << "0";
    }

    void keysWithoutAPlace() {
        QFETCH(int, key);
        QFETCH(int, keycode);
        QFETCH(QString, log);
        QFETCH(QString, code);
        QTestEventList first;
        press(first, Qt::Key_A, 38, "a");
        first.simulate(form_->Button1);
        const QImage litA = form_->Image1->picture();

        QTestEventList down, up;
        press(down, key, quint32(keycode), "");
        release(up, key, quint32(keycode), "");
        down.simulate(form_->Button1);
        QCOMPARE(form_->StaticText1->text(), log + "a ");
        QCOMPARE(form_->StaticText2->text(), code);
        QCOMPARE(form_->Image1->picture(), litA); // nothing more lit
        up.simulate(form_->Button1);
        QCOMPARE(form_->Image1->picture(), litA); // and nothing released
        QCOMPARE(form_->StaticText1->text(), log + "a ");
        QVERIFY(form_->isVisible());
    }

    // The count of the keys of the picture and the faults, from key events as X11 stamps them.
    void keyCount_data() {
        QTest::addColumn<QTestEventList>("events");
        QTest::addColumn<int>("pressed");
        QTest::addColumn<QString>("faults");
        constexpr auto down = QEvent::KeyPress;
        constexpr auto up = QEvent::KeyRelease;
        QTestEventList e;
        QTest::newRow("Nothing") << e << 0 << "Залипание: нет; дребезг: нет";

        e.clear();
        stroke(e, down, 38, 1000), stroke(e, up, 38, 1100);   // A
        stroke(e, down, 39, 1200), stroke(e, up, 39, 1300);   // S
        stroke(e, down, 62, 1400), stroke(e, up, 62, 1500);   // right Shift
        stroke(e, down, 38, 1600), stroke(e, up, 38, 1700);   // A again
        stroke(e, down, 246, 1800), stroke(e, up, 246, 1900); // a key off the picture
        QTest::newRow("EachKeyOnce") << e << 3 << "Залипание: нет; дребезг: нет";

        e.clear();
        stroke(e, down, 38, 1000), stroke(e, up, 38, 1080), stroke(e, down, 38, 1095),
            stroke(e, up, 38, 1150);
        QTest::newRow("Chatter") << e << 1 << "Залипание: нет; дребезг: A";

        e.clear();
        stroke(e, down, 39, 1000);
        for (ulong t = 1500; t < 3000; t += 33) {
            stroke(e, up, 39, t, true), stroke(e, down, 39, t, true);
        }
        stroke(e, up, 39, 3000);
        QTest::newRow("AutoRepeatIsNoChatter") << e << 1 << "Залипание: нет; дребезг: нет";

        e.clear();
        stroke(e, down, 40, 1000);
        for (ulong t = 1500; t <= 11100; t += 200) {
            stroke(e, up, 40, t, true), stroke(e, down, 40, t, true);
        }
        QTest::newRow("HeldTenSeconds") << e << 1 << "Залипание: D; дребезг: нет";
    }

    void keyCount() {
        QFETCH(QTestEventList, events);
        QFETCH(int, pressed);
        QFETCH(QString, faults);
        events.simulate(form_->Button1);
        QCOMPARE(form_->StaticText3->text(), QString("Проверено клавиш: %1 из 83").arg(pressed));
        QCOMPARE(form_->StaticText4->text(), faults);
        QCOMPARE(int(form_->Image1->marks().size()), 83 - pressed);
    }

    // The marks lie over the picture: an untested key shows one, a pressed key shows its sprite unmarked.
    void marksLeaveTheLitKeyVisible() {
        QTestEventList keys;
        press(keys, Qt::Key_A, 38, "a");
        keys.simulate(form_->Button1);
        checkKey({'A', false}, true);
        const QImage shown = form_->Image1->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage& picture = form_->Image1->picture();
        const QRect keyA(100, 151, kWideSpriteWidth, kWideSpriteHeight);
        QCOMPARE(shown.copy(keyA), picture.copy(keyA));
        const QPoint markOfS = form_->Image1->marks()[0];
        QVERIFY(!form_->Image1->marks().empty());
        QVERIFY(shown.pixel(markOfS) != picture.pixel(markOfS));
    }

    // Going to another window and back is no new opening; "Очистить" is.
    void countLastsTheOpening() {
        QTestEventList keys;
        press(keys, Qt::Key_A, 38, "a");
        keys.simulate(form_->Button1);
        form_->FormActivate();
        QCOMPARE(form_->StaticText3->text(), QString("Проверено клавиш: 1 из 83"));
        form_->Button1->click();
        QCOMPARE(form_->StaticText3->text(), QString("Проверено клавиш: 0 из 83"));
        QCOMPARE(int(form_->Image1->marks().size()), 83);
        form_->close();
        form_->show();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        QCOMPARE(form_->StaticText3->text(), QString("Проверено клавиш: 0 из 83"));
    }

    // A key down when the window opens and still down a second later is stuck, found by the timer alone.
    void keyDownAtTheOpeningIsStuck() {
        form_->close();
        form_->heldKeys = [] { return std::vector<std::uint32_t>{50}; }; // left Shift
        form_->show();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        QCOMPARE(form_->StaticText4->text(), QString("Залипание: нет; дребезг: нет"));
        QTRY_COMPARE_WITH_TIMEOUT(form_->StaticText4->text(), QString("Залипание: Left Shift; дребезг: нет"),
                                  3000);
    }

    // A key held down while the window has the keyboard focus and let go where the window does not see it:
    // after another window took the focus (a notification, a click elsewhere), or while the window manager
    // held the keyboard for Alt+Tab, when only the system knows the key is up.  Either is no stuck key.
    void keyHeldWhenTheFocusGoes_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("keycode");
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QString>("faults");
        const QString none = "Залипание: нет; дребезг: нет";
        QTest::newRow("AltLetGoInAnotherWindow") << int(Qt::Key_Alt) << 64 << "another window" << none;
        QTest::newRow("LetterLetGoInAnotherWindow") << int(Qt::Key_A) << 38 << "another window" << none;
        QTest::newRow("AltLetGoDuringAltTab") << int(Qt::Key_Alt) << 64 << "let go, window kept" << none;
        QTest::newRow("AltHeldInTheWindow") << int(Qt::Key_Alt) << 64 << "still held"
                                            << "Залипание: Left Alt; дребезг: нет";
        QTest::newRow("AltHeldSystemSilent") << int(Qt::Key_Alt) << 64 << "nothing known"
                                             << "Залипание: Left Alt; дребезг: нет";
        // Found by the timer, named as the log names it.
        QTest::newRow("WirelessHeldInTheWindow") << int(Qt::Key_WLAN) << 246 << "still held"
                                                 << "Залипание: Wireless; дребезг: нет";
    }

    void keyHeldWhenTheFocusGoes() {
        QFETCH(int, key);
        QFETCH(int, keycode);
        QFETCH(QString, meanwhile);
        QFETCH(QString, faults);
        now_ = 1'000'000;
        form_->steadyClock = [this] { return now_; };
        form_->Button1->click(); // the count starts on the test's clock
        QTestEventList keys;
        press(keys, key, quint32(keycode), "");
        keys.simulate(form_->Button1);
        QWidget other;
        other.setWindowTitle("another program");
        other.resize(200, 100);
        if (meanwhile == "another window") {
            other.show();
            other.activateWindow();
            QTRY_VERIFY_WITH_TIMEOUT(!form_->isActiveWindow(),
                                     5000); // the system is not asked: held_ says nothing
        } else if (meanwhile == "let go, window kept") {
            held_ = std::vector<std::uint32_t>{};
        } else if (meanwhile == "still held") {
            held_ = std::vector<std::uint32_t>{std::uint32_t(keycode)};
        }
        now_ += 10'500;
        form_->Timer1Timer();
        QCOMPARE(form_->StaticText4->text(), faults);
    }

    void closingWritesTheResults() {
        QTestEventList keys;
        stroke(keys, QEvent::KeyPress, 38, 1000), stroke(keys, QEvent::KeyRelease, 38, 1080);
        stroke(keys, QEvent::KeyPress, 38, 1090), stroke(keys, QEvent::KeyRelease, 38, 1150);
        stroke(keys, QEvent::KeyPress, 9, 1300), stroke(keys, QEvent::KeyRelease, 9, 1400);
        keys.simulate(form_->Button1);
        QVERIFY(services_.results.linesOf("keyboard").empty());
        form_->close();
        const auto* coverage = services_.results.find("keyboard", "coverage");
        QVERIFY(coverage != nullptr);
        QCOMPARE(QString::fromStdString(coverage->value), QString("2 из 83"));
        const auto* untested = services_.results.find("keyboard", "untested_keys");
        QVERIFY(untested != nullptr);
        QVERIFY(QString::fromStdString(untested->value).startsWith("Insert, Home, Pg Up, F1, "));
        const auto* chatter = services_.results.find("keyboard", "chatter_keys");
        QVERIFY(chatter != nullptr);
        QCOMPARE(QString::fromStdString(chatter->value), QString("A"));
        QVERIFY(services_.results.find("keyboard", "stuck_keys") != nullptr);
    }

    // Tab, Enter and Space never reach the focused button while the keys are being tested.
    void keysNeverPressClear_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("log");
        QTest::newRow("Tab") << int(Qt::Key_Tab) << "Tab ";
        QTest::newRow("Enter") << int(Qt::Key_Return) << "Enter ";
        QTest::newRow("Space") << int(Qt::Key_Space) << "Space ";
    }

    void keysNeverPressClear() {
        QFETCH(int, key);
        QFETCH(QString, log);
        form_->Button1->setFocus();
        QSignalSpy clicked(form_->Button1, &QPushButton::clicked);
        QTest::keyClick(form_->Button1, Qt::Key(key));
        QTest::qWait(20);
        QCOMPARE(clicked.count(), 0);
        QCOMPARE(form_->StaticText1->text(), log);
        QCOMPARE(QApplication::focusWidget(), form_->Button1);
    }

    // Alt itself is tested like any key; what is typed with it held goes on to the window (menus, mnemonics).
    void altCombinationsPassThrough() {
        QTest::keyClick(form_->Button1, Qt::Key_F, Qt::AltModifier);
        QCOMPARE(form_->StaticText1->text(), QString("Alt "));
        QCOMPARE(form_->StaticText2->text(), QString("18"));
    }

    void clearRestoresThePicture() {
        QTestEventList keys;
        press(keys, Qt::Key_A, 38, "a");
        press(keys, Qt::Key_Shift, 50, "");
        keys.simulate(form_->Button1);
        QVERIFY(form_->Image1->picture() != form_->KeyboardPicture);
        form_->Button1->click();
        QCOMPARE(form_->Image1->picture(), form_->KeyboardPicture);
        QCOMPARE(form_->StaticText1->text(), QString());
        QCOMPARE(form_->StaticText2->text(), QString());
    }

    void mouseButtonsLightTheTouchPad() {
        QTest::mousePress(form_->Image1, Qt::LeftButton, {}, QPoint(300, 100));
        QCOMPARE(form_->StaticText1->text(), QString("LMouse "));
        QCOMPARE(form_->StaticText2->text(), QString(" "));
        for (const auto& place : mouseButtonPlaces(MouseButton::Left).places) {
            QVERIFY(spriteShownAt(form_->Image1->picture(), form_->SmallKeyDownSprite, place));
        }
        QTest::mouseRelease(form_->Image1, Qt::LeftButton, {}, QPoint(300, 100));
        for (const auto& place : mouseButtonPlaces(MouseButton::Left).places) {
            QVERIFY(spriteShownAt(form_->Image1->picture(), form_->SmallKeyUpSprite, place));
        }
        QTest::mouseClick(form_->Image1, Qt::RightButton, {}, QPoint(300, 100));
        QCOMPARE(form_->StaticText1->text(), QString("RMouse LMouse "));
        QTest::mouseClick(form_->Image1, Qt::MiddleButton, {}, QPoint(300, 100));
        QCOMPARE(form_->StaticText1->text(), QString("RMouse LMouse "));
    }

    void captionFromKeyboardType_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("caption");
        QTest::newRow("Enhanced") << 4 << "Тип клавиатуры: IBM enhanced or compatible";
        QTest::newRow("None") << 0 << "Unrecognized keyboard type";
        QTest::newRow("Japanese") << 7 << "Тип клавиатуры: Japanese keyboard";
    }

    void captionFromKeyboardType() {
        QFETCH(int, type);
        QFETCH(QString, caption);
        keyboard_->type = type;
        form_->FormActivate();
        QCOMPARE(form_->windowTitle(), caption);
    }

    void closeAreaClosesAndTheFullTestGoesOn() {
        FullTestRunning = true;
        QTest::mouseClick(form_->Image2, Qt::LeftButton);
        QVERIFY(!form_->isVisible());
        QCOMPARE(FullTestStep, 16);
        QVERIFY(form_->KeyboardPicture.isNull());
        // With the window closed, keys reach the other windows again.
        QTestEventList keys;
        press(keys, Qt::Key_A, 38, "a");
        keys.simulate(form_->Button1);
        QCOMPARE(form_->StaticText1->text(), QString());
        FullTestRunning = false;
    }

    // Only a left click on the close area closes; the other buttons leave the test running.
    void closeAreaAnswersTheLeftButtonOnly() {
        for (auto button : {Qt::RightButton, Qt::MiddleButton}) {
            QTest::mouseClick(form_->Image2, button);
            QVERIFY(form_->isVisible());
        }
        QTest::mouseClick(form_->Image2, Qt::LeftButton);
        QVERIFY(!form_->isVisible());
    }

    void closeOutsideTheFullTestResumesTheClock() {
        clock_.ticked = true;
        clock_.running = false;
        form_->close();
        QVERIFY(clock_.running);
        QCOMPARE(FullTestStep, 0);
    }

    // A picture that is missing, not a bitmap, or a key sprite too small for its transparent colour shows one
    // message and leaves the rest of the activation undone; keys still do not crash anything.
    void brokenPictureFiles_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content"); // empty: the file is missing
        QTest::addColumn<QString>("messagePart");
        QTest::newRow("MissingPicture") << "klava.bmp" << QByteArray() << "klava.bmp";
        QTest::newRow("MissingSmallSprite") << "button2_s.bmp" << QByteArray() << "button2_s.bmp";
        QTest::newRow("NotABitmap") << "button2.bmp" << QByteArray("BMnot really a bitmap") << "button2.bmp";
        QImage tiny(2, 2, QImage::Format_RGB32);
        tiny.fill(Qt::magenta);
        QByteArray tinyBmp;
        {
            QBuffer buffer(&tinyBmp);
            buffer.open(QIODevice::WriteOnly);
            tiny.save(&buffer, "BMP");
        }
        QTest::newRow("SpriteTooSmall") << "button.bmp" << tinyBmp << "button.bmp";
    }

    void brokenPictureFiles() {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QString, messagePart);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QDir(dir.path()).mkdir("data");
        for (const char* name : {"klava.bmp", "button.bmp", "button2.bmp", "button_s.bmp", "button2_s.bmp"}) {
            if (file != name) {
                QVERIFY(QFile::copy(QString(VEXLIN_SOURCE_DIR "/data/") + name,
                                    dir.filePath(QString("data/") + name)));
            } else if (!content.isEmpty()) {
                QFile out(dir.filePath(QString("data/") + name));
                QVERIFY(out.open(QIODevice::WriteOnly));
                out.write(content);
            }
        }
        const QString previousDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        const QString previousTitle = form_->windowTitle();
        keyboard_->type = 1;
        form_->FormActivate();
        QCOMPARE(int(recorded_->shown().size()), 1);
        QVERIFY2(recorded_->shown().front().text.contains(messagePart),
                 qPrintable(recorded_->shown().front().text));
        QDir::setCurrent(previousDir);
        QCOMPARE(form_->windowTitle(), previousTitle);
        QVERIFY(form_->KeyDownSprite.isNull());
        QTestEventList keys;
        press(keys, Qt::Key_A, 38, "a");
        release(keys, Qt::Key_A, 38, "a");
        keys.simulate(form_->Button1);
        QCOMPARE(form_->StaticText2->text(), QString("65"));
    }

    // The message about a missing picture takes the activation away from the window; getting it back when the
    // message closes is no new activation, or the message would come back for ever.
    void missingPictureMessageShownOnce() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString previousDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        setDialogs(nullptr); // real message boxes
        int boxes = 0;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                ++boxes;
                QTest::qWait(200); // long enough for the window manager to move the activation to the box
                box->accept();
            }
        });
        closer.start(50);
        form_->FormActivate();
        QTest::qWait(1500);
        closer.stop();
        setDialogs(&recorded_->recorder);
        QDir::setCurrent(previousDir);
        QCOMPARE(boxes, 1);
        // On a loaded machine the window manager may take its time to hand the activation back.
        QTRY_VERIFY_WITH_TIMEOUT(form_->isActiveWindow(), 10000);
    }

    // A missing picture whose message took the activation away, and a window closed before it got the
    // activation back: the next opening loads the pictures and takes the keys again.
    void openingAfterALoadErrorIsAFullActivation() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString previousDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        DeactivatingDialogs dialogs;
        setDialogs(&dialogs);
        form_->FormActivate();
        setDialogs(&recorded_->recorder);
        QDir::setCurrent(previousDir);
        QCOMPARE(dialogs.shown, 1);
        QVERIFY(form_->KeyboardPicture.isNull());
        form_->close();

        form_->show();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        QTRY_VERIFY(!form_->KeyboardPicture.isNull());
        QTestEventList keys;
        press(keys, Qt::Key_A, 38, "a");
        keys.simulate(form_->Button1);
        QCOMPARE(form_->StaticText1->text(), QString("a "));
        checkKey({'A', false}, true);
    }

    // Releasing a key must give back the picture exactly, and the label band of every key must stay out of
    // the sprites: every place of the table sits on a key of data/klava.bmp drawn as the unlit sprite.
    void pictureHasAKeyUnderEveryPlace() {
        const QImage& picture = form_->KeyboardPicture;
        for (int key : placedVirtualKeys()) {
            for (bool extended : {false, true}) {
                const auto placed = keyPlaces(key, extended);
                const QImage& unlit =
                    placed.size == SpriteSize::Small ? form_->SmallKeyUpSprite : form_->KeyUpSprite;
                for (const auto& place : placed.places) {
                    QVERIFY(QRect({0, 0}, picture.size()).contains(QRect({place.x, place.y}, unlit.size())));
                    QVERIFY2(spriteShownAt(picture, unlit, place),
                             qPrintable(QString("key %1 at %2,%3").arg(key).arg(place.x).arg(place.y)));
                }
            }
        }
        for (auto button : {MouseButton::Left, MouseButton::Right}) {
            for (const auto& place : mouseButtonPlaces(button).places) {
                QVERIFY(spriteShownAt(picture, form_->SmallKeyUpSprite, place));
            }
        }
        // The lit sprites differ from the unlit ones, and the transparent colour is really used.
        QVERIFY(form_->KeyDownSprite != form_->KeyUpSprite);
        QCOMPARE(qAlpha(form_->KeyDownSprite.pixel(2, 2)), 0);
        QCOMPARE(qAlpha(form_->SmallKeyDownSprite.pixel(2, 2)), 0);
    }
};

} // namespace vexlin

QTEST_MAIN(vexlin::FormKlavaTest)
#include "FormKlavaTest.moc"
