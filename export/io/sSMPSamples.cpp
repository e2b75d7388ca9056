// TSMPfile: where the samples of each channel lie, and writing them.
#include "export/io/sSMP.h"

#include "export/io/sSMPNames.h"

#include <QtEndian>
#include <algorithm>

using namespace smpnames;

void TSMPfile::ThrowInvalid(const QString& item) const
{
    throw EInvalidSMPHeader(QStringLiteral("File header in ") + filename_ + QLatin1Char('\r') +
                            QStringLiteral("Has an invalid \"") + item + QStringLiteral("\" item:") +
                            QLatin1Char('\r') + item + QLatin1Char('=') + get_item(item));
}

void TSMPfile::UpdateLayout()
{
    const int32_t channels = ChannelCount();
    if (layoutChanges_ == changes_ && layoutChannels_ == channels)
        return;
    if (channels < 0 || channels > kMaxChannels)
        ThrowInvalid(QStringLiteral("nchans"));

    std::vector<int32_t> scan;
    const QString text = get_item(QStringLiteral("scan"));
    if (text.isEmpty()) {
        for (int32_t k = 0; k < channels; ++k)
            scan.push_back(k);
    } else {
        int32_t entry = -1;
        for (qsizetype i = 0; i <= text.size() && int32_t(scan.size()) < kMaxScanEntries; ++i) {
            const bool digit = i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9');
            if (digit)
                entry = std::min(std::max(entry, 0) * 10 + (text[i].unicode() - u'0'), kMaxChannels);
            else if (entry >= 0) {
                scan.push_back(entry);
                entry = -1;
            }
        }
    }
    // Every channel occurs, evenly spaced, so that sample n of channel k is word p + n*s of the
    // data however many scans lie before it. An uneven list would send a channel's samples
    // into another channel's words.
    const auto size = int32_t(scan.size());
    for (int32_t k = 0; k < channels; ++k) {
        const auto perScan = int32_t(std::count(scan.begin(), scan.end(), k));
        if (perScan == 0 || size % perScan != 0)
            ThrowInvalid(QStringLiteral("scan"));
        ChannelLayout& layout = layout_[size_t(k)];
        layout.perScan = perScan;
        layout.stride = size / perScan;
        layout.first = int32_t(std::find(scan.begin(), scan.end(), k) - scan.begin());
        for (int32_t position = layout.first; position < size; position += layout.stride)
            if (scan[size_t(position)] != k)
                ThrowInvalid(QStringLiteral("scan"));
    }
    if (std::any_of(scan.begin(), scan.end(), [](int32_t entry) { return entry >= kMaxChannels; }))
        ThrowInvalid(QStringLiteral("scan"));
    scanSize_ = size;
    layoutChannels_ = channels;
    layoutChanges_ = changes_;
}

int64_t TSMPfile::SampleCount(int32_t channel)
{
    if (!file_ || ChannelCount() <= 0)
        return 0;
    UpdateLayout();
    if (channel < 0 || channel >= layoutChannels_)
        throw EError(QStringLiteral("The sample file %1 has no channel %2").arg(Quoted(filename_)).arg(channel));
    const int64_t words = std::max<int64_t>(0, file_->size() - dataOffset_) / 2;
    return words / layout_[size_t(channel)].stride;
}

