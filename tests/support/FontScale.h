#pragma once
// The application's font scaled for the life of a scope, as a desktop at 1.5x scale gives it.

#include <QFont>
#include <QGuiApplication>

class TFontScale {
public:
    explicit TFontScale(double factor) : saved_(QGuiApplication::font())
    {
        QFont font = saved_;
        font.setPointSizeF(saved_.pointSizeF() * factor);
        QGuiApplication::setFont(font);
    }
    ~TFontScale() { QGuiApplication::setFont(saved_); }
    TFontScale(const TFontScale&) = delete;
    TFontScale& operator=(const TFontScale&) = delete;

private:
    QFont saved_;
};
