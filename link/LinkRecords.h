#pragma once
// The records of the companion link, laid out byte for byte as both programs read them: integers
// little-endian, doubles IEEE 754, no padding.

#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little, "the link records are little-endian");

// Command codes, the high word of a link message's lParam.
constexpr uint16_t CMD_TIMES = 0x0101;
constexpr uint16_t CMD_CURSOR = 0x0102;
constexpr uint16_t CMD_REQUEST = 0x020A;
constexpr uint16_t CMD_XMIT = 0x020B;
constexpr uint16_t CMD_FILEINFO = 0x020C;
constexpr uint16_t CMD_REPEATPLAY = 0x0300;
constexpr uint16_t CMD_SETHEADERITEM = 0x0400;

// A link message as received.
struct tsnlmsg {
    uint32_t msg;
    uint32_t wParam;
    uint32_t lParam;
    uint32_t result;
};
static_assert(sizeof(tsnlmsg) == 16);
static_assert(offsetof(tsnlmsg, msg) == 0 && offsetof(tsnlmsg, wParam) == 4);
static_assert(offsetof(tsnlmsg, lParam) == 8 && offsetof(tsnlmsg, result) == 12);

// The block of CMD_TIMES and CMD_CURSOR (seconds).
struct LinkTimes {
    double first;
    double duration;
    double caret;
};
static_assert(sizeof(LinkTimes) == 24);
static_assert(offsetof(LinkTimes, first) == 0 && offsetof(LinkTimes, duration) == 8);
static_assert(offsetof(LinkTimes, caret) == 16);

// The block of CMD_FILEINFO.
struct tfileinfo {
    static constexpr int32_t kSize = 544;
    static constexpr int kTextSize = 260;
    int32_t size;
    int32_t reserved[4];  // zero when this program fills a record; never read
    int32_t channo;
    char text[kTextSize];  // empty when this program fills a record; never read
    char path[kTextSize];  // the companion's open sample file, NUL-terminated (UTF-8)
};
static_assert(sizeof(tfileinfo) == tfileinfo::kSize);
static_assert(offsetof(tfileinfo, size) == 0 && offsetof(tfileinfo, reserved) == 4);
static_assert(offsetof(tfileinfo, channo) == 20 && offsetof(tfileinfo, text) == 24);
static_assert(offsetof(tfileinfo, path) == 284);
