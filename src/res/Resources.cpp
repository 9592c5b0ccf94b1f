#include "res/Resources.h"

#include <array>
#include <cstdlib>
#include <set>

namespace res {
namespace {

constexpr unsigned kEditStyle = kStyleTabStop | kStyleBorder;
constexpr unsigned kButtonStyle = kStyleTabStop;
constexpr unsigned kLabelStyle = kStyleGroup;

constexpr const char* kMainIconImages[] = {":/icons/girthminder-16.png", ":/icons/girthminder-32.png",
                                           ":/icons/girthminder-48.png"};
constexpr IconResource kMainIcon{IDR_MAINFRAME, kMainIconImages, 3, ":/icons/girthminder.svg"};

// The main dialog, 320 x 200 dialog units. Template order is the tab order.
constexpr ControlTemplate kMainDialogControls[] = {
    {IDC_DATE, ControlKind::Edit, nullptr, 42, 5, 49, 14, kEditStyle | kStyleReadOnly},
    {IDC_SELECT, ControlKind::PushButton, "Select", 94, 5, 50, 14, kButtonStyle},
    {IDC_WEIGHT, ControlKind::Edit, nullptr, 42, 20, 40, 14, kEditStyle},
    {IDC_ARM, ControlKind::Edit, nullptr, 120, 20, 40, 14, kEditStyle},
    {IDC_WAIST, ControlKind::Edit, nullptr, 198, 20, 40, 14, kEditStyle},
    {IDC_CHEST, ControlKind::Edit, nullptr, 42, 34, 40, 14, kEditStyle},
    {IDC_LEG, ControlKind::Edit, nullptr, 120, 34, 40, 14, kEditStyle},
    {IDC_NECK, ControlKind::Edit, nullptr, 198, 34, 40, 14, kEditStyle},
    {IDC_CLEAR, ControlKind::PushButton, "Clear", 188, 5, 50, 14, kButtonStyle},
    {IDC_LOGLIST, ControlKind::ListView, nullptr, 7, 52, 246, 124, kStyleTabStop | kStyleBorder, nullptr, "Log"},
    {IDC_ADD, ControlKind::PushButton, "Add", 260, 22, 50, 14, kButtonStyle},
    {IDC_UPDATE, ControlKind::PushButton, "Update", 260, 36, 50, 14, kButtonStyle},
    {IDC_REMOVE, ControlKind::PushButton, "Remove", 260, 51, 50, 14, kButtonStyle},
    {IDC_REPORT, ControlKind::PushButton, "Report", 260, 70, 50, 14, kButtonStyle},
    {IDC_MANUAL, ControlKind::PushButton, "Help", 260, 147, 50, 14, kButtonStyle},
    {IDOK, ControlKind::DefPushButton, "Quit", 260, 5, 50, 14, kButtonStyle},
    {-1, ControlKind::Static, "Please consult your medical advisor before undertaking any diet or excersise program.",
     7, 182, 306, 8, kLabelStyle},
    {-1, ControlKind::Static, "Date:", 5, 8, 18, 8, kLabelStyle},
    {-1, ControlKind::Static, "Weight:", 5, 23, 26, 8, kLabelStyle},
    {-1, ControlKind::Static, "Chest:", 5, 37, 21, 8, kLabelStyle},
    {IDC_COUNT, ControlKind::Edit, nullptr, 265, 131, 40, 14, kEditStyle | kStyleReadOnly, nullptr, "Entries"},
    {-1, ControlKind::Static, "Neck:", 172, 37, 20, 8, kLabelStyle},
    {-1, ControlKind::Static, "Arm:", 94, 23, 15, 8, kLabelStyle},
    {-1, ControlKind::Static, "Leg:", 94, 37, 15, 8, kLabelStyle},
    {-1, ControlKind::Static, "Waist:", 172, 23, 21, 8, kLabelStyle},
};
constexpr DialogTemplate kMainDialog{IDD_MAIN_DIALOG, "Girthminder", 320, 200, kMainDialogControls, true, true};

// The date selection dialog, 186 x 113 dialog units.
constexpr ControlTemplate kDateSelectControls[] = {
    {IDC_MONTHCALENDAR, ControlKind::MonthCalendar, nullptr, 7, 7, 134, 97, kStyleTabStop},
    {IDOK, ControlKind::DefPushButton, "Return", 142, 7, 37, 14, kButtonStyle},
};
constexpr DialogTemplate kDateSelectDialog{
    IDD_DATE_SELECT, "Date Selection", 186, 113, kDateSelectControls, false, true};

// The About box, 235 x 55 dialog units.
constexpr ControlTemplate kAboutControls[] = {
    {-1, ControlKind::IconStatic, nullptr, 11, 17, 20, 20, 0, &kMainIcon},
    {-1, ControlKind::Static, "Girthminder Version 1.0", 40, 10, 119, 8, kLabelStyle},
    {IDOK, ControlKind::DefPushButton, "OK", 178, 7, 50, 14, kButtonStyle | kStyleGroup},
};
constexpr DialogTemplate kAboutDialog{IDD_ABOUTBOX, "About Girthminder", 235, 55, kAboutControls, false, true};

}  // namespace

const DialogTemplate& LoadDialog(int id) {
  switch (id) {
    case IDD_MAIN_DIALOG:
      return kMainDialog;
    case IDD_DATE_SELECT:
      return kDateSelectDialog;
    case IDD_ABOUTBOX:
      return kAboutDialog;
    default:
      std::abort();  // a dialog id the program does not have is a programming error
  }
}

namespace {
std::set<int> g_removedStrings;
}

void RemoveStringForTests(int id, bool removed) {
  if (removed)
    g_removedStrings.insert(id);
  else
    g_removedStrings.erase(id);
}

std::string LoadString(int id) {
  if (g_removedStrings.count(id)) return {};
  switch (id) {
    case IDS_ABOUTBOX:
      return "&About Girthminder...";
    case IDP_SOCKETS_INIT_FAILED:
      return "Windows sockets initialization failed.";
    default:
      return {};
  }
}

HICON LoadIcon(int id) { return id == IDR_MAINFRAME ? platform::IconHandle(kMainIcon) : nullptr; }

}  // namespace res
