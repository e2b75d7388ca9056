#pragma once
// The header of a Photron recording: ".cih" ("Key : Value" lines) or ".cihx" (XML), beside the
// ".mraw" frame file of the same base name.
//
// Keys read (".cih" name, ".cihx" element):
//   "Image Width"           <resolution><width>        required
//   "Image Height"          <resolution><height>       required
//   "Color Bit"             <colorInfo><bit>           required: 8, 10, 12 or 16
//   "Color Type"            <colorInfo><type>          "Mono" when present
//   "File Format"           <imageFileInfo><fileFormat> "MRaw" (or "Raw") when present
//   "EffectiveBit Depth"    <effectiveBit><depth>      default: "Color Bit"
//   "EffectiveBit Side"     <effectiveBit><side>       "Lower" (default) or "Higher"
//   "Record Rate(fps)"      <recordInfo><recordRate>   frame rate
//   "Total Frame"           <frameInfo><totalFrame>    frame count (else what the file holds)
//   "Start Frame"           <frameInfo><startFrame>    recording number of frame 0
//   "Correct Trigger Frame" <frameInfo><correctTriggerFrame> recording number of the trigger
// Every other key is ignored; a key given twice counts the first time.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

struct TPhotronHeader {
    int32_t width = 0;
    int32_t height = 0;
    int sampleBits = 8;       // bits per stored sample
    int effectiveBits = 8;    // bits the values use, at most sampleBits
    bool effectiveHigh = false;  // the used bits are the top ones of the sample
    std::optional<double> rate;
    std::optional<int32_t> totalFrames;
    std::optional<int32_t> startFrame;
    std::optional<int32_t> triggerFrame;

    // The bit depth that decides the mapping to 8 bits (see FormatSupport.h).
    int MappingBits() const { return effectiveHigh ? sampleBits : effectiveBits; }
};

// Reads a ".cih" or ".cihx" file (told apart by content). Throws EInOutError naming the file and
// the problem: unreadable, damaged XML, a required key missing, a value that does not convert,
// or a recording of a kind that is not read (colour, other sample widths, other file formats).
TPhotronHeader ReadPhotronHeader(const QString& headerFile);
// The same for the header's bytes, read already; `headerFile` names it in messages.
TPhotronHeader ParsePhotronHeader(const QByteArray& bytes, const QString& headerFile);

// The header beside a frame file: ".cihx" first, then ".cih"; empty when neither exists.
QString PhotronHeaderBeside(const QString& framesFile);
// The frame file beside a header: ".mraw".
QString PhotronFramesBeside(const QString& headerFile);
