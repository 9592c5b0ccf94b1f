#include "platform/WinApp.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>

#include "platform/Dialog.h"
#include "platform/TestSeams.h"
#include "platform/qt/CloseRequests.h"
#include "platform/qt/DialogWindow.h"
#include "platform/qt/Services.h"

// The pictures are compiled into the platform library; a static library registers them by hand
// (outside any namespace, where the resource's registration function lives).
static void InitResources() { Q_INIT_RESOURCE(icons); }

namespace {

CWinApp* g_app = nullptr;
std::string g_appTitle;
std::function<void(const std::string&)> g_shellOpenHook;
std::function<bool()> g_socketInitHook;

void SetAppTitleFromPath(const char* path) {
  std::string name = path ? path : "";
  if (const auto slash = name.find_last_of("/\\"); slash != std::string::npos) name.erase(0, slash + 1);
  if (const auto dot = name.find_last_of('.'); dot != std::string::npos && dot > 0) name.erase(dot);
  g_appTitle = name;
}

}  // namespace

CWinApp::CWinApp(const char*) { g_app = this; }

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

bool CWinApp::InitInstance() { return true; }
int CWinApp::ExitInstance() { return 0; }

bool CWinApp::OnCommand(int id) {
  if (id == ID_HELP) {
    OnHelp();
    return true;
  }
  return false;
}

void CWinApp::OnHelp() {
  // The program installs no help file, so there is nothing to open.
}

CWinApp* AfxGetApp() { return g_app; }

void ShellOpen(const std::string& target) {
  if (g_shellOpenHook) {
    g_shellOpenHook(target);
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
  return g_socketInitHook ? g_socketInitHook() : true;
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

const std::string& AfxGetAppTitle() { return g_appTitle; }

int AfxWinMain(int, char** argv) {
  // The toolkit sees the program name only: no command-line argument changes anything.
  static int qtArgc = 1;
  static char* qtArgv[] = {argv[0], nullptr};
  SetAppTitleFromPath(argv[0]);
  QApplication application(qtArgc, qtArgv);
  // The title is the executable file's own name, whatever name it was started by.
  if (const QString file = QCoreApplication::applicationFilePath(); !file.isEmpty())
    SetAppTitleFromPath(file.toStdString().c_str());
  InitResources();
  QApplication::setApplicationName(QString::fromStdString(g_appTitle));
  QApplication::setDesktopFileName(QStringLiteral("org.girthminder.Girthminder"));
  QApplication::setQuitOnLastWindowClosed(false);
  platform::InstallCloseRequests();

  CWinApp* app = AfxGetApp();
  if (!app) return 1;
  if (app->InitInstance()) QApplication::exec();
  return app->ExitInstance();
}

namespace platform {

void SetShellOpenHook(std::function<void(const std::string&)> hook) { g_shellOpenHook = std::move(hook); }
void SetSocketInitHook(std::function<bool()> hook) { g_socketInitHook = std::move(hook); }

void InitApplicationForTests(const char* programName) {
  static int qtArgc = 1;
  static char name[256] = {};
  static char* qtArgv[] = {name, nullptr};
  std::snprintf(name, sizeof name, "%s", programName);
  SetAppTitleFromPath(programName);
  static QApplication* application = new QApplication(qtArgc, qtArgv);
  (void)application;
  InitResources();
  QApplication::setQuitOnLastWindowClosed(false);
}

}  // namespace platform
