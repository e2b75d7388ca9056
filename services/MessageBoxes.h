#pragma once
// The standard message box as the service components ask for it: a text, a caption, one icon
// and OK or Yes/No. The window layer shows real boxes (MessageBoxDialog.h); tests answer from a
// script. Line breaks in texts are "\n". User-interface thread.

#include <QString>

enum class TMessageIcon { information, question, warning, error };
enum class TMessageButtons { ok, yesNo };
enum class TMessageAnswer { ok, yes, no };

class TMessageBoxes {
public:
    virtual ~TMessageBoxes() = default;
    virtual TMessageAnswer Show(const QString& text, const QString& caption, TMessageIcon icon,
                                TMessageButtons buttons) = 0;
};
