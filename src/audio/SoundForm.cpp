#include "audio/SoundForm.h"

#include "audio/CaptureFormat.h"
#include "audio/InputFormats.h"
#include "audio/SoundModule.h"
#include "audio/Volume.h"
#include "audio/WaveformBox.h"
#include "platform/DataFiles.h"
#include "ui/ClockTimerSwitch.h"
#include "ui/Dialogs.h"
#include "ui/Globals.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QStringList>
#include <QTimer>

namespace vexlin {
namespace {

constexpr const char* kDeviceLost = "устройство отключено";

QSlider* makeTrackBar(QWidget* parent, const char* name, int maximum, QRect geometry) {
    auto* bar = new QSlider(Qt::Horizontal, parent);
    bar->setObjectName(name);
    bar->setRange(0, maximum);
    bar->setGeometry(geometry);
    return bar;
}

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    return button;
}

} // namespace

TSoundForm::TSoundForm(AppServices& services, QWidget* parent)
    : TSoundForm(services, parent, platform::dataPath(kMusicFile)) {}

TSoundForm::TSoundForm(AppServices& services, QWidget* parent, const std::filesystem::path& musicFile)
    : Form(parent), services_(services) {
    if (services_.sound) {
        sound_ = services_.sound.get();
    } else {
        ownSound_ =
            audio::loadSoundService(services_.lane.get(), platform::modulePath(audio::kSoundModuleFile));
        sound_ = ownSound_.get();
    }
    setObjectName("SoundForm");
    setWindowTitle("Тест микрофона и звуковой карты");
    setOuterSize({696, 487});
    createControls();

    // The player is opened first.  A missing or broken music file is reported, but the microphone half is
    // set up all the same: its capability list also goes into the report.
    const std::string error = sound_->openMusic(musicFile);
    if (!error.empty()) {
        dialogs().message(this, QCoreApplication::applicationName(), QString::fromStdString(error),
                          Dialogs::Icon::Critical);
    }

    connect(TrackBar1, &QSlider::valueChanged, this, [this] { TrackBar1Change(); });
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { CheckBox1Click(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(TrackBar2, &QSlider::valueChanged, this, [this] { TrackBar2Change(); });
    connect(TrackBar3, &QSlider::valueChanged, this, [this] { TrackBar3Change(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
    connect(SelfTestButton, &QPushButton::clicked, this, [this] { SelfTestButtonClick(); });
    connect(TimerSelfTest, &QTimer::timeout, this, [this] { TimerSelfTestTimer(); });

    Button1->setEnabled(true);
    Button2->setEnabled(false);
    Button3->setEnabled(true);
    Button4->setEnabled(false);
    fillDeviceList();
    sound_->setDeviceLossHandler([this](audio::LostDevice device) { DeviceLost(device); });
}

TSoundForm::~TSoundForm() {
    // The service outlives the window.
    sound_->setDeviceLossHandler(nullptr);
    // No waiting for a last buffer here: the event loop may already be gone.
    stopCapture(false);
}

void TSoundForm::createControls() {
    GroupBox1 = new QGroupBox("Тест микрофона", this);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(0, 0, 688, 313);

    TrackBar1 = makeTrackBar(GroupBox1, "TrackBar1", audio::kBufferStepMax, {4, 20, 168, 45});
    TrackBar1->setTickPosition(QSlider::TicksBothSides);
    TrackBar1->setTickInterval(1);
    TrackBar1->setPageStep(2);
    TrackBar1->setToolTip("размер буфера ");

    CheckBox1 = new QCheckBox("16 / 8 bit", GroupBox1);
    CheckBox1->setObjectName("CheckBox1");
    CheckBox1->setGeometry(12, 72, 150, 20);

    Button1 = makeButton(GroupBox1, "Button1", "Start", {8, 100, 75, 25});
    Button2 = makeButton(GroupBox1, "Button2", "Stop", {92, 100, 75, 25});
    Label3 = new QLabel(GroupBox1);
    Label3->setObjectName("Label3");
    Label3->setGeometry(8, 127, 160, 14);

    PaintBox1 = new WaveformBox(GroupBox1);
    PaintBox1->setObjectName("PaintBox1");
    PaintBox1->setGeometry(172, 16, 514, 120);

    ListBox1 = new QListWidget(GroupBox1);
    ListBox1->setObjectName("ListBox1");
    ListBox1->setGeometry(4, 142, 680, 165);

    GroupBox2 = new QGroupBox("Тест звуковой платы", this);
    GroupBox2->setObjectName("GroupBox2");
    GroupBox2->setGeometry(0, 317, 688, 136);

    Label1 = new QLabel("   Левый канал", GroupBox2);
    Label1->setObjectName("Label1");
    Label1->setGeometry(8, 22, 330, 16);
    TrackBar2 = makeTrackBar(GroupBox2, "TrackBar2", 65535, {8, 40, 330, 40});
    Label2 = new QLabel("   Правый канал", GroupBox2);
    Label2->setObjectName("Label2");
    Label2->setGeometry(350, 22, 330, 16);
    TrackBar3 = makeTrackBar(GroupBox2, "TrackBar3", 65535, {350, 40, 330, 40});
    for (QSlider* bar : {TrackBar2, TrackBar3}) {
        bar->setTickPosition(QSlider::TicksBelow);
        bar->setTickInterval(6554);
        bar->setSingleStep(655);
        bar->setPageStep(6554);
    }

    Button3 = makeButton(GroupBox2, "Button3", "Start", {8, 96, 75, 25});
    Button4 = makeButton(GroupBox2, "Button4", "Stop", {92, 96, 75, 25});

    SelfTestButton = makeButton(GroupBox2, "SelfTestButton", "Автотест", {184, 96, 90, 25});
    SelfTestButton->setToolTip("Проверка динамиков и микрофона: тон слева, затем справа");
    SelfTestLabel = new QLabel(GroupBox2);
    SelfTestLabel->setObjectName("SelfTestLabel");
    SelfTestLabel->setGeometry(284, 80, 400, 54);
    SelfTestLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    TimerSelfTest = new QTimer(this);
    TimerSelfTest->setObjectName("TimerSelfTest");
    TimerSelfTest->setSingleShot(true);
}

void TSoundForm::fillDeviceList() {
    for (const std::string& line : audio::deviceListLines(sound_->inputDevices())) {
        ListBox1->addItem(QString::fromStdString(line));
    }
}

// --- capture ----------------------------------------------------------------------------------------------

void TSoundForm::Button1Click() {
    // A start from inside a stop's wait would open a second input over the first.
    if (stopping_) {
        return;
    }
    Button1->setEnabled(false);
    Button2->setEnabled(true);
    if (CaptureRunning) {
        return;
    }
    Label3->clear();
    startCapture(CheckBox1->isChecked());
}

void TSoundForm::startCapture(bool sixteenBit) {
    CaptureBufferSamples = audio::captureBufferSamples(TrackBar1->value());
    CaptureSixteenBit = sixteenBit;
    WaveformPoints.assign(static_cast<std::size_t>(CaptureBufferSamples), {});
    CaptureRunning = true;
    ++captureStarts_;
    sound_->startCapture({CaptureBufferSamples, CaptureSixteenBit},
                         [this](const std::vector<std::uint8_t>& buffer) { WaveInData(buffer); });
}

void TSoundForm::WaveInData(const std::vector<std::uint8_t>& buffer) {
    audio::waveformPoints(buffer, CaptureSixteenBit, PaintBox1->width(), PaintBox1->height(), WaveformPoints);
    PaintBox1->drawPoints(WaveformPoints);
    ++buffersDrawn_;
    if (selfTestRunning_) {
        recordSelfTest(buffer);
    }
}

void TSoundForm::Button2Click() {
    Button2->setEnabled(false);
    Button1->setEnabled(true);
    stopCapture(true);
}

void TSoundForm::stopCapture(bool waitForBuffer) {
    if (!CaptureRunning || stopping_) {
        return;
    }
    stopping_ = true;
    CaptureRunning = false;
    // The service completes and hands over the buffer in flight before it closes the input.
    sound_->stopCapture(waitForBuffer);
    WaveformPoints.clear();
    stopping_ = false;
}

bool TSoundForm::captureDiffersFromControls() const {
    return CaptureSixteenBit != CheckBox1->isChecked() ||
           CaptureBufferSamples != audio::captureBufferSamples(TrackBar1->value());
}

void TSoundForm::restartCapture() {
    // The self-test keeps its own recording going; the new settings apply when it ends.
    if (CaptureRunning && !stopping_ && !selfTestRunning_) {
        Button2Click();
        Button1Click();
    }
}

void TSoundForm::CheckBox1Click() {
    restartCapture();
}

void TSoundForm::TrackBar1Change() {
    restartCapture();
}

// --- playback ---------------------------------------------------------------------------------------------

void TSoundForm::Button3Click() {
    const std::string error = sound_->playMusic(true);
    if (!error.empty()) {
        // Nothing plays, so the buttons stay as they are.
        dialogs().message(this, QCoreApplication::applicationName(), QString::fromStdString(error),
                          Dialogs::Icon::Critical);
        return;
    }
    if (!selfTestRunning_) {
        SelfTestLabel->clear(); // a word on lost music is old news now
    }
    Button4->setEnabled(true);
    Button3->setEnabled(false);
}

void TSoundForm::Button4Click() {
    selfTestResumesMusic_ = false; // stopped by the user: it stays stopped after a self-test
    sound_->stopMusic();
    Button4->setEnabled(false);
    Button3->setEnabled(true);
}

void TSoundForm::TrackBar2Change() {
    sound_->setVolumeWord(audio::volumeWord(static_cast<std::uint16_t>(TrackBar2->value()),
                                            static_cast<std::uint16_t>(TrackBar3->value())));
}

void TSoundForm::TrackBar3Change() {
    TrackBar2Change();
}

// --- a device that goes away -------------------------------------------------------------------------------

void TSoundForm::DeviceLost(audio::LostDevice device) {
    const bool input = device == audio::LostDevice::Input;
    const bool duringSelfTest = selfTestRunning_;
    if (duringSelfTest) {
        // What was recorded says nothing about the speakers or the microphone: no verdict, and no old one
        // left standing either.  Music paused for the test comes back only while its output is there.
        selfTestResumesMusic_ = selfTestResumesMusic_ && input;
        finishSelfTest(false);
        selfTestFindings_ = {};
        services_.results.clearSource("audio");
        services_.results.put({.source = "audio",
                               .key = "self_test",
                               .what = "Автотест динамиков и микрофона",
                               .value = "",
                               .verdict = kDeviceLost,
                               .judgement = results::Verdict::None,
                               .facts = {{"device_lost", true, ""}}});
        SelfTestLabel->setText(QString("Автотест: ") + kDeviceLost);
    }
    if (input) {
        // The input is closed already: this stop hands nothing over and waits for nothing.
        stopCapture(false);
        PaintBox1->drawPoints(WaveformPoints);
        Button1->setEnabled(true);
        Button2->setEnabled(false);
        Label3->setText("Устройство отключено");
        return;
    }
    // The music has stopped with its output, or stays paused after a self-test that lost it.
    if (!sound_->musicPlaying()) {
        Button3->setEnabled(true);
        Button4->setEnabled(false);
        if (!duringSelfTest) {
            SelfTestLabel->setText(QString("Музыка остановлена: ") + kDeviceLost);
        }
    }
}

// --- closing ----------------------------------------------------------------------------------------------

// --- self-test --------------------------------------------------------------------------------------------

void TSoundForm::SelfTestButtonClick() {
    startSelfTest();
}

void TSoundForm::startSelfTest() {
    if (selfTestRunning_ || stopping_) {
        return;
    }
    if (sound_->inputDevices().empty()) {
        // Nothing to record with: that is the microphone's verdict, not a recording too short.
        selfTestFindings_ = audio::noMicrophoneFindings(selfTestPlan_);
        showSelfTestFindings();
        return;
    }
    // 8-bit samples hold about 48 dB, too little to hear a burst over a quiet room: the test records 16-bit
    // whatever the window shows, and the window's own width comes back afterwards.
    selfTestOwnsCapture_ = !CaptureRunning;
    if (selfTestOwnsCapture_) {
        Button1->setEnabled(false);
        Button2->setEnabled(true);
        startCapture(true);
    } else if (!CaptureSixteenBit) {
        // Switched at once, without waiting for the buffer in flight (a wait runs the event loop, where the
        // capture would be seen stopped), as the restore afterwards is.
        stopCapture(false);
        startCapture(true);
    }
    selfTestRunning_ = true;
    selfTestClipStarted_ = false;
    selfTestFinishing_ = false;
    selfTestRecording_.clear();
    SelfTestButton->setEnabled(false);
    SelfTestLabel->setText("Автотест: идёт проверка…");

    selfTestResumesMusic_ = sound_->musicPlaying();
    if (selfTestResumesMusic_) {
        sound_->stopMusic(); // paused: it goes on from here afterwards
    }
    // The clip starts with the first recorded buffer; an input that records nothing ends the test here.
    TimerSelfTest->start(static_cast<int>(selfTestPlan_.recordSeconds * 1000) + 3000);
}

void TSoundForm::recordSelfTest(const std::vector<std::uint8_t>& buffer) {
    audio::appendCaptureSamples(buffer, CaptureSixteenBit, selfTestRecording_);
    if (!selfTestClipStarted_) {
        // This first buffer is background only: the clip starts now, and its lead is silent anyway.
        selfTestClipStarted_ = true;
        selfTestClipStartedAt_ = selfTestRecording_.size();
        const std::string error =
            sound_->playClip(audio::selfTestClip(selfTestPlan_), selfTestPlan_.playRate);
        if (!error.empty()) {
            SelfTestLabel->setText(QString::fromStdString(error));
        }
        return;
    }
    const auto wanted = static_cast<std::size_t>(selfTestPlan_.recordSeconds * audio::kCaptureRate);
    if (!selfTestFinishing_ && selfTestRecording_.size() >= selfTestClipStartedAt_ + wanted) {
        // Not from inside the buffer handler: finishing stops the capture that is calling it.
        selfTestFinishing_ = true;
        QTimer::singleShot(0, this, [this] { finishSelfTest(true); });
    }
}

void TSoundForm::TimerSelfTestTimer() {
    finishSelfTest(true);
}

void TSoundForm::finishSelfTest(bool judge) {
    if (!selfTestRunning_) {
        return;
    }
    selfTestRunning_ = false;
    TimerSelfTest->stop();
    sound_->stopClip();
    if (selfTestOwnsCapture_) {
        selfTestOwnsCapture_ = false;
        Button2Click();
    } else if (CaptureRunning && captureDiffersFromControls()) {
        stopCapture(false);
        startCapture(CheckBox1->isChecked());
    }
    if (selfTestResumesMusic_) {
        selfTestResumesMusic_ = false;
        sound_->playMusic(false);
    }
    SelfTestButton->setEnabled(true);
    if (!judge) {
        SelfTestLabel->clear();
        return;
    }
    selfTestFindings_ = audio::analyseSelfTest(selfTestRecording_, audio::kCaptureRate, selfTestPlan_,
                                               selfTestClipStartedAt_);
    showSelfTestFindings();
}

void TSoundForm::showSelfTestFindings() {
    QStringList lines;
    for (const std::string& text : audio::selfTestTexts(selfTestFindings_)) {
        lines << QString::fromStdString(text);
    }
    const auto& f = selfTestFindings_;
    if (f.measured && !f.microphoneSilent && !f.loopback && !f.noMicrophone) {
        lines << QString::fromUtf8(audio::kMonoCaptureNote);
    }
    SelfTestLabel->setText(lines.join('\n'));
    for (results::ResultLine& line : audio::selfTestResults(selfTestFindings_)) {
        services_.results.put(std::move(line));
    }
}

void TSoundForm::FormShow() {
    // The full test has started capture and playback before it shows the window.
    if (FullTestRunning) {
        QTimer::singleShot(0, this, [this] {
            if (FullTestRunning && isVisible()) {
                startSelfTest();
            }
        });
    }
}

void TSoundForm::FormClose() {
    finishSelfTest(false);
    Button2Click();
    Button4Click();
    // Defaults for the next opening; capture has stopped, so these do not restart it.
    TrackBar1->setValue(0);
    CheckBox1->setChecked(false);
    closeTestWindow(services_.clock, 28); // the full test finishes
}

} // namespace vexlin
