#include "app/AboutDlg.h"

#include "res/Resources.h"

CAboutDlg::CAboutDlg() : CDialog(res::LoadDialog(IDD_ABOUTBOX)) {}
