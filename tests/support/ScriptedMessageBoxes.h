#pragma once
// Message boxes that record what they were asked and answer from a script (No when it runs out
// of Yes/No answers; OK boxes need none).

#include "services/MessageBoxes.h"

#include <QList>

struct TShownBox {
    QString text;
    QString caption;
    TMessageIcon icon;
    TMessageButtons buttons;
};

class TScriptedMessageBoxes : public TMessageBoxes {
public:
    TMessageAnswer Show(const QString& text, const QString& caption, TMessageIcon icon,
                        TMessageButtons buttons) override
    {
        shown.append({text, caption, icon, buttons});
        if (buttons == TMessageButtons::ok)
            return TMessageAnswer::ok;
        return answers.isEmpty() ? TMessageAnswer::no : answers.takeFirst();
    }
    QList<TShownBox> shown;
    QList<TMessageAnswer> answers;
};
