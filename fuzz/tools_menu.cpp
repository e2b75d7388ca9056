// A tool's parameter template from the shared tools list, expanded with a file and a command
// line from the input, then split into the arguments the tool is started with. Every argument
// must also come back unchanged through quoting and splitting: that is how an expansion stays
// one argument.
#include "fuzz/FuzzSupport.h"
#include "services/ToolsParameters.h"

#include <cstdio>
#include <cstdlib>

namespace {

void CheckRoundTrip(const QString& argument)
{
    if (SplitToolCommandLine(QuoteToolArgument(argument)) != QStringList{argument}) {
        std::fprintf(stderr, "argument does not survive quoting: %s\n", qPrintable(argument));
        std::abort();
    }
}

}  // namespace

void Fuzz_tools_menu(const uint8_t* data, size_t size)
{
    const std::vector<QByteArray> parts = SplitFuzzInput(data, size, 3);
    const QString file = QString::fromUtf8(parts[1]);
    TToolExpansion expansion;
    expansion.Meaning = [&file](const QString& token) {
        return token.compare(QLatin1String("%f"), Qt::CaseInsensitive) == 0 ? file : token;
    };
    expansion.ValidExtensions = {QStringLiteral("bld"), QStringLiteral("smp")};
    expansion.CurrentDirectory = QStringLiteral("/home/user/my data");
    expansion.WindowsDirectory = QStringLiteral("/etc");
    expansion.ProgramFolder = QStringLiteral("/opt/tremax");
    expansion.Arguments = QString::fromUtf8(parts[2]).split(QLatin1Char('\n'));
    const QString line = ExpandToolParameters(QString::fromUtf8(parts[0]), expansion);
    for (const QString& argument : SplitToolCommandLine(line))
        CheckRoundTrip(argument);
    CheckRoundTrip(file);
}
