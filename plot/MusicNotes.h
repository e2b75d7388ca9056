#pragma once
// Equal-tempered notes around A4 = 440 Hz, numbered as MIDI does (A4 = 69, C4 = 60).

#include <QString>
#include <cstdint>
#include <optional>

double NoteNumber(double frequency);     // 12 log2(f / 440) + 69
double NoteFrequency(double noteNumber); // 440 * 2^((n - 69) / 12)

// True for the five black keys: classes 1, 3, 6, 8 and 10 (C = 0).
bool IsSharpNote(int64_t noteNumber);

// The first natural note above f; nothing for f <= 0 or a result that is not finite.
std::optional<double> NextNoteTick(double frequency);

// "A4", "C4", "Ab4"...; "-" for f <= 0 or a frequency that is not finite.
QString NoteName(double frequency);
