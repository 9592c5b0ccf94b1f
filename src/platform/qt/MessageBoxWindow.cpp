#include "platform/qt/MessageBoxWindow.h"

#include <QAbstractButton>
#include <QGridLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QSpacerItem>
#include <algorithm>

#include "platform/Win32Types.h"
#include "platform/qt/WindowFrame.h"

namespace platform {
namespace {

QMessageBox::Icon IconOf(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
      return QMessageBox::Critical;
    case MB_ICONQUESTION:
      return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
      return QMessageBox::Warning;
    case MB_ICONASTERISK:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

QString FromBytes(const std::string& bytes) {
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

MessageBoxWindow::MessageBoxWindow(const MessageBoxCall& call, QWidget* owner) : QMessageBox(owner) {
  const bool yesNo = (call.type & MB_TYPEMASK) == MB_YESNO;
  setWindowFlags(FrameFlags(false, !yesNo));
  setWindowTitle(FromBytes(call.caption));
  // The texts use CR LF for a line break.
  QString text = FromBytes(call.text);
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  setTextFormat(Qt::PlainText);
  setText(text);
  setIcon(IconOf(call.type));
  // Buttons of our own rather than the standard ones: those carry the style's pictures. The
  // Yes/No pair takes no role that the box would answer Escape or its close box with.
  if (yesNo) {
    m_yes = addButton(tr("&Yes"), QMessageBox::ActionRole);
    addButton(tr("&No"), QMessageBox::ActionRole);
    setDefaultButton(qobject_cast<QPushButton*>(m_yes));
  } else {
    setDefaultButton(addButton(tr("OK"), QMessageBox::AcceptRole));
  }
  for (QAbstractButton* button : buttons()) button->setIcon(QIcon());
}

int MessageBoxWindow::Run() {
  exec();
  if (!m_yes) return IDOK;
  return clickedButton() == m_yes ? IDYES : IDNO;
}

void MessageBoxWindow::showEvent(QShowEvent* event) {
  // The box sizes itself to its layout whenever it likes (when shown, on style changes): room
  // for the whole caption is made in the layout itself, so that every such sizing keeps it.
  auto* grid = qobject_cast<QGridLayout*>(layout());
  if (grid && (!m_captionRoom || grid->indexOf(m_captionRoom) < 0)) {
    const QMargins margins = grid->contentsMargins();
    const int room = WidthForCaption(this, windowTitle()) - margins.left() - margins.right();
    m_captionRoom = new QSpacerItem(std::max(room, 0), 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    grid->addItem(m_captionRoom, grid->rowCount(), 0, 1, grid->columnCount());
  }
  QMessageBox::showEvent(event);  // fits the box to its layout and centres it on the owner
}

}  // namespace platform
