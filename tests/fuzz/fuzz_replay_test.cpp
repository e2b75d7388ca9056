// Every fuzz target's seeds and saved findings, each a test of its own, run through the same
// entry as the fuzzer: an input that once crashed, hung or tripped a sanitizer must now pass (the
// sanitize build checks the latter). A finding is saved as tests/fuzz-regressions/<target>/<name>.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cctype>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

#define TREMAX_FUZZ_TARGET(name) void Fuzz_##name(const uint8_t* data, size_t size);
#include "FuzzTargets.inc"
#undef TREMAX_FUZZ_TARGET

namespace {

struct TFuzzInput {
    std::string target;
    void (*entry)(const uint8_t*, size_t);
    QString path;
    std::string kind;  // "seed" or "finding"
};

struct TTarget {
    const char* name;
    void (*entry)(const uint8_t*, size_t);
};

const TTarget kTargets[] = {
#define TREMAX_FUZZ_TARGET(name) {#name, &Fuzz_##name},
#include "FuzzTargets.inc"
#undef TREMAX_FUZZ_TARGET
};

std::vector<TFuzzInput> AllInputs()
{
    std::vector<TFuzzInput> inputs;
    for (const TTarget& target : kTargets)
        for (const auto& [folder, kind] : {std::pair{QStringLiteral(TREMAX_FUZZ_CORPUS_DIR), "seed"},
                                           std::pair{QStringLiteral(TREMAX_FUZZ_REGRESSION_DIR), "finding"}})
            for (const QFileInfo& info :
                 QDir(folder + QLatin1Char('/') + QLatin1String(target.name)).entryInfoList(QDir::Files, QDir::Name))
                inputs.push_back({target.name, target.entry, info.filePath(), kind});
    return inputs;
}

// ctest lists the input by its path rather than by its bytes.
void PrintTo(const TFuzzInput& input, std::ostream* out) { *out << input.path.toStdString(); }

std::string TestName(const ::testing::TestParamInfo<TFuzzInput>& info)
{
    std::string name = info.param.target + "_" + info.param.kind + "_" + QFileInfo(info.param.path).fileName().toStdString();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

class FuzzReplay : public ::testing::TestWithParam<TFuzzInput> {};

TEST_P(FuzzReplay, Passes)
{
    QFile file(GetParam().path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << GetParam().path.toStdString();
    const QByteArray bytes = file.readAll();
    GetParam().entry(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
}

INSTANTIATE_TEST_SUITE_P(Inputs, FuzzReplay, ::testing::ValuesIn(AllInputs()), TestName);

// The fuzzer starts from the seeds: a target without any starts from nothing.
TEST(FuzzSeeds, EveryTargetHasSome)
{
    for (const TTarget& target : kTargets)
        EXPECT_FALSE(QDir(QStringLiteral(TREMAX_FUZZ_CORPUS_DIR "/") + QLatin1String(target.name))
                         .entryList(QDir::Files)
                         .isEmpty())
            << target.name;
}

}  // namespace
