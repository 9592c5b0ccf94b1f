#pragma once

// A dialog described as data: its size and caption, and its controls in template order (which
// is also the tab order), all positions and sizes in dialog units.

#include <span>

enum class ControlKind {
  Edit,
  PushButton,
  DefPushButton,
  Static,
  IconStatic,
  ListView,
  MonthCalendar,
};

// Control styles the program uses.
inline constexpr unsigned kStyleReadOnly = 0x1;
inline constexpr unsigned kStyleTabStop = 0x2;
inline constexpr unsigned kStyleGroup = 0x4;
inline constexpr unsigned kStyleBorder = 0x8;

struct IconResource;

struct ControlTemplate {
  int id;  // -1 for controls without an id (labels)
  ControlKind kind;
  const char* text;
  int x, y, cx, cy;
  unsigned style;
  const IconResource* icon = nullptr;  // the picture of an icon control
  // What a screen reader calls the control when no label stands beside it; an edit with a
  // label to its left is named after that label.
  const char* accessibleName = nullptr;
};

struct IconResource {
  int id;
  const char* const* images;  // paths of the pictures in the embedded resources, small to large
  int imageCount;
  const char* scalable;  // path of the scalable picture, may be null
};

struct DialogTemplate {
  int id;
  const char* caption;
  int cx, cy;
  std::span<const ControlTemplate> controls;
  bool appWindow;   // shown with its own taskbar entry
  bool systemMenu;  // has a system menu (and a close box)
};