std::vector<int16_t> TSMPfile::ReadChannel(int32_t channel, int64_t first, int64_t count)
{
    std::vector<int16_t> samples;
    const int64_t available = SampleCount(channel);  // checks the file, the layout and the channel
    first = std::max<int64_t>(first, 0);
    count = std::min(count, available - first);
    if (count <= 0)
        return samples;
    const ChannelLayout& layout = layout_[size_t(channel)];
    const bool msbFirst = MSBFirst();
    samples.reserve(size_t(count));
    // Whole blocks of words, of which every stride-th belongs to the channel.
    constexpr int64_t kBlockWords = 65536;
    std::vector<uint16_t> words;
    int64_t word = layout.first + first * layout.stride;
    const int64_t lastWord = layout.first + (first + count - 1) * layout.stride;
    while (word <= lastWord) {
        const int64_t blockWords = std::min(kBlockWords, lastWord - word + 1);
        words.resize(size_t(blockWords));
        if (!file_->seek(dataOffset_ + 2 * word) ||
            file_->read(reinterpret_cast<char*>(words.data()), 2 * blockWords) != 2 * blockWords)
            throw EInOutError(QStringLiteral("Cannot read %1: %2").arg(Quoted(filename_), file_->errorString()));
        int64_t offset = 0;
        for (; offset < blockWords; offset += layout.stride) {
            const uint16_t raw = words[size_t(offset)];
            samples.push_back(int16_t(msbFirst ? qFromBigEndian(raw) : qFromLittleEndian(raw)));
        }
        word += offset;
    }
    return samples;
}

void TSMPfile::WriteChannel(int32_t channel, const TSMPChunk& chunk)
{
    if (!file_ || readOnly_ || chunk.count <= 0 || ChannelCount() <= 0)
        return;
    if (chunk.count > TSMPChunk::kMaxSamples)
        throw ERangeError();
    UpdateLayout();
    if (channel < 0 || channel >= layoutChannels_)
        throw EError(QStringLiteral("The sample file %1 has no channel %2").arg(Quoted(filename_)).arg(channel));
    if (!chunk_) {
        chunk_ = std::make_unique<TSMPChunk>();
        block_.resize(TSMPChunk::kMaxSamples);
    }
    // The words as they lie in the file.
    const bool msbFirst = MSBFirst();
    chunk_->count = chunk.count;
    for (int32_t i = 0; i < chunk.count; ++i) {
        const auto word = uint16_t(chunk.samples[size_t(i)]);
        chunk_->samples[size_t(i)] = int16_t(msbFirst ? qToBigEndian(word) : qToLittleEndian(word));
    }

    const ChannelLayout& layout = layout_[size_t(channel)];
    const int64_t scanSize = scanSize_;
    const int64_t firstSample = nextSample_[size_t(channel)];
    const int64_t firstWord = layout.first + firstSample * layout.stride;
    const int64_t lastWord = layout.first + (firstSample + chunk.count - 1) * layout.stride;
    const int64_t scansPerBlock = TSMPChunk::kMaxSamples / scanSize;
    int64_t word = firstWord;  // of the next sample to place
    int32_t i = 0;
    for (int64_t scan = firstWord / scanSize; scan <= lastWord / scanSize; scan += scansPerBlock) {
        const int64_t blockStart = scan * scanSize;
        const int64_t words = std::min(scansPerBlock, lastWord / scanSize - scan + 1) * scanSize;
        const int64_t offset = dataOffset_ + 2 * blockStart;
        char* const bytes = reinterpret_cast<char*>(block_.data());
        // Words of other channels are kept; a channel that fills every word needs no read.
        int64_t got = 0;
        if (layout.perScan != scanSize) {
            if (!file_->seek(offset) || (got = file_->read(bytes, 2 * words)) < 0)
                throw EInOutError(QStringLiteral("Cannot read %1: %2").arg(Quoted(filename_), file_->errorString()));
        }
        std::fill(bytes + got, bytes + 2 * words, '\0');
        for (; i < chunk.count && word < blockStart + words; ++i, word += layout.stride)
            block_[size_t(word - blockStart)] = uint16_t(chunk_->samples[size_t(i)]);
        if (!file_->seek(offset) || !WriteAll(*file_, bytes, 2 * words))
            throw EInOutError(QStringLiteral("Cannot write the samples of %1: %2")
                                  .arg(Quoted(filename_), file_->errorString()));
    }
    nextSample_[size_t(channel)] = firstSample + chunk.count;
    SyncWrites(*file_);
}
