// The program's windows on an X server without OpenGL: the server of the test's own runs without its GLX
// extension, and the OpenGL library finds no EGL driver either, as on a machine without a driver for its
// graphics.  The performance window must say so where its frames would be, and the full test must go on to
// its end; nothing may abort.

#include "app/Forms.h"
#include "app/MainForm.h"
#include "app/Startup.h"
#include "audio/SoundForm.h"
#include "gfx/OpenGlMissing.h"
#include "gfx/PerformanceForm.h"
#include "keyboard/FormKlava.h"
#include "platform/Factory.h"
#include "report/FullTestSequencer.h"
#include "report/TestForm.h"
#include "ui/Dialogs.h"
#include "ui/Globals.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QOpenGLContext>
#include <QPushButton>
#include <QtTest>
#include <csignal>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vexlin {
namespace {

class StayingPriority final : public platform::ThreadPriority {
public:
    void lowerCurrentThreadToIdle() override {}
    bool raiseCurrentThreadToRealtime() override { return false; }
};

// Xvfb without GLX on a free display; DISPLAY names it for this process.
class ServerWithoutGlx {
public:
    bool start() {
        int ready[2];
        if (::pipe(ready) != 0) {
            return false;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            // A test that dies leaves no server behind to hold ctest's output pipe open.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::close(ready[0]);
            const std::string fd = std::to_string(ready[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-extension", "GLX", "-screen", "0",
                     "1280x1024x24", "-nolisten", "tcp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(ready[1]);
        std::string number;
        char c = 0;
        while (pid_ > 0 && ::read(ready[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        ::close(ready[0]);
        if (number.empty()) {
            return false;
        }
        ::setenv("DISPLAY", (":" + number).c_str(), 1);
        return true;
    }
    ~ServerWithoutGlx() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }

private:
    pid_t pid_ = -1;
};

// Closes the test windows of the full test after a moment, as a user would; the full-test window once the
// run has finished.  Messages are recorded, not shown.
class TestUser : public QObject {
public:
    TestUser() {
        poll_.setInterval(20);
        connect(&poll_, &QTimer::timeout, this, [this] { look(); });
        poll_.start();
        deadline_.start();
    }
    bool sawPerformanceWindow = false;
    bool timedOut = false;

private:
    void look() {
        QWidget* top = QApplication::activeModalWidget();
        if (deadline_.elapsed() > 120000) {
            timedOut = true;
            if (top != nullptr) {
                top->close();
            }
            return;
        }
        if (top != current_) {
            current_ = top;
            openedFor_.start();
        }
        if (top == nullptr) {
            return;
        }
        if (top == Form1) {
            sawPerformanceWindow = true; // the sequence closes it itself
        } else if (top == TestForm) {
            if (FullTestStep == report::kFinished) {
                TestForm->close();
            }
        } else if (openedFor_.elapsed() >= 300) {
            top->close();
        }
    }

    QTimer poll_;
    QElapsedTimer deadline_;
    QElapsedTimer openedFor_;
    QPointer<QWidget> current_;
};

} // namespace

class NoOpenGlTest : public QObject {
    Q_OBJECT

    const QString missing_ =
        QString::fromStdString(gfx::openGlMissingText("xcb", gfx::OpenGlStep::CreateContext));

private slots:
    void initTestCase() {
        QOpenGLContext context;
        QVERIFY2(!context.create(), "this X server offers OpenGL after all: the test would prove nothing");
    }
    void init() {
        FullTestRunning = false;
        FullTestStep = 0;
        recorded_ = std::make_unique<ScopedRecordingDialogs>();
        services_ = std::make_unique<AppServices>(AppServices::forThisSystem());
        services_->priority = std::make_unique<StayingPriority>();
        createWindows(*services_);
        MainForm->show();
    }
    void cleanup() {
        destroyWindows();
        services_.reset();
        recorded_.reset();
    }

    void performanceWindowSaysSo() {
        Form1->show();
        QTRY_VERIFY_WITH_TIMEOUT(Form1->findChild<QLabel*>("OpenGlMissing") != nullptr, 5000);
        QCOMPARE(Form1->findChild<QLabel*>("OpenGlMissing")->text(), missing_);
        QTest::qWait(300); // painted and flushed a few times without a frame to show
        QVERIFY(Form1->isVisible());
        QVERIFY(!Form1->sceneRunning());
        QStringList shown;
        for (const auto& message : recorded_->shown()) {
            shown << message.text;
        }
        QVERIFY2(shown == QStringList{missing_}, qPrintable(shown.join(" | ")));
        Form1->close();
    }

    void fullTestGoesOnToItsEnd() {
        TestUser user;
        QTimer::singleShot(0, TestForm, [] { TestForm->Button2->click(); });
        MainForm->Button6->click(); // returns when the full-test window is closed
        QVERIFY(!user.timedOut);
        QVERIFY(user.sawPerformanceWindow);
        QCOMPARE(FullTestStep, report::kFinished);
        QVERIFY(Form1->findChild<QLabel*>("OpenGlMissing") != nullptr);
        bool told = false;
        for (const auto& shown : recorded_->shown()) {
            told = told || shown.text == missing_;
        }
        QVERIFY(told);
    }

private:
    std::unique_ptr<ScopedRecordingDialogs> recorded_;
    std::unique_ptr<AppServices> services_;
};

} // namespace vexlin

int main(int argc, char** argv) {
    vexlin::ServerWithoutGlx server;
    if (!server.start()) {
        std::fputs("no X server without GLX could be started\n", stderr);
        return 1;
    }
    // Without GLX, Qt takes OpenGL through EGL; no EGL driver leaves none at all.
    ::setenv("__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent/vexlin-no-egl.json", 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    QApplication app(argc, argv);
    vexlin::NoOpenGlTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "NoOpenGlTest.moc"
