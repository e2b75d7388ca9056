#pragma once
// Widget tests at another desktop font size.

#include <QApplication>
#include <QFont>

// The desktop font, or a multiple of it, for the life of the scope.
class TFontScale {
public:
    explicit TFontScale(double factor) : saved_(QApplication::font())
    {
        QFont font = saved_;
        font.setPointSizeF(saved_.pointSizeF() * factor);
        QApplication::setFont(font);
    }
    ~TFontScale() { QApplication::setFont(saved_); }

private:
    QFont saved_;
};
