// The windows as a user meets them on a desktop: how each window and box is framed and owned,
// what the real message boxes show and accept, the calendar's today, the list's selection and
// mouse buttons, the window icon, and the names a screen reader gives the controls.

#include <QAbstractButton>
#include <QCalendarWidget>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QTableView>
#include <QTimer>
#include <functional>

#include "DialogFixture.h"
#include "app/GirthminderApp.h"
#include "platform/WinApp.h"

using namespace testing_support;

namespace {

namespace fs = std::filesystem;

const MeasurementEntry kJanuary = {"2006-01-31", "82.5", "104", "41", "35", "60", "96"};
const MeasurementEntry kFebruary = {"2006-02-07", "81.9", "103", "41", "35", "59", "95"};

// What a window asks of the window manager and shows in its buttons.
struct Look {
  Qt::WindowType type = Qt::Widget;
  bool minimiseBox = false;
  bool maximiseBox = false;
  bool closeBox = false;
  bool fixedSize = false;
  bool buttonIcons = false;  // some push button shows a picture
  QWidget* owner = nullptr;
  QPoint centre;
  QString caption;
  int width = 0;
};

Look LookOf(QWidget* window) {
  Look look;
  const Qt::WindowFlags flags = window->windowFlags();
  look.type = window->windowType();
  look.minimiseBox = flags.testFlag(Qt::WindowMinimizeButtonHint);
  look.maximiseBox = flags.testFlag(Qt::WindowMaximizeButtonHint);
  look.closeBox = flags.testFlag(Qt::WindowCloseButtonHint);
  look.fixedSize = window->minimumSize() == window->maximumSize();
  for (QPushButton* button : window->findChildren<QPushButton*>())
    if (button->isVisible() && !button->icon().isNull()) look.buttonIcons = true;
  look.owner = window->parentWidget();
  look.centre = window->frameGeometry().center();
  look.caption = window->windowTitle();
  look.width = window->width();
  return look;
}

// Runs `open`, which shows a real message box, and `act` on that box while it is up.
void WithRealBox(const std::function<void()>& open, const std::function<void(QMessageBox&)>& act) {
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr) << "no message box is up";
    seen = true;
    act(*box);
  });
  open();
  EXPECT_TRUE(seen);
}

QAbstractButton* ButtonNamed(QMessageBox& box, const QString& text) {
  for (QAbstractButton* button : box.buttons())
    if (button->text().remove(QLatin1Char('&')) == text) return button;
  return nullptr;
}

class DesktopLookTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    m_app = std::make_unique<CWinApp>();
  }
  void TearDown() override {
    DialogTest::TearDown();
    m_app.reset();
  }
  // The main window as the application's main window, as InitInstance makes it.
  CGirthminderDlg& OpenMainWindow() {
    CGirthminderDlg& dlg = OpenMain();
    m_app->m_pMainWnd = &dlg;
    return dlg;
  }
  void UseRealBoxes() { platform::SetMessageBoxHook({}); }

  std::unique_ptr<CWinApp> m_app;
};

void ExpectPlainBox(const Look& look, bool closeBox, QWidget* owner) {
  EXPECT_EQ(look.type, Qt::Dialog) << look.caption.toStdString();
  EXPECT_FALSE(look.minimiseBox) << look.caption.toStdString();
  EXPECT_FALSE(look.maximiseBox) << look.caption.toStdString();
  EXPECT_EQ(look.closeBox, closeBox) << look.caption.toStdString();
  EXPECT_TRUE(look.fixedSize) << look.caption.toStdString();
  EXPECT_FALSE(look.buttonIcons) << look.caption.toStdString();
  EXPECT_EQ(look.owner, owner) << look.caption.toStdString();
  const QPoint ownerCentre = owner->frameGeometry().center();
  EXPECT_LE((look.centre - ownerCentre).manhattanLength(), 2) << look.caption.toStdString() << " is not centred";
}

TEST_F(DesktopLookTest, TheMainWindowIsAnApplicationWindowWithOnlyACloseBox) {
  OpenMainWindow();
  const Look look = LookOf(Window());
  EXPECT_EQ(look.type, Qt::Window) << "a window of its own, with its own taskbar button";
  EXPECT_FALSE(look.minimiseBox);
  EXPECT_FALSE(look.maximiseBox);
  EXPECT_TRUE(look.closeBox);
  EXPECT_TRUE(look.fixedSize);
  EXPECT_EQ(look.owner, nullptr);
}

// A desktop whose style puts pictures on the buttons of dialogs (as Qt's own on most Linux
// desktops does: a tick on OK).
class PicturesOnButtonsStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returned) const override {
    if (hint == SH_DialogButtonBox_ButtonsHaveIcons) return 1;
    return QProxyStyle::styleHint(hint, option, widget, returned);
  }
};

