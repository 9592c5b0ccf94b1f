#include "log/DateSelectDlg.h"

#include "res/Resources.h"

CDateSelectDlg::CDateSelectDlg(CDialog* pParent) : CDialog(res::LoadDialog(IDD_DATE_SELECT), pParent), m_time(0) {}

CDateSelectDlg::~CDateSelectDlg() = default;

void CDateSelectDlg::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, IDC_MONTHCALENDAR, m_calendar);
  DDX_MonthCalCtrl(pDX, IDC_MONTHCALENDAR, m_time);
}

void CDateSelectDlg::OnDestroy() {
  CDialog::OnDestroy();
  UpdateData(true);
  int year = 0;
  int month = 0;
  int day = 0;
  if (m_calendar.GetCurSel(&year, &month, &day)) m_time = CTime(year, month, day, 0, 0, 0, -1);
  UpdateData(false);
}
