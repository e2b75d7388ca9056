#pragma once
// Command-line words of one tremax-cli command: options with or without a value, positionals.

#include <QMap>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <stdexcept>
#include <vector>

// Wrong usage: exit status 2 with the usage text.
class ECliUsage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TCliOption {
    const char* name;   // without its dashes; given with one or two
    const char* value;  // the value's name in usage and help ("N", "FILE"); null for a switch
    const char* help;
    const char* dashes = "--";  // as usage and help write it: "--x X", "-o FILE"
    bool TakesValue() const { return value != nullptr; }
};

class TCliArgs {
public:
    // Throws ECliUsage for an unknown option, a missing value or a repeated option. The word
    // "--" ends the options: every word after it is positional.
    TCliArgs(const QStringList& words, const std::vector<TCliOption>& options);

    bool Has(const char* name) const { return values_.contains(QLatin1String(name)); }
    QString Text(const char* name, const QString& fallback = {}) const;
    // Throw EConvertError with the program's own messages for values that do not convert.
    int32_t Int(const char* name, int32_t fallback) const;
    double Float(const char* name, double fallback) const;
    // "X,Y" pairs of integers.
    bool IntPair(const char* name, int32_t& first, int32_t& second) const;

    const QStringList& Positionals() const { return positionals_; }
    // The one positional a command takes; throws ECliUsage when there is none or more.
    QString OnlyPositional(const char* what) const;

private:
    QMap<QString, QString> values_;
    QStringList positionals_;
};
