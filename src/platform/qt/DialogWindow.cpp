#include "platform/qt/DialogWindow.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <algorithm>
#include <limits>

#include "platform/ListCtrl.h"
#include "platform/WinApp.h"
#include "platform/qt/ListView.h"
#include "platform/qt/MonthCalendar.h"
#include "platform/qt/Services.h"
#include "platform/qt/WindowFrame.h"

namespace platform {
namespace {

int MulDiv(int value, int numerator, int denominator) {
  const long long product = static_cast<long long>(value) * numerator;
  return static_cast<int>((product + (product >= 0 ? denominator / 2 : -denominator / 2)) / denominator);
}

QString FromBytes(const std::string& bytes) {
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

ByteEdit::ByteEdit(QWidget* parent) : QLineEdit(parent) {
  // No value is ever shortened: Qt's default limit is 32767 characters.
  setMaxLength(std::numeric_limits<int>::max());
  connect(this, &QLineEdit::textEdited, this, &ByteEdit::RemoveLineBreaks);
}

void ByteEdit::SetBytes(const std::string& bytes) {
  const QString shown = FromBytes(bytes);
  m_bytes = bytes;
  if (shown != m_shown || text() != shown) {
    m_shown = shown;
    setText(shown);
  }
}

std::string ByteEdit::Bytes() const {
  const QString current = text();
  if (current == m_shown) return m_bytes;
  return current.toStdString();
}

void ByteEdit::RemoveLineBreaks(const QString& text) {
  // A value is one line of a record in diet.dat: a line break or 0x1A in it would end the
  // record (or the file) early when it is read back.
  if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')) && !text.contains(QChar(0x1A))) return;
  QString cleaned = text;
  cleaned.replace(QLatin1String("\r\n"), QLatin1String(" "));
  cleaned.replace(QLatin1Char('\r'), QLatin1Char(' '));
  cleaned.replace(QLatin1Char('\n'), QLatin1Char(' '));
  cleaned.remove(QChar(0x1A));
  const int cursor = std::min<int>(static_cast<int>(cursorPosition()), static_cast<int>(cleaned.size()));
  setText(cleaned);
  setCursorPosition(cursor);
}

DialogWindow::DialogWindow(CDialog* owner, QWidget* parent) : QDialog(parent), m_owner(owner) {
  const DialogTemplate& tmpl = owner->Template();
  setWindowTitle(QString::fromUtf8(tmpl.caption));
  setWindowFlags(FrameFlags(tmpl.appWindow, tmpl.systemMenu));
  setSizeGripEnabled(false);

  // Base units as the classic dialogs compute them from the dialog font: the average width of
  // the letters and the height of a line.
  const QFontMetrics metrics(font());
  const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  m_baseX = (letters / 26 + 1) / 2;
  m_baseY = metrics.height();

  m_hasSystemMenu = tmpl.systemMenu;
  ResetSystemMenu();
  // Alt+Space opens the window menu wherever the focus is, before any control sees the key.
  auto* menuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
  connect(menuKey, &QShortcut::activated, this, [this] { ShowSystemMenu(mapToGlobal(QPoint(0, 0))); });

  const QRect client = MapDialogRect(0, 0, tmpl.cx, tmpl.cy);
  setFixedSize(client.size());
  BuildControls();
}

DialogWindow::~DialogWindow() = default;

QRect DialogWindow::MapDialogRect(int x, int y, int cx, int cy) const {
  return {MulDiv(x, m_baseX, 4), MulDiv(y, m_baseY, 8), MulDiv(cx, m_baseX, 4), MulDiv(cy, m_baseY, 8)};
}

void DialogWindow::BuildControls() {
  for (const ControlTemplate& control : m_owner->Template().controls) {
    QWidget* widget = nullptr;
    const QString text = control.text ? QString::fromUtf8(control.text) : QString();
    switch (control.kind) {
      case ControlKind::Edit: {
        auto* edit = new ByteEdit(this);
        edit->setReadOnly((control.style & kStyleReadOnly) != 0);
        widget = edit;
        break;
      }
      case ControlKind::PushButton:
      case ControlKind::DefPushButton: {
        auto* button = new QPushButton(text, this);
        button->setAutoDefault(true);
        button->setDefault(control.kind == ControlKind::DefPushButton);
        const int id = control.id;
        connect(button, &QPushButton::clicked, this, [this, id] {
          if (m_owner) m_owner->SendCommand(id);
        });
        widget = button;
        break;
      }
      case ControlKind::Static: {
        auto* label = new QLabel(text, this);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        widget = label;
        break;
      }
      case ControlKind::IconStatic: {
        auto* label = new QLabel(this);
        label->setPixmap(IconFromResource(control.icon).pixmap(32, 32));
        widget = label;
        break;
      }
      case ControlKind::ListView: {
        auto* list = new ListView(this);
        const int id = control.id;
        list->onClick = [this, id] {
          if (!m_owner) return;
          NMHDR header{id, NM_CLICK};
          LRESULT result = 0;
          m_owner->OnNotify(header, &result);
        };
        widget = list;
        break;
      }
      case ControlKind::MonthCalendar: {
        auto* calendar = new MonthCalendar(this);
        // Every day offered has a four-digit year and a local midnight that can be computed.
        calendar->setDateRange(QDate(1900, 1, 1), QDate(9999, 12, 31));
        calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
        calendar->setDateEditEnabled(false);
        // Enter in the calendar presses the dialog's default button, as in any other control.
        for (QWidget* part : calendar->findChildren<QWidget*>()) part->installEventFilter(this);
        widget = calendar;
        break;
      }
    }
    QRect geometry = MapDialogRect(control.x, control.y, control.cx, control.cy);
    // Labels stay readable in fonts wider than the one the layout was drawn for.
    if (control.kind == ControlKind::Static) geometry.setWidth(std::max(geometry.width(), widget->sizeHint().width()));
    widget->setGeometry(geometry);
    // Only the dialog's own background (and its labels) offers the window menu.
    if (control.kind != ControlKind::Static && control.kind != ControlKind::IconStatic &&
        control.kind != ControlKind::Edit)
      widget->setContextMenuPolicy(Qt::PreventContextMenu);
    const bool tabStop = (control.style & kStyleTabStop) != 0;
    widget->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::NoFocus);
    if (control.id != -1) m_controls[control.id] = widget;
    if (tabStop) m_tabOrder.push_back(widget);
  }
  for (std::size_t i = 1; i < m_tabOrder.size(); ++i) setTabOrder(m_tabOrder[i - 1], m_tabOrder[i]);
  NameControlsForScreenReaders();
}

void DialogWindow::NameControlsForScreenReaders() {
  // An edit is called after the label to its left on its line, as it reads on the screen;
  // other controls carry their name in the template. Nothing visible changes.
  const auto controls = m_owner->Template().controls;
  for (const ControlTemplate& control : controls) {
    QWidget* widget = Control(control.id);
    if (!widget) continue;
    if (control.accessibleName) {
      widget->setAccessibleName(QString::fromUtf8(control.accessibleName));
      continue;
    }
    if (control.kind != ControlKind::Edit) continue;
    const ControlTemplate* nearest = nullptr;
    for (const ControlTemplate& label : controls) {
      const int middle = label.y + label.cy / 2;
      if (label.kind != ControlKind::Static || !label.text || middle < control.y || middle > control.y + control.cy ||
          label.x >= control.x || (nearest && nearest->x > label.x))
        continue;
      nearest = &label;
    }
    if (!nearest) continue;
    QString name = QString::fromUtf8(nearest->text).remove(QLatin1Char('&')).trimmed();
    if (name.endsWith(QLatin1Char(':'))) name.chop(1);
    widget->setAccessibleName(name);
    for (QLabel* label : findChildren<QLabel*>())
      if (label->text() == QString::fromUtf8(nearest->text)) label->setBuddy(widget);
  }
}

QWidget* DialogWindow::Control(int id) const {
  const auto it = m_controls.find(id);
  return it == m_controls.end() ? nullptr : it->second;
}

ByteEdit* DialogWindow::Edit(int id) const { return qobject_cast<ByteEdit*>(Control(id)); }
ListView* DialogWindow::List(int id) const { return qobject_cast<ListView*>(Control(id)); }
QCalendarWidget* DialogWindow::Calendar(int id) const { return qobject_cast<QCalendarWidget*>(Control(id)); }

void DialogWindow::FocusFirstControl() {
  if (!m_tabOrder.empty()) m_tabOrder.front()->setFocus(Qt::OtherFocusReason);
}

void DialogWindow::Orphan() {
  for (CListCtrl* list : m_attachedLists) list->Detach();
  for (CMonthCalCtrl* calendar : m_attachedCalendars) calendar->Attach(nullptr, 0);
  m_attachedLists.clear();
  m_attachedCalendars.clear();
  m_owner = nullptr;
}

bool DialogWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    // Enter on the keypad comes with the keypad modifier.
    const bool plain =
        key->modifiers() == Qt::NoModifier || (key->key() == Qt::Key_Enter && key->modifiers() == Qt::KeypadModifier);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && plain) {
      PressDefaultButton();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

bool DialogWindow::QuitModalLoop() {
  if (!m_loop) return false;
  m_loop->quit();
  return true;
}

void DialogWindow::PressDefaultButton() {
  for (QPushButton* button : findChildren<QPushButton*>()) {
    if (button->isDefault() && button->isVisible() && button->isEnabled()) {
      button->click();
      return;
    }
  }
}

void DialogWindow::ResetSystemMenu() {
  // What the window menu of a dialog frame offers; the program may append to it.
  m_systemMenu.RemoveAll();
  m_systemMenu.AppendMenu(MF_STRING, SC_MOVE, "&Move");
  m_systemMenu.AppendMenu(MF_SEPARATOR);
  m_systemMenu.AppendMenu(MF_STRING, SC_CLOSE, "&Close\tAlt+F4");
}

void DialogWindow::ShowSystemMenu(const QPoint& globalPosition) {
  if (!m_hasSystemMenu) return;
  auto* menu = new QMenu(this);
  menu->setObjectName(QStringLiteral("systemMenu"));
  menu->setAttribute(Qt::WA_DeleteOnClose);
  for (int i = 0; i < m_systemMenu.GetMenuItemCount(); ++i) {
    if (m_systemMenu.IsSeparator(i)) {
      menu->addSeparator();
      continue;
    }
    const QStringList parts = QString::fromStdString(m_systemMenu.GetMenuString(i)).split(QLatin1Char('\t'));
    QAction* action = menu->addAction(parts.front());
    if (parts.size() > 1) action->setShortcut(QKeySequence(parts.back()));
    const UINT id = m_systemMenu.GetMenuItemID(i);
    connect(action, &QAction::triggered, this, [this, id] {
      if (m_owner) m_owner->SendSysCommand(id, 0);
    });
  }
  menu->popup(globalPosition);
}

void DialogWindow::paintEvent(QPaintEvent* event) {
  if (!m_owner) {
    QDialog::paintEvent(event);
    return;
  }
  m_painting = true;
  m_owner->OnPaint();
  m_painting = false;
}

void DialogWindow::contextMenuEvent(QContextMenuEvent* event) {
  // A right-click on the dialog's own background opens its window menu.
  ShowSystemMenu(event->globalPos());
}

void DialogWindow::keyPressEvent(QKeyEvent* event) {
  if (m_owner && event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
    m_owner->SendCommand(ID_HELP);
    return;
  }
  if (m_owner && event->key() == Qt::Key_F4 && event->modifiers() == Qt::AltModifier) {
    m_owner->SendSysCommand(SC_CLOSE, 0);
    return;
  }
  QDialog::keyPressEvent(event);  // Enter presses the default button, Escape rejects
}

void DialogWindow::closeEvent(QCloseEvent* event) {
  // The close box is the close system command; the dialog decides what happens.
  event->ignore();
  if (m_owner) m_owner->SendSysCommand(SC_CLOSE, 0);
}

void DialogWindow::reject() {
  if (m_owner) m_owner->OnCancel();
}

}  // namespace platform
