#include "platform/Dialog.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/ListCtrl.h"
#include "platform/WinApp.h"
#include "platform/win32/DialogWindow.h"
#include "platform/win32/ListView.h"
#include "platform/win32/Services.h"
#include "platform/win32/TemplateBuilder.h"

using platform::DialogWindow;

namespace {

HWND HandleOf(const CDialog* dialog) { return dialog && dialog->Window() ? dialog->Window()->Handle() : nullptr; }

// A dialog given no parent is owned by the application's main window, as the framework does.
HWND OwnerOf(const CDialog* dialog) {
  if (dialog->Parent()) return HandleOf(dialog->Parent());
  CWinApp* app = AfxGetApp();
  return app && app->m_pMainWnd != dialog ? HandleOf(app->m_pMainWnd) : nullptr;
}

}  // namespace

void DDX_Text(CDataExchange* pDX, int id, std::string& value) {
  if (pDX->m_bFailed) return;
  DialogWindow* window = pDX->m_pDlgWnd->Window();
  if (!window || !window->HasEdit(id)) return;
  if (pDX->m_bSaveAndValidate)
    value = window->EditBytes(id);
  else
    window->SetEditBytes(id, value);
}

void DDX_Text(CDataExchange* pDX, int id, int& value) {
  if (pDX->m_bFailed) return;
  DialogWindow* window = pDX->m_pDlgWnd->Window();
  if (!window || !window->HasEdit(id)) return;
  if (!pDX->m_bSaveAndValidate) {
    window->SetEditBytes(id, std::to_string(value));
    return;
  }
  const std::string text = window->EditBytes(id);
  char* end = nullptr;
  errno = 0;
  const long long parsed = std::strtoll(text.c_str(), &end, 10);
  while (end && (*end == ' ' || *end == '\t')) ++end;
  if (text.empty() || end == text.c_str() || *end != '\0' || errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX) {
    pDX->m_pDlgWnd->MessageBox("Please enter an integer.", AfxGetAppTitle(), MB_OK | MB_ICONEXCLAMATION);
    SetFocus(window->Control(id));
    pDX->m_bFailed = true;
    return;
  }
  value = static_cast<int>(parsed);
}

void DDX_Control(CDataExchange* pDX, int id, CListCtrl& control) {
  DialogWindow* window = pDX->m_pDlgWnd->Window();
  if (!window || control.IsAttached()) return;
  if (platform::ListView* view = window->List(id)) {
    control.Attach(view);
    window->RememberAttached(&control);
  }
}

void DDX_Control(CDataExchange* pDX, int id, CMonthCalCtrl& control) {
  DialogWindow* window = pDX->m_pDlgWnd->Window();
  if (!window || control.IsAttached() || !window->IsCalendar(id)) return;
  control.Attach(window, id);
  window->RememberAttached(&control);
}

void DDX_MonthCalCtrl(CDataExchange* pDX, int id, CTime& value) {
  DialogWindow* window = pDX->m_pDlgWnd->Window();
  if (!window || !window->IsCalendar(id)) return;
  const HWND calendar = window->Control(id);
  if (pDX->m_bSaveAndValidate) {
    SYSTEMTIME day{};
    if (SendMessageW(calendar, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&day)))
      value = CTime(day.wYear, day.wMonth, day.wDay, 0, 0, 0, -1);
  } else {
    std::tm local{};
    if (!value.GetLocalTm(&local)) return;
    SYSTEMTIME day{};
    day.wYear = static_cast<WORD>(local.tm_year + 1900);
    day.wMonth = static_cast<WORD>(local.tm_mon + 1);
    day.wDay = static_cast<WORD>(local.tm_mday);
    day.wDayOfWeek = static_cast<WORD>(local.tm_wday);
    SendMessageW(calendar, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&day));
  }
}

bool CMonthCalCtrl::GetCurSel(int* year, int* month, int* day) const {
  if (!m_window || !m_window->IsCalendar(m_id)) return false;
  SYSTEMTIME selected{};
  if (!SendMessageW(m_window->Control(m_id), MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&selected))) return false;
  *year = selected.wYear;
  *month = selected.wMonth;
  *day = selected.wDay;
  return true;
}

bool CMonthCalCtrl::SetCurSel(int year, int month, int day) {
  if (!m_window || !m_window->IsCalendar(m_id)) return false;
  SYSTEMTIME selected{};
  selected.wYear = static_cast<WORD>(year);
  selected.wMonth = static_cast<WORD>(month);
  selected.wDay = static_cast<WORD>(day);
  return SendMessageW(m_window->Control(m_id), MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&selected)) != 0;
}

CDialog::CDialog(const DialogTemplate& dialogTemplate, CDialog* parent)
    : m_template(dialogTemplate), m_parent(parent) {}

CDialog::~CDialog() { m_window.reset(); }

