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
#include <cstdlib>
#include <functional>
#include <utility>

#include "platform/Dialog.h"
#include "platform/LastChance.h"
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

std::function<void()>& LastChance() {
  // Never destroyed: it is still asked for by the exit handler, after static objects are gone.
  static auto* handler = new std::function<void()>;
  return *handler;
}

// Runs the handler once, whichever way of ending comes first.
void RunLastChance() {
  std::function<void()> handler = std::exchange(LastChance(), {});
  if (handler) handler();
}

QtMessageHandler g_previousMessageHandler = nullptr;

void OnMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  // A fatal message aborts the process right after this handler.
  if (type == QtFatalMsg) RunLastChance();
  if (g_previousMessageHandler) g_previousMessageHandler(type, context, message);
}

}  // namespace

void SetLastChanceHandler(std::function<void()> handler) { LastChance() = std::move(handler); }

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
  // A file size limit makes a write fail with EFBIG, which the save reports, instead of ending
  // the process in the middle of it.
  std::signal(SIGXFSZ, SIG_IGN);
  // The toolkit ends the process itself when the display goes away: the data is saved first.
  std::atexit(RunLastChance);
  g_previousMessageHandler = qInstallMessageHandler(OnMessage);

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
