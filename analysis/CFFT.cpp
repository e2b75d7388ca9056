#include "analysis/CFFT.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2 * kPi;

// The skewed phase: the rising part squeezed or stretched to end at π at the left fraction, a
// flat top up to the right fraction, the falling part back to 2π after it.
double SkewedPhase(double theta, double left, double right)
{
    const double d = theta - kTwoPi * std::floor(theta / kTwoPi);
    if (d < kTwoPi * left)
        return d * 0.5 / left;
    if (d <= kTwoPi * right)
        return kPi;
    return kTwoPi + (d - kTwoPi) * 0.5 / (1 - right);
}

}  // namespace

TFFT::TFFT() = default;

void TFFT::SetLogFFTSize(int32_t value)
{
    if (value < 2 || value > 20)
        return;
    logSize_ = value;
    size_ = int32_t(1) << value;
    tablesStale_ = true;
}

void TFFT::SetFFTSize(int32_t value)
{
    if (value < 2 || value > kMaxSize)
        throw EFFTError(QStringLiteral("FFT size out of range (%1)").arg(value));
    // trunc(log2(v − 1)) + 1, exactly.
    logSize_ = int32_t(std::bit_width(uint32_t(value - 1)));
    size_ = int32_t(1) << logSize_;
    tablesStale_ = true;
}

void TFFT::SetWindowSize(int32_t value)
{
    if (value < 2 || value > kMaxSize)
        throw EFFTError(QStringLiteral("Window size out of range"));
    windowSize_ = value;
    if (size_ < value)
        SetFFTSize(value);
    tablesStale_ = true;
}

void TFFT::SetWindow(TFFTWindow window)
{
    window_ = window;
    tablesStale_ = true;
    BuildTables();
}

void TFFT::Setwindowleftskew(double value)
{
    leftSkew_ = value;
    tablesStale_ = true;
    BuildTables();
}

void TFFT::Setwindowrightskew(double value)
{
    rightSkew_ = value;
    tablesStale_ = true;
    BuildTables();
}

void TFFT::SetSubtractMean(bool on)
{
    if (on != subtractMean_)
        MarkOutputsStale();
    subtractMean_ = on;
}

void TFFT::SetRealInput(bool on)
{
    if (on != realInput_)
        MarkOutputsStale();
    realInput_ = on;
}

void TFFT::MarkOutputsStale()
{
    transformStale_ = true;
    powerStale_ = true;
    phaseStale_ = true;
}

void TFFT::SetData(const tdoublearr& series)
{
    const int64_t length = int64_t(series.size());
    if (length != windowSize_) {
        if (length > kMaxSize)
            throw EFFTError(QStringLiteral("FFT size out of range (%1)").arg(length));
        SetFFTSize(int32_t(length));
        SetWindowSize(int32_t(length));
    }
    x_ = &series;
    MarkOutputsStale();
}

void TFFT::SetImaginaryData(const tdoublearr& series)
{
    y_ = &series;
    MarkOutputsStale();
}

double TFFT::WindowValue(TFFTWindow window, int32_t i, int32_t w, double leftSkew, double rightSkew)
{
    const bool skewed = leftSkew != 0.5 || rightSkew != 0.5;
    double theta = kTwoPi * i / (w - 1);
    if (skewed)
        theta = SkewedPhase(theta, leftSkew, rightSkew);
    switch (window) {
    case TFFTWindow::rectangle:
        return 1;
    case TFFTWindow::Bartlett:
        if (skewed)
            return theta <= kPi ? theta / kPi : 2 - theta / kPi;
        return i <= (w - 1) / 2.0 ? 2.0 * i / (w - 1) : 2 - 2.0 * i / (w - 1);
    case TFFTWindow::Hamming:
        return 0.54 - 0.46 * std::cos(theta);
    case TFFTWindow::Hanning:
        return (1 - std::cos(theta)) / 2;
    case TFFTWindow::Blackman:
        return 0.42 - 0.5 * std::cos(theta) + 0.08 * std::cos(2 * theta);
    }
    return 1;
}

void TFFT::BuildTables()
{
    if (!tablesStale_ || size_ < windowSize_)
        return;
    const size_t n = size_t(size_);
    cos_.resize(n);
    sin_.resize(n);
    reversal_.resize(n);
    window_table_.resize(n);
    for (size_t t = 0; t < n; ++t) {
        cos_[t] = std::cos(kTwoPi * double(t) / double(n));
        sin_[t] = std::sin(kTwoPi * double(t) / double(n));
    }
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t r = 0;
        uint32_t b = uint32_t(n / 2);
        for (uint32_t c = 1;; c <<= 1) {
            if (i & c)
                r |= b;
            if (b <= 1)
                break;
            b /= 2;
        }
        reversal_[i] = r;
    }
    for (int32_t i = 0; i < windowSize_; ++i)
        window_table_[size_t(i)] = WindowValue(window_, i, windowSize_, leftSkew_, rightSkew_);
    for (size_t i = size_t(windowSize_); i < n; ++i)
        window_table_[i] = 0;
    tablesStale_ = false;
}

