#include "link/Sonellink.h"

#include "platform/SharedLibrary.h"
#include "platform/bus/ApplicationWindow.h"

#include <QFile>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kLinkMessage = QStringLiteral("SONELLINK2");
const QString kSonelClass = QStringLiteral("SONEL32");

constexpr std::array<const char*, 25> kEntryNames = {
    "SonelAlloc", "SonelFree", "SonelLock", "SonelUnlock", "SonelPut", "SonelGet",
    "AllocSampleFile", "LockSampleFile", "UnlockSampleFile", "FreeSampleFile",
    "SeekSample", "SeekTime", "GetSample", "PutSample", "PeekSample",
    "GetSampleBuffer", "PutSampleBuffer", "SampleToChannel",
    "LoadHeader", "LoadHeaderExt", "MakeHeader", "SaveHeader", "SaveHeaderExt",
    "GetHeaderValue", "SetHeaderValue"};

template <typename F>
F Entry(const std::array<QFunctionPointer, 25>& entries, const char* name)
{
    const auto it = std::find_if(kEntryNames.begin(), kEntryNames.end(),
                                 [name](const char* each) { return std::strcmp(each, name) == 0; });
    return reinterpret_cast<F>(entries[size_t(it - kEntryNames.begin())]);
}

// Commands whose wParam is the sender's window.
bool NamesSender(uint16_t command)
{
    return command == CMD_TIMES || command == CMD_CURSOR || command == CMD_REQUEST
        || command == CMD_FILEINFO || command == CMD_SETHEADERITEM;
}

