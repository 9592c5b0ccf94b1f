#pragma once

// The window of a CDialog: a QDialog whose controls are built from the dialog's template, laid
// out in dialog units of the dialog's font.

#include <QDialog>
#include <QLineEdit>
#include <map>
#include <string>
#include <vector>

#include "platform/Dialog.h"

class QCalendarWidget;
class QEventLoop;

namespace platform {

class ListView;

// An edit that gives back exactly the bytes it was given while the user has not changed it,
// and keeps line breaks and the byte 0x1A out of what the user types or pastes.
class ByteEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit ByteEdit(QWidget* parent);
  void SetBytes(const std::string& bytes);
  std::string Bytes() const;

 private:
  void RemoveLineBreaks(const QString& text);

  std::string m_bytes;
  QString m_shown;
};

class DialogWindow : public QDialog {
  Q_OBJECT

 public:
  DialogWindow(CDialog* owner, QWidget* parent);
  ~DialogWindow() override;

  QWidget* Control(int id) const;
  ByteEdit* Edit(int id) const;
  ListView* List(int id) const;
  QCalendarWidget* Calendar(int id) const;

  // Dialog units to pixels, from the dialog font as the classic dialogs compute them.
  QRect MapDialogRect(int x, int y, int cx, int cy) const;

  void FocusFirstControl();
  void RememberAttached(CListCtrl* list) { m_attachedLists.push_back(list); }
  void RememberAttached(CMonthCalCtrl* calendar) { m_attachedCalendars.push_back(calendar); }
  // The dialog object lets go of the window: attached controls are detached, events dropped.
  void Orphan();

  CMenu* SystemMenu() { return m_hasSystemMenu ? &m_systemMenu : nullptr; }
  void ResetSystemMenu();
  // Shows the system menu at a point on the screen; its commands go to the dialog.
  void ShowSystemMenu(const QPoint& globalPosition);
  bool IsPainting() const { return m_painting; }

  // The loop of a modal run, which ending the dialog quits.
  void SetModalLoop(QEventLoop* loop) { m_loop = loop; }
  // Quits the modal loop; false when none runs.
  bool QuitModalLoop();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;
  void paintEvent(QPaintEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void BuildControls();
  void NameControlsForScreenReaders();
  void PressDefaultButton();

  CDialog* m_owner;
  int m_baseX = 0;
  int m_baseY = 0;
  std::map<int, QWidget*> m_controls;
  std::vector<QWidget*> m_tabOrder;
  std::vector<CListCtrl*> m_attachedLists;
  std::vector<CMonthCalCtrl*> m_attachedCalendars;
  CMenu m_systemMenu;
  bool m_hasSystemMenu = false;
  bool m_painting = false;
  QEventLoop* m_loop = nullptr;
};

}  // namespace platform
