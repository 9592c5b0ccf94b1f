#include "app/GirthminderApp.h"

#include "log/GirthminderDlg.h"
#include "res/Resources.h"

CGirthminderApp::CGirthminderApp() : CWinApp(nullptr) {}

CGirthminderApp::~CGirthminderApp() = default;

bool CGirthminderApp::InitInstance() {
  if (!AfxSocketInit()) {
    AfxMessageBox(res::LoadString(IDP_SOCKETS_INIT_FAILED));
    return false;
  }
  AfxEnableControlContainer();
  Enable3dControlsStatic();

  CGirthminderDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;
  return false;
}
