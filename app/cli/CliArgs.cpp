#include "CliArgs.h"

#include "platform/Conversions.h"

TCliArgs::TCliArgs(const QStringList& words, const std::vector<TCliOption>& options)
{
    bool optionsEnded = false;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& word = words[i];
        if (!optionsEnded && word == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded) {
            positionals_ << word;
            continue;
        }
        const bool looksLikeOption = word.startsWith(QLatin1Char('-')) && word.size() > 1 && !word[1].isDigit();
        if (!looksLikeOption) {
            positionals_ << word;
            continue;
        }
        const QString name = word.startsWith(QLatin1String("--")) ? word.mid(2) : word.mid(1);
        const TCliOption* option = nullptr;
        for (const TCliOption& candidate : options)
            if (name == QLatin1String(candidate.name))
                option = &candidate;
        if (!option)
            throw ECliUsage("unknown option " + word.toStdString());
        if (values_.contains(name))
            throw ECliUsage("option " + word.toStdString() + " given twice");
        if (!option->TakesValue()) {
            values_.insert(name, QString());
            continue;
        }
        if (i + 1 >= words.size())
            throw ECliUsage("option " + word.toStdString() + " needs a value");
        values_.insert(name, words[++i]);
    }
}

QString TCliArgs::Text(const char* name, const QString& fallback) const
{
    return values_.value(QLatin1String(name), fallback);
}

int32_t TCliArgs::Int(const char* name, int32_t fallback) const
{
    return Has(name) ? StrToInt(Text(name)) : fallback;
}

double TCliArgs::Float(const char* name, double fallback) const
{
    return Has(name) ? StrToFloat(Text(name)) : fallback;
}

bool TCliArgs::IntPair(const char* name, int32_t& first, int32_t& second) const
{
    if (!Has(name))
        return false;
    const QString text = Text(name);
    const qsizetype comma = text.indexOf(QLatin1Char(','));
    if (comma < 0)
        throw ECliUsage(std::string("option --") + name + " takes two numbers: X,Y");
    first = StrToInt(text.left(comma));
    second = StrToInt(text.mid(comma + 1));
    return true;
}

QString TCliArgs::OnlyPositional(const char* what) const
{
    if (positionals_.size() != 1)
        throw ECliUsage(std::string("expected one ") + what);
    return positionals_.front();
}
