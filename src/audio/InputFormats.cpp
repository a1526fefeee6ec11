#include "audio/InputFormats.h"

namespace vexlin::audio {

const std::vector<FormatText>& formatTable() {
    static const std::vector<FormatText> table = {
        {k11kMono8, "11.025 kHz, mono, 8-bit"},     {k11kMono16, "11.025 kHz, mono, 16-bit"},
        {k11kStereo8, "11.025 kHz, stereo, 8-bit"}, {k11kStereo16, "11.025 kHz, stereo, 16-bit"},
        {k22kMono8, "22.05 kHz, mono, 8-bit"},      {k22kMono16, "22.05 kHz, mono, 16-bit"},
        {k22kStereo8, "22.05 kHz, stereo, 8-bit"},  {k22kStereo16, "22.05 kHz, stereo, 16-bit"},
        {k44kMono8, "44.1 kHz, mono, 8-bit"},       {k44kMono16, "44.1 kHz, mono, 16-bit"},
        {k44kStereo8, "44.1 kHz, stereo, 8-bit"},   {k44kStereo16, "44.1 kHz, stereo, 16-bit"},
    };
    return table;
}

std::uint32_t formatMask(const InputDeviceCaps& caps) {
    struct Rate {
        int hz;
        std::uint32_t mono8; // the rate's first bit; stereo is <<1, 16-bit is <<2
    };
    static constexpr Rate kRates[] = {{11025, k11kMono8}, {22050, k22kMono8}, {44100, k44kMono8}};

    std::uint32_t mask = 0;
    for (const Rate& rate : kRates) {
        if (rate.hz < caps.minimumRate || rate.hz > caps.maximumRate) {
            continue;
        }
        for (int channels = 1; channels <= 2; ++channels) {
            if (channels < caps.minimumChannels || channels > caps.maximumChannels) {
                continue;
            }
            const std::uint32_t eightBit = rate.mono8 << (channels - 1);
            if (caps.unsigned8) {
                mask |= eightBit;
            }
            if (caps.signed16) {
                mask |= eightBit << 2;
            }
        }
    }
    return mask;
}

std::vector<std::string> formatTexts(std::uint32_t mask) {
    std::vector<std::string> texts;
    for (const FormatText& format : formatTable()) {
        if ((mask & format.bit) == format.bit) {
            texts.emplace_back(format.text);
        }
    }
    return texts;
}

std::vector<std::string> deviceListLines(const std::vector<InputDeviceCaps>& devices) {
    std::vector<std::string> lines;
    for (const InputDeviceCaps& device : devices) {
        lines.push_back(device.description);
        for (std::string& text : formatTexts(formatMask(device))) {
            lines.push_back(std::move(text));
        }
    }
    return lines;
}

} // namespace vexlin::audio
