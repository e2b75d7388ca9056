// A sequence file dropped on any of the program's windows opens as one chosen in the open
// dialog: playback stops, then OpenSequence. A sound file opens as the sound.
#include "viewer/ui/stremax1.h"

#include "platform/FileNames.h"
#include "viewer/session/ErrorHandler.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace {

// The one local file a drag carries; empty for several files, or for anything else.
QString DroppedFile(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1 || !data->urls().front().isLocalFile())
        return QString();
    // The path's bytes as the URL carries them: toLocalFile() would replace those that are not UTF-8.
    return DecodeFileName(QByteArray::fromPercentEncoding(data->urls().front().path(QUrl::FullyEncoded).toLatin1()));
}

// Taken as a copy (or a link), never as a move: a file manager that honours a move would delete
// the user's recording once it is dropped. False when the source offers neither.
bool TakeAsCopy(QDropEvent& event)
{
    const Qt::DropActions possible = event.possibleActions();
    if (possible & Qt::CopyAction)
        event.setDropAction(Qt::CopyAction);
    else if (possible & Qt::LinkAction)
        event.setDropAction(Qt::LinkAction);
    else
        return false;
    event.accept();
    return true;
}

class TFileDrop : public QObject {
public:
    TFileDrop(QWidget& window, std::function<void(const QString&)> open) : QObject(&window), open_(std::move(open))
    {
        window.setAcceptDrops(true);
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (DroppedFile(drag->mimeData()).isEmpty())
                return false;
            if (!TakeAsCopy(*drag))
                drag->ignore();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            const QString file = DroppedFile(drop->mimeData());
            if (file.isEmpty())
                return false;
            if (!TakeAsCopy(*drop)) {
                drop->ignore();
                return true;
            }
            open_(file);
            return true;
        }
        return false;
    }

private:
    std::function<void(const QString&)> open_;
};

}  // namespace

void TForm1::AcceptDroppedFiles(QWidget& window)
{
    new TFileDrop(window, [this](const QString& file) {
        errors_.Guarded([this, &file] {
            if (IsDroppedSound(file)) {
                OpenSoundFile(file);
                return;
            }
            ReleasePlayButton();
            OpenSequence(file);
        });
    });
}
