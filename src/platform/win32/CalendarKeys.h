#pragma once

// The month calendar's keyboard: the arrow keys move the selected day by a day or a week,
// Page Up and Page Down by a month. Windows' own calendar does this itself; where a calendar
// leaves a key unanswered (Wine's does), the same step is taken here, so that a day can be
// picked by keyboard alone everywhere.

#include "platform/WindowsHeaders.h"

namespace platform {

void AddCalendarKeys(HWND calendar);

}  // namespace platform
