#pragma once

#include "platform/Dialog.h"

// The About box: the icon, the name and version, and OK.
class CAboutDlg : public CDialog {
 public:
  CAboutDlg();
};