bool CDialog::Create() {
  if (IsWindow()) return false;
  m_window = std::make_unique<DialogWindow>(this);
  m_ended = false;
  m_result = -1;
  const std::vector<DWORD> bytes = platform::BuildDialogTemplate(m_template);
  const HWND hwnd =
      CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()),
                                 OwnerOf(this), &DialogWindow::Proc, reinterpret_cast<LPARAM>(m_window.get()));
  if (!hwnd) return false;
  if (!m_ended) ShowWindow(hwnd, SW_SHOW);
  return true;
}

int CDialog::DoModal() {
  m_modal = true;
  m_window = std::make_unique<DialogWindow>(this);
  m_window->m_modal = true;
  m_ended = false;
  m_result = -1;
  const std::vector<DWORD> bytes = platform::BuildDialogTemplate(m_template);
  const INT_PTR result =
      DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()), OwnerOf(this),
                              &DialogWindow::Proc, reinterpret_cast<LPARAM>(m_window.get()));
  m_window.reset();
  m_modal = false;
  return result == -1 ? -1 : m_result;
}

void CDialog::EndDialog(int result) {
  const HWND hwnd = HandleOf(this);
  if (!hwnd) return;
  m_result = result;
  m_ended = true;
  if (m_modal)
    ::EndDialog(hwnd, result);
  else
    ::DestroyWindow(hwnd);
}

bool CDialog::IsWindow() const { return HandleOf(this) != nullptr; }

void CDialog::DestroyWindow() {
  if (const HWND hwnd = HandleOf(this)) ::DestroyWindow(hwnd);
}

bool CDialog::UpdateData(bool saveAndValidate) {
  if (!IsWindow()) return false;
  CDataExchange exchange(this, saveAndValidate);
  DoDataExchange(&exchange);
  return !exchange.m_bFailed;
}

int CDialog::MessageBox(const std::string& text, const std::string& caption, UINT type) {
  return platform::ShowMessageBox({text, caption, type, false}, HandleOf(this));
}

void CDialog::SetIcon(HICON icon, bool bigIcon) {
  m_icons[bigIcon ? 1 : 0] = icon;
  if (const HWND hwnd = HandleOf(this))
    SendMessageW(hwnd, WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

HICON CDialog::GetIcon(bool bigIcon) const { return m_icons[bigIcon ? 1 : 0]; }

bool CDialog::IsIconic() const {
  const HWND hwnd = HandleOf(this);
  return hwnd && ::IsIconic(hwnd);
}

void CDialog::SendCommand(int id) {
  if (!OnCommand(id) && AfxGetApp()) AfxGetApp()->OnCommand(id);
}

void CDialog::SendSysCommand(UINT id, LPARAM lParam) { OnSysCommand(id, lParam); }

bool CDialog::OnCommand(int id) {
  if (id == IDOK) {
    OnOK();
    return true;
  }
  if (id == IDCANCEL) {
    OnCancel();
    return true;
  }
  return false;
}

bool CDialog::OnNotify(const NMHDR&, LRESULT*) { return false; }

void CDialog::OnSysCommand(UINT id, LPARAM lParam) { DefaultSysCommand(id, lParam); }

void CDialog::DefaultSysCommand(UINT id, LPARAM lParam) {
  // What the dialog manager would do with it: close becomes WM_CLOSE and so IDCANCEL.
  if (const HWND hwnd = HandleOf(this)) DefWindowProcW(hwnd, WM_SYSCOMMAND, id, lParam);
}

CMenu* CDialog::GetSystemMenu(bool revert) {
  if (!IsWindow()) return nullptr;
  if (revert) {
    m_window->RevertSystemMenu();
    return nullptr;
  }
  return m_window->SystemMenu();
}

void CDialog::GetClientRect(CRect* rect) const {
  *rect = CRect{};
  RECT client{};
  if (const HWND hwnd = HandleOf(this); hwnd && ::GetClientRect(hwnd, &client))
    *rect = CRect{client.left, client.top, client.right, client.bottom};
}

void CDialog::OnPaint() { DefaultPaint(); }

void CDialog::DefaultPaint() {
  if (m_window && m_window->IsPainting()) m_window->UseDefaultPaint();
}

CPaintDC::CPaintDC(CDialog* dialog) : m_dialog(dialog) {
  if (DialogWindow* window = m_dialog->Window()) window->BeginPaint();
}

CPaintDC::~CPaintDC() {
  if (DialogWindow* window = m_dialog->Window()) window->EndPaint();
}

void CPaintDC::EraseBackground() {
  DialogWindow* window = m_dialog->Window();
  if (!window || !window->PaintDC()) return;
  SendMessageW(window->Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(window->PaintDC()), 0);
}

void CPaintDC::DrawIcon(int x, int y, HICON icon) {
  platform::RecordDrawnIcon(x, y, icon);
  DialogWindow* window = m_dialog->Window();
  if (window && window->PaintDC()) ::DrawIcon(window->PaintDC(), x, y, icon);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::OnOK() {
  if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnDestroy() {}

bool CDialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void CDialog::DoDataExchange(CDataExchange*) {}
