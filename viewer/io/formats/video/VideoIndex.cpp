#include "viewer/io/formats/video/VideoIndex.h"

#include <algorithm>

void TVideoIndex::AddPacket(int64_t presentation, int64_t decoding, bool key, bool shown)
{
    if (decoding == kNoStamp || (!decoding_.empty() && decoding <= decoding_.back()))
        seekable_ = false;
    if (presentation == kNoStamp)
        presentation = decoding;  // containers without reordering may give one stamp only
    if (presentation == kNoStamp)
        seekable_ = false;
    packets_.push_back({presentation, key, shown});
    decoding_.push_back(decoding);
}

void TVideoIndex::Finish()
{
    std::vector<int32_t> shown;
    for (int32_t i = 0; i < int32_t(packets_.size()); ++i)
        if (packets_[size_t(i)].shown)
            shown.push_back(i);
    if (seekable_)
        std::stable_sort(shown.begin(), shown.end(), [&](int32_t a, int32_t b) {
            return packets_[size_t(a)].presentation < packets_[size_t(b)].presentation;
        });
    packetOfFrame_ = shown;
    frameStamps_.clear();
    for (int32_t p : shown)
        frameStamps_.push_back(packets_[size_t(p)].presentation);
    if (std::adjacent_find(frameStamps_.begin(), frameStamps_.end()) != frameStamps_.end())
        seekable_ = false;
}

int32_t TVideoIndex::StartPacket(int32_t first, int32_t end) const
{
    if (!seekable_ || first >= end)
        return 0;
    int32_t earliest = packetOfFrame_[size_t(first)];
    for (int32_t f = first + 1; f < end; ++f)
        earliest = std::min(earliest, packetOfFrame_[size_t(f)]);
    const int64_t firstShown = frameStamps_[size_t(first)];
    for (int32_t p = earliest; p >= 0; --p)
        if (packets_[size_t(p)].key && packets_[size_t(p)].presentation <= firstShown)
            return p;
    return 0;
}

int32_t TVideoIndex::LastPacket(int32_t first, int32_t end) const
{
    int32_t last = 0;
    for (int32_t f = first; f < end; ++f)
        last = std::max(last, packetOfFrame_[size_t(f)]);
    return last;
}

int32_t TVideoIndex::PacketAt(int64_t decoding) const
{
    const auto at = std::lower_bound(decoding_.begin(), decoding_.end(), decoding);
    return at != decoding_.end() && *at == decoding ? int32_t(at - decoding_.begin()) : -1;
}

int32_t TVideoIndex::FrameAt(int64_t presentation) const
{
    const auto at = std::lower_bound(frameStamps_.begin(), frameStamps_.end(), presentation);
    return at != frameStamps_.end() && *at == presentation ? int32_t(at - frameStamps_.begin()) : -1;
}
