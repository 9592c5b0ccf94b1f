#include "DialogFixture.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/files/Backups.h"

namespace testing_support {

std::time_t LocalTime(int year, int month, int day, int hour) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_isdst = -1;
  return std::mktime(&local);
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

void DialogTest::SetUp() {
  char pattern[] = "/tmp/girthminder-test-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  m_dir = pattern;
  char dataPattern[] = "/tmp/girthminder-data-XXXXXX";
  ASSERT_NE(mkdtemp(dataPattern), nullptr);
  m_dataHome = dataPattern;
  setenv("XDG_DATA_HOME", dataPattern, 1);
  m_oldDir = std::filesystem::current_path();
  std::filesystem::current_path(m_dir);

  m_now = LocalTime(2026, 12, 11);
  platform::SetMessageBoxHook([this](const platform::MessageBoxCall& call) {
    m_boxes.push_back(call);
    if ((call.type & MB_TYPEMASK) != MB_YESNO) return IDOK;
    if (m_answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << call.text;
      return IDNO;
    }
    const int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
  });
  platform::SetShellOpenHook([this](const std::string& target) { m_opened.push_back(target); });
  platform::SetClockHook([this] { return m_now; });
}

void DialogTest::TearDown() {
  if (m_dir.empty()) return;  // skipped before SetUp
  if (m_dialog && m_dialog->IsWindow()) m_dialog->EndDialog(IDCANCEL);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  m_dialog.reset();
  platform::SetMessageBoxHook({});
  platform::SetShellOpenHook({});
  platform::SetClockHook({});
  platform::SetModalHook({});
  platform::SetSocketInitHook({});
  std::filesystem::current_path(m_oldDir);
  std::error_code ignored;
  std::filesystem::remove_all(m_dir, ignored);
  std::filesystem::remove_all(m_dataHome, ignored);
  unsetenv("XDG_DATA_HOME");
}

std::vector<std::filesystem::path> DialogTest::RescueFiles() const {
  std::vector<std::filesystem::path> files;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(m_dataHome / "girthminder", ignored))
    files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

void DialogTest::ClearRescueFiles() {
  for (const auto& file : RescueFiles()) std::filesystem::remove(file);
}

std::string DialogTest::BackupName(int sequence) const {
  return platform::StampedName("diet.dat", m_now, sequence, platform::kBackupSuffix);
}

std::vector<std::string> DialogTest::Backups() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(m_dir)) {
    const std::string name = entry.path().filename().string();
    if (platform::ParseStampedName("diet.dat", name, platform::kBackupSuffix)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

CGirthminderDlg& DialogTest::OpenMain() {
  m_dialog = std::make_unique<CGirthminderDlg>();
  m_dialog->Create();
  QApplication::setActiveWindow(Window());
  return *m_dialog;
}

void DialogTest::CloseMain() {
  QTest::keyClick(Window(), Qt::Key_Escape);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QLineEdit* DialogTest::Edit(int id) const { return qobject_cast<QLineEdit*>(Window()->Control(id)); }
QPushButton* DialogTest::Button(int id) const { return qobject_cast<QPushButton*>(Window()->Control(id)); }
platform::ListView* DialogTest::List() const { return Window()->List(IDC_LOGLIST); }

std::string DialogTest::Text(int id) const { return Edit(id)->text().toStdString(); }

void DialogTest::Type(int id, const std::string& text) {
  QLineEdit* edit = Edit(id);
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, QString::fromStdString(text));
}

void DialogTest::Click(int id) { QTest::mouseClick(Button(id), Qt::LeftButton); }

void DialogTest::ClickRow(int row, Qt::KeyboardModifiers modifiers) {
  platform::ListView* list = List();
  const QRect cell = list->visualRect(list->model()->index(row, 0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, cell.center());
}

void DialogTest::ClickBelowRows() {
  platform::ListView* list = List();
  const int rows = list->model()->rowCount();
  const int below = rows == 0 ? 5 : list->visualRect(list->model()->index(rows - 1, 0)).bottom() + 5;
  ASSERT_LT(below, list->viewport()->height()) << "no empty area below the rows";
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, below));
}

std::vector<std::string> DialogTest::RowTexts(int row) const {
  std::vector<std::string> texts;
  texts.reserve(kFieldCount);
  for (int field = 0; field < kFieldCount; ++field) texts.push_back(m_dialog->m_listLog.GetItemText(row, field));
  return texts;
}

Rows DialogTest::AllRows() const {
  Rows rows;
  for (int r = 0; r < m_dialog->m_listLog.GetItemCount(); ++r) rows.push_back(RowTexts(r));
  return rows;
}

std::vector<std::string> DialogTest::FormTexts() const {
  const int ids[kFieldCount] = {IDC_DATE, IDC_WEIGHT, IDC_CHEST, IDC_NECK, IDC_ARM, IDC_LEG, IDC_WAIST};
  std::vector<std::string> texts;
  for (int id : ids) texts.push_back(Text(id));
  return texts;
}

void DialogTest::AddEntry(const MeasurementEntry& entry) {
  // The date edit is read-only for the user: the program fills it.
  m_dialog->m_strDate = entry[kDate];
  m_dialog->m_strWeight = entry[kWeight];
  m_dialog->m_strChest = entry[kChest];
  m_dialog->m_strNeck = entry[kNeck];
  m_dialog->m_strArm = entry[kArm];
  m_dialog->m_strLeg = entry[kLeg];
  m_dialog->m_strWaist = entry[kWaist];
  m_dialog->UpdateData(false);
  Click(IDC_ADD);
}

}  // namespace testing_support

std::string testing_support::TestNameFrom(const std::string& reason) {
  std::string name;
  bool startOfWord = true;
  for (const char c : reason) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      name += startOfWord ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
      startOfWord = false;
    } else {
      startOfWord = true;
    }
  }
  return name;
}
