// The spectrum store: pixel and row spectra from the frame block, what invalidates them, the
// selected frequency and the row-spectrum image.
#include "analysis/SpectrumStore.h"

#include "platform/Errors.h"
#include "support/TestSupport.h"
#include "viewer/io/Sequence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

constexpr double kPi = 3.14159265358979323846;

using TValue = std::function<uint8_t(int32_t frame, int32_t row, int32_t column)>;

std::unique_ptr<TSequence> OpenSequence(const TScratch& scratch, int32_t width, int32_t height, int32_t frames,
                                        double rate, const TValue& value)
{
    const QString bld = WriteFrames(scratch, QStringLiteral("s.bld"), width, height, frames, value);
    scratch.WriteText(QStringLiteral("s.par"), QStringLiteral("test\nRESOLUTION: %1x%2\nFRAMES/S: %3\nFRAMES: %4\n")
                                                   .arg(width)
                                                   .arg(height)
                                                   .arg(rate)
                                                   .arg(frames));
    auto sequence = std::make_unique<TSequence>();
    sequence->SetFileName(bld);
    sequence->ReadSequenceFiles();
    return sequence;
}

uint8_t Sine(int32_t frame, double bin, double level, double amplitude)
{
    return uint8_t(std::lround(level + amplitude * std::sin(2 * kPi * bin * frame / 256)));
}

}  // namespace

TEST(SpectrumStore, PixelSpectrumPeaksAtItsSinusoidsBin)
{
    TScratch scratch;
    auto sequence = OpenSequence(scratch, 8, 4, 300, 1904, [](int32_t f, int32_t y, int32_t x) {
        return x == 3 && y == 2 ? Sine(f, 20, 100, 50) : uint8_t(30 + (f * 7 + x) % 5);
    });
    TSpectrumStore store(*sequence);
    store.ComputePixelSpectrum(3, 2);
    ASSERT_TRUE(store.SpectrumValid(2, 3));
    int peak = 1;
    for (int k = 1; k < 128; ++k)
        if (store.Power(k, 2, 3) > store.Power(peak, 2, 3))
            peak = k;
    EXPECT_EQ(peak, 20);
    // Relative amplitude 50/100 over the mean: (0.5/2)·coherent gain of Hamming(256).
    EXPECT_NEAR(store.Power(20, 2, 3), 20 * std::log10(0.25 * (0.54 - 0.46 / 256)), 0.05);
    EXPECT_EQ(store.BinFrequency(20), 20 * 1904.0 / 256);
}

TEST(SpectrumStore, ConstantPixelNeverGetsASpectrum)
{
    TScratch scratch;
    auto sequence = OpenSequence(scratch, 4, 2, 300, 1904, [](int32_t f, int32_t y, int32_t x) {
        return x == 0 && y == 0 ? uint8_t(77) : uint8_t(f % 3 + x);
    });
    TSpectrumStore store(*sequence);
    for (int i = 0; i < 2; ++i) {
        store.ComputePixelSpectrum(0, 0);
        EXPECT_FALSE(store.SpectrumValid(0, 0));
    }
    for (int k = 0; k < store.Bins(); ++k)
        ASSERT_EQ(store.Power(k, 0, 0), 0.0f);  // never written
    store.ComputePixelSpectrum(1, 0);
    EXPECT_TRUE(store.SpectrumValid(0, 1));
    EXPECT_THROW(store.ComputePixelSpectrum(4, 0), ERangeError);
    EXPECT_THROW(store.ComputePixelSpectrum(0, -1), ERangeError);
}

TEST(SpectrumStore, NewBlockSizeOrLengthInvalidatesEverythingCacheSizeOnlyThePixels)
{
    TScratch scratch;
    auto sequence = OpenSequence(scratch, 6, 3, 1200, 1904, [](int32_t f, int32_t y, int32_t x) {
        return uint8_t((f * (x + 1) + y) % 11);
    });
    TSpectrumStore store(*sequence);
    int released = 0;
    QObject::connect(&store, &TSpectrumStore::colorizeButtonReleased, [&] { ++released; });
    auto fill = [&] {
        store.ComputePixelSpectrum(2, 1);
        store.ComputeRowSpectra();
        ASSERT_TRUE(store.SpectrumValid(1, 2));
        ASSERT_TRUE(store.RowSpectraValid());
    };

    fill();
    sequence->LoadFrames(600);
    EXPECT_FALSE(store.SpectrumValid(1, 2));
    EXPECT_FALSE(store.RowSpectraValid());
    EXPECT_EQ(released, 1);

    fill();
    sequence->SetCacheSize(400);
    EXPECT_FALSE(store.SpectrumValid(1, 2));
    EXPECT_TRUE(store.RowSpectraValid());
    EXPECT_EQ(released, 1);

    fill();
    sequence->SetImageWidth(9);
    EXPECT_EQ(store.Width(), 9);
    EXPECT_FALSE(store.SpectrumValid(1, 2));
    EXPECT_FALSE(store.RowSpectraValid());
    EXPECT_GE(released, 2);

    sequence->LoadFrames(0);
    fill();
    const int before = released;
    store.SetSpectrumLength(300);
    EXPECT_FALSE(store.SpectrumValid(1, 2));
    EXPECT_FALSE(store.RowSpectraValid());
    EXPECT_EQ(released, before + 1);
}

