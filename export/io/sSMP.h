#pragma once
// TSMPfile: one ".smp" sample file at a time. A text header of named items (name "=" value) and
// comment lines fills a block of "head" bytes at the front; 16-bit samples of one or more
// channels follow it, interleaved in scans.
//
// Ownership and threads: the component owns its open file, its items and its buffers; it is
// used from one thread at a time. new_file, open_file, save_file and close_file report failure
// by their result (LastError() says why); WriteChannel and the sample positions raise.

#include "platform/Errors.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class TSafeFileWriter;

// A header whose channel layout ("scan", "nchans") cannot address the samples.
class EInvalidSMPHeader : public EError {
public:
    using EError::EError;
};

// The samples of one channel write: a count and up to kMaxSamples values.
struct TSMPChunk {
    static constexpr int32_t kMaxSamples = 16384;
    int32_t count = 0;
    std::array<int16_t, kMaxSamples> samples{};
};

class TSMPfile {
public:
    static constexpr int32_t kHeaderBufferSize = 32768;  // a header is read from this many bytes
    static constexpr int32_t kMaxLineLength = 255;
    static constexpr int32_t kMaxChannels = 128;
    static constexpr int32_t kMaxScanEntries = 512;

    TSMPfile();
    ~TSMPfile();
    TSMPfile(const TSMPfile&) = delete;
    TSMPfile& operator=(const TSMPfile&) = delete;

    // Settings.
    int32_t defheadsize = 1024;  // H while the items have no usable "head"
    QString defFileType = QStringLiteral("samp");
    double defSfTot = 16000;
    int32_t defnChans = 1;
    bool defMSBFirst = false;
    bool Overwrite = true;  // kept for the family's callers; the data offset always follows "head"
    bool UseTempFile = false;  // work on a temporary copy, copied onto Filename by save_file
    bool ExternalLabels = false;  // labels in a side file instead of "L"n items
    bool EraseCSVFile = true;
    bool UseShortCSVPathname = true;  // no short names on this platform: the path is stored as is
    int32_t nViewDigits = 6;
    bool WriteThroughCache = false;  // every write reaches the disk before the call returns
    // Stored with the component; no operation uses them.
    double defViewLo = -1, defViewHi = 1, defRangeLo = -32768, defRangeHi = 32768;
    int32_t LongTime = 100;
    std::function<void()> OnLongTimeBusy;
    int32_t ChunknSamples() const { return chunknSamples_; }
    void SetChunknSamples(int32_t n);

    // Items and comment.
    QString get_item(const QString& name) const;  // the last item of that name, any case
    void set_item(const QString& name, const QString& value);
    void add_line(const QString& line);
    void set_nonpresent_item(const QString& name, const QString& value);
    void add_nonpresent_line(const QString& line);
    void set_proc(const QString& text);
    void validate_items();
    void insert_nonpresent_defaults();
    void clear();
    void set_to_defaults() {}
    QStringList Comment;  // callers add lines directly
    // The items as lines "name=value", in list order.
    QStringList ItemLines() const;

    void SetSampleRate(double rate);  // "0.######", "."
    void SetChannelCount(int32_t n);
    void SetHeadSize(int32_t n);
    void SetFileType(const QString& text);
    void SetMSBFirst(bool first);
    void SetView(int32_t channel, double lo, double hi);  // channel -1: "view"
    void SetValueRange(int32_t channel, double lo, double hi);  // channel -1: "range"
    void SetChannelLabel(int32_t channel, const QString& text);

    // What the items say, with the fallbacks.
    int32_t HeadSize() const;  // "head", or defheadsize when missing, not a number or below 1
    int32_t ChannelCount() const;  // "nchans", or defnChans when missing or not a number
    bool MSBFirst() const;  // "msb" is "first" / "last", else defMSBFirst

    // Labels: in the header as "L1", "L2", ... or in the side file named by "labels".
    const QStringList& Labels() const { return labels_; }
    void SetLabels(const QStringList& labels);  // each normalised
    QString CSVFileName();  // refreshed from "labels"
    void SetCSVFileName(const QString& name);  // also the "labels" item

    // The header text of the current items, built anew: its length.
    int32_t UsedSize();
    QByteArray HeaderText();

    // Parses a header from the first bytes of a file (at most kHeaderBufferSize are looked at)
    // into the items, comment and labels, which are replaced.
    void ParseHeader(const QByteArray& buffer);