// Every box of the program: plain text buttons, only a close box (none on Yes/No), a fixed
// size, owned by the main window and centred on it.
TEST_F(DesktopLookTest, EveryBoxIsFramedAsTheClassicOnes) {
  const QString styleName = QApplication::style()->name();
  QApplication::setStyle(new PicturesOnButtonsStyle(QStyleFactory::create(styleName)));
  struct RestoreStyle {
    QString name;
    ~RestoreStyle() { QApplication::setStyle(QStyleFactory::create(name)); }
  } restore{styleName};
  CGirthminderDlg& dlg = OpenMainWindow();
  UseRealBoxes();
  const auto pressFirst = [](QMessageBox& box) { box.buttons().front()->click(); };
  Look look;
  // A box of the main dialog's own ("Error", "Error Log", "Error Writing File").
  WithRealBox([&] { Click(IDC_ADD); },
              [&](QMessageBox& box) {
                look = LookOf(&box);
                pressFirst(box);
              });
  EXPECT_EQ(look.caption, "Error");
  ExpectPlainBox(look, true, Window());
  // A box of the application with OK (the sockets message).
  WithRealBox([&] { AfxMessageBox("Windows sockets initialization failed."); },
              [&](QMessageBox& box) {
                look = LookOf(&box);
                pressFirst(box);
              });
  EXPECT_EQ(look.caption, "girthminder");
  ExpectPlainBox(look, true, Window());
  // The duplicate question.
  AddEntry(kJanuary);
  WithRealBox([&] { Click(IDC_ADD); },
              [&](QMessageBox& box) {
                look = LookOf(&box);
                ButtonNamed(box, "No")->click();
              });
  ExpectPlainBox(look, false, Window());
  // The About box and the date dialog.
  for (const int which : {IDD_ABOUTBOX, IDD_DATE_SELECT}) {
    platform::SetModalHook([&](CDialog& dialog) {
      look = LookOf(dialog.Window());
      dialog.EndDialog(IDOK);
    });
    if (which == IDD_ABOUTBOX)
      dlg.SendSysCommand(IDM_ABOUTBOX);
    else
      Click(IDC_SELECT);
    platform::SetModalHook({});
    ExpectPlainBox(look, true, Window());
  }
  EXPECT_EQ(dlg.m_listLog.GetItemCount(), 1);
}

// The duplicate question has no Escape answer and no close box: it waits for Yes or No.
TEST_F(DesktopLookTest, TheDuplicateQuestionIgnoresEscapeAndClosingAndTakesYes) {
  CGirthminderDlg& dlg = OpenMainWindow();
  UseRealBoxes();
  AddEntry(kJanuary);
  bool upAfterEscape = false;
  bool upAfterClose = false;
  WithRealBox([&] { Click(IDC_ADD); },
              [&](QMessageBox& box) {
                QTest::keyClick(&box, Qt::Key_Escape);
                upAfterEscape = box.isVisible();
                if (upAfterEscape) box.close();
                upAfterClose = box.isVisible();
                if (upAfterClose) ButtonNamed(box, "Yes")->click();
              });
  EXPECT_TRUE(upAfterEscape);
  EXPECT_TRUE(upAfterClose);
  EXPECT_EQ(dlg.m_listLog.GetItemCount(), 2) << "Yes adds the entry a second time";
  // N answers No, as the button's mnemonic.
  WithRealBox([&] { Click(IDC_ADD); }, [&](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_N); });
  EXPECT_EQ(dlg.m_listLog.GetItemCount(), 2);
}

TEST_F(DesktopLookTest, AnOkBoxIsClosedByEscape) {
  OpenMainWindow();
  UseRealBoxes();
  bool closed = false;
  WithRealBox([&] { Click(IDC_ADD); },
              [&](QMessageBox& box) {
                QTest::keyClick(&box, Qt::Key_Escape);
                closed = !box.isVisible();
                if (!closed) box.buttons().front()->click();
              });
  EXPECT_TRUE(closed);
}

// The title bar shows the whole caption beside its icon and buttons, in the bold face window
// managers draw captions in.
TEST_F(DesktopLookTest, ABoxIsWideEnoughForItsWholeCaption) {
  OpenMainWindow();
  UseRealBoxes();
  QFont bold = QApplication::font();
  bold.setBold(true);
  const QFontMetrics title(bold);
  for (const char* caption : {"Error Writing File", "Error Log", "Error", "girthminder"}) {
    int width = 0;
    WithRealBox([&] { m_dialog->MessageBox("Save to File", caption); },
                [&](QMessageBox& box) {
                  width = box.width();
                  box.buttons().front()->click();
                });
    const int needed = title.horizontalAdvance(QString::fromUtf8(caption)) + 4 * title.height();
    EXPECT_GE(width, needed) << caption;
  }
}

