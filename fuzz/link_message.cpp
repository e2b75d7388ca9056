// The companion link's message handler with the synchronisation on it, fed messages as the bus
// would deliver them, with blocks and atoms whose contents come from the input. No bus: the
// application window stays unconnected, so the partner is never found and nothing is sent.
//
// Input: a run of operations, each a byte (taken modulo 5) and its operands, little-endian:
//   0 message: selector(1), msg(2) when selector bit 0 is set (else the link message),
//     wParam(4), lParam(4), sender(4) when bit 3 is set (else wParam). Bits 1-2: 1 puts the
//     last block made into lParam's low word, 2 the last atom.
//   1 block: size(2), then that many bytes (fewer at the end of the input)
//   2 atom: length(1), then that many bytes, as UTF-8
//   3 the replies of the program's handlers: samples used(4), request count(4), path(1 + n)
//   4 the viewer's timebase: frames(4) first(4) trigger(4) rate(8)
#include "fuzz/FuzzSupport.h"
#include "link/SonelSync.h"
#include "link/Sonellink.h"
#include "platform/bus/ApplicationWindow.h"
#include "sonellib/sonellib32.h"

#include <QLibrary>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace {

class TInput {
public:
    TInput(const uint8_t* data, size_t size) : at_(data), end_(data + size) {}
    bool AtEnd() const { return at_ == end_; }
    template <class T>
    T Take()
    {
        T value{};
        const size_t n = std::min(sizeof(T), size_t(end_ - at_));
        std::memcpy(&value, at_, n);
        at_ += n;
        return value;
    }
    QByteArray Bytes(size_t wanted)
    {
        const size_t n = std::min(wanted, size_t(end_ - at_));
        QByteArray bytes(reinterpret_cast<const char*>(at_), qsizetype(n));
        at_ += n;
        return bytes;
    }

private:
    const uint8_t* at_;
    const uint8_t* end_;
};

class TFuzzView : public TSyncView {
public:
    int32_t CurrentFrame() const override { return frame; }
    void SetCurrentFrame(int32_t value) override
    {
        if (value < 0 || value >= base.FrameCount)
            std::abort();  // the synchronisation handed the viewer a frame it does not have
        frame = value;
    }
    void StopPlayback() override {}
    TSonelTimebase Timebase() const override { return base; }

    TSonelTimebase base{2048, 0, 0, 1000};
    int32_t frame = 0;
};

// The companion library as the link loads it, for the blocks the input makes.
struct TBlocks {
    TBlocks() : library(QStringLiteral(TREMAX_SONELLIB_PATH))
    {
        if (!library.load())
            throw std::runtime_error("cannot load the companion library");
        alloc = reinterpret_cast<decltype(alloc)>(library.resolve("SonelAlloc"));
        put = reinterpret_cast<decltype(put)>(library.resolve("SonelPut"));
        free = reinterpret_cast<decltype(free)>(library.resolve("SonelFree"));
    }
    QLibrary library;
    decltype(&SonelAlloc) alloc = nullptr;
    decltype(&SonelPut) put = nullptr;
    decltype(&SonelFree) free = nullptr;
};

}  // namespace

void Fuzz_link_message(const uint8_t* data, size_t size)
{
    static TBlocks blocks;  // loaded once per process
    TApplicationWindow window;
    TSonellink link(window);
    link.SetDLLName(QStringLiteral(TREMAX_SONELLIB_PATH));
    link.Loaded();
    TFuzzView view;
    TSonelSync sync(link, view);
    sync.LinkfromSonel1Click();

    int32_t used = 0, count = 0;
    QByteArray path;
    link.OnXmit = [&](TSonellink&, std::vector<int16_t>& samples, int32_t& n) {
        std::fill(samples.begin(), samples.end(), int16_t(7));
        n = used;
    };
    link.OnRequest = [&](TSonellink&, uint32_t, int32_t& n, QString& description) {
        n = count;
        description = QString::fromUtf8(path);
    };
    link.OnFileInfo = [&](TSonellink&, tfileinfo& record) {
        std::memcpy(record.path, path.constData(), std::min<size_t>(size_t(path.size()), sizeof record.path));
    };
    link.OnSetHeaderItem = [](TSonellink&, const QString&, const QString&) {};
    link.OnLinkTimes = [](TSonellink&, double, double) {};
    link.OnRepeatPlay = [](TSonellink&, int32_t) {};

    std::vector<uint32_t> made;  // blocks to free at the end, the program's replies among them
    std::vector<uint16_t> atoms;
    TInput input(data, size);
    while (!input.AtEnd()) {
        switch (input.Take<uint8_t>() % 5) {
        case 0: {
            const uint8_t selector = input.Take<uint8_t>();
            TWindowMessage message;
            message.msg = (selector & 1) ? input.Take<uint16_t>() : link.LinkMessage();
            message.wParam = input.Take<uint32_t>();
            message.lParam = input.Take<uint32_t>();
            // The low word names the last block or atom made, or is taken as it is.
            if ((selector & 6) == 2 && !made.empty())
                message.lParam = (message.lParam & 0xFFFF0000u) | (made.back() & 0xFFFF);
            if ((selector & 6) == 4 && !atoms.empty())
                message.lParam = (message.lParam & 0xFFFF0000u) | atoms.back();
            message.sender = (selector & 8) ? input.Take<uint32_t>() : message.wParam;
            if (link.HandleLinkMessage(message) && uint16_t(message.lParam >> 16) == CMD_FILEINFO && message.result != 0)
                made.push_back(message.result);
            break;
        }
        case 1: {
            const QByteArray bytes = input.Bytes(input.Take<uint16_t>());
            const uint32_t block = blocks.alloc(uint32_t(bytes.size()));
            if (block != 0) {
                blocks.put(block, bytes.constData(), uint32_t(bytes.size()));
                made.push_back(block);
            }
            break;
        }
        case 2: {
            const uint16_t atom = window.Atoms().AddAtom(QString::fromUtf8(input.Bytes(input.Take<uint8_t>())));
            if (atom != 0)
                atoms.push_back(atom);
            break;
        }
        case 3:
            used = input.Take<int32_t>();
            count = input.Take<int32_t>();
            path = input.Bytes(input.Take<uint8_t>());
            break;
        case 4: {
            TSonelTimebase base;
            base.FrameCount = std::max(1, input.Take<int32_t>());
            base.FirstFrame = input.Take<int32_t>();
            base.Trigger = input.Take<int32_t>();
            base.FramesPerSecond = input.Take<double>();
            if (base.FramesPerSecond > 0 && std::isfinite(base.FramesPerSecond))
                view.base = base;
            view.frame = 0;
            break;
        }
        }
    }
    for (uint32_t block : made)
        blocks.free(block);
    for (uint16_t atom : atoms)
        window.Atoms().DeleteAtom(atom);
}
