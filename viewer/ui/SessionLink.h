#pragma once
// The companion link on the viewer session: it follows the session's frame, moves the frame
// through the session's command and stops the session's playback when the companion moves it.
// Owned by the main window, whose View menu switches the two directions. User-interface thread.

#include "link/SonelSync.h"
#include "link/Sonellink.h"

#include <QObject>

class TApplicationWindow;
class TErrorHandler;
class TViewerSession;

class TSessionLink : public QObject {
public:
    // `window` receives the companion's messages; the session and the error handler outlive this.
    TSessionLink(TApplicationWindow& window, TViewerSession& session, TErrorHandler& errors);

    TSonellink& Link() { return link_; }
    TSonelSync& Sync() { return sync_; }

private:
    // What the synchronisation may ask of the viewer.
    class TView : public TSyncView {
    public:
        explicit TView(TViewerSession& session) : session_(session) {}
        int32_t CurrentFrame() const override;
        void SetCurrentFrame(int32_t frame) override;
        void StopPlayback() override;
        TSonelTimebase Timebase() const override;

    private:
        TViewerSession& session_;
    };
    // The library is named before the link loads; the synchronisation then takes over its events.
    static TSonellink& Loaded(TSonellink& link);

    TSonellink link_;
    TView view_;
    TSonelSync sync_;
};
