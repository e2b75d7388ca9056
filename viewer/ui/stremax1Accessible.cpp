// The main window as assistive technology reads it: the painted image and its axes, and what
// each status-bar panel is for (the panels' names stay their texts).
#include "viewer/ui/stremax1.h"

#include "plot/widgets/AccessibleText.h"
#include "plot/widgets/saxes.h"
#include "viewer/widgets/ImageBoxWidget.h"

#include <QLabel>

void TForm1::BuildAccessibleTexts()
{
    setAccessibleDescription(QStringLiteral("The sequence's frames"));
    imageXAxis_->setAccessibleName(QStringLiteral("Column axis"));
    imageYAxis_->setAccessibleName(QStringLiteral("Row axis"));
    SetAccessibleTexts(*imageBox_, QAccessible::Graphic, QStringLiteral("Image"), [this] {
        const TSequence& sequence = session_.Sequence();
        return QStringLiteral("Frame %1 of %2, %3 x %4 pixels, column %5, row %6")
            .arg(session_.View().CurrentFrame)
            .arg(sequence.Header().FrameCount)
            .arg(sequence.Width())
            .arg(sequence.Height())
            .arg(AccessibleNumber(imageXAxis_->MarkerValue()))
            .arg(session_.View().SelectedRow);
    });
    const char* const purposes[] = {"Current frame",   "Selected frequency", "Speckle tracking",
                                    "Notice",          "Time of the frame",  "Under the mouse"};
    for (size_t i = 0; i < statusPanels_.size(); ++i)
        if (statusPanels_[i])
            statusPanels_[i]->setAccessibleDescription(QLatin1String(purposes[i]));
}
