#include "platform/win32/DialogWindow.h"

#include "platform/ListCtrl.h"
#include "platform/WinApp.h"
#include "platform/win32/CalendarKeys.h"
#include "platform/win32/ListView.h"
#include "platform/win32/Menus.h"
#include "platform/win32/Services.h"
#include "platform/win32/Text.h"

namespace platform {
namespace {

std::wstring WindowText(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

bool KeyHeld(int key) { return (GetKeyState(key) & 0x8000) != 0; }

}  // namespace

DialogWindow::DialogWindow(CDialog* owner) : m_owner(owner) {}

DialogWindow::~DialogWindow() {
  if (m_hwnd) {
    // The dialog object lets go of a window that still exists: it goes without telling us.
    SetWindowLongPtrW(m_hwnd, DWLP_USER, 0);
    m_owner = nullptr;
    DestroyWindow(m_hwnd);
  }
  Detach();
}

INT_PTR CALLBACK DialogWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<DialogWindow*>(lParam);
    SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    self->m_hwnd = hwnd;
  }
  auto* self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) return FALSE;
  const INT_PTR handled = self->OnMessage(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    self->m_hwnd = nullptr;
    self->Detach();
  }
  return handled;
}

INT_PTR DialogWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return TRUE;
    case WM_NOTIFY: {
      LRESULT result = 0;
      if (!OnNotify(reinterpret_cast<NMHDR*>(lParam), &result)) return FALSE;
      SetWindowLongPtrW(m_hwnd, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_SYSCOMMAND:
      if (!m_owner) return FALSE;
      m_owner->OnSysCommand(static_cast<UINT>(wParam), lParam);
      return TRUE;
    case WM_PAINT:
      if (!m_owner) return FALSE;
      m_defaultPaint = false;
      m_painting = true;
      m_owner->OnPaint();
      m_painting = false;
      if (m_paintDC) EndPaint();
      return m_defaultPaint ? FALSE : TRUE;
    case WM_QUERYDRAGICON:
      // The cursor shown while the minimised window is dragged: the dialog's icon.
      return m_owner ? reinterpret_cast<INT_PTR>(m_owner->GetIcon(true)) : FALSE;
    case WM_HELP:
      // F1 with no Shift, Ctrl or Alt is the framework's help command.
      if (!m_owner || KeyHeld(VK_SHIFT) || KeyHeld(VK_CONTROL) || KeyHeld(VK_MENU)) return FALSE;
      m_owner->SendCommand(ID_HELP);
      return TRUE;
    case WM_QUERYENDSESSION:
      SetWindowLongPtrW(m_hwnd, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_ENDSESSION:
      // The process may end as soon as this returns: the log is saved now.
      if (wParam) EndSessionNow();
      SetWindowLongPtrW(m_hwnd, DWLP_MSGRESULT, 0);
      return TRUE;
    case WM_DESTROY:
      if (m_owner) m_owner->OnDestroy();  // the controls still exist here
      return FALSE;
    case kFlushListsMessage:
      for (auto& [id, list] : m_lists) list->Flush();
      return TRUE;
    case kRunModalHookMessage:
      if (m_owner) RunModalHook(*m_owner);
      return TRUE;
    default:
      return FALSE;
  }
}

BOOL DialogWindow::OnInitDialog() {
  const DialogTemplate& dialog = m_owner->Template();
  for (const ControlTemplate& control : dialog.controls) {
    const HWND hwnd = Control(control.id);
    if (!hwnd || control.id == -1) continue;
    switch (control.kind) {
      case ControlKind::Edit:
        // Values of any length pass through the form whole.
        SendMessageW(hwnd, EM_SETLIMITTEXT, 0, 0);
        m_edits[control.id] = EditState{};
        break;
      case ControlKind::ListView:
        m_lists[control.id] = std::make_unique<ListView>(hwnd);
        break;
      case ControlKind::MonthCalendar: {
        // Every day offered has a four-digit year and a local midnight that can be computed.
        SYSTEMTIME range[2] = {};
        range[0].wYear = 1900;
        range[0].wMonth = 1;
        range[0].wDay = 1;
        range[1].wYear = 9999;
        range[1].wMonth = 12;
        range[1].wDay = 31;
        SendMessageW(hwnd, MCM_SETRANGE, GDTR_MIN | GDTR_MAX, reinterpret_cast<LPARAM>(range));
        AddCalendarKeys(hwnd);
        m_calendars.push_back(control.id);
        break;
      }
      default:
        break;
    }
  }
  m_hasSystemMenu = dialog.systemMenu;
  MirrorSystemMenu();
  for (const bool big : {true, false})
    if (HICON icon = m_owner->GetIcon(big))
      SendMessageW(m_hwnd, WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));

  const bool focusFirst = m_owner->OnInitDialog();
  if (m_modal && HasModalHook()) PostMessageW(m_hwnd, kRunModalHookMessage, 0, 0);
  return focusFirst ? TRUE : FALSE;
}

