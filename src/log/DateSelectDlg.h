#pragma once

#include "platform/Dialog.h"
#include "platform/Time.h"

// A month calendar to pick the form's date. Whichever way it is closed, m_time afterwards
// holds local midnight of the day selected at that moment.
class CDateSelectDlg : public CDialog {
 public:
  explicit CDateSelectDlg(CDialog* pParent);
  ~CDateSelectDlg() override;

  void DoDataExchange(CDataExchange* pDX) override;
  void OnDestroy() override;

  CMonthCalCtrl m_calendar;
  CTime m_time;
};
