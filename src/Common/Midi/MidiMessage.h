#pragma once

#include <cstddef>
#include <optional>

// One channel message as the MIDI manager hands it on. Decoding is plain code
// over the raw bytes, so every kind is checked without a MIDI port.
enum class EMidiKind { NoteOn, NoteOff, ControlChange, ProgramChange, KeyPressure, PitchWheel };

struct SMidiMessage {
    EMidiKind kind = EMidiKind::NoteOn;
    int channel = 0; // 0 to 15
    int number = 0;  // note, controller or program; 0 for the pitch wheel
    int value = 0;   // velocity, controller value, pressure, or the pitch wheel's 0 to 16383 (8192 centred)
};

// The message in `bytes`, or nothing for system messages, channel pressure,
// and anything short, with a stray data byte or with bytes past its end.
// A note on with velocity 0 is a note off.
std::optional<SMidiMessage> DecodeMidiMessage(const unsigned char* bytes, std::size_t size);
