#include "platform/Dialog.h"

#include <QCalendarWidget>
#include <QEventLoop>
#include <QPainter>
#include <QTimer>
#include <QWindow>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/ListCtrl.h"
#include "platform/WinApp.h"
#include "platform/qt/DialogWindow.h"
#include "platform/qt/ListView.h"
#include "platform/qt/Services.h"

using platform::DialogWindow;

void DDX_Text(CDataExchange* pDX, int id, std::string& value) {
  if (pDX->m_bFailed) return;
  DialogWindow* window = pDX->m_pDlgWnd->Window();
  platform::ByteEdit* edit = window ? window->Edit(id) : nullptr;
  if (!edit) return;
  if (pDX->m_bSaveAndValidate)
    value = edit->Bytes();
  else
    edit->SetBytes(value);
}

void DDX_Text(CDataExchange* pDX, int id, int& value) {
  if (pDX->m_bFailed) return;
  DialogWindow* window = pDX->m_pDlgWnd->Window();
  platform::ByteEdit* edit = window ? window->Edit(id) : nullptr;
  if (!edit) return;
  if (!pDX->m_bSaveAndValidate) {
    edit->SetBytes(std::to_string(value));
    return;
  }
  const std::string text = edit->Bytes();
  char* end = nullptr;
  errno = 0;
  const long parsed = std::strtol(text.c_str(), &end, 10);
  while (end && (*end == ' ' || *end == '\t')) ++end;
  if (text.empty() || end == text.c_str() || *end != '\0' || errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX) {
    pDX->m_pDlgWnd->MessageBox("Please enter an integer.", AfxGetAppTitle(), MB_OK | MB_ICONEXCLAMATION);
    edit->setFocus();
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
  if (!window || control.IsAttached() || !window->Calendar(id)) return;
  control.Attach(window, id);
  window->RememberAttached(&control);
}

void DDX_MonthCalCtrl(CDataExchange* pDX, int id, CTime& value) {
  DialogWindow* window = pDX->m_pDlgWnd->Window();
  QCalendarWidget* calendar = window ? window->Calendar(id) : nullptr;
  if (!calendar) return;
  if (pDX->m_bSaveAndValidate) {
    const QDate day = calendar->selectedDate();
    if (day.isValid()) value = CTime(day.year(), day.month(), day.day(), 0, 0, 0, -1);
  } else {
    std::tm local{};
    if (value.GetLocalTm(&local))
      calendar->setSelectedDate(QDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday));
  }
}

bool CMonthCalCtrl::GetCurSel(int* year, int* month, int* day) const {
  QCalendarWidget* calendar = m_window ? m_window->Calendar(m_id) : nullptr;
  if (!calendar || !calendar->selectedDate().isValid()) return false;
  const QDate date = calendar->selectedDate();
  *year = date.year();
  *month = date.month();
  *day = date.day();
  return true;
}

bool CMonthCalCtrl::SetCurSel(int year, int month, int day) {
  QCalendarWidget* calendar = m_window ? m_window->Calendar(m_id) : nullptr;
  const QDate date(year, month, day);
  if (!calendar || !date.isValid() || date < calendar->minimumDate() || date > calendar->maximumDate()) return false;
  calendar->setSelectedDate(date);
  return true;
}

CDialog::CDialog(const DialogTemplate& dialogTemplate, CDialog* parent)
    : m_template(dialogTemplate), m_parent(parent) {}

CDialog::~CDialog() {
  if (m_window) {
    m_window->Orphan();
    m_window.reset();
  }
}

bool CDialog::Create() {
  if (m_window) return false;
  // A dialog given no parent belongs to the application's main window, as the classic
  // framework makes it: centred on it, and the main window waits for it.
  CDialog* owner = m_parent;
  if (!owner && AfxGetApp() && AfxGetApp()->m_pMainWnd != this) owner = AfxGetApp()->m_pMainWnd;
  QWidget* parentWidget = owner ? owner->Window() : nullptr;
  m_window = std::make_unique<DialogWindow>(this, parentWidget);
  m_ended = false;
  m_result = -1;
  for (int i = 0; i < 2; ++i)
    if (m_icons[i]) m_window->setWindowIcon(platform::IconFromResource(m_icons[i]));
  const bool focusFirst = OnInitDialog();
  if (m_ended) return true;
  if (m_modal) m_window->setWindowModality(Qt::ApplicationModal);
  m_window->show();
  if (focusFirst) m_window->FocusFirstControl();
  return true;
}

