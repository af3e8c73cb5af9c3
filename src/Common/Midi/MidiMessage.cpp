#include "Common/Midi/MidiMessage.h"

namespace {

// Data bytes that follow each channel status, by its high nibble 0x8 to 0xE.
constexpr int kDataBytes[7] = {2, 2, 2, 2, 1, 1, 2};

} // namespace

std::optional<SMidiMessage> DecodeMidiMessage(const unsigned char* bytes, std::size_t size)
{
    if (!bytes || size == 0)
        return std::nullopt;
    const int status = bytes[0];
    if (status < 0x80 || status >= 0xF0)
        return std::nullopt;
    const int type = status >> 4;
    const std::size_t dataBytes = std::size_t(kDataBytes[type - 0x8]);
    if (size != 1 + dataBytes)
        return std::nullopt;
    for (std::size_t i = 1; i < size; ++i) {
        if (bytes[i] & 0x80)
            return std::nullopt;
    }

    SMidiMessage message;
    message.channel = status & 0x0F;
    const int first = bytes[1];
    const int second = dataBytes > 1 ? bytes[2] : 0;
    switch (type) {
    case 0x8:
        message = {EMidiKind::NoteOff, message.channel, first, second};
        break;
    case 0x9:
        message = {second == 0 ? EMidiKind::NoteOff : EMidiKind::NoteOn, message.channel, first, second};
        break;
    case 0xA:
        message = {EMidiKind::KeyPressure, message.channel, first, second};
        break;
    case 0xB:
        message = {EMidiKind::ControlChange, message.channel, first, second};
        break;
    case 0xC:
        message = {EMidiKind::ProgramChange, message.channel, first, 0};
        break;
    case 0xE:
        message = {EMidiKind::PitchWheel, message.channel, 0, first | second << 7};
        break;
    default: // 0xD, channel pressure, is not handed on
        return std::nullopt;
    }
    return message;
}
