#pragma once
// The frame keys of a window: Left/Right one frame, Shift+Left/Right ten, Home/End the first and
// last frame, PgUp/PgDn a kymogram span, Ctrl+G "Go to frame...". None of these keys has another
// meaning in the windows that get them (the mouse picks, the menus use Ctrl+letters and F-keys).

class QAction;
class QWidget;
class TErrorHandler;
class TViewerSession;

// Adds the actions to `window` (shortcuts while it or a child has focus); they are the window's
// children. Returns "Go to frame..." for a menu. The session and the handler must outlive them.
QAction* AddFrameNavigation(QWidget& window, TViewerSession& session, TErrorHandler& errors);

// Asks for a frame number (0 … FrameCount − 1, starting at the current one) and goes there.
void AskGoToFrame(QWidget* parent, TViewerSession& session);
