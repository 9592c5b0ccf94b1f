#include "platform/qt/Services.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <utility>

#include "platform/Dialog.h"
#include "platform/qt/DialogWindow.h"

namespace platform {
namespace {

std::function<int(const MessageBoxCall&)> g_messageBoxHook;
std::function<void(CDialog&)> g_modalHook;
std::function<void(int, int, const void*)> g_drawIconHook;

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

}  // namespace

void SetMessageBoxHook(std::function<int(const MessageBoxCall&)> hook) { g_messageBoxHook = std::move(hook); }
void SetModalHook(std::function<void(CDialog&)> hook) { g_modalHook = std::move(hook); }
void SetDrawIconHook(std::function<void(int, int, const void*)> hook) { g_drawIconHook = std::move(hook); }

void RecordDrawnIcon(int x, int y, const void* icon) {
  if (g_drawIconHook) g_drawIconHook(x, y, icon);
}

bool HasModalHook() { return static_cast<bool>(g_modalHook); }
void RunModalHook(CDialog& dialog) {
  if (g_modalHook) g_modalHook(dialog);
}

int ShowMessageBox(const MessageBoxCall& call, QWidget* owner) {
  if (g_messageBoxHook) return g_messageBoxHook(call);

  QMessageBox box(owner ? owner : QApplication::activeWindow());
  box.setWindowTitle(QString::fromUtf8(call.caption.data(), static_cast<qsizetype>(call.caption.size())));
  // The texts use CR LF for a line break.
  QString text = QString::fromUtf8(call.text.data(), static_cast<qsizetype>(call.text.size()));
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  box.setText(text);
  box.setTextFormat(Qt::PlainText);
  box.setIcon(IconOf(call.type));
  if ((call.type & MB_TYPEMASK) == MB_YESNO) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes ? IDYES : IDNO;
  }
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
  return IDOK;
}

QIcon IconFromResource(const IconResource* icon) {
  QIcon result;
  if (!icon) return result;
  for (int i = 0; i < icon->imageCount; ++i) result.addFile(QString::fromUtf8(icon->images[i]));
  if (icon->scalable) result.addFile(QString::fromUtf8(icon->scalable));
  return result;
}

}  // namespace platform
