// The mouse on the image: a left click picks the point and the row, a right-button drag moves
// only the row, a left-button drag sweeps the point across the image.
#include "viewer/ui/stremax1.h"

#include "plot/widgets/saxes.h"
#include "viewer/session/ErrorHandler.h"

#include <QCheckBox>
#include <algorithm>
#include <cmath>

QPoint TForm1::PickedPixel(QPoint boxPosition) const
{
    // The pixel drawn under the cursor; a position outside the image (the button held while
    // leaving the box) picks the nearest pixel, so the analysis windows always get a pixel of
    // the image.
    const auto inside = [](double value, int32_t size) {
        if (!(value >= 0))
            return 0;
        return int32_t(std::min(value, double(size - 1)));
    };
    const TSequence& sequence = session_.Sequence();
    return QPoint(inside(imageXAxis_->PixelToCell(boxPosition.x()), sequence.Width()),
                  inside(imageYAxis_->PixelToCell(boxPosition.y()), sequence.Height()));
}

void TForm1::SetPickMarkers(QPoint, QPoint pixel)
{
    // The markers go through the middle of the picked pixel.
    imageXAxis_->SetMarkerValue(pixel.x());
    imageYAxis_->SetMarkerValue(pixel.y());
    // The kymogram's column axis shows the picked column (its length differs from the box's).
    session_.MarkKymogramColumn(pixel.x());
}

void TForm1::LeftButtonActions(QPoint pixel)
{
    session_.SetSelectedPoint(pixel.x(), pixel.y());
    if (phaseReferenceBox_->isChecked())
        session_.SetPhaseReference(pixel.x(), pixel.y());
    session_.TrackSpeckle(pixel);
}

void TForm1::OnImageMousePressed(QPoint position, Qt::MouseButton button)
{
    errors_.Guarded([&] {
        const QPoint pixel = PickedPixel(position);
        SetPickMarkers(position, pixel);
        if (button == Qt::LeftButton)
            LeftButtonActions(pixel);
        session_.SetSelectedRow(pixel.y());
    });
}

void TForm1::OnImageMouseMoved(QPoint position, Qt::MouseButtons buttons)
{
    if (!(buttons & (Qt::LeftButton | Qt::RightButton)))
        return;
    errors_.Guarded([&] {
        const QPoint pixel = PickedPixel(position);
        SetPickMarkers(position, pixel);
        if (buttons & Qt::LeftButton)
            LeftButtonActions(pixel);
        if (buttons & Qt::RightButton) {
            session_.SetSelectedRow(pixel.y());
            RenderFrame();
        }
    });
}

void TForm1::OnImageMouseReleased(QPoint position, Qt::MouseButton button)
{
    errors_.Guarded([&] {
        const QPoint pixel = PickedPixel(position);
        SetPickMarkers(position, pixel);
        // The end of a right-button drag keeps the point: that drag moves only the row.
        if (button != Qt::RightButton)
            session_.SetSelectedPoint(pixel.x(), pixel.y());
        session_.SetSelectedRow(pixel.y());
        RenderFrame();
    });
}