TEST_F(DesktopLookTest, TheAboutBoxBelongsToTheMainWindow) {
  OpenMainWindow();
  QWidget* owner = nullptr;
  QPoint centre;
  platform::SetModalHook([&](CDialog& dialog) {
    owner = dialog.Window()->parentWidget();
    centre = dialog.Window()->frameGeometry().center();
    EXPECT_EQ(QApplication::activeModalWidget(), dialog.Window());
    dialog.EndDialog(IDOK);
  });
  m_dialog->SendSysCommand(IDM_ABOUTBOX);
  EXPECT_EQ(owner, Window());
  EXPECT_LE((centre - Window()->frameGeometry().center()).manhattanLength(), 2);
}

// A failed save at Quit: the box is shown while the main window is already hidden, in the
// real modal run of the program.
TEST_F(DesktopLookTest, AFailedSaveAtQuitShowsItsBoxAlone) {
  fs::create_directory("diet.dat");  // neither read nor replaced: the save fails
  std::vector<std::string> windowsAtTheBox;
  platform::SetMessageBoxHook([&](const platform::MessageBoxCall& call) {
    m_boxes.push_back(call);
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (widget->isVisible() && !widget->windowTitle().isEmpty())
        windowsAtTheBox.push_back(widget->windowTitle().toStdString());
    return IDOK;
  });
  platform::SetModalHook([&](CDialog& dialog) {
    auto& main = static_cast<CGirthminderDlg&>(dialog);
    main.m_strDate = kJanuary[kDate];
    main.m_strWeight = kJanuary[kWeight];
    main.UpdateData(false);
    QTest::mouseClick(dialog.Window()->Control(IDC_ADD), Qt::LeftButton);
    QTest::mouseClick(dialog.Window()->Control(IDOK), Qt::LeftButton);
  });
  CGirthminderApp app;
  EXPECT_FALSE(app.InitInstance());
  ASSERT_FALSE(m_boxes.empty());
  EXPECT_EQ(m_boxes[0].text, "Save to File");
  EXPECT_EQ(windowsAtTheBox, std::vector<std::string>{}) << "the main window is still up behind the box";
  EXPECT_TRUE(fs::is_directory("diet.dat"));
}

// The calendar circles today and offers a "Today:" line that selects it.
class CalendarTodayTest : public DesktopLookTest {
 protected:
  // The days of December 2026 as drawn, with the 20th selected, when the clock says `today`.
  QImage DecemberWithTodayOn(std::time_t today) {
    m_now = today;
    QImage picture;
    platform::SetModalHook([&](CDialog& dialog) {
      auto* calendar = dialog.Window()->Calendar(IDC_MONTHCALENDAR);
      calendar->setSelectedDate(QDate(2026, 12, 20));
      calendar->setCurrentPage(2026, 12);
      auto* days = calendar->findChild<QTableView*>();
      EXPECT_NE(days, nullptr);
      if (days) picture = days->grab().toImage();
      dialog.EndDialog(IDOK);
    });
    Click(IDC_SELECT);
    platform::SetModalHook({});
    return picture;
  }
};

TEST_F(CalendarTodayTest, TodayIsCircledInItsMonth) {
  OpenMainWindow();
  const QImage marked = DecemberWithTodayOn(LocalTime(2026, 12, 11));
  const QImage unmarked = DecemberWithTodayOn(LocalTime(1990, 6, 15));
  ASSERT_FALSE(marked.isNull());
  ASSERT_EQ(marked.size(), unmarked.size());
  // The two pictures differ in one day's cell only.
  QRect changed;
  for (int y = 0; y < marked.height(); ++y)
    for (int x = 0; x < marked.width(); ++x)
      if (marked.pixel(x, y) != unmarked.pixel(x, y)) changed |= QRect(x, y, 1, 1);
  ASSERT_FALSE(changed.isEmpty()) << "today looks like any other day";
  EXPECT_LT(changed.width(), marked.width() / 5);
  EXPECT_LT(changed.height(), marked.height() / 4);
}

TEST_F(CalendarTodayTest, TheTodayLineShowsTodayAndSelectsIt) {
  OpenMainWindow();
  QString line;
  platform::SetModalHook([&](CDialog& dialog) {
    auto* calendar = dialog.Window()->Calendar(IDC_MONTHCALENDAR);
    calendar->setSelectedDate(QDate(2006, 3, 5));
    QAbstractButton* today = nullptr;
    for (QAbstractButton* button : calendar->findChildren<QAbstractButton*>())
      if (button->isVisible() && button->text().startsWith("Today:")) today = button;
    if (!today) {
      ADD_FAILURE() << "no Today: line";
      dialog.EndDialog(IDOK);
      return;
    }
    line = today->text();
    QTest::mouseClick(today, Qt::LeftButton);
    EXPECT_EQ(calendar->selectedDate(), QDate(2026, 12, 11));
    EXPECT_EQ(calendar->yearShown(), 2026);
    EXPECT_EQ(calendar->monthShown(), 12);
    dialog.EndDialog(IDOK);
  });
  Click(IDC_SELECT);
  EXPECT_TRUE(line.contains("11")) << line.toStdString();
  EXPECT_EQ(Text(IDC_DATE), "2026-12-11");
}