TEST(SpectrumStore, SpectrumLengthSetsTheFftLengthOrIsRefusedWhole)
{
    TScratch scratch;
    auto sequence = OpenSequence(scratch, 4, 2, 600, 1904, [](int32_t f, int32_t, int32_t x) {
        return uint8_t(f % 7 + x);
    });
    TSpectrumStore store(*sequence);
    int32_t announced = 0, announcedFft = 0;
    QObject::connect(&store, &TSpectrumStore::spectrumLengthChanged, [&](int32_t length, int32_t fft) {
        announced = length;
        announcedFft = fft;
    });
    store.SetSpectrumLength(300);
    EXPECT_EQ(store.SpectrumLength(), 300);
    EXPECT_EQ(store.FFTLength(), 512);
    EXPECT_EQ(store.Bins(), 257);  // bins 0 … N/2: a real series has no others
    EXPECT_EQ(announced, 300);
    EXPECT_EQ(announcedFft, 512);
    store.ComputePixelSpectrum(1, 1);
    EXPECT_TRUE(store.SpectrumValid(1, 1));

    // Longer than the cache (512): refused, nothing changes.
    try {
        store.SetSpectrumLength(600);
        FAIL() << "no error";
    } catch (const EError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("The analysis length (600) must not exceed the cache size (512)"));
    }
    EXPECT_THROW(store.SetSpectrumLength(1), EFFTError);
    EXPECT_EQ(store.SpectrumLength(), 300);
    EXPECT_EQ(store.FFTLength(), 512);
    EXPECT_TRUE(store.SpectrumValid(1, 1));

    // A cache that shrinks below the length afterwards stops the computations, clearly.
    sequence->SetCacheSize(100);
    EXPECT_THROW(store.ComputePixelSpectrum(0, 0), EError);
    EXPECT_THROW(store.ComputeRowSpectra(), EError);
}

TEST(SpectrumStore, SelectedFrequencySnapsOnlyWhenTheBinChanges)
{
    TScratch scratch;
    auto sequence = OpenSequence(scratch, 4, 2, 300, 1904, [](int32_t f, int32_t, int32_t) { return uint8_t(f % 3); });
    TSpectrumStore store(*sequence);
    QString status;
    int rerenders = 0;
    QObject::connect(&store, &TSpectrumStore::selectedFrequencyChanged,
                     [&](double hz) { status = SelectedFrequencyText(hz, QLatin1Char('.')); });
    QObject::connect(&store, &TSpectrumStore::selectedBinChanged, [&] { ++rerenders; });

    EXPECT_EQ(store.BinFrequency(1), 7.4375);
    store.SetSelectedFrequency(9.0);
    EXPECT_EQ(store.SelectedBin(), 1);
    EXPECT_EQ(store.SelectedFrequency(), 7.4375);
    EXPECT_EQ(status, QStringLiteral("f=7.4"));
    EXPECT_EQ(rerenders, 1);

    // Rounds to the same bin: kept as clicked.
    store.SetSelectedFrequency(6.0);
    EXPECT_EQ(store.SelectedBin(), 1);
    EXPECT_EQ(store.SelectedFrequency(), 6.0);
    EXPECT_EQ(status, QStringLiteral("f=6.0"));
    EXPECT_EQ(rerenders, 1);

    store.SetSelectedBin(16);
    EXPECT_EQ(store.SelectedFrequency(), 119.0);
    EXPECT_EQ(rerenders, 2);

    // Outside the bins the store holds: the nearest end.
    store.SetSelectedFrequency(-30);
    EXPECT_EQ(store.SelectedBin(), 0);
    store.SetSelectedFrequency(5000);
    EXPECT_EQ(store.SelectedBin(), 255);
    EXPECT_EQ(store.SelectedFrequency(), 255 * 1904 / 256.0);
    // A new length keeps the frequency at its nearest bin. 100 frames are transformed as 128,
    // 14.875 Hz a bin: 1896.5625 Hz is bin 127.5, beyond the last of bins 0 … 99, so bin 99,
    // 1472.625 Hz.
    store.SetSpectrumLength(100);
    EXPECT_EQ(store.SelectedBin(), 99);
    EXPECT_EQ(store.SelectedFrequency(), 1472.625);
    // Bin 64 of 128 is 952 Hz; 64 frames give 29.75 Hz a bin, so bin 32, the same 952 Hz
    // (the same bin number would have been 1904 Hz).
    store.SetSelectedBin(64);
    store.SetSpectrumLength(64);
    EXPECT_EQ(store.SelectedBin(), 32);
    EXPECT_EQ(store.SelectedFrequency(), 952.0);
    EXPECT_EQ(status, QStringLiteral("f=952.0"));
}

