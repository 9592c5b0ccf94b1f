#include "platform/win32/TemplateBuilder.h"

#include <cstring>
#include <string_view>

#include "platform/win32/Text.h"

namespace platform {
namespace {

// The dialog font: the desktop's dialog font, which "MS Shell Dlg" with DS_SHELLFONT stands for.
constexpr wchar_t kFontName[] = L"MS Shell Dlg";
constexpr WORD kFontPoints = 8;

class TemplateWriter {
 public:
  void Word(WORD value) { m_words.push_back(value); }
  void Dword(DWORD value) {
    Word(LOWORD(value));
    Word(HIWORD(value));
  }
  void Short(short value) { Word(static_cast<WORD>(value)); }
  void Text(std::wstring_view text) {
    for (wchar_t ch : text) Word(static_cast<WORD>(ch));
    Word(0);
  }
  void Ordinal(WORD value) {
    Word(0xFFFF);
    Word(value);
  }
  void AlignDword() {
    if (m_words.size() % 2) Word(0);
  }
  std::vector<DWORD> Result() {
    AlignDword();
    std::vector<DWORD> dwords(m_words.size() / 2);
    std::memcpy(dwords.data(), m_words.data(), m_words.size() * sizeof(WORD));
    return dwords;
  }

 private:
  std::vector<WORD> m_words;
};

}  // namespace

const wchar_t* ControlClass(ControlKind kind) {
  switch (kind) {
    case ControlKind::Edit:
      return WC_EDITW;
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
      return WC_BUTTONW;
    case ControlKind::Static:
    case ControlKind::IconStatic:
      return WC_STATICW;
    case ControlKind::ListView:
      return WC_LISTVIEWW;
    case ControlKind::MonthCalendar:
      return MONTHCAL_CLASSW;
  }
  return WC_STATICW;
}

DWORD ControlStyle(const ControlTemplate& control) {
  DWORD style = WS_CHILD | WS_VISIBLE;
  if (control.style & kStyleTabStop) style |= WS_TABSTOP;
  if (control.style & kStyleGroup) style |= WS_GROUP;
  switch (control.kind) {
    case ControlKind::Edit:
      // Single-line: a value never holds a line break.
      style |= ES_LEFT | ES_AUTOHSCROLL;
      if (control.style & kStyleReadOnly) style |= ES_READONLY;
      break;
    case ControlKind::PushButton:
      style |= BS_PUSHBUTTON;
      break;
    case ControlKind::DefPushButton:
      style |= BS_DEFPUSHBUTTON;
      break;
    case ControlKind::Static:
      style |= SS_LEFT | SS_NOPREFIX;
      break;
    case ControlKind::IconStatic:
      style |= SS_ICON;
      break;
    case ControlKind::ListView:
      // Report view over the program's own rows: the list asks for the texts it shows.
      style |= LVS_REPORT | LVS_OWNERDATA;
      break;
    case ControlKind::MonthCalendar:
      break;
  }
  return style;
}

DWORD ControlExStyle(const ControlTemplate& control) {
  // A bordered control gets the sunken edge, as the dialog manager gives WS_BORDER controls.
  return (control.style & kStyleBorder) ? WS_EX_CLIENTEDGE : 0;
}

std::vector<DWORD> BuildDialogTemplate(const DialogTemplate& dialog) {
  TemplateWriter out;
  DWORD style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SHELLFONT | DS_CENTER;
  if (dialog.systemMenu) style |= WS_SYSMENU;
  const DWORD exStyle = dialog.appWindow ? WS_EX_APPWINDOW : 0;

  out.Word(1);       // dlgVer
  out.Word(0xFFFF);  // signature: extended template
  out.Dword(0);      // helpID
  out.Dword(exStyle);
  out.Dword(style);
  out.Word(static_cast<WORD>(dialog.controls.size()));
  out.Short(0);
  out.Short(0);
  out.Short(static_cast<short>(dialog.cx));
  out.Short(static_cast<short>(dialog.cy));
  out.Word(0);  // no menu
  out.Word(0);  // the dialog class
  out.Text(WideFromBytes(dialog.caption ? dialog.caption : ""));
  out.Word(kFontPoints);
  out.Word(FW_NORMAL);
  out.Word(MAKEWORD(FALSE, DEFAULT_CHARSET));  // italic, character set
  out.Text(kFontName);

  for (const ControlTemplate& control : dialog.controls) {
    out.AlignDword();
    out.Dword(0);  // helpID
    out.Dword(ControlExStyle(control));
    out.Dword(ControlStyle(control));
    out.Short(static_cast<short>(control.x));
    out.Short(static_cast<short>(control.y));
    out.Short(static_cast<short>(control.cx));
    out.Short(static_cast<short>(control.cy));
    out.Dword(static_cast<DWORD>(control.id));
    out.Text(ControlClass(control.kind));
    if (control.kind == ControlKind::IconStatic && control.icon)
      out.Ordinal(static_cast<WORD>(control.icon->id));  // the icon resource it shows
    else
      out.Text(WideFromBytes(control.text ? control.text : ""));
    out.Word(0);  // no creation data
  }
  return out.Result();
}

}  // namespace platform
