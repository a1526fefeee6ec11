#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The sound system as the program uses it, implemented over Qt Multimedia in the sound module
// (src/audio).  It lives with the platform's interfaces, below the windows' common layer that holds it in
// the services, and keeps the audio subsystem's namespace, where all of its users are.
namespace vexlin::audio {

// What a recording device says it can do.  Rates and channel counts are inclusive ranges.
struct InputDeviceCaps {
    std::string description;
    int minimumRate = 0;
    int maximumRate = 0;
    int minimumChannels = 0;
    int maximumChannels = 0;
    bool unsigned8 = false;
    bool signed16 = false;
};

// The kind of device that went away under a running stream.
enum class LostDevice {
    Input,  // the microphone the capture records from
    Output, // the speakers the music or the clip plays through
};

struct CaptureSettings {
    int bufferSamples = 100;
    bool sixteenBit = false;
};

// What the audio window needs of the sound system: the recording devices, a capture that hands over full
// buffers, the looping music and a one-off clip (the self-test's tones).  The window gets it passed in, so
// its tests can run it against a fake device.
class SoundService {
public:
    // One full capture buffer, handed over on the thread that started the capture.
    using BufferHandler = std::function<void(const std::vector<std::uint8_t>& buffer)>;

    virtual ~SoundService() = default;

    // Every recording device with its capabilities, in the system's order.
    virtual std::vector<InputDeviceCaps> inputDevices() = 0;

    // Records mono 22050 Hz from the default input in buffers of `settings.bufferSamples`.  Without an input
    // nothing is recorded and nothing is handed over; a stop then ends at once.
    virtual void startCapture(const CaptureSettings& settings, BufferHandler onBuffer) = 0;
    // Ends the capture.  With `waitForLastBuffer` the buffer being recorded is completed and handed over
    // first, so the recording ends on a buffer boundary; an input that has died or gone quiet is given a few
    // buffer durations, never more.
    virtual void stopCapture(bool waitForLastBuffer) = 0;
    virtual bool captureOpen() const = 0;
    // Recorded bytes not yet handed over: stays below a buffer or two while the receiver keeps up.
    virtual std::int64_t captureBacklogBytes() const = 0;

    // The music: decoded once, played round and round.  The user's message when the file is not there; else
    // empty, and the tune may still be decoding: what is asked of the music afterwards waits for it, and a
    // file that is no tune says so when played (musicOpen() is then false).
    virtual std::string openMusic(const std::filesystem::path& file) = 0;
    virtual bool musicOpen() const = 0;
    // From the start, or from where the last stop left it.
    virtual std::string playMusic(bool fromStart) = 0;
    virtual void stopMusic() = 0;
    virtual bool musicPlaying() const = 0;
    // Left gain in the low 16 bits, right in the high 16 bits; full volume until the first call.
    virtual void setVolumeWord(std::uint32_t word) = 0;
    virtual std::optional<std::uint32_t> volumeWord() const = 0;

    // Plays interleaved 16-bit stereo once through the default output.  Empty string when it plays.
    virtual std::string playClip(std::vector<std::int16_t> interleavedStereo, int rate) = 0;
    virtual void stopClip() = 0;

    // Called on the thread that set it when the device under the capture, the music or the clip goes away
    // (unplugged, its driver or the sound server's module unloaded).  By then the streams on that device are
    // closed: the capture hands over nothing more and counts as stopped, the music and the clip are
    // stopped.  A later start takes the device that is the default then, so nothing needs a restart.
    using DeviceLossHandler = std::function<void(LostDevice device)>;
    virtual void setDeviceLossHandler(DeviceLossHandler handler) = 0;
};

} // namespace vexlin::audio
