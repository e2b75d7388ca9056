// Playback: the Play button and the 20 ms timer that moves the frame by the clock.
#include "viewer/ui/stremax1.h"


#include <QAction>

bool TForm1::PlayButtonDown() const { return playAction_->isChecked(); }

void TForm1::SetPlayButton(bool down)
{
    if (playAction_->isChecked() != down) {
        playAction_->setChecked(down);  // comes back here through the button's toggled signal
        return;
    }
    session_.SetPlaying(down);
}