int CDialog::DoModal() {
  m_modal = true;
  if (!Create()) {
    m_modal = false;
    return -1;
  }
  if (!m_ended) {
    QEventLoop loop;
    m_window->SetModalLoop(&loop);
    if (platform::HasModalHook()) QTimer::singleShot(0, m_window.get(), [this] { platform::RunModalHook(*this); });
    loop.exec(QEventLoop::DialogExec);
    if (m_window) m_window->SetModalLoop(nullptr);
  }
  DestroyWindow();
  m_modal = false;
  return m_result;
}

void CDialog::EndDialog(int result) {
  if (!m_window) return;
  m_result = result;
  m_ended = true;
  if (!m_window->QuitModalLoop() && !m_modal) DestroyWindow();
}

bool CDialog::IsWindow() const { return m_window != nullptr; }

void CDialog::DestroyWindow() {
  if (!m_window) return;
  // Hidden first, as the native modal loop hides a dialog before destroying it: whatever
  // OnDestroy shows (a failed save's box) stands alone, not over a window being emptied.
  m_window->hide();
  OnDestroy();  // the controls still exist here
  m_window->Orphan();
  if (m_modal) {
    m_window.reset();
  } else {
    // A modeless dialog may be ended from inside one of its own event handlers.
    m_window.release()->deleteLater();
  }
}

bool CDialog::UpdateData(bool saveAndValidate) {
  if (!m_window) return false;
  CDataExchange exchange(this, saveAndValidate);
  DoDataExchange(&exchange);
  return !exchange.m_bFailed;
}

int CDialog::MessageBox(const std::string& text, const std::string& caption, UINT type) {
  return platform::ShowMessageBox({text, caption, type, false}, m_window.get());
}

void CDialog::SetIcon(HICON icon, bool bigIcon) {
  m_icons[bigIcon ? 1 : 0] = icon;
  if (m_window) m_window->setWindowIcon(platform::IconFromResource(icon));
}

HICON CDialog::GetIcon(bool bigIcon) const { return m_icons[bigIcon ? 1 : 0]; }

bool CDialog::IsIconic() const { return m_window && m_window->isMinimized(); }

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

void CDialog::DefaultSysCommand(UINT id, LPARAM) {
  switch (id & 0xFFF0) {
    case SC_CLOSE:
      OnCancel();
      break;
    case SC_MOVE:
      if (m_window && m_window->windowHandle()) m_window->windowHandle()->startSystemMove();
      break;
    default:
      break;
  }
}

CMenu* CDialog::GetSystemMenu(bool revert) {
  if (!m_window) return nullptr;
  if (revert) {
    m_window->ResetSystemMenu();
    return nullptr;
  }
  return m_window->SystemMenu();
}

void CDialog::GetClientRect(CRect* rect) const {
  *rect = CRect{};
  if (m_window) {
    rect->right = m_window->width();
    rect->bottom = m_window->height();
  }
}

void CDialog::OnPaint() { DefaultPaint(); }

void CDialog::DefaultPaint() {
  // The dialog's normal look is drawn by its controls; the background needs nothing more.
}

int GetSystemMetrics(int index) { return index == SM_CXICON || index == SM_CYICON ? 32 : 0; }

CPaintDC::CPaintDC(CDialog* dialog) : m_dialog(dialog) {}
CPaintDC::~CPaintDC() = default;

void CPaintDC::EraseBackground() {
  DialogWindow* window = m_dialog->Window();
  if (!window || !window->IsPainting()) return;
  QPainter painter(window);
  painter.fillRect(window->rect(), window->palette().window());
}

void CPaintDC::DrawIcon(int x, int y, HICON icon) {
  platform::RecordDrawnIcon(x, y, icon);
  DialogWindow* window = m_dialog->Window();
  if (!window || !window->IsPainting()) return;
  QPainter painter(window);
  painter.drawPixmap(x, y, platform::IconFromResource(icon).pixmap(GetSystemMetrics(SM_CXICON)));
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
