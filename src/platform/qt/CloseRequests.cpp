#include "platform/qt/CloseRequests.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <csignal>

#include "platform/Dialog.h"
#include "platform/WinApp.h"
#include "platform/qt/DialogWindow.h"

namespace platform {
namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
  // Only async-signal-safe work here: wake the event loop through the pipe.
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(g_signalPipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

void RequestMainWindowClose() {
  CWinApp* app = AfxGetApp();
  CDialog* main = app ? app->m_pMainWnd : nullptr;
  if (!main || !main->Window()) return;
  QWidget* mainWindow = main->Window();
  // Dismiss whatever is open above the main window, innermost first, as Escape would.
  while (QWidget* modal = QApplication::activeModalWidget()) {
    if (modal == mainWindow) break;
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    modal->hide();
  }
  // The close command runs once the loops of the dismissed boxes have returned.
  QTimer::singleShot(0, mainWindow, [main] { main->SendSysCommand(SC_CLOSE, 0); });
}

void InstallCloseRequests() {
  if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
    char buffer[64];
    while (read(g_signalPipe[0], buffer, sizeof buffer) > 0) {}
    RequestMainWindowClose();
  });

  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);

  QObject::connect(
      qApp, &QGuiApplication::commitDataRequest, qApp, [](QSessionManager&) { RequestMainWindowClose(); },
      Qt::DirectConnection);
}

}  // namespace platform