void DialogWindow::OnCommand(int id, int code, HWND control) {
  if (!m_owner) return;
  if (code == EN_CHANGE && control) {
    if (!m_settingText) RemoveLineBreaks(control);
    return;
  }
  // Buttons, the dialog manager's IDOK and IDCANCEL, and menu commands.
  if (code == BN_CLICKED) m_owner->SendCommand(id);
}

bool DialogWindow::OnNotify(NMHDR* header, LRESULT* result) {
  const int id = static_cast<int>(header->idFrom);
  if (ListView* list = List(id)) {
    if (list->OnNotify(header, result)) return true;
  }
  if (!m_owner || header->code != NM_CLICK) return false;
  return m_owner->OnNotify(*header, result);
}

void DialogWindow::RemoveLineBreaks(HWND edit) {
  // A value is one line of a record in diet.dat: a line break or 0x1A in it would end the
  // record (or the file) early when it is read back.
  const std::wstring text = WindowText(edit);
  if (text.find_first_of(L"\r\n\x1a") == std::wstring::npos) return;
  std::wstring cleaned;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\x1a') continue;
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    cleaned.push_back(text[i] == L'\r' || text[i] == L'\n' ? L' ' : text[i]);
  }
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  m_settingText = true;
  SetWindowTextW(edit, cleaned.c_str());
  m_settingText = false;
  const auto caret = static_cast<WPARAM>(std::min<std::size_t>(end, cleaned.size()));
  SendMessageW(edit, EM_SETSEL, caret, static_cast<LPARAM>(caret));
}

HWND DialogWindow::Control(int id) const { return m_hwnd && id != -1 ? GetDlgItem(m_hwnd, id) : nullptr; }

ListView* DialogWindow::List(int id) const {
  const auto it = m_lists.find(id);
  return it == m_lists.end() || !m_hwnd ? nullptr : it->second.get();
}

bool DialogWindow::IsCalendar(int id) const {
  for (int calendar : m_calendars)
    if (calendar == id) return m_hwnd != nullptr;
  return false;
}

bool DialogWindow::HasEdit(int id) const { return m_hwnd && m_edits.count(id) != 0; }

void DialogWindow::SetEditBytes(int id, const std::string& bytes) {
  const auto it = m_edits.find(id);
  const HWND edit = Control(id);
  if (it == m_edits.end() || !edit) return;
  std::wstring shown = WideFromBytes(bytes);
  it->second.bytes = bytes;
  if (WindowText(edit) != shown) {
    m_settingText = true;
    SetWindowTextW(edit, shown.c_str());
    m_settingText = false;
  }
  it->second.shown = std::move(shown);
}

std::string DialogWindow::EditBytes(int id) const {
  const auto it = m_edits.find(id);
  const HWND edit = Control(id);
  if (it == m_edits.end() || !edit) return {};
  const std::wstring current = WindowText(edit);
  if (current == it->second.shown) return it->second.bytes;
  return BytesFromWide(current);
}

void DialogWindow::MirrorSystemMenu() {
  UnbindMenu(&m_systemMenu);
  m_systemMenu.RemoveAll();
  if (!m_hasSystemMenu || !m_hwnd) return;
  if (HMENU menu = GetSystemMenu(m_hwnd, FALSE)) BindMenu(&m_systemMenu, menu);
}

void DialogWindow::RevertSystemMenu() {
  if (!m_hwnd) return;
  GetSystemMenu(m_hwnd, TRUE);
  MirrorSystemMenu();
}

HDC DialogWindow::BeginPaint() {
  if (!m_painting || m_paintDC) return m_paintDC;
  m_paintDC = ::BeginPaint(m_hwnd, &m_paint);
  return m_paintDC;
}

void DialogWindow::EndPaint() {
  if (!m_paintDC) return;
  ::EndPaint(m_hwnd, &m_paint);
  m_paintDC = nullptr;
}

void DialogWindow::Detach() {
  UnbindMenu(&m_systemMenu);
  for (CListCtrl* list : m_attachedLists) list->Detach();
  for (CMonthCalCtrl* calendar : m_attachedCalendars) calendar->Attach(nullptr, 0);
  m_attachedLists.clear();
  m_attachedCalendars.clear();
  m_lists.clear();
  m_edits.clear();
  m_calendars.clear();
}

}  // namespace platform
