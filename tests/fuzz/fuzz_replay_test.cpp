// Every fuzz target's seeds and saved findings, run through the same entry as the fuzzer: an
// input that once crashed, hung or tripped a sanitizer must now pass (the sanitize build checks
// the latter). A regression input is saved as tests/fuzz-regressions/<target>/<name>.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#define TREMAX_FUZZ_TARGET(name) void Fuzz_##name(const uint8_t* data, size_t size);
#include "FuzzTargets.inc"
#undef TREMAX_FUZZ_TARGET

namespace {

struct TFuzzTarget {
    const char* name;
    void (*entry)(const uint8_t*, size_t);
};

const TFuzzTarget kTargets[] = {
#define TREMAX_FUZZ_TARGET(name) {#name, &Fuzz_##name},
#include "FuzzTargets.inc"
#undef TREMAX_FUZZ_TARGET
};

QStringList InputsOf(const QString& folder)
{
    QStringList paths;
    for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Files, QDir::Name))
        paths << info.filePath();
    return paths;
}

class FuzzReplay : public ::testing::TestWithParam<TFuzzTarget> {};

TEST_P(FuzzReplay, SeedsAndSavedFindingsPass)
{
    const QString name = QString::fromLatin1(GetParam().name);
    const QStringList seeds = InputsOf(QStringLiteral(TREMAX_FUZZ_CORPUS_DIR "/") + name);
    EXPECT_FALSE(seeds.isEmpty()) << "no seeds for " << name.toStdString();
    for (const QString& path : seeds + InputsOf(QStringLiteral(TREMAX_FUZZ_REGRESSION_DIR "/") + name)) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QByteArray bytes = file.readAll();
        // Named before it runs: a crash ends the process before any assertion could.
        std::printf("input %s\n", qPrintable(path));
        std::fflush(stdout);
        GetParam().entry(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(kTargets),
                         [](const ::testing::TestParamInfo<TFuzzTarget>& info) { return std::string(info.param.name); });

}  // namespace
