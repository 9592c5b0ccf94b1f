#pragma once

// The real message box: the text, caption, buttons and icon of a call, as the classic boxes
// look and behave. Plain text buttons; a box with one button is closed by Escape and its close
// box; a Yes/No box has neither and must be answered. It is as wide as its caption, of fixed
// size, and centred on its owner.

#include <QMessageBox>

class QSpacerItem;

#include "platform/TestSeams.h"

namespace platform {

class MessageBoxWindow : public QMessageBox {
  Q_OBJECT

 public:
  MessageBoxWindow(const MessageBoxCall& call, QWidget* owner);
  // Shows the box modally; IDOK, IDYES or IDNO. A box dismissed from outside answers No.
  int Run();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QAbstractButton* m_yes = nullptr;
  QSpacerItem* m_captionRoom = nullptr;  // keeps the box as wide as its caption needs
};

}  // namespace platform
