#pragma once
// This program's "application window" on the desktop: its presence on the D-Bus session bus,
// through which programs exchange registered window messages. A program owns two bus names
// (see docs/link.md): one for its 32-bit window handle and one that files it under its window
// class, and exports one object whose Send method receives a message and returns its 32-bit
// result.
//
// Sends block until the receiver has answered (a short timeout), while link messages that
// arrive meanwhile are served nested: every hook must be re-entrant. Other events (timers, not
// user input) are served too, so whatever they start may also run inside a send. Posts do not
// wait.
//
// Create one per program, on the user-interface thread, before any window; every call must come
// from that thread. Without a session bus Connect fails and the object stays inert: sends give
// 0, look-ups find nothing.

#include "platform/GlobalAtoms.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

class TBusWindowObject;

// A message as a hook sees it. `sender` is the handle of the program that sent it, checked
// against the bus (0 when the sender's claim does not hold); `result` is what a handling hook
// returns to the sender.
struct TWindowMessage {
    uint32_t msg = 0;
    uint32_t wParam = 0;
    uint32_t lParam = 0;
    uint32_t result = 0;
    uint32_t sender = 0;
};

class TApplicationWindow {
public:
    static constexpr uint32_t kBroadcast = 0xFFFF;  // every program offering the link
    static constexpr int kDefaultTimeoutMs = 1000;

    // Returns true when the message was handled; the first hook that handles it ends the search.
    using THook = std::function<bool(TWindowMessage& message)>;

    TApplicationWindow();
    ~TApplicationWindow();
    TApplicationWindow(const TApplicationWindow&) = delete;
    TApplicationWindow& operator=(const TApplicationWindow&) = delete;

    // Takes a handle and the bus names for the window class; false without a session bus.
    bool Connect(const QString& windowClass);
    bool IsConnected() const { return handle_ != 0; }
    // This program's window handle, 0 until connected.
    uint32_t Handle() const { return handle_; }

    // The same name gives the same number in every program of the link (0xC000..0xFFFF; names
    // are compared ignoring case); 0 for an empty name, one over 255 characters, or a full table.
    uint16_t RegisterWindowMessage(const QString& name);
    QString MessageName(uint32_t msg) const;

    // Look-ups answer from the names the bus has announced (no round trip); a class with no
    // window asks the bus again, in case its announcement is still on its way.
    // The first window of the class (the lowest handle), 0 when there is none.
    uint32_t FindWindow(const QString& windowClass) const;
    bool IsWindow(uint32_t window) const;
    // Handles of every program on the bus, this one included.
    std::vector<uint32_t> Windows() const;

    // Blocking send of a registered message; the receiver's result, 0 when the window does not
    // exist, does not answer in time or leaves the message unhandled. To kBroadcast: every
    // program in turn (this one included), result 0.
    uint32_t SendMessage(uint32_t window, uint32_t msg, uint32_t wParam, uint32_t lParam);
    // Posts without waiting; kBroadcast reaches every other program. False when not sent.
    bool PostMessage(uint32_t window, uint32_t msg, uint32_t wParam, uint32_t lParam);

    int AddHook(THook hook);
    void RemoveHook(int id);

    // Where an exception escaping a hook goes (the message is then answered with 0). Unset, it
    // is written as a warning.
    std::function<void(std::exception_ptr)> OnHookError;

    int TimeoutMs() const { return timeoutMs_; }
    void SetTimeoutMs(int ms) { timeoutMs_ = ms > 0 ? ms : kDefaultTimeoutMs; }

    TGlobalAtoms& Atoms() { return atoms_; }

    // Bus names, for documentation and tests.
    static QString WindowBusName(uint32_t window);
    static QString ClassBusPrefix(const QString& windowClass);

    // Called by the exported object: a bus name got or lost its owner.
    void NameOwnerChanged(const QString& name, const QString& newOwner);
    // Called by the exported object.
    uint32_t Deliver(const QString& uniqueSender, uint32_t claimedSender, const QString& name,
                     uint32_t wParam, uint32_t lParam);

private:
    uint32_t CallWindow(uint32_t window, const QString& name, uint32_t wParam, uint32_t lParam);
    // Reads the family's names from the bus afresh.
    void RefreshNames() const;
    uint32_t VerifiedSender(const QString& uniqueSender, uint32_t claimed);

    uint32_t handle_ = 0;
    QString class_;
    QString uniqueName_;
    int timeoutMs_ = kDefaultTimeoutMs;
    std::unique_ptr<TBusWindowObject> object_;
    QHash<QString, uint16_t> messageIds_;  // lower-case name -> number
    QStringList messageNames_;             // number - 0xC000 -> name as first registered
    struct THookEntry {
        int id;
        std::shared_ptr<THook> hook;
    };
    std::vector<THookEntry> hooks_;
    int nextHookId_ = 1;
    QHash<QString, uint32_t> senders_;  // unique bus name -> handle it was seen to own
    // The family's bus names that have an owner: read once, then kept by the bus's
    // NameOwnerChanged signal, so that look-ups cost no round trip.
    mutable QSet<QString> names_;
    TGlobalAtoms atoms_;
};
