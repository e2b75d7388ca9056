#pragma once
// A desktop for the tools and help menus that records what they ask and show, answers questions
// from a queue (No when it is empty), and starts or opens nothing.

#include "services/ServiceDesktop.h"

#include <QList>
#include <QString>
#include <QStringList>

class TRecordingDesktop : public TServiceDesktop {
public:
    struct TBox {
        QString Text;
        QString Caption;
        TMessageIcon Icon;
        bool Question;
    };
    struct TStart {
        QString Program;
        QStringList Arguments;
    };

    bool AskYesNo(const QString& text, const QString& caption, TMessageIcon icon) override
    {
        boxes.append({text, caption, icon, true});
        return !answers.isEmpty() && answers.takeFirst();
    }
    void ShowMessage(const QString& text, const QString& caption, TMessageIcon icon) override
    {
        boxes.append({text, caption, icon, false});
    }
    bool StartProgram(const QString& program, const QStringList& arguments) override
    {
        starts.append({program, arguments});
        return startSucceeds;
    }
    bool OpenDocument(const QString& target) override
    {
        opened << target;
        return true;
    }
    void ShowAbout() override { ++abouts; }
    void Quit() override { ++quits; }

    QList<TBox> boxes;
    QList<bool> answers;
    QList<TStart> starts;
    bool startSucceeds = true;
    QStringList opened;
    int abouts = 0;
    int quits = 0;
};

// Counts the tools menu's broadcasts.
#include "services/stools.h"

class TRecordingToolsChannel : public TToolsChannel {
public:
    void PostChange() override { ++posts; }
    void Listen(std::function<void()> onForeignChange) override { listener = std::move(onForeignChange); }
    void StopListening() override { listener = nullptr; }

    int posts = 0;
    std::function<void()> listener;
};
