#pragma once

// A window's system menu: system commands by id, in order, with separators.

#include <string>
#include <vector>

#include "platform/Win32Types.h"

#ifndef _WIN32
inline constexpr UINT MF_STRING = 0x0000;
inline constexpr UINT MF_SEPARATOR = 0x0800;
#endif

class CMenu {
 public:
  bool AppendMenu(UINT flags, UINT id = 0, const std::string& text = {});
  int GetMenuItemCount() const { return static_cast<int>(m_items.size()); }
  // The command id of an item; 0 for a separator or a position outside the menu.
  UINT GetMenuItemID(int position) const;
  std::string GetMenuString(int position) const;
  bool IsSeparator(int position) const;
  void RemoveAll() { m_items.clear(); }

 private:
  struct Item {
    UINT flags;
    UINT id;
    std::string text;
  };
  std::vector<Item> m_items;
};
