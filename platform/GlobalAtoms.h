#pragma once
// Global atoms: short texts that every program of this user can read by a 16-bit number
// (0xC000..0xFFFF), kept in shared memory blocks of their own. The program that adds an atom
// deletes it; an atom left by a program that has gone is removed by a later AddAtom.
// Thread-safe; atoms outlive this object.

#include "platform/SharedSegment.h"

#include <QString>
#include <cstdint>

class TGlobalAtoms {
public:
    static constexpr uint16_t kFirstAtom = 0xC000;
    static constexpr int kMaxLength = 255;  // characters

    TGlobalAtoms();

    // 0 when the text is empty, longer than kMaxLength or no atom can be made.
    uint16_t AddAtom(const QString& text);
    // False when there is no such atom or its text is longer than maxLength characters (a text
    // that does not fit is refused, never cut).
    bool AtomName(uint16_t atom, QString& text, int maxLength = kMaxLength) const;
    void DeleteAtom(uint16_t atom);

    TSharedSegments& Segments() { return segments_; }

private:
    TSharedSegments segments_;
};
