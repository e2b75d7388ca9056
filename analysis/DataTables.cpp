#include "analysis/DataTables.h"

#include "analysis/SpectrumStore.h"
#include "platform/Conversions.h"
#include "platform/Errors.h"
#include "platform/PoolParts.h"
#include "viewer/io/FrameCache.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace {

// Appends without a QString per field: the tables run to millions of cells.
class TCsv {
public:
    explicit TCsv(const char* header) { bytes_.append(header).append('\n'); }
    TCsv() = default;  // a part of a table: lines only
    TCsv& Int(int64_t value)
    {
        Separate();
        bytes_.append(QByteArray::number(qlonglong(value)));
        return *this;
    }
    TCsv& Number(double value)
    {
        Separate();
        bytes_.append(FloatToStrExact(value).toLatin1());
        return *this;
    }
    // A field formatted once for many lines.
    TCsv& Text(const QByteArray& text)
    {
        Separate();
        bytes_.append(text);
        return *this;
    }
    TCsv& Empty()
    {
        Separate();
        return *this;
    }
    void EndLine()
    {
        bytes_.append('\n');
        first_ = true;
    }
    void Reserve(qsizetype lines, qsizetype perLine) { bytes_.reserve(bytes_.size() + lines * perLine); }
    QByteArray Take() { return std::move(bytes_); }

private:
    void Separate()
    {
        if (!first_)
            bytes_.append(',');
        first_ = false;
    }
    QByteArray bytes_;
    bool first_ = true;
};

}  // namespace

QByteArray PointSpectrumTable(const TSpectrumStore& store, int32_t column, int32_t row)
{
    TCsv csv("bin,frequency_hz,power_db,phase_rad");
    if (!store.SpectrumValid(row, column))
        return csv.Take();
    const int32_t bins = store.FFTLength() / 2;
    csv.Reserve(bins, 48);
    for (int32_t k = 0; k < bins; ++k) {
        csv.Int(k).Number(store.BinFrequency(k)).Number(store.Power(k, row, column)).Number(store.Phase(k, row, column));
        csv.EndLine();
    }
    return csv.Take();
}

QByteArray RowSpectraTable(const TSpectrumStore& store)
{
    if (!store.RowSpectraValid())
        throw EError(QStringLiteral("The row spectra have not been computed"));
    TCsv csv("row,bin,frequency_hz,power_db");
    const int32_t bins = store.FFTLength() / 2;
    csv.Reserve(qsizetype(bins) * store.Height(), 40);
    for (int32_t y = 0; y < store.Height(); ++y)
        for (int32_t k = 0; k < bins; ++k) {
            csv.Int(y).Int(k).Number(store.BinFrequency(k)).Number(store.RowSpectrum(k, y));
            csv.EndLine();
        }
    return csv.Take();
}

QByteArray WaveformTable(const TWaveformSeries& series)
{
    TCsv csv("index,frame,value");
    csv.Reserve(qsizetype(series.values.size()), 16);
    for (size_t i = 0; i < series.values.size(); ++i) {
        csv.Int(int64_t(i)).Int(series.Frame(i)).Int(series.values[i]);
        csv.EndLine();
    }
    return csv.Take();
}

QByteArray KymogramTable(const TFrameCache& cache, int32_t row, const TKymogramSpan& span, const QImage& bitmap)
{
    TCsv csv("column,frame,value,grey");
    const int32_t columns = std::min(bitmap.height(), cache.Width());
    const int32_t frames = std::min(bitmap.width(), span.length);
    const bool rowInside = row >= 0 && row < cache.Height();
    const bool bgr = bitmap.format() == QImage::Format_BGR888;
    csv.Reserve(qsizetype(columns) * frames, 20);
    for (int32_t c = 0; c < columns; ++c) {
        const uchar* line = bitmap.constScanLine(c);
        for (int32_t k = 0; k < frames; ++k) {
            const int64_t frame = int64_t(span.first) + k;
            csv.Int(c).Int(frame);
            if (rowInside && frame <= INT32_MAX && cache.Holds(int32_t(frame)))
                csv.Int(cache.Row(int32_t(frame) - cache.FirstCachedFrame(), row)[c]);
            else
                csv.Empty();
            // Grey bitmaps: blue, green and red are the same byte.
            csv.Int(bgr ? line[3 * k] : qBlue(bitmap.pixel(k, c)));
            csv.EndLine();
        }
    }
    return csv.Take();
}

QByteArray ColorizeTable(const TSpectrumStore& store)
{
    TCsv csv("row,column,frequency_hz,power_db,phase_rad");
    const int32_t bin = store.SelectedBin();
    const QByteArray frequency = FloatToStrExact(store.BinFrequency(bin)).toLatin1();
    // A megapixel image makes a million lines: bands of rows are formatted side by side and
    // joined in order.
    const int32_t height = store.Height();
    const int32_t bands = std::clamp(int32_t(std::thread::hardware_concurrency()), 1, std::max(1, height / 16));
    const size_t parts = size_t(bands);
    std::vector<QByteArray> texts(parts);
    auto formatBand = [&](int32_t band) {
        TCsv part;
        const int32_t first = int32_t(int64_t(height) * band / bands);
        const int32_t last = int32_t(int64_t(height) * (band + 1) / bands);
        part.Reserve(qsizetype(last - first) * store.Width(), 48);
        for (int32_t y = first; y < last; ++y)
            for (int32_t x = 0; x < store.Width(); ++x) {
                part.Int(y).Int(x).Text(frequency);
                if (store.SpectrumValid(y, x))
                    part.Number(store.Power(bin, y, x)).Number(store.Phase(bin, y, x));
                else
                    part.Empty().Empty();
                part.EndLine();
            }
        texts[size_t(band)] = part.Take();
    };
    RunPoolParts(bands, formatBand);
    QByteArray bytes = csv.Take();
    qsizetype total = bytes.size();
    for (const QByteArray& text : texts)
        total += text.size();
    bytes.reserve(total);
    for (QByteArray& text : texts) {
        bytes.append(text);
        text = QByteArray();
    }
    return bytes;
}
