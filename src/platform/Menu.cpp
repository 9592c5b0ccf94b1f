#include "platform/Menu.h"

bool CMenu::AppendMenu(UINT flags, UINT id, const std::string& text) {
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
