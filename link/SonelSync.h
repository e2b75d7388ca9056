#pragma once
// Video/sound synchronisation: one number, the synchronisation time h ("hspsync" in the header
// of the sample file Sonel has open, seconds on Sonel's axis), ties the video's frames to
// Sonel's time axis. A frame change moves Sonel's cursor ("&Link to Sonel"); Sonel's cursor
// moves the frame and stops playback ("Link from Sonel"); "Synchronize at Sonel cursor!" stores
// the last cursor time as h in Sonel's file.
//
// Window-free: the viewer is reached through TSyncView, the link through TSonellink. h is read
// afresh (a file-info query and a header read) for every conversion. User-interface thread
// only; the link's nested delivery means FrameChanged and the cursor handler may run inside
// each other.

#include <QString>
#include <cstdint>

class TSonellink;

// The sequence header values the conversions use: N, F0, T and r.
struct TSonelTimebase {
    int32_t FrameCount = 0;
    int32_t FirstFrame = 0;
    int32_t Trigger = 0;
    double FramesPerSecond = 0;
};

// t = (F0 + i - T) / r + h, the integer sum formed first.
double FrameToSonelTime(const TSonelTimebase& base, double h, int32_t frame);
// round((F0 + N) - (h - x) * r), halves to even, then at most N - 1, then at least 0. A time
// that is not a number gives 0.
int32_t SonelTimeToFrame(const TSonelTimebase& base, double h, double time);
// The value of "hspsync" as h: a decimal number with "."; anything else (empty, a comma, text)
// gives 0.
double SyncTimeFromText(const QString& text);

// What the synchronisation asks of the viewer.
class TSyncView {
public:
    virtual ~TSyncView() = default;
    virtual int32_t CurrentFrame() const = 0;
    // The viewer's frame setter (it redraws and calls FrameChanged when the frame changed).
    virtual void SetCurrentFrame(int32_t frame) = 0;
    // Releases the play button.
    virtual void StopPlayback() = 0;
    virtual TSonelTimebase Timebase() const = 0;
};

class TSonelSync {
public:
    static inline const QString kSyncItem = QStringLiteral("hspsync");
    static inline const QString kSaveText = QStringLiteral("You will have to save and re-open the Sonel file");
    static inline const QString kSaveCaption = QStringLiteral("Save in Sonel!");

    // Takes over the link's OnLinkCursor for as long as it lives. Both check items start off.
    TSonelSync(TSonellink& link, TSyncView& view);
    ~TSonelSync();
    TSonelSync(const TSonelSync&) = delete;
    TSonelSync& operator=(const TSonelSync&) = delete;

    // h, read now from Sonel's file (0 when it cannot be read).
    double SyncTime();
    double FrameToSonelTime(int32_t frame);
    int32_t SonelTimeToFrame(double time);

    // The View menu's check items: invert the mark, then the link is enabled while either is on.
    bool LinkToSonel() const { return linkTo_; }
    bool LinkFromSonel() const { return linkFrom_; }
    void Linktosonel1Click();
    void LinkfromSonel1Click();
    // When the View menu opens: "Synchronize at Sonel cursor!" is enabled exactly when this is
    // true (the remembered Sonel window exists).
    bool SonelsyncEnabled() const;
    // "Synchronize at Sonel cursor!": sends the last cursor time to Sonel as "hspsync". The
    // caller then shows kSaveText / kSaveCaption (information, OK), whether or not Sonel got it.
    void SonelsyncExecute();

    // Cursor out: the viewer's frame setter calls this after a change has been redrawn.
    void FrameChanged(int32_t frame);
    // Cursor in: the link's OnLinkCursor.
    void Sonellink1LinkCursor(double caret);
    // The echo guard: true only while a frame change asked for by Sonel's cursor is carried out.
    bool FromSonelCursor() const { return fromSonelCursor_; }

private:
    TSonellink& link_;
    TSyncView& view_;
    bool linkTo_ = false;
    bool linkFrom_ = false;
    bool fromSonelCursor_ = false;
    bool sending_ = false;
    bool changedWhileSending_ = false;
};
