#pragma once
// Text measuring for tick labels, apart from any paint device so tick layout can be tested with
// made-up sizes.

#include <QFont>
#include <QFontMetrics>
#include <QString>

class TLabelMetrics {
public:
    virtual ~TLabelMetrics() = default;
    virtual int Width(const QString& text) const = 0;
    virtual int Height(const QString& text) const = 0;  // 0 for an empty text
};

// Sizes in a real font.
class TFontLabelMetrics final : public TLabelMetrics {
public:
    explicit TFontLabelMetrics(const QFont& font) : metrics_(font) {}
    int Width(const QString& text) const override { return metrics_.horizontalAdvance(text); }
    int Height(const QString& text) const override { return text.isEmpty() ? 0 : metrics_.height(); }

private:
    QFontMetrics metrics_;
};
