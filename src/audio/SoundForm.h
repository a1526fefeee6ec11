#pragma once

#include "app/shared/AppServices.h"
#include "app/shared/Form.h"
#include "audio/Waveform.h"

#include <cstdint>
#include <filesystem>
#include <vector>

class QAudioSource;
class QCheckBox;
class QEventLoop;
class QGroupBox;
class QIODevice;
class QLabel;
class QListWidget;
class QPushButton;
class QSlider;

namespace vexlin {

class MusicPlayer;
class WaveformBox;

// Where the music of the sound-card test is looked up.
inline constexpr const char* kMusicFile = "data/FruitCocktail.mp3";

// The audio test: microphone capture with a live waveform and the list of recording formats, and music
// with separate left/right volume.
class TSoundForm : public Form {
    Q_OBJECT
public:
    TSoundForm(AppServices& services, QWidget* parent = nullptr);
    // As above with the music taken from `musicFile` instead of the data folder.
    TSoundForm(AppServices& services, QWidget* parent, const std::filesystem::path& musicFile);
    ~TSoundForm() override;

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

    QGroupBox* GroupBox1 = nullptr;
    QSlider* TrackBar1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    WaveformBox* PaintBox1 = nullptr;
    QListWidget* ListBox1 = nullptr;

    QGroupBox* GroupBox2 = nullptr;
    QLabel* Label1 = nullptr;
    QSlider* TrackBar2 = nullptr;
    QLabel* Label2 = nullptr;
    QSlider* TrackBar3 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    MusicPlayer* MediaPlayer1 = nullptr;

    // Capture state, readable by tests.
    bool captureRunning() const { return CaptureRunning; }
    int captureBufferSamples() const { return CaptureBufferSamples; }
    bool captureSixteenBit() const { return CaptureSixteenBit; }
    const std::vector<audio::WavePoint>& waveformPoints() const { return WaveformPoints; }
    // Buffers drawn since the window was created, and capture starts since then.
    std::uint64_t buffersDrawn() const { return buffersDrawn_; }
    int captureStarts() const { return captureStarts_; }
    // Recorded bytes waiting to be drawn: stays below one buffer while the window keeps up.
    qint64 captureBacklogBytes() const;

private:
    void createControls();
    void fillDeviceList();
    void startCapture();
    void stopCapture(bool waitForBuffer);
    void closeInput();
    bool inputAlive() const;
    void restartCapture();
    void WaveInData();
    void readCapturedBytes();

    AppServices& services_;

    // Capture.
    QAudioSource* CaptureDevice = nullptr;
    QIODevice* captureStream_ = nullptr;
    int CaptureBufferSamples = 0;
    bool CaptureSixteenBit = false;
    std::vector<std::uint8_t> captureBuffer_;
    std::size_t captureFill_ = 0;
    std::vector<audio::WavePoint> WaveformPoints;
    // Set while recording; cleared by a stop, and set again by the next full buffer as its acknowledgement.
    bool CaptureRunning = false;
    bool stopping_ = false;
    QEventLoop* stopWait_ = nullptr;
    std::uint64_t buffersDrawn_ = 0;
    int captureStarts_ = 0;
};

} // namespace vexlin
