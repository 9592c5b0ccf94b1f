#pragma once

// How the program's windows ask the window manager to frame them, as the classic dialogs look:
// a title bar with at most a close box (no minimise, no maximise) on a window of fixed size.

#include <Qt>

class QString;
class QWidget;

namespace platform {

// An application window has a taskbar button of its own and belongs to no other window; the
// other dialogs and boxes belong to their owner. `closeBox`: the title bar offers closing.
Qt::WindowFlags FrameFlags(bool applicationWindow, bool closeBox);

// The least width at which a window shows its whole caption beside the title bar's icon and
// buttons, whatever the window manager draws there.
int WidthForCaption(const QWidget* window, const QString& caption);

}  // namespace platform
