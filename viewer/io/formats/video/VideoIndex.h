#pragma once
// The frames of a video stream as its container lists them, read once without decoding: which
// packet starts decoding a run of frames and which is the last one they need.
//
// Frames are numbered in presentation order. Packets are kept in decode order with their
// decoding stamps; where those stamps are missing or do not increase, or presentation stamps
// repeat, the index is not seekable and a run is decoded from the start of the stream.

#include <cstddef>
#include <cstdint>
#include <vector>

class TVideoIndex {
public:
    static constexpr int64_t kNoStamp = INT64_MIN;

    // One packet, in decode order as read. `shown` is false for packets the container marks as
    // not to be shown (decoded only as references).
    void AddPacket(int64_t presentation, int64_t decoding, bool key, bool shown);
    // Settles the frame order; call after the last packet.
    void Finish();

    int32_t FrameCount() const { return int32_t(frameStamps_.size()); }
    bool Seekable() const { return seekable_; }

    // The packet to start decoding at so that frames first ... end - 1 all decode: the last key
    // packet that comes, in decode order, before every packet they need and whose frame is not
    // shown after the first of them (so that frames shown before a key frame but decoded after
    // it, which need the frames before it, decode too).
    int32_t StartPacket(int32_t first, int32_t end) const;
    // The last packet, in decode order, that frames first ... end - 1 need.
    int32_t LastPacket(int32_t first, int32_t end) const;
    // The decoding stamp to seek to for a packet.
    int64_t PacketStamp(int32_t packet) const { return decoding_[size_t(packet)]; }

    // The packet with this decoding stamp, or -1.
    int32_t PacketAt(int64_t decoding) const;
    // The frame shown at this presentation stamp, or -1.
    int32_t FrameAt(int64_t presentation) const;

private:
    struct TPacket {
        int64_t presentation;
        bool key;
        bool shown;
    };
    std::vector<TPacket> packets_;        // decode order
    std::vector<int64_t> decoding_;       // decode order, increasing when seekable
    std::vector<int64_t> frameStamps_;    // presentation order
    std::vector<int32_t> packetOfFrame_;  // presentation order
    bool seekable_ = true;
};
