#include "platform/qt/WindowFrame.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QString>
#include <QWidget>
#include <algorithm>

namespace platform {

Qt::WindowFlags FrameFlags(bool applicationWindow, bool closeBox) {
  Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if (closeBox) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  return flags | (applicationWindow ? Qt::Window : Qt::Dialog);
}

int WidthForCaption(const QWidget* window, const QString& caption) {
  // Window managers draw captions in a bold face of about the desktop's size and put up to
  // four squares of the title bar's height beside them (icon, minimise, maximise, close),
  // plus the frame and padding.
  QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
  titleFont.setBold(true);
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.1);
  const QFontMetrics title(titleFont);
  const int bar = std::max(title.height(), window ? window->fontMetrics().height() : 0) + 6;
  return title.horizontalAdvance(caption) + 4 * bar + 2 * bar;
}

}  // namespace platform
