#include "plot/MusicNotes.h"

#include "plot/AxisArithmetic.h"

#include <array>
#include <cmath>

double NoteNumber(double frequency) { return 12 * std::log2(frequency / 440) + 69; }

double NoteFrequency(double noteNumber) { return 440 * std::pow(2.0, (noteNumber - 69) / 12); }

bool IsSharpNote(int64_t noteNumber) { return FloorMod(7 * noteNumber + 18, 12) < 5; }

std::optional<double> NextNoteTick(double frequency)
{
    if (!(frequency > 0) || !std::isfinite(frequency))
        return std::nullopt;
    // The factor steps over a note the frequency already sits on; floor keeps notes below
    // MIDI 0 in sequence too.
    const double current = std::floor(NoteNumber(1.0000000001 * frequency));
    if (!std::isfinite(current) || std::fabs(current) > 1e9)
        return std::nullopt;
    int64_t note = int64_t(current) + 1;
    if (IsSharpNote(note))
        ++note;
    const double next = NoteFrequency(double(note));
    if (!std::isfinite(next) || !(next > frequency))
        return std::nullopt;
    return next;
}

QString NoteName(double frequency)
{
    if (!(frequency > 0) || !std::isfinite(frequency))
        return QStringLiteral("-");
    static constexpr std::array<const char*, 12> kNames = {"Ab", "A", "Bb", "B", "C",  "C#",
                                                           "D",  "Eb", "E", "F", "F#", "G"};
    const int64_t k = int64_t(std::nearbyint(NoteNumber(frequency))) + 4;
    const int64_t octave = FloorDiv(k + 104, 12) - 10;
    return QLatin1String(kNames[size_t(FloorMod(k + 120, 12))]) + QString::number(octave);
}
