// The blocks: shared memory segments of this user, named by their 16-bit handle.
#include "sonellib/sonellib32.h"

#include "platform/SharedSegment.h"

namespace {

// A library's state is per process: every program that loads it has its own.
TSharedSegments& Blocks()
{
    static TSharedSegments blocks("blk", 1, 0xFFFF);
    return blocks;
}

bool IsHandle(uint32_t handle) { return handle != 0 && handle <= 0xFFFF; }

}  // namespace

extern "C" {

uint32_t SonelAlloc(uint32_t size)
{
    return Blocks().Create(nullptr, size);
}

void SonelFree(uint32_t handle)
{
    if (IsHandle(handle))
        Blocks().Remove(uint16_t(handle));
}

int32_t SonelPut(uint32_t handle, const void* source, uint32_t count)
{
    if (!IsHandle(handle) || (count > 0 && !source))
        return 0;
    return Blocks().Write(uint16_t(handle), source, count) ? 1 : 0;
}

int32_t SonelGet(uint32_t handle, void* destination, uint32_t count)
{
    if (!IsHandle(handle) || (count > 0 && !destination))
        return 0;
    return Blocks().Read(uint16_t(handle), destination, count) ? 1 : 0;
}

intptr_t SonelLock(void) { return 0; }
intptr_t SonelUnlock(void) { return 0; }
intptr_t AllocSampleFile(void) { return 0; }
intptr_t LockSampleFile(void) { return 0; }
intptr_t UnlockSampleFile(void) { return 0; }
intptr_t FreeSampleFile(void) { return 0; }
intptr_t SeekSample(void) { return 0; }
intptr_t SeekTime(void) { return 0; }
intptr_t GetSample(void) { return 0; }
intptr_t PutSample(void) { return 0; }
intptr_t PeekSample(void) { return 0; }
intptr_t GetSampleBuffer(void) { return 0; }
intptr_t PutSampleBuffer(void) { return 0; }
intptr_t SampleToChannel(void) { return 0; }
intptr_t LoadHeaderExt(void) { return 0; }
intptr_t MakeHeader(void) { return 0; }
intptr_t SaveHeader(void) { return 0; }
intptr_t SaveHeaderExt(void) { return 0; }
intptr_t SetHeaderValue(void) { return 0; }

}  // extern "C"
