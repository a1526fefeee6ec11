#pragma once

#include "audio/SpeakerSelfTest.h"
#include "audio/Waveform.h"
#include "ui/AppServices.h"
#include "ui/Form.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSlider;
class QTimer;

namespace vexlin {

class WaveformBox;

// Where the music of the sound-card test is looked up.
inline constexpr const char* kMusicFile = "data/FruitCocktail.mp3";

// The audio test: microphone capture with a live waveform and the list of recording formats, and music
// with separate left/right volume.  Recording and playback go through the sound service of `services`; the
// window only starts, stops and draws.
class TSoundForm : public Form {
    Q_OBJECT
public:
    TSoundForm(AppServices& services, QWidget* parent = nullptr);
    // As above with the music taken from `musicFile` instead of the data folder.
    TSoundForm(AppServices& services, QWidget* parent, const std::filesystem::path& musicFile);
    ~TSoundForm() override;

    void FormShow() override;
    void FormClose() override;

    // Capture.
    void Button1Click();
    void Button2Click();
    void CheckBox1Click();
    void TrackBar1Change();
    // Playback.
    void Button3Click();
    void Button4Click();
    void TrackBar2Change();
    void TrackBar3Change();
    // Speaker and microphone self-test.
    void SelfTestButtonClick();
    void TimerSelfTestTimer();

    // Pauses the music, plays a burst on the left channel and then one on the right while the microphone
    // records, and shows and stores what was heard.  Runs by itself when the window opens during a full
    // test.
    void startSelfTest();
    bool selfTestRunning() const { return selfTestRunning_; }
    const audio::SelfTestFindings& selfTestFindings() const { return selfTestFindings_; }

    QGroupBox* GroupBox1 = nullptr;
    QSlider* TrackBar1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QLabel* Label3 = nullptr; // why the recording stopped by itself
    WaveformBox* PaintBox1 = nullptr;
    QListWidget* ListBox1 = nullptr;

    QGroupBox* GroupBox2 = nullptr;
    QLabel* Label1 = nullptr;
    QSlider* TrackBar2 = nullptr;
    QLabel* Label2 = nullptr;
    QSlider* TrackBar3 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* SelfTestButton = nullptr;
    QLabel* SelfTestLabel = nullptr;
    QTimer* TimerSelfTest = nullptr;

    // The capture and the music (the player the window plays through).
    audio::SoundService& sound() const { return *sound_; }

    // Capture state, readable by tests.
    bool captureRunning() const { return CaptureRunning; }
    int captureBufferSamples() const { return CaptureBufferSamples; }
    bool captureSixteenBit() const { return CaptureSixteenBit; }
    const std::vector<audio::WavePoint>& waveformPoints() const { return WaveformPoints; }
    // Buffers drawn since the window was created, and capture starts since then.
    std::uint64_t buffersDrawn() const { return buffersDrawn_; }
    int captureStarts() const { return captureStarts_; }
    // Recorded bytes waiting to be drawn: stays below one buffer while the window keeps up.
    qint64 captureBacklogBytes() const { return sound_->captureBacklogBytes(); }

private:
    void createControls();
    void fillDeviceList();
    void startCapture(bool sixteenBit);
    // Capture running at another width or buffer size than the window's controls ask for.
    bool captureDiffersFromControls() const;
    void stopCapture(bool waitForBuffer);
    void restartCapture();
    void WaveInData(const std::vector<std::uint8_t>& buffer);
    // The service has closed the streams on a device that went away.
    void DeviceLost(audio::LostDevice device);

    AppServices& services_;
    // Made here only when the services bring none.
    std::unique_ptr<audio::SoundService> ownSound_;
    audio::SoundService* sound_ = nullptr;

    // Capture.
    int CaptureBufferSamples = 0;
    bool CaptureSixteenBit = false;
    std::vector<audio::WavePoint> WaveformPoints;
    // Set while recording, cleared by a stop.
    bool CaptureRunning = false;
    bool stopping_ = false;
    // Self-test.
    void recordSelfTest(const std::vector<std::uint8_t>& buffer);
    void finishSelfTest(bool judge);
    void showSelfTestFindings();
    audio::SelfTestPlan selfTestPlan_;
    audio::SelfTestFindings selfTestFindings_;
    std::vector<float> selfTestRecording_;
    std::size_t selfTestClipStartedAt_ = 0;
    bool selfTestRunning_ = false;
    bool selfTestClipStarted_ = false;
    bool selfTestFinishing_ = false;
    bool selfTestOwnsCapture_ = false;
    bool selfTestResumesMusic_ = false;

    std::uint64_t buffersDrawn_ = 0;
    int captureStarts_ = 0;
};

} // namespace vexlin
