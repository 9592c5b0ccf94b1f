#pragma once

// The real dialogs on the offscreen platform, in a fresh temporary directory, with message
// boxes, the shell and the clock replaced by recorders.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "log/GirthminderDlg.h"
#include "platform/TestSeams.h"
#include "platform/qt/DialogWindow.h"
#include "platform/qt/ListView.h"
#include "res/ResourceIds.h"

namespace testing_support {

using Rows = std::vector<std::vector<std::string>>;  // the list's texts, top row first

inline std::vector<std::string> AsRow(const MeasurementEntry& entry) { return {entry.begin(), entry.end()}; }

// Local midnight of a day, as the clock seam's answer.
std::time_t LocalTime(int year, int month, int day, int hour = 12);

std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

// A test name from a table row's reason: its words run together, each capitalised, with
// everything but letters and digits dropped ("0x1A ends the file" -> "0x1AEndsTheFile").
std::string TestNameFrom(const std::string& reason);

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The main dialog, created without a loop of its own; OnInitDialog has run.
  CGirthminderDlg& OpenMain();
  // Ends it by Escape and lets the window go.
  void CloseMain();

  platform::DialogWindow* Window() const { return m_dialog->Window(); }
  QLineEdit* Edit(int id) const;
  QPushButton* Button(int id) const;
  platform::ListView* List() const;
  std::string Text(int id) const;
  void Type(int id, const std::string& text);
  void Click(int id);
  void ClickRow(int row, Qt::KeyboardModifiers modifiers = {});
  void ClickBelowRows();
  std::vector<std::string> RowTexts(int row) const;
  Rows AllRows() const;
  std::vector<std::string> FormTexts() const;  // the seven edits in field order
  // Puts an entry in the form and presses Add.
  void AddEntry(const MeasurementEntry& entry);

  std::filesystem::path Dir() const { return m_dir; }
  // $XDG_DATA_HOME of the test: a fresh folder outside Dir().
  std::filesystem::path DataHome() const { return m_dataHome; }
  // The rescue files written so far (full paths, sorted), and their removal.
  std::vector<std::filesystem::path> RescueFiles() const;
  void ClearRescueFiles();
  // The name of diet.dat's backup made by a save at m_now with that sequence number.
  std::string BackupName(int sequence) const;
  // The backups of diet.dat in Dir(), sorted by name.
  std::vector<std::string> Backups() const;

  std::vector<platform::MessageBoxCall> m_boxes;  // every box shown, in order
  std::deque<int> m_answers;                      // answers for Yes/No boxes
  std::vector<std::string> m_opened;              // what the shell was asked to open
  std::time_t m_now = 0;

  std::unique_ptr<CGirthminderDlg> m_dialog;

 private:
  std::filesystem::path m_dir;
  std::filesystem::path m_dataHome;
  std::filesystem::path m_oldDir;
};

}  // namespace testing_support
