// The tools menu's text rules: hot keys, accelerators, parameter expansion and the split into
// arguments.
#include "services/ToolsParameters.h"

#include <gtest/gtest.h>

TEST(ToolsParameters, HotKeysKeepTheFamilysEncoding)
{
    EXPECT_EQ(ToolHotKeyToKeySequence(0x46), QKeySequence(Qt::Key_F));
    EXPECT_EQ(ToolHotKeyToKeySequence(0x4000 | 0x31), QKeySequence(Qt::CTRL | Qt::Key_1));
    EXPECT_EQ(ToolHotKeyToKeySequence(0xE000 | 0x87), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::ALT | Qt::Key_F24));
    EXPECT_EQ(ToolHotKeyToKeySequence(0x8000 | 0x2E), QKeySequence(Qt::ALT | Qt::Key_Delete));
    EXPECT_EQ(ToolHotKeyToKeySequence(0x61), QKeySequence(Qt::KeypadModifier | Qt::Key_1));
    for (const int64_t none : {0LL, -1LL, 70000LL, 0x10046LL, 0x0146LL, 0x4000LL, 0x4007LL})
        EXPECT_TRUE(ToolHotKeyToKeySequence(none).isEmpty()) << none;
}

TEST(ToolsParameters, FreshAcceleratorsSkipUsedLettersInAnyCase)
{
    EXPECT_EQ(FreshAccelerator(QStringLiteral("&Tremax"), QStringLiteral("t")), QStringLiteral("T&remax"));
    EXPECT_EQ(FreshAccelerator(QStringLiteral("T&remax"), QStringLiteral("r")), QStringLiteral("&Tremax"));
    EXPECT_EQ(FreshAccelerator(QStringLiteral("3D view"), QStringLiteral("")), QStringLiteral("&3D view"));
    EXPECT_EQ(FreshAccelerator(QStringLiteral("-- ab"), QStringLiteral("A")), QStringLiteral("-- a&b"));
    EXPECT_EQ(FreshAccelerator(QStringLiteral("&a&b"), QStringLiteral("ab")), QStringLiteral("ab"));
    EXPECT_EQ(FreshAccelerator(QStringLiteral("\u00e9t\u00e9"), QStringLiteral("")), QStringLiteral("\u00e9&t\u00e9"));
    EXPECT_EQ(AcceleratorLetter(QStringLiteral("Tool&")), std::nullopt);
    EXPECT_EQ(AcceleratorLetter(QStringLiteral("A&B&c")), QChar(u'b'));
    EXPECT_TRUE(AcceleratorConflicts({QStringLiteral("&Sonel"), QStringLiteral("x"), QStringLiteral("&sigma")}));
    EXPECT_FALSE(AcceleratorConflicts({QStringLiteral("&Sonel"), QStringLiteral("S&igma"), QStringLiteral("Sigma&")}));
}

TEST(ToolsParameters, TokensExpandOnceFromLeftToRight)
{
    TToolExpansion e;
    e.CurrentDirectory = QStringLiteral("/cur");
    e.WindowsDirectory = QStringLiteral("/etc");
    e.ProgramFolder = QStringLiteral("/opt/t");
    e.Arguments = {QStringLiteral("/opt/t/tremax"), QStringLiteral("a.bld")};
    EXPECT_EQ(ExpandToolParameters(QStringLiteral("  %d|%w %p %0 %1 %2 %9 %x %% %%% "), e),
              QStringLiteral("/opt/t /opt/t/tremax a.bld    %"));
    EXPECT_EQ(ExpandToolParameters(QStringLiteral("%d %w"), e), QStringLiteral("/cur /etc"));
    EXPECT_EQ(ExpandToolParameters(QStringLiteral("x %% y"), e), QStringLiteral("x % y"));
    EXPECT_EQ(ExpandToolParameters(QStringLiteral("-v%d"), e), QStringLiteral("-v/cur"));

    // A meaning that holds "%" or its own token is not scanned again.
    e.Meaning = [](const QString& token) { return token == QLatin1String("%f") ? QStringLiteral("%f%d") : token; };
    EXPECT_EQ(ExpandToolParameters(QStringLiteral("%f %f"), e), QStringLiteral("%f%d %f%d"));
    // The owner's meaning replaces a built-in; its own token again means nothing of its own.
    e.Meaning = [](const QString& token) { return token == QLatin1String("%d") ? QStringLiteral("/mine") : QString(); };
    EXPECT_EQ(ExpandToolParameters(QStringLiteral("%d %w"), e), QStringLiteral("/mine /etc"));

    e.ValidExtensions = {QStringLiteral("bld")};
    for (const char* name : {"/x/a.wav", "/x.bld/a", "/x/a", "/x/a.bld.wav"}) {
        e.Meaning = [name](const QString&) { return QString::fromUtf8(name); };
        EXPECT_EQ(ExpandToolToken(QStringLiteral("%f"), e), QString()) << name;
    }
    e.Meaning = [](const QString&) { return QStringLiteral("/x/A.Bld"); };
    EXPECT_EQ(ExpandToolToken(QStringLiteral("%f"), e), QStringLiteral("/x/A.Bld"));
    EXPECT_EQ(ExpandToolToken(QStringLiteral("%g"), e), QStringLiteral("/x/A.Bld"));  // only "%f" is checked
}

TEST(ToolsParameters, ExpansionsStayOneArgument)
{
    TToolExpansion e;
    e.Meaning = [](const QString& token) {
        return token == QLatin1String("%f") ? QStringLiteral("/my data/say \"hi\".bld") : QString();
    };
    const QString line = ExpandToolParameters(QStringLiteral("-i %f \"-o %f \" %a"), e);
    EXPECT_EQ(line, QStringLiteral("-i \"/my data/say \"\"hi\"\".bld\" \"-o /my data/say \"\"hi\"\".bld \""));
    EXPECT_EQ(SplitToolCommandLine(line),
              (QStringList{"-i", "/my data/say \"hi\".bld", "-o /my data/say \"hi\".bld "}));
    // A token runs to the next blank: a closing quote right after it is part of it.
    EXPECT_EQ(ExpandToolParameters(QStringLiteral("\"%f\" x"), e), QStringLiteral("\" x"));
}

TEST(ToolsParameters, CommandLinesSplitAtBlanksOutsideQuotes)
{
    EXPECT_EQ(SplitToolCommandLine(QStringLiteral("  \"/opt/my tool\"  a\tb \"\" c\"d e\"f \"un closed")),
              (QStringList{"/opt/my tool", "a", "b", "", "cd ef", "un closed"}));
    EXPECT_EQ(SplitToolCommandLine(QStringLiteral("\"a\"\"b\" \"\"\"\" ; rm -rf $HOME")),
              (QStringList{"a\"b", "\"", ";", "rm", "-rf", "$HOME"}));
    EXPECT_TRUE(SplitToolCommandLine(QStringLiteral(" \t ")).isEmpty());
    for (const char* argument : {"", "plain", "two words", "\"", "a\"\"b", "end\"", "tab\there"})
        EXPECT_EQ(SplitToolCommandLine(QuoteToolArgument(QString::fromUtf8(argument))),
                  QStringList{QString::fromUtf8(argument)})
            << argument;
}
