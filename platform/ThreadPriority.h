#pragma once
// Raising the calling thread's scheduling priority, for work the interface waits on (reading the
// next frames ahead of playback). Best effort: without the privilege for it the thread keeps
// its priority and nothing is reported to the user.

#include <QString>

struct TThreadPriorityResult {
    bool raised = false;  // the thread now runs at a higher priority than before
    int before = 0;       // the thread's nice value before
    int nice = 0;         // the thread's nice value afterwards
    QString how;          // what was tried and what came of it, for diagnostics
};

// Lowers the calling thread's nice value by up to `steps` (only this thread, not the process).
// Tries the full step first, then smaller ones (an unprivileged user may lower it as far as
// RLIMIT_NICE allows); failures are silent.
TThreadPriorityResult RaiseThreadPriority(int steps);

// Puts the calling thread back to the nice value RaiseThreadPriority found (what it raised is
// always allowed back); nothing when it raised nothing.
void RestoreThreadPriority(const TThreadPriorityResult& raised);
