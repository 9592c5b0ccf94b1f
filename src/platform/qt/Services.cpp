#include "platform/qt/Services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <utility>

#include "platform/Dialog.h"
#include "platform/Time.h"
#include "platform/WinApp.h"
#include "platform/qt/DialogWindow.h"
#include "platform/qt/MessageBoxWindow.h"

namespace platform {
namespace {

std::function<int(const MessageBoxCall&)> g_messageBoxHook;
std::function<void(const std::string&)> g_shellOpenHook;
std::function<std::time_t()> g_clockHook;
std::function<bool()> g_socketInitHook;
std::function<void(CDialog&)> g_modalHook;
std::function<void(int, int, const void*)> g_drawIconHook;

}  // namespace

void SetMessageBoxHook(std::function<int(const MessageBoxCall&)> hook) { g_messageBoxHook = std::move(hook); }
void SetShellOpenHook(std::function<void(const std::string&)> hook) { g_shellOpenHook = std::move(hook); }
void SetClockHook(std::function<std::time_t()> hook) { g_clockHook = std::move(hook); }
void SetSocketInitHook(std::function<bool()> hook) { g_socketInitHook = std::move(hook); }
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
  MessageBoxWindow box(call, owner ? owner : QApplication::activeWindow());
  return box.Run();
}

QIcon IconFromResource(const IconResource* icon) {
  QIcon result;
  if (!icon) return result;
  // The scalable picture goes first: it picks the icon engine that draws every other size
  // sharply, while the pictures drawn for the small sizes are still shown at their own size.
  if (icon->scalable) result.addFile(QString::fromUtf8(icon->scalable));
  for (int i = 0; i < icon->imageCount; ++i) result.addFile(QString::fromUtf8(icon->images[i]));
  return result;
}

}  // namespace platform

void ShellOpen(const std::string& target) {
  if (platform::g_shellOpenHook) {
    platform::g_shellOpenHook(target);
    return;
  }
  const QString text = QString::fromUtf8(target.data(), static_cast<qsizetype>(target.size()));
  const QUrl url = text.contains(QLatin1String("://"))
                       ? QUrl(text)
                       : QUrl::fromLocalFile(QFileInfo(QDir::current(), text).absoluteFilePath());
  QDesktopServices::openUrl(url);
}

bool AfxSocketInit() {
  // Nothing to start on this system: the program opens no socket.
  return platform::g_socketInitHook ? platform::g_socketInitHook() : true;
}

void AfxEnableControlContainer() {}
void Enable3dControlsStatic() {}

int AfxMessageBox(const std::string& text, UINT type, UINT) {
  // Application boxes that ask for no icon show the exclamation mark.
  if ((type & MB_ICONMASK) == 0) type |= MB_ICONEXCLAMATION;
  CWinApp* app = AfxGetApp();
  QWidget* owner = app && app->m_pMainWnd ? app->m_pMainWnd->Window() : nullptr;
  return platform::ShowMessageBox({text, AfxGetAppTitle(), type, true}, owner);
}

CTime CTime::GetCurrentTime() { return CTime(platform::g_clockHook ? platform::g_clockHook() : std::time(nullptr)); }
