#pragma once
// How much memory the machine has: sizes beyond a share of it are refused before allocating.

#include <cstdint>

// Physical memory in bytes (4 GiB when the system does not say).
int64_t PhysicalMemoryBytes();
// Physical memory in bytes as the system reports it; 0 when it does not say.
int64_t ReportedPhysicalMemoryBytes();
