#include "platform/SystemMemory.h"

#include <unistd.h>

int64_t ReportedPhysicalMemoryBytes()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return int64_t(pages) * int64_t(pageSize);
}

int64_t PhysicalMemoryBytes()
{
    const int64_t reported = ReportedPhysicalMemoryBytes();
    return reported > 0 ? reported : int64_t(1) << 32;
}
