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
class TSequence;

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

// The sequence the frame-source entries plan their opens with: made once per process (its own
// frame block is megabytes), never changed, the memory room small. `formats` must outlive it.
const TSequence& FuzzSequence(const TFrameSourceFactory& formats);

// Opens `path` as the program plans and checks an open (PlanOpen, CheckOpenFits for the frame
// block of 512 frames within the sequence's room), then reads a block of a few frames of that
// size from the first frame, the last and the middle, and reads the last pixel of one of them.
// Only the block is smaller than the program's: a block of megabytes a run would make the
// fuzzer a hundred times slower. EError is caught: a refusal is an answer.
void FuzzOpenSequence(const TSequence& sequence, const QString& path);
