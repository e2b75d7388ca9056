#pragma once
// TSonellink: the link to the companion program Sonel. Both programs exchange one registered
// message, "SONELLINK2", by blocking sends between their application windows; anything larger
// than 16 bits travels in a block of the companion's library (loaded by name at run time) or in
// a global atom. The link moves a time cursor either way and answers or makes a few small
// requests (file info, header items, selections, samples).
//
// Ownership and threads: the owner (the main window) keeps the application window alive longer
// than this component. Everything runs on the user-interface thread. Sends block while
// serving link messages that arrive meanwhile, so HandleLinkMessage and the events may run
// nested inside SendCursor, RefreshFileInfo or SetHeaderItem.

#include "link/LinkRecords.h"
#include "sonellib/sonellib32.h"

#include <QLibrary>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class TApplicationWindow;
struct TWindowMessage;
class TSonellink;

using tsonellinkevent = std::function<void(TSonellink& sender, tsnlmsg& msg)>;
using tsonellinkcursor = std::function<void(TSonellink& sender, double caret)>;
using tsonellinktimes = std::function<void(TSonellink& sender, double first, double duration)>;
using tsonellinkchanged = std::function<void(TSonellink& sender, uint32_t newsonelhwnd)>;
using tfileinfoevent = std::function<void(TSonellink& sender, tfileinfo& fi)>;
using trequestevent = std::function<void(TSonellink& sender, uint32_t sendingwindow,
                                         int32_t& nsamplesselected, QString& description)>;
using txmitevent = std::function<void(TSonellink& sender, std::vector<int16_t>& arr, int32_t& used)>;
using tsetheaderitemevent = std::function<void(TSonellink& sender, const QString& item, const QString& value)>;
using trepeatplayevent = std::function<void(TSonellink& sender, int32_t nrepatsleft)>;

class TSonellink {
public:
    static constexpr int32_t kMaxChunksize = 16384;
    static constexpr uint32_t kBroadcast = 0xFFFF;
    static constexpr int kAtomTextLength = 255;
    // The most samples a CMD_XMIT may ask for; more is taken for a malformed request.
    static constexpr uint32_t kMaxXmitSamples = 1u << 20;

    explicit TSonellink(TApplicationWindow& window);
    ~TSonellink();
    TSonellink(const TSonellink&) = delete;
    TSonellink& operator=(const TSonellink&) = delete;

    // The owner has finished setting the component up: install the hook on the application
    // window (once).
    void Loaded();

    // Master switch: off, received link messages are left unhandled and SendCursor sends
    // nothing. Switched off by the component when its library cannot be loaded.
    bool enabled() const { return enabled_; }
    void SetEnabled(bool value) { enabled_ = value; }
    // Stored block size, clamped to 0..16384; no command consults it.
    int32_t chunksize() const { return chunksize_; }
    void SetChunksize(int32_t value);
    // Channel number of a fresh file-info record (0 without a companion or library).
    int32_t Channo();
    // The companion library. Assigning a different name frees the current library and loads the
    // new one; when that fails `enabled` becomes False.
    const QString& DLLName() const { return dllName_; }
    void SetDLLName(const QString& name);
    bool LibraryLoaded() const { return library_.isLoaded(); }

    tsonellinkevent OnLink;
    tsonellinkcursor OnLinkCursor;
    tsonellinktimes OnLinkTimes;
    tsonellinkchanged OnSonelLinkChanged;
    tfileinfoevent OnFileInfo;
    trequestevent OnRequest;
    txmitevent OnXmit;
    tsetheaderitemevent OnSetHeaderItem;
    trepeatplayevent OnRepeatPlay;

    // The last cursor time sent or received; the span of the last times message.
    double CursorTime() const { return cursorTime_; }
    double LinkFirst() const { return linkFirst_; }
    double LinkDuration() const { return linkDuration_; }
    // The file-info record fetched last.
    const tfileinfo& FileInfo() const { return fileInfo_; }
    uint16_t LinkMessage() const { return linkMessage_; }

    // True when the remembered partner window still exists; never looks the partner up.
    bool IsLinked() const;
    // The remembered partner while it exists, else the first window of class "SONEL32" (0 when
    // none), which becomes the partner.
    uint32_t PartnerWindow();
    // Remembers a new partner and raises OnSonelLinkChanged; the same one changes nothing.
    void SetPartnerWindow(uint32_t window);

    // The hook: true when the message was handled (its result then in message.result).
    bool HandleLinkMessage(TWindowMessage& message);

    // Records the time and, when enabled, broadcasts CMD_CURSOR.
    void SendCursor(double time);
    // Asks the partner for its file-info record (a zero record when it does not answer).
    void RefreshFileInfo();
    // The path of the companion's open sample file, from a fresh record.
    QString SampleFileName();
    // Sends CMD_SETHEADERITEM "item=value" to the partner.
    void SetHeaderItem(const QString& item, const QString& value);
    // One header item of the companion's open sample file; empty when unavailable.
    QString ReadHeaderValue(const QString& item);

private:
    void Resolve();
    // A block's contents, false when there is no such block (or no library).
    bool GetBlock(uint16_t handle, void* destination, uint32_t count) const;
    uint32_t Send(uint32_t window, uint16_t command, uint16_t low);
    // The record of the partner's reply, zero when it gave none.
    tfileinfo FetchFileInfo();

    TApplicationWindow& window_;
    uint16_t linkMessage_ = 0;
    int hook_ = 0;
    bool enabled_ = true;
    int32_t chunksize_ = kMaxChunksize;
    QString dllName_;
    QLibrary library_;
    uint32_t partner_ = 0;
    double cursorTime_ = 0;
    double linkFirst_ = 0;
    double linkDuration_ = 0;
    tfileinfo fileInfo_{};

    // The companion library's entry points; null when not resolved.
    decltype(&SonelAlloc) sonelAlloc_ = nullptr;
    decltype(&SonelFree) sonelFree_ = nullptr;
    decltype(&SonelPut) sonelPut_ = nullptr;
    decltype(&SonelGet) sonelGet_ = nullptr;
    decltype(&LoadHeader) loadHeader_ = nullptr;
    decltype(&GetHeaderValue) getHeaderValue_ = nullptr;
    // All 25, by name (the six above among them).
    std::array<QFunctionPointer, 25> entries_{};
};