// Closes a descriptor on every way out.
class TFileDescriptor {
public:
    explicit TFileDescriptor(int fd) : fd_(fd) {}
    ~TFileDescriptor()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

TSonellink::TSonellink(TApplicationWindow& window)
    : window_(window), linkMessage_(window.RegisterWindowMessage(kLinkMessage))
{
}

TSonellink::~TSonellink()
{
    if (hook_ != 0)
        window_.RemoveHook(hook_);
}

void TSonellink::Loaded()
{
    if (hook_ == 0)
        hook_ = window_.AddHook([this](TWindowMessage& message) { return HandleLinkMessage(message); });
}

void TSonellink::SetChunksize(int32_t value)
{
    chunksize_ = std::clamp(value, 0, kMaxChunksize);
}

void TSonellink::SetDLLName(const QString& name)
{
    if (name == dllName_)
        return;
    dllName_ = name;
    entries_.fill(nullptr);
    if (LoadSharedLibrary(library_, name)) {
        for (size_t i = 0; i < kEntryNames.size(); ++i)
            entries_[i] = library_.resolve(kEntryNames[i]);
    } else {
        enabled_ = false;
    }
    Resolve();
}

void TSonellink::Resolve()
{
    sonelAlloc_ = Entry<decltype(sonelAlloc_)>(entries_, "SonelAlloc");
    sonelFree_ = Entry<decltype(sonelFree_)>(entries_, "SonelFree");
    sonelPut_ = Entry<decltype(sonelPut_)>(entries_, "SonelPut");
    sonelGet_ = Entry<decltype(sonelGet_)>(entries_, "SonelGet");
    loadHeader_ = Entry<decltype(loadHeader_)>(entries_, "LoadHeader");
    getHeaderValue_ = Entry<decltype(getHeaderValue_)>(entries_, "GetHeaderValue");
}

bool TSonellink::IsLinked() const
{
    return partner_ != 0 && window_.IsWindow(partner_);
}

uint32_t TSonellink::PartnerWindow()
{
    if (partner_ != 0 && window_.IsWindow(partner_))
        return partner_;
    SetPartnerWindow(window_.FindWindow(kSonelClass));
    return partner_;
}

void TSonellink::SetPartnerWindow(uint32_t window)
{
    if (window == partner_)
        return;
    partner_ = window;
    if (OnSonelLinkChanged)
        OnSonelLinkChanged(*this, window);
}

bool TSonellink::GetBlock(uint16_t handle, void* destination, uint32_t count) const
{
    return sonelGet_ && handle != 0 && sonelGet_(handle, destination, count) != 0;
}

bool TSonellink::HandleLinkMessage(TWindowMessage& message)
{
    if (!enabled_ || message.msg != linkMessage_ || message.wParam == window_.Handle())
        return false;
    const uint16_t command = uint16_t(message.lParam >> 16);
    const uint16_t low = uint16_t(message.lParam & 0xFFFF);
    // What the message carries is checked before anything changes: a sender the bus does not
    // back, a block or atom that is not there, is left unhandled (result 0).
    if (NamesSender(command) && (message.sender == 0 || message.wParam != message.sender))
        return false;
    LinkTimes times{};
    QString item, value;
    switch (command) {
    case CMD_TIMES:
    case CMD_CURSOR:
        if (!GetBlock(low, &times, sizeof times))
            return false;
        break;
    case CMD_REQUEST:
        if (OnRequest && !GetBlock(low, nullptr, 0))
            return false;
        break;
    case CMD_XMIT:
        if (OnXmit && (message.wParam > kMaxXmitSamples || !GetBlock(low, nullptr, 0)))
            return false;
        break;
    case CMD_SETHEADERITEM: {
        QString text;
        if (!window_.Atoms().AtomName(low, text, kAtomTextLength))
            return false;
        const qsizetype equals = text.indexOf(QLatin1Char('='));
        item = equals < 0 ? text : text.left(equals);
        value = equals < 0 ? QString() : text.mid(equals + 1);
        break;
    }
    default:
        break;
    }

    PartnerWindow();
    tsnlmsg msg{message.msg, message.wParam, message.lParam, 0};
    switch (command) {
    case CMD_TIMES:
        SetPartnerWindow(message.wParam);
        if (OnLinkTimes) {
            linkFirst_ = times.first;
            linkDuration_ = times.duration;
            OnLinkTimes(*this, times.first, times.duration);
        }
        break;
    case CMD_CURSOR:
        SetPartnerWindow(message.wParam);
        if (OnLinkCursor) {
            cursorTime_ = times.caret;
            OnLinkCursor(*this, times.caret);
        }
        break;
    case CMD_REQUEST:
        if (OnRequest) {
            int32_t count = 0;
            QString description;
            OnRequest(*this, message.wParam, count, description);
            const QByteArray text = description.toUtf8();  // NUL-terminated
            msg.result = sonelPut_ && sonelPut_(low, text.constData(), uint32_t(text.size() + 1)) ? uint32_t(count) : 0;
        }
        break;
    case CMD_XMIT:
        if (OnXmit) {
            int32_t used = int32_t(message.wParam);
            std::vector<int16_t> samples(size_t(used), 0);
            OnXmit(*this, samples, used);
            used = std::clamp(used, 0, int32_t(samples.size()));
            const uint32_t bytes = uint32_t(used) * sizeof(int16_t);
            msg.result = sonelPut_ && sonelPut_(low, samples.data(), bytes) ? uint32_t(used) : 0;
        }
        break;
    case CMD_FILEINFO:
        if (OnFileInfo && sonelAlloc_ && sonelPut_) {
            tfileinfo record{};
            record.size = tfileinfo::kSize;
            const uint16_t block = uint16_t(sonelAlloc_(tfileinfo::kSize) & 0xFFFF);
            if (block == 0)
                break;
            try {
                OnFileInfo(*this, record);
            } catch (...) {
                if (sonelFree_)
                    sonelFree_(block);
                throw;
            }
            record.size = tfileinfo::kSize;
            record.text[tfileinfo::kTextSize - 1] = '\0';
            record.path[tfileinfo::kTextSize - 1] = '\0';
            sonelPut_(block, &record, tfileinfo::kSize);
            msg.result = block;  // the requester frees it
        }
        break;
    case CMD_REPEATPLAY:
        if (OnRepeatPlay)
            OnRepeatPlay(*this, int32_t(message.wParam));
        break;
    case CMD_SETHEADERITEM:
        if (OnSetHeaderItem)
            OnSetHeaderItem(*this, item, value);  // the sender deletes the atom
        break;
    default:
        break;
    }
    if (OnLink)
        OnLink(*this, msg);
    message.result = msg.result;
    return true;
}

uint32_t TSonellink::Send(uint32_t window, uint16_t command, uint16_t low)
{
    return window_.SendMessage(window, linkMessage_, window_.Handle(), (uint32_t(command) << 16) | low);
}

void TSonellink::SendCursor(double time)
{
    cursorTime_ = time;
    if (!enabled_ || !sonelAlloc_ || !sonelPut_ || !sonelFree_)
        return;
    const uint32_t block = sonelAlloc_(sizeof(LinkTimes));
    if (block == 0 || block > 0xFFFF)
        return;
    const LinkTimes record{0.0, 1.0, time};
    if (sonelPut_(block, &record, sizeof record))
        Send(kBroadcast, CMD_CURSOR, uint16_t(block));
    sonelFree_(block);
}

tfileinfo TSonellink::FetchFileInfo()
{
    tfileinfo record{};
    // Without the library the reply could be neither read nor freed: better not ask.
    if (!sonelGet_ || !sonelFree_)
        return record;
    const uint32_t partner = PartnerWindow();
    if (partner == 0)
        return record;
    const uint16_t block = uint16_t(Send(partner, CMD_FILEINFO, 0) & 0xFFFF);
    if (block == 0)
        return record;
    // A block that does not hold a file-info record is someone else's: neither read nor freed.
    if (!GetBlock(block, &record, tfileinfo::kSize) || record.size != tfileinfo::kSize)
        return tfileinfo{};
    sonelFree_(block);
    return record;
}

void TSonellink::RefreshFileInfo()
{
    fileInfo_ = FetchFileInfo();
}

int32_t TSonellink::Channo()
{
    const tfileinfo record = FetchFileInfo();
    fileInfo_ = record;
    return record.channo;
}

QString TSonellink::SampleFileName()
{
    const tfileinfo record = FetchFileInfo();  // a local copy: a nested refresh may replace fileInfo_
    fileInfo_ = record;
    return QString::fromUtf8(record.path, qsizetype(strnlen(record.path, tfileinfo::kTextSize)));
}

void TSonellink::SetHeaderItem(const QString& item, const QString& value)
{
    const uint16_t atom = window_.Atoms().AddAtom(item + QLatin1Char('=') + value);
    if (atom == 0)
        return;
    Send(PartnerWindow(), CMD_SETHEADERITEM, atom);
    window_.Atoms().DeleteAtom(atom);
}

QString TSonellink::ReadHeaderValue(const QString& item)
{
    const QString path = SampleFileName();
    if (path.isEmpty() || !loadHeader_ || !getHeaderValue_)
        return QString();
    // Not blocking on whatever the path names (a pipe, a device): only a regular file is read.
    const TFileDescriptor file(open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat st {};
    if (file.Get() < 0 || fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return QString();
    void* header = loadHeader_(file.Get());
    if (!header)
        return QString();
    char buffer[256] = {};
    constexpr int32_t kBufferLength = 255;
    QString result;
    if (getHeaderValue_(header, item.toUtf8().constData(), buffer, kBufferLength))
        result = QString::fromUtf8(buffer, qsizetype(strnlen(buffer, kBufferLength)));
    std::free(header);  // the memory the library hands out is released with free()
    return result;
}
