#pragma once
// What the fuzz entries share: a private folder for the files an input becomes, the split of one
// input into several files, and the program's open procedure for a frame file.
//
// An entry is `void Fuzz_<name>(const uint8_t* data, size_t size)`: it feeds the input to the code
// it tests and returns; an error the program reports (an EError) is an answer, anything else
// escaping (a crash, a sanitizer report, another exception) is a finding. The same entries run
// under libFuzzer (fuzz/FuzzerMain.cpp) and in the regression test over the saved inputs.

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

class TFrameSourceFactory;

// The folder the entries of this process write their files into: made on first use, removed at
// exit. Files there are overwritten by every input.
const QString& FuzzFolder();

// Writes `bytes` to `name` in the fuzz folder; its full path.
QString WriteFuzzFile(const QString& name, const QByteArray& bytes);
// Removes `name` from the fuzz folder, when it is there.
void RemoveFuzzFile(const QString& name);

// The parts of an input made of several files, split at each kFuzzFileSeparator; a missing part
// is empty. The last part takes the rest of the input.
inline constexpr char kFuzzFileSeparator[] = "\n--8<--\n";
std::vector<QByteArray> SplitFuzzInput(const uint8_t* data, size_t size, int parts);

// Opens `path` as the program does (plan, memory check within a small room, block made and read)
// with a fresh sequence, then refills the block at the end and in the middle of the recording
// and reads a pixel from the far corner of a frame. EError is caught: a refusal is an answer.
void FuzzOpenSequence(const TFrameSourceFactory& formats, const QString& path);
