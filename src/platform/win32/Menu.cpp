#include <map>

#include "platform/Menu.h"
#include "platform/win32/Menus.h"
#include "platform/win32/Text.h"

namespace platform {
namespace {

std::map<const CMenu*, HMENU>& Bindings() {
  static std::map<const CMenu*, HMENU> bindings;
  return bindings;
}

HMENU RealMenu(const CMenu* menu) {
  const auto it = Bindings().find(menu);
  return it == Bindings().end() ? nullptr : it->second;
}

}  // namespace

void BindMenu(CMenu* menu, HMENU real) {
  UnbindMenu(menu);
  menu->RemoveAll();
  const int count = GetMenuItemCount(real);
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = static_cast<UINT>(std::size(text) - 1);
    if (!GetMenuItemInfoW(real, static_cast<UINT>(i), TRUE, &info)) continue;
    if (info.fType & MFT_SEPARATOR)
      menu->AppendMenu(MF_SEPARATOR);
    else
      menu->AppendMenu(MF_STRING, info.wID, BytesFromWide(text));
  }
  Bindings()[menu] = real;
}

void UnbindMenu(CMenu* menu) { Bindings().erase(menu); }

}  // namespace platform

bool CMenu::AppendMenu(UINT flags, UINT id, const std::string& text) {
  if (HMENU real = platform::RealMenu(this)) {
    const std::wstring shown = platform::WideFromBytes(text);
    const BOOL appended =
        (flags & MF_SEPARATOR) ? AppendMenuW(real, flags, 0, nullptr) : AppendMenuW(real, flags, id, shown.c_str());
    if (!appended) return false;
  }
  if (flags & MF_SEPARATOR)
    m_items.push_back({flags, 0, {}});
  else
    m_items.push_back({flags, id, text});
  return true;
}

UINT CMenu::GetMenuItemID(int position) const {
  return position >= 0 && position < GetMenuItemCount() ? m_items[static_cast<std::size_t>(position)].id : 0;
}

std::string CMenu::GetMenuString(int position) const {
  return position >= 0 && position < GetMenuItemCount() ? m_items[static_cast<std::size_t>(position)].text
                                                        : std::string{};
}

bool CMenu::IsSeparator(int position) const {
  return position >= 0 && position < GetMenuItemCount() &&
         (m_items[static_cast<std::size_t>(position)].flags & MF_SEPARATOR) != 0;
}
