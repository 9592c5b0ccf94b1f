// Prints what a person sees in the visible top-level windows with a given title, for the
// end-to-end scripts under Wine: the caption, then one line per child window in z-order with
// its class, its text (CR and LF written as \r and \n) and whether it is visible. Exits 1
// when no such window is open.
//
//   windowtexts.exe TITLE

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length, nullptr, nullptr);
  return bytes;
}

std::string Escaped(const std::wstring& text) {
  std::string out;
  for (const char ch : Utf8(text)) {
    if (ch == '\r')
      out += "\\r";
    else if (ch == '\n')
      out += "\\n";
    else
      out += ch;
  }
  return out;
}

std::wstring TextOf(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[256] = {};
  GetClassNameW(hwnd, name, 255);
  return name;
}

struct Search {
  std::wstring title;
  std::vector<HWND> found;
};

BOOL CALLBACK TopLevel(HWND hwnd, LPARAM lParam) {
  auto* search = reinterpret_cast<Search*>(lParam);
  if (IsWindowVisible(hwnd) && TextOf(hwnd) == search->title) search->found.push_back(hwnd);
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: windowtexts.exe TITLE\n");
    return 2;
  }
  Search search{argv[1], {}};
  EnumWindows(TopLevel, reinterpret_cast<LPARAM>(&search));
  for (HWND window : search.found) {
    std::printf("caption\t%s\n", Escaped(TextOf(window)).c_str());
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      const bool icon = ClassOf(child) == L"Static" && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
      // An icon's text is the resource it was made from, not something shown.
      std::printf("%s\t%s\t%s\n", icon ? "Icon" : Utf8(ClassOf(child)).c_str(),
                  icon ? "" : Escaped(TextOf(child)).c_str(),
                  IsWindowVisible(child) && (!icon || SendMessageW(child, STM_GETICON, 0, 0)) ? "visible" : "hidden");
    }
  }
  return search.found.empty() ? 1 : 0;
}
