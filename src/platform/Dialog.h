#pragma once

// A modal dialog built from a template, with its controls bound to member values through the
// data exchange. Commands, notifications and system commands reach the dialog through virtual
// handlers that a derived dialog dispatches with its own message map.

#include <memory>
#include <string>

#include "platform/DialogTemplate.h"
#include "platform/Menu.h"
#include "platform/Time.h"
#include "platform/Win32Types.h"

class CDialog;
class CListCtrl;
class CMonthCalCtrl;

#ifndef _WIN32
// An icon is its resource; on Windows it is the system's icon handle.
using HICON = const IconResource*;

inline constexpr int SM_CXICON = 11;
inline constexpr int SM_CYICON = 12;
// The size of a large icon (on Windows the system's own function).
int GetSystemMetrics(int index);
#endif

namespace platform {
// The icon that shows `icon`, for SetIcon and DrawIcon.
#ifdef _WIN32
HICON IconHandle(const IconResource& icon);
#else
inline HICON IconHandle(const IconResource& icon) { return &icon; }
#endif
}  // namespace platform

struct CRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

// Painting of a dialog, valid inside its OnPaint.
class CPaintDC {
 public:
  explicit CPaintDC(CDialog* dialog);
  ~CPaintDC();  // NOLINT(performance-trivially-destructible): a backend may end its painting here
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;
  void EraseBackground();  // what the icon's erase-background message does
  void DrawIcon(int x, int y, HICON icon);

 private:
  CDialog* m_dialog;
};

namespace platform {
class DialogWindow;
}

// One direction of one exchange: true = controls to members, false = members to controls.
class CDataExchange {
 public:
  CDataExchange(CDialog* dialog, bool saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
  CDialog* m_pDlgWnd;
  bool m_bSaveAndValidate;
  bool m_bFailed = false;
};

// The exchange is byte-exact: a text written to an edit and read back unedited is the same
// bytes, even bytes that the system encoding cannot show.
void DDX_Text(CDataExchange* pDX, int id, std::string& value);
void DDX_Text(CDataExchange* pDX, int id, int& value);
void DDX_Control(CDataExchange* pDX, int id, CListCtrl& control);
void DDX_Control(CDataExchange* pDX, int id, CMonthCalCtrl& control);
void DDX_MonthCalCtrl(CDataExchange* pDX, int id, CTime& value);

class CDialog {
 public:
  CDialog(const DialogTemplate& dialogTemplate, CDialog* parent = nullptr);
  virtual ~CDialog();
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Creates the window, runs it until EndDialog, then destroys it (OnDestroy runs while the
  // controls still exist). Returns the EndDialog result, or -1 when the window could not be made.
  int DoModal();
  // Creates and shows the window without a modal loop of its own; EndDialog then destroys it.
  bool Create();
  void EndDialog(int result);
  bool IsWindow() const;  // the window exists and has not been destroyed

  bool UpdateData(bool saveAndValidate = true);
  // A box owned by this dialog: the caption given, the buttons and icon of `type`.
  int MessageBox(const std::string& text, const std::string& caption, UINT type = MB_OK);

  // The system menu for changing; null when the window has none. With `revert` the menu is
  // put back to its default items and null is returned.
  CMenu* GetSystemMenu(bool revert);
  void GetClientRect(CRect* rect) const;

  void SetIcon(HICON icon, bool bigIcon);
  HICON GetIcon(bool bigIcon) const;
  bool IsIconic() const;

  // Routes a command as a click on a control with that id would.
  void SendCommand(int id);
  void SendSysCommand(UINT id, LPARAM lParam = 0);

  const DialogTemplate& Template() const { return m_template; }
  CDialog* Parent() const { return m_parent; }
  platform::DialogWindow* Window() const { return m_window.get(); }

  // Called by the window; the derived dialog's message map answers.
  virtual bool OnCommand(int id);
  virtual bool OnNotify(const NMHDR& header, LRESULT* result);
  virtual void OnSysCommand(UINT id, LPARAM lParam);
  virtual void OnPaint();
  virtual void OnCancel();
  virtual void OnOK();
  virtual void OnDestroy();
  virtual bool OnInitDialog();
  virtual void DoDataExchange(CDataExchange* pDX);

 protected:
  // Default processing of a system command: close cancels the dialog; the rest is the window
  // manager's.
  void DefaultSysCommand(UINT id, LPARAM lParam);
  // Default painting: the dialog's normal look.
  void DefaultPaint();

 private:
  friend class platform::DialogWindow;
  void DestroyWindow();

  const DialogTemplate& m_template;
  CDialog* m_parent;
  std::unique_ptr<platform::DialogWindow> m_window;
  HICON m_icons[2] = {nullptr, nullptr};
  int m_result = -1;
  bool m_ended = false;
  bool m_modal = false;
};

class CMonthCalCtrl {
 public:
  bool IsAttached() const { return m_window != nullptr; }
  void Attach(platform::DialogWindow* window, int id) {
    m_window = window;
    m_id = id;
  }
  // The selected day; false when the calendar cannot tell.
  bool GetCurSel(int* year, int* month, int* day) const;
  bool SetCurSel(int year, int month, int day);

 private:
  platform::DialogWindow* m_window = nullptr;
  int m_id = 0;
};
