#pragma once
// TFFT: windowed, zero-padded radix-2 transform of one real series, handing out the power
// spectrum in dB and the phase spectrum. Every output is recomputed lazily, only when asked for
// after its inputs changed.

#include "platform/Errors.h"

#include <cstdint>
#include <vector>

using tdoublearr = std::vector<double>;

class EFFTError : public EError {
public:
    using EError::EError;
};

enum class TFFTWindow { rectangle = 0, Bartlett = 1, Hamming = 2, Hanning = 3, Blackman = 4 };

class TFFT {
public:
    static constexpr int32_t kMaxSize = 1048576;
    static constexpr double kNoPower = -3250.0;  // the dB value of a bin without any energy

    TFFT();

    int32_t LogFFTSize() const { return logSize_; }
    // Ignored outside 2 … 20; leaves the window size alone.
    void SetLogFFTSize(int32_t value);
    int32_t FFTSize() const { return size_; }
    // The smallest power of two >= value; EFFTError "FFT size out of range (value)" outside
    // 2 … 1048576.
    void SetFFTSize(int32_t value);
    int32_t WindowSize() const { return windowSize_; }
    // EFFTError "Window size out of range" outside 2 … 1048576; grows the FFT size when needed.
    void SetWindowSize(int32_t value);

    TFFTWindow Window() const { return window_; }
    void SetWindow(TFFTWindow window);
    // Fractions of the window at which its peak begins and ends (0.5 both: no skew).
    double windowleftskew() const { return leftSkew_; }
    void Setwindowleftskew(double value);
    double windowrightskew() const { return rightSkew_; }
    void Setwindowrightskew(double value);

    bool SubtractMean() const { return subtractMean_; }
    void SetSubtractMean(bool on);
    bool RealInput() const { return realInput_; }
    void SetRealInput(bool on);

    // The series is shared, not copied: it must outlive every getter call that follows. A length
    // other than the window size first makes both sizes that length.
    void SetData(const tdoublearr& series);
    void SetData(tdoublearr&&) = delete;
    // The imaginary part, used only while RealInput is off (shared like the series).
    void SetImaginaryData(const tdoublearr& series);
    void SetImaginaryData(tdoublearr&&) = delete;

    // N values each; the arrays are the component's own and change at the next computation.
    // A transform while the FFT size is below the window size (or the series longer than the
    // FFT size) is refused with EFFTError.
    const tdoublearr& GetPowerDB();
    const tdoublearr& GetPhase();

    // The transform itself, before power and phase: N values each, already divided by W.
    const tdoublearr& TransformRe();
    const tdoublearr& TransformIm();

    // Brings the tables up to date; does nothing while the FFT size is below the window size.
    void BuildTables();
    bool TablesReady() const { return !tablesStale_; }
    // Throws the EFFTError a transform would raise in the present state (FFT size below the
    // window size, or a series longer than the FFT size). Whoever runs the same arithmetic
    // elsewhere checks this, builds the tables and takes them from here.
    void CheckTransformable() const;
    const tdoublearr& CosTable() const { return cos_; }
    const tdoublearr& SinTable() const { return sin_; }
    const std::vector<uint32_t>& BitReversal() const { return reversal_; }
    const tdoublearr& WindowTable() const { return window_table_; }

    // The window's value at sample i of w samples (θ = 2πi/(w − 1)), skews included.
    static double WindowValue(TFFTWindow window, int32_t i, int32_t w, double leftSkew, double rightSkew);
    // Power of one bin: 10·log10(re² + im²), the floor for no energy, 0 for a fault.
    static double PowerDB(double re, double im);
    // Phase of one bin in radians; Re < 0 with Im = 0 gives −π.
    static double Phase(double re, double im);

private:
    void MarkOutputsStale();
    void Transform();

    int32_t logSize_ = 8;
    int32_t size_ = 256;
    int32_t windowSize_ = 256;
    TFFTWindow window_ = TFFTWindow::Hamming;
    double leftSkew_ = 0.5;
    double rightSkew_ = 0.5;
    bool subtractMean_ = true;
    bool realInput_ = true;

    const tdoublearr* x_ = nullptr;
    const tdoublearr* y_ = nullptr;

    tdoublearr cos_, sin_, window_table_;
    std::vector<uint32_t> reversal_;
    tdoublearr re_, im_, power_, phase_;

    bool tablesStale_ = true;
    bool transformStale_ = true;
    bool powerStale_ = true;
    bool phaseStale_ = true;
};
