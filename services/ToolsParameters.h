#pragma once
// The tools menu's text rules, free of any store or window: the hot-key encoding shared with
// the family's programs, accelerator letters, the expansion of a tool's parameter template and
// the split of the resulting command line into arguments. Plain functions, any thread.

#include <QKeySequence>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

// Hot keys as every program of the family stores them: the Windows virtual-key code in the low
// byte plus 0x2000 for Shift, 0x4000 for Ctrl and 0x8000 for Alt. Empty for 0, for values above
// 0xFFFF, for other bits set and for key codes without a key here.
QKeySequence ToolHotKeyToKeySequence(int64_t hotKey);

// The lower-cased character after the first "&" of a menu text; none when there is no "&" or
// it is the last character.
std::optional<QChar> AcceleratorLetter(const QString& menuText);
// The menu text without "&", with "&" put before its first digit or letter A-Z that is not
// among `usedLetters` (compared in upper case); without any "&" when every one is used.
QString FreshAccelerator(const QString& menuText, const QString& usedLetters);
// Whether two texts share an accelerator letter (letter case aside).
bool AcceleratorConflicts(const QStringList& menuTexts);

// What a parameter template's "%" tokens stand for when a tool is started.
struct TToolExpansion {
    // The owner's meaning of a token (its "meaning" out); unset: the token means itself.
    std::function<QString(const QString& token)> Meaning;
    // Extensions (without ".") a "%f" file may have, letter case aside; empty: any.
    QStringList ValidExtensions;
    bool Want83 = false;
    QString CurrentDirectory;  // "%d"
    QString WindowsDirectory;  // "%w"
    QString ProgramFolder;     // "%p", without a trailing separator
    QStringList Arguments;     // "%0" to "%9": the program's own command line, "%0" its path
};

// A token's expansion: the owner's meaning, "%f" emptied when its extension is not valid, and
// for a token that means nothing (or itself) the built-ins "%d", "%w", "%p", "%0"-"%9", "%%";
// anything else expands to nothing. With Want83 a non-empty result in its short form.
QString ExpandToolToken(const QString& token, const TToolExpansion& expansion);

// The template with every token (from a "%" to the next blank or the end) replaced by its
// expansion, blanks and control characters trimmed from both ends. One pass from left to
// right: an expansion is never scanned again, so "%%" gives "%" and a "%" inside a file name
// stays. An expansion holding blanks or double quotes is quoted so that it remains one
// argument of SplitToolCommandLine (outside quotes it is put in quotes, inside them its quotes
// are doubled).
QString ExpandToolParameters(const QString& text, const TToolExpansion& expansion);

// A command line as arguments: blanks separate outside double quotes; inside them "" is one
// double quote. "" alone is an empty argument. Nothing else is special (no shell).
QStringList SplitToolCommandLine(const QString& commandLine);
// The text that SplitToolCommandLine reads back as `argument`.
QString QuoteToolArgument(const QString& argument);

// The short 8.3 form of a path. File systems here have no short names: the path itself.
QString ShortPathName(const QString& path);