// The list has no always-show-selection style: the selection shows only while it has the
// focus, and stays selected all the same.
TEST_F(DesktopLookTest, TheListShowsItsSelectionOnlyWhileItHasTheFocus) {
  CGirthminderDlg& dlg = OpenMainWindow();
  AddEntry(kJanuary);
  AddEntry(kFebruary);
  const QColor marker(3, 7, 250);
  QPalette palette = List()->palette();
  for (const auto group : {QPalette::Active, QPalette::Inactive}) palette.setColor(group, QPalette::Highlight, marker);
  List()->setPalette(palette);
  const auto highlighted = [&] {
    const QImage picture = List()->viewport()->grab().toImage();
    int count = 0;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x) count += QColor(picture.pixel(x, y)) == marker;
    return count;
  };
  ClickRow(0);
  List()->setFocus();
  ASSERT_TRUE(List()->hasFocus());
  EXPECT_GT(highlighted(), 100) << "a selected row shows while the list has the focus";
  Edit(IDC_WEIGHT)->setFocus();
  ASSERT_FALSE(List()->hasFocus());
  EXPECT_EQ(highlighted(), 0);
  EXPECT_TRUE(dlg.m_listLog.IsItemSelected(0));
  List()->setFocus();
  EXPECT_GT(highlighted(), 100);
}

// Only the buttons the list reacts to select: a middle click changes nothing.
TEST_F(DesktopLookTest, AMiddleClickSelectsNothing) {
  CGirthminderDlg& dlg = OpenMainWindow();
  AddEntry(kJanuary);
  AddEntry(kFebruary);
  ClickRow(0);
  Type(IDC_WEIGHT, "typed");
  platform::ListView* list = List();
  const QRect row1 = list->visualRect(list->model()->index(1, 0));
  QTest::mouseClick(list->viewport(), Qt::MiddleButton, {}, row1.center());
  QTest::mouseDClick(list->viewport(), Qt::MiddleButton, {}, row1.center());
  EXPECT_TRUE(dlg.m_listLog.IsItemSelected(0));
  EXPECT_FALSE(dlg.m_listLog.IsItemSelected(1));
  EXPECT_EQ(dlg.m_listLog.GetSelectionMark(), 0);
  EXPECT_EQ(Text(IDC_WEIGHT), "typed") << "no click reached the form";
  // The right button still selects, as in the classic list.
  QTest::mouseClick(list->viewport(), Qt::RightButton, {}, row1.center());
  EXPECT_TRUE(dlg.m_listLog.IsItemSelected(1));
  EXPECT_EQ(dlg.m_listLog.GetSelectionMark(), 1);
}

TEST_F(DesktopLookTest, TheWindowIconIncludesTheScalablePicture) {
  OpenMainWindow();
  const QIcon icon = Window()->windowIcon();
  EXPECT_EQ(icon.pixmap(QSize(256, 256)).size(), QSize(256, 256)) << "drawn at any size, not only 16 to 48";
  EXPECT_EQ(icon.pixmap(QSize(16, 16)).size(), QSize(16, 16));
}

// Names for screen readers: each edit after its label, without the colon; the count and the
// list by what they are. Nothing on the screen changes.
TEST_F(DesktopLookTest, ControlsCarryTheNamesAScreenReaderReads) {
  OpenMainWindow();
  const std::vector<std::pair<int, const char*>> names = {
      {IDC_DATE, "Date"}, {IDC_WEIGHT, "Weight"}, {IDC_CHEST, "Chest"}, {IDC_NECK, "Neck"},
      {IDC_ARM, "Arm"},   {IDC_LEG, "Leg"},       {IDC_WAIST, "Waist"}, {IDC_COUNT, "Entries"},
  };
  for (const auto& [id, name] : names) EXPECT_EQ(Edit(id)->accessibleName(), name) << id;
  EXPECT_EQ(List()->accessibleName(), "Log");
  std::vector<std::string> labels;
  for (QLabel* label : Window()->findChildren<QLabel*>())
    if (label->text().endsWith(':')) labels.push_back(label->text().toStdString());
  EXPECT_EQ(labels.size(), 7u) << "the labels still read as before, colon and all";
}

}  // namespace
