#pragma once

// The program's one window: the entry form, the list of entries and the commands.

#include <string>

#include "log/MeasurementEntry.h"
#include "platform/Dialog.h"
#include "platform/ListCtrl.h"

class CGirthminderDlg : public CDialog {
 public:
  explicit CGirthminderDlg(CDialog* pParent = nullptr);
  ~CGirthminderDlg() override;

  // The list's columns: heading and format, in field order.
  struct LogColumn {
    const char* heading;
    int format;
  };
  static const LogColumn kLogColumns[kFieldCount];

  // List operations.
  void SetupColumns();
  void AutoSizeColumns();
  void RowToForm(int row);
  void RefreshEntryCount();
  void ReverseLogOrder();

  // Entry commands.
  void OnAdd();
  void OnUpdate();
  void OnRemove();
  void ClearForm();
  bool IsDuplicateDate();
  void OnSelectDate();

  // The log file.
  void LoadLog();
  void SaveLog();
  // After a failed save: the list into a rescue file, and a box that names it.
  void RescueLog();
  // The save when the process ends without the window ending (LastChance.h): no box.
  void SaveLogAtExit();
  void InsertFormAsTopRow();

  // The report.
  void OnReport();
  void BuildReport();
  std::string ReadTemplateFile(const std::string& fileName);

  // Application shell.
  void OnManual();
  HICON OnQueryDragIcon();

  void OnClickLogList(const NMHDR* pNMHDR, LRESULT* pResult);

  bool OnCommand(int id) override;
  bool OnNotify(const NMHDR& header, LRESULT* result) override;
  void OnSysCommand(UINT nID, LPARAM lParam) override;
  void OnPaint() override;
  void OnDestroy() override;
  bool OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;

  CListCtrl m_listLog;
  std::string m_strDate;
  int m_nEntryCount;
  std::string m_strArm;
  std::string m_strChest;
  std::string m_strWaist;
  std::string m_strWeight;
  std::string m_strNeck;
  std::string m_strLeg;
  HICON m_hIcon;

 private:
  // The form strings in field order.
  std::string* FormField(int field);
  void WriteFormToRow(int row);

  // diet.dat existed at start-up but could not be read: it must not be replaced.
  bool m_logUnreadable = false;
};
