#include "platform/GlobalAtoms.h"

#include <string>

TGlobalAtoms::TGlobalAtoms() : segments_("atom", kFirstAtom, 0xFFFF) {}

uint16_t TGlobalAtoms::AddAtom(const QString& text)
{
    if (text.isEmpty() || text.size() > kMaxLength)
        return 0;
    const QByteArray bytes = text.toUtf8();
    return segments_.Create(bytes.constData(), size_t(bytes.size()));
}

bool TGlobalAtoms::AtomName(uint16_t atom, QString& text, int maxLength) const
{
    if (maxLength < 0)
        return false;
    std::string bytes;
    // UTF-8 takes at most four bytes a character.
    if (!segments_.ReadAll(atom, bytes, size_t(maxLength) * 4))
        return false;
    const QString read = QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    if (read.size() > maxLength || read.contains(QChar(0)))
        return false;
    text = read;
    return true;
}

void TGlobalAtoms::DeleteAtom(uint16_t atom)
{
    segments_.Remove(atom);
}