TEST(SpectrumStore, StatusTextHasOneDecimalHalvesAwayFromZero)
{
    EXPECT_EQ(SelectedFrequencyText(7.4375, QLatin1Char('.')), QStringLiteral("f=7.4"));
    EXPECT_EQ(SelectedFrequencyText(0.25, QLatin1Char('.')), QStringLiteral("f=0.3"));
    EXPECT_EQ(SelectedFrequencyText(2.75, QLatin1Char('.')), QStringLiteral("f=2.8"));
    EXPECT_EQ(SelectedFrequencyText(250, QLatin1Char(',')), QStringLiteral("f=250,0"));
    EXPECT_EQ(SelectedFrequencyText(0.04, QLatin1Char('.')), QStringLiteral("f=0.0"));
}

TEST(SpectrumStore, RowSpectrumIsTheSpectrumOfTheRowMean)
{
    // Row 0: two pixels in antiphase, so the row mean never moves; row 1: all pixels in phase.
    TScratch scratch;
    auto sequence = OpenSequence(scratch, 2, 2, 300, 1904, [](int32_t f, int32_t y, int32_t x) {
        const int swing = int(std::lround(40 * std::sin(2 * kPi * 12 * f / 256)));
        return uint8_t(100 + (y == 0 && x == 1 ? -swing : swing));
    });
    TSpectrumStore store(*sequence);
    store.ComputeRowSpectra();
    ASSERT_TRUE(store.RowSpectraValid());
    for (int k = 0; k < 256; ++k)
        ASSERT_EQ(store.RowSpectrum(k, 0), -3250.0f) << k;
    EXPECT_NEAR(store.RowSpectrum(12, 1), 20 * std::log10(0.2 * (0.54 - 0.46 / 256)), 0.05);
    store.ComputePixelSpectrum(0, 0);
    EXPECT_GT(store.Power(12, 0, 0), -20.0f);  // each pixel on its own does swing
}

TEST(SpectrumStore, RowSpectrumGreyLevels)
{
    uint8_t g = 0;
    ASSERT_TRUE(RowSpectrumGrey(-70, -50, -90, g));
    EXPECT_EQ(g, 128);  // 127.5, halves to even
    ASSERT_TRUE(RowSpectrumGrey(-50, -50, -90, g));
    EXPECT_EQ(g, 0);
    ASSERT_TRUE(RowSpectrumGrey(-20, -50, -90, g));
    EXPECT_EQ(g, 0);
    ASSERT_TRUE(RowSpectrumGrey(-90, -50, -90, g));
    EXPECT_EQ(g, 255);
    ASSERT_TRUE(RowSpectrumGrey(-3250, -50, -90, g));
    EXPECT_EQ(g, 255);
    // Equal levels: no grey can be computed.
    EXPECT_FALSE(RowSpectrumGrey(-50, -60, -60, g));
    EXPECT_FALSE(RowSpectrumGrey(-60, -60, -60, g));
}

TEST(SpectrumStore, RowSpectrumImageIsHalfTheFftWideAndOneLinePerRow)
{
    TScratch scratch;
    auto sequence = OpenSequence(scratch, 4, 3, 600, 1904, [](int32_t f, int32_t y, int32_t) {
        return y == 1 ? Sine(f, 32, 120, 60) : uint8_t(50);
    });
    TSpectrumStore store(*sequence);
    store.SetSpectrumLength(300);
    QImage bitmap;
    EXPECT_TRUE(store.DrawRowSpectrum(-50, -90, bitmap).isEmpty());
    EXPECT_EQ(bitmap.width(), 256);
    EXPECT_EQ(bitmap.height(), 3);
    EXPECT_EQ(bitmap.format(), QImage::Format_BGR888);
    // Row 1's sinusoid (32 cycles per 256 frames, 37.5 per 300: bin 64 of 512) is black.
    const int bin = int(std::lround(32.0 / 256 * 512));
    EXPECT_EQ(bitmap.pixel(bin, 1), qRgb(0, 0, 0));
    EXPECT_EQ(bitmap.pixel(bin, 0), qRgb(255, 255, 255));  // constant rows have no power
    // Equal levels: pixels that cannot be set are skipped and named.
    EXPECT_TRUE(store.DrawRowSpectrum(-60, -60, bitmap).startsWith(QStringLiteral("i1=")));
}
