#include "platform/ThreadPriority.h"

#include <algorithm>
#include <cerrno>

#ifdef __linux__
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

TThreadPriorityResult RaiseThreadPriority(int steps)
{
    TThreadPriorityResult result;
#ifdef __linux__
    // On Linux a thread id given to setpriority changes that thread alone.
    const auto tid = id_t(syscall(SYS_gettid));
    errno = 0;
    const int before = getpriority(PRIO_PROCESS, tid);
    if (before == -1 && errno != 0) {
        result.how = QStringLiteral("priority unknown (errno %1): left as it is").arg(errno);
        return result;
    }
    result.before = before;
    result.nice = before;
    for (int step = steps; step > 0; --step) {
        const int wanted = std::max(before - step, -20);
        if (wanted >= before)
            break;
        if (setpriority(PRIO_PROCESS, tid, wanted) == 0) {
            result.raised = true;
            result.nice = wanted;
            result.how = QStringLiteral("nice %1 -> %2").arg(before).arg(wanted);
            return result;
        }
    }
    result.how = QStringLiteral("nice %1 kept: no privilege to raise it").arg(before);
#else
    (void)steps;
    result.how = QStringLiteral("priority left as it is on this system");
#endif
    return result;
}

void RestoreThreadPriority(const TThreadPriorityResult& raised)
{
    if (!raised.raised)
        return;
#ifdef __linux__
    setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), raised.before);
#endif
}
