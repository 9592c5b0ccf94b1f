#pragma once

// The window of a CDialog on Windows: a dialog the dialog manager builds from our template.
// It answers the dialog manager's messages on behalf of the CDialog, keeps the bytes of the
// edits, and owns the report lists over the program's rows.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Dialog.h"
#include "platform/Menu.h"
#include "platform/WindowsHeaders.h"

namespace platform {

class ListView;

class DialogWindow {
 public:
  explicit DialogWindow(CDialog* owner);
  ~DialogWindow();
  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;

  static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND Handle() const { return m_hwnd; }
  HWND Control(int id) const;
  ListView* List(int id) const;
  bool IsCalendar(int id) const;

  // The exchange with an edit is byte-exact: the bytes given come back while the user has not
  // changed the text, even bytes that the code page cannot show.
  bool HasEdit(int id) const;
  void SetEditBytes(int id, const std::string& bytes);
  std::string EditBytes(int id) const;

  void RememberAttached(CListCtrl* list) { m_attachedLists.push_back(list); }
  void RememberAttached(CMonthCalCtrl* calendar) { m_attachedCalendars.push_back(calendar); }

  CMenu* SystemMenu() { return m_hasSystemMenu ? &m_systemMenu : nullptr; }
  void RevertSystemMenu();

  // Painting inside the owner's OnPaint.
  bool IsPainting() const { return m_painting; }
  HDC BeginPaint();
  void EndPaint();
  HDC PaintDC() const { return m_paintDC; }
  void UseDefaultPaint() { m_defaultPaint = true; }

  bool m_modal = false;

 private:
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  BOOL OnInitDialog();
  void OnCommand(int id, int code, HWND control);
  bool OnNotify(NMHDR* header, LRESULT* result);
  void RemoveLineBreaks(HWND edit);
  void MirrorSystemMenu();
  void Detach();  // the window is gone: controls attached to it let go

  struct EditState {
    std::string bytes;
    std::wstring shown;
  };

  CDialog* m_owner;
  HWND m_hwnd = nullptr;
  std::map<int, EditState> m_edits;
  std::map<int, std::unique_ptr<ListView>> m_lists;
  std::vector<int> m_calendars;
  std::vector<CListCtrl*> m_attachedLists;
  std::vector<CMonthCalCtrl*> m_attachedCalendars;
  CMenu m_systemMenu;
  bool m_hasSystemMenu = false;
  bool m_settingText = false;
  bool m_painting = false;
  bool m_defaultPaint = false;
  PAINTSTRUCT m_paint{};
  HDC m_paintDC = nullptr;
};

// Private messages of our dialogs.
inline constexpr UINT kRunModalHookMessage = WM_APP + 0x4D;

}  // namespace platform
