#pragma once
/* The companion library's entry points (libsonellib32.so). Blocks are shared memory named by a
 * 16-bit handle, usable from every program of the same user; the header functions read the
 * items of a sample file. All entry points may be called from any thread. See docs/link.md. */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A zero-filled block of `size` bytes; its handle (1..0xFFFF), 0 when none can be made. */
uint32_t SonelAlloc(uint32_t size);
/* Removes the block (whoever made it). */
void SonelFree(uint32_t handle);
/* Copy `count` bytes into / out of the start of the block: 1 when done, 0 (nothing copied)
 * when there is no such block or it is smaller than `count`. */
int32_t SonelPut(uint32_t handle, const void* source, uint32_t count);
int32_t SonelGet(uint32_t handle, void* destination, uint32_t count);

/* The header items of the sample file open on `fd` (read from its start), in memory the caller
 * releases with free(); null when the file is not a regular file or has no items. */
void* LoadHeader(int fd);
/* 1 when the header has the item (name compared ignoring case; the last of that name wins) and
 * its UTF-8 value fits in `size` - 1 bytes: the value is then in `buffer`, NUL-terminated.
 * 0 otherwise, with an empty buffer. */
int32_t GetHeaderValue(const void* header, const char* item, char* buffer, int32_t size);

/* Resolved by the program but never called: harmless stubs that give 0. */
intptr_t SonelLock(void);
intptr_t SonelUnlock(void);
intptr_t AllocSampleFile(void);
intptr_t LockSampleFile(void);
intptr_t UnlockSampleFile(void);
intptr_t FreeSampleFile(void);
intptr_t SeekSample(void);
intptr_t SeekTime(void);
intptr_t GetSample(void);
intptr_t PutSample(void);
intptr_t PeekSample(void);
intptr_t GetSampleBuffer(void);
intptr_t PutSampleBuffer(void);
intptr_t SampleToChannel(void);
intptr_t LoadHeaderExt(void);
intptr_t MakeHeader(void);
intptr_t SaveHeader(void);
intptr_t SaveHeaderExt(void);
intptr_t SetHeaderValue(void);

#ifdef __cplusplus
}
#endif