    // The file. new_file creates `name` with an empty header block and keeps it open read-write:
    // it is written as a temporary file beside `name` (through a symbolic link: beside the file it
    // names), which replaces `name` by a rename at the first save_file or close_file, keeping the
    // old file's permissions; until then the old file stays as it was, and discard_file (or a
    // failure, or SIGINT) removes the temporary file. open_file opens an existing file and parses
    // its header.
    // save_file writes the header block, into `name` when one is given (the open file is copied
    // there first). A header text longer than "head" raises "head" to the even number at or above
    // its length, and samples already in the file move behind the new block; a text the reading
    // buffer could not hold back is refused. close_file closes; a temporary copy is deleted.
    bool new_file(const QString& name);
    bool open_file(const QString& name, bool readOnly);
    bool close_file();
    bool save_file(const QString& name = {});
    // Closes the file; one that new_file made and that never reached its name is removed.
    void discard_file();
    // A file from new_file that has not yet replaced its name.
    bool IsPending() const { return pending_ != nullptr; }
    bool IsOpen() const { return file_ != nullptr; }
    bool IsReadOnly() const { return readOnly_; }
    const QString& Filename() const { return filename_; }
    const QString& WorkingFileName() const { return workName_; }
    int64_t DataOffset() const { return dataOffset_; }
    // Why the last new_file, open_file, save_file or close_file gave false.
    const QString& LastError() const { return lastError_; }

    // Writes the chunk's samples of `channel` at its next position and advances it. Does nothing
    // unless a file is open read-write, the count is above 0 and "nchans" is above 0. Throws
    // EInvalidSMPHeader for an unusable scan list, ERangeError for a count above kMaxSamples,
    // EError for a channel the file does not have and EInOutError when the file fails.
    void WriteChannel(int32_t channel, const TSMPChunk& chunk);
    // Samples of `channel` in the open file (0 when none is open); throws as WriteChannel does.
    int64_t SampleCount(int32_t channel);
    // Up to `count` samples of `channel` from sample `first` on (fewer at the end of the file,
    // none when no file is open); throws as WriteChannel does.
    std::vector<int16_t> ReadChannel(int32_t channel, int64_t first, int64_t count);

private:
    struct Item {
        QString name;
        QString value;
    };
    struct ChannelLayout {
        int32_t first = 0;  // p: position of the first entry in the scan
        int32_t stride = 0;  // s
        int32_t perScan = 0;  // m
    };

    void Changed() { ++changes_; }
    void RemoveItems(const std::function<bool(const Item&)>& doomed);
    void ReadLabelItems();
    void LoadSideFile();
    // Save: the "L"n and "labels" items as the labels' place says; the side file to delete.
    QString PlaceLabels();
    // Save, after the header: the side file written, or the old one deleted.
    void FinishLabels(const QString& erase);
    QString ResolveSidePath(const QString& name) const;
    bool SideFileIsOurs(const QString& path) const;
    void UpdateLayout();
    [[noreturn]] void ThrowInvalid(const QString& item) const;
    void CloseHandle();
    bool Fail(const QString& message);
    bool WriteHeaderBlock(QFile& file, int64_t oldOffset, int32_t head);
    static bool MoveData(QFile& file, int64_t from, int64_t to, int64_t length);
    bool CopyWorkingFile();
    bool CommitPending();
    bool SwitchToFilename();
    void SyncWrites(QFile& file) const;

    std::vector<Item> items_;
    QStringList labels_;
    QString csvFileName_;
    QString loadedSideFile_;  // the side file the labels came from or went to
    bool loadSideFiles_ = true;  // off while a header is parsed: the side file is read once after it
    int32_t chunknSamples_ = TSMPChunk::kMaxSamples;

    QString filename_;
    QString workName_;
    std::unique_ptr<QFile> file_;
    std::unique_ptr<TSafeFileWriter> pending_;  // new_file's temporary file until it is committed
    bool holdPending_ = false;  // new_file's own first save does not commit
    bool workIsTemp_ = false;  // the working file is a temporary copy of Filename
    bool readOnly_ = false;
    int64_t dataOffset_ = 1024;
    QByteArray text_;
    QString lastError_;

    uint64_t changes_ = 0;
    uint64_t layoutChanges_ = ~uint64_t(0);
    int32_t scanSize_ = 0;  // S
    int32_t layoutChannels_ = 0;
    std::array<ChannelLayout, kMaxChannels> layout_{};
    std::array<int64_t, kMaxChannels> nextSample_{};  // per channel: index of its next sample

    std::unique_ptr<TSMPChunk> chunk_;  // the copy that is byte-swapped
    std::vector<uint16_t> block_;  // one block of whole scans, read, merged, written back
};