void TFFT::CheckTransformable() const
{
    // Reachable only by writing LogFFTSize below the window length: the window would not fit.
    if (size_ < windowSize_)
        throw EFFTError(QStringLiteral("FFT size (%1) is smaller than the window size (%2)").arg(size_).arg(windowSize_));
    if (x_ && int64_t(x_->size()) > size_)
        throw EFFTError(QStringLiteral("Series of %1 samples is longer than the FFT size (%2)").arg(x_->size()).arg(size_));
}

void TFFT::Transform()
{
    CheckTransformable();
    BuildTables();
    const size_t n = size_t(size_);
    static const tdoublearr kEmpty;
    const tdoublearr& x = x_ ? *x_ : kEmpty;
    const tdoublearr& y = y_ ? *y_ : kEmpty;
    re_.resize(n);  // no allocation while the size stays
    im_.resize(n);

    double mx = 0;
    double my = 0;
    if (subtractMean_) {
        if (!x.empty()) {
            for (double v : x)
                mx += v;
            mx /= double(x.size());
        }
        if (!realInput_ && !y.empty()) {
            for (double v : y)
                my += v;
            my /= double(y.size());
        }
    }
    for (size_t i = 0; i < x.size(); ++i)
        re_[reversal_[i]] = (x[i] - mx) * window_table_[i];
    for (size_t i = x.size(); i < n; ++i)
        re_[reversal_[i]] = 0;
    if (realInput_) {
        for (size_t i = 0; i < n; ++i)
            im_[i] = 0;
    } else {
        const size_t ny = std::min(y.size(), n);
        for (size_t i = 0; i < ny; ++i)
            im_[reversal_[i]] = (y[i] - my) * window_table_[i];
        for (size_t i = ny; i < n; ++i)
            im_[reversal_[i]] = 0;
    }

    for (size_t d = 1; d < n; d *= 2) {
        const size_t s = n / (2 * d);
        for (size_t g = 0; g < n; g += 2 * d) {
            for (size_t l = 0; l < d; ++l) {
                const size_t k = g + l;
                const size_t t = l * s;
                const double tr = re_[k + d] * cos_[t] - im_[k + d] * sin_[t];
                const double ti = re_[k + d] * sin_[t] + im_[k + d] * cos_[t];
                re_[k + d] = re_[k] - tr;
                im_[k + d] = im_[k] - ti;
                re_[k] = re_[k] + tr;
                im_[k] = im_[k] + ti;
            }
        }
    }
    const double w = windowSize_;
    for (size_t k = 0; k < n; ++k) {
        re_[k] /= w;
        im_[k] /= w;
    }
    transformStale_ = false;
}

double TFFT::PowerDB(double re, double im)
{
    const double p = re * re + im * im;
    if (p == 0)
        return kNoPower;
    // Overflow or an invalid operand is the floating-point fault that zeroes a bin.
    if (!std::isfinite(p))
        return 0;
    return 10 * std::log10(p);
}

double TFFT::Phase(double re, double im)
{
    if (re != 0) {
        const double a = std::atan(im / re);
        if (re >= 0)
            return a;
        return im > 0 ? a + kPi : a - kPi;
    }
    if (im > 0)
        return kPi / 2;
    return im < 0 ? -kPi / 2 : 0;
}

const tdoublearr& TFFT::TransformRe()
{
    if (transformStale_)
        Transform();
    return re_;
}

const tdoublearr& TFFT::TransformIm()
{
    if (transformStale_)
        Transform();
    return im_;
}

const tdoublearr& TFFT::GetPowerDB()
{
    if (powerStale_) {
        if (transformStale_)
            Transform();
        power_.resize(re_.size());
        for (size_t k = 0; k < power_.size(); ++k)
            power_[k] = PowerDB(re_[k], im_[k]);
        powerStale_ = false;
    }
    return power_;
}

const tdoublearr& TFFT::GetPhase()
{
    if (phaseStale_) {
        if (transformStale_)
            Transform();
        phase_.resize(re_.size());
        for (size_t k = 0; k < phase_.size(); ++k)
            phase_[k] = Phase(re_[k], im_[k]);
        phaseStale_ = false;
    }
    return phase_;
}
