// The application shell around the main window: the window menu and About box, the icons and
// the minimised drawing, Help and F1.

#include <QLabel>
#include <QMenu>

#include "DialogFixture.h"
#include "platform/WinApp.h"
#include "res/Resources.h"

using namespace testing_support;

namespace {

class ShellTest : public DialogTest {
 protected:
  std::vector<std::string> MenuTexts() {
    std::vector<std::string> texts;
    CMenu* menu = m_dialog->GetSystemMenu(false);
    for (int i = 0; menu && i < menu->GetMenuItemCount(); ++i)
      texts.push_back(menu->IsSeparator(i) ? "-" : menu->GetMenuString(i));
    return texts;
  }
  // Sends a system command and reports the About box if one opened, closing it by `close`.
  bool SysCommandOpensAbout(UINT id, const std::function<void(CDialog&)>& close) {
    bool opened = false;
    platform::SetModalHook([&](CDialog& dialog) {
      opened = dialog.Template().id == IDD_ABOUTBOX;
      close(dialog);
    });
    m_dialog->SendSysCommand(id);
    platform::SetModalHook({});
    return opened;
  }
};

TEST_F(ShellTest, WindowMenuEndsWithSeparatorAndAbout) {
  OpenMain();
  EXPECT_EQ(MenuTexts(), (std::vector<std::string>{"&Move", "-", "&Close\tAlt+F4", "-", "&About Girthminder..."}));
  EXPECT_EQ(m_dialog->GetSystemMenu(false)->GetMenuItemID(4), IDM_ABOUTBOX);
}

TEST_F(ShellTest, WithoutTheAboutStringNothingIsAppendedAndTheIconsAreStillSet) {
  res::RemoveStringForTests(IDS_ABOUTBOX, true);
  OpenMain();
  res::RemoveStringForTests(IDS_ABOUTBOX, false);
  EXPECT_EQ(MenuTexts(), (std::vector<std::string>{"&Move", "-", "&Close\tAlt+F4"}));
  EXPECT_EQ(m_dialog->GetIcon(true), res::LoadIcon(IDR_MAINFRAME));
  EXPECT_EQ(m_dialog->GetIcon(false), res::LoadIcon(IDR_MAINFRAME));
  EXPECT_FALSE(Window()->windowIcon().pixmap(16, 16).isNull()) << "the pictures are there";
  EXPECT_FALSE(Window()->windowIcon().pixmap(32, 32).isNull());
}

TEST_F(ShellTest, CommandsWhoseMaskedIdIsTheAboutItemOpenTheAboutBox) {
  OpenMain();
  const auto pressOk = [](CDialog& dialog) { QTest::mouseClick(dialog.Window()->Control(IDOK), Qt::LeftButton); };
  for (UINT id = 0x0010; id <= 0x001F; ++id) EXPECT_TRUE(SysCommandOpensAbout(id, pressOk)) << std::hex << id;
  for (UINT id : {0x0000u, 0x0020u, 0x0030u, 0xF010u + 0x10u}) {
    bool opened = SysCommandOpensAbout(id, [](CDialog& dialog) { dialog.EndDialog(IDCANCEL); });
    EXPECT_FALSE(opened) << std::hex << id;
  }
  EXPECT_TRUE(m_dialog->IsWindow()) << "the About box leaves the main window open";
}

TEST_F(ShellTest, AboutBoxShowsNameAndVersionAndEndsThreeWays) {
  OpenMain();
  const std::vector<std::function<void(CDialog&)>> ways = {
      [](CDialog& d) { QTest::mouseClick(d.Window()->Control(IDOK), Qt::LeftButton); },
      [](CDialog& d) { QTest::keyClick(d.Window(), Qt::Key_Escape); },
      [](CDialog& d) { d.Window()->close(); },
  };
  for (const auto& way : ways) {
    QString caption, text;
    bool iconShown = false;
    platform::SetModalHook([&](CDialog& dialog) {
      caption = dialog.Window()->windowTitle();
      for (QLabel* label : dialog.Window()->findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) text = label->text();
        if (!label->pixmap().isNull()) iconShown = true;
      }
      way(dialog);
    });
    m_dialog->SendSysCommand(IDM_ABOUTBOX);
    platform::SetModalHook({});
    EXPECT_EQ(caption, "About Girthminder");
    EXPECT_EQ(text, "Girthminder Version 1.0");
    EXPECT_TRUE(iconShown);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the About box has gone";
  }
}

TEST_F(ShellTest, CloseFromTheWindowMenuEndsAndSaves) {
  OpenMain();
  AddEntry({"2006-01-31", "82.5", "104", "41", "35", "60", "96"});
  QTest::keyClick(Edit(IDC_WEIGHT), Qt::Key_Space, Qt::AltModifier);
  auto* menu = Window()->findChild<QMenu*>("systemMenu");
  ASSERT_NE(menu, nullptr) << "Alt+Space opens the window menu";
  QAction* close = nullptr;
  for (QAction* action : menu->actions())
    if (action->text() == "&Close") close = action;
  ASSERT_NE(close, nullptr);
  close->trigger();
  EXPECT_FALSE(m_dialog->IsWindow());
  EXPECT_NE(ReadFileBytes("diet.dat").find("DATE=2006-01-31\r\n"), std::string::npos);
}

TEST_F(ShellTest, RightClickOnTheBackgroundOpensTheWindowMenu) {
  OpenMain();
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), Window()->mapToGlobal(QPoint(2, 2)));
  QApplication::sendEvent(Window(), &event);
  auto* menu = Window()->findChild<QMenu*>("systemMenu");
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->actions().back()->text(), "&About Girthminder...");
}

TEST_F(ShellTest, MinimisedIconIsCentredWithTruncatingArithmetic) {
  OpenMain();
  struct Case {
    int side, origin;
  };
  for (const Case c : {Case{36, 2}, Case{35, 2}, Case{33, 1}, Case{28, -1}}) {
    std::vector<std::pair<int, int>> drawn;
    platform::SetDrawIconHook([&](int x, int y, const void* icon) {
      EXPECT_EQ(icon, m_dialog->m_hIcon);
      drawn.emplace_back(x, y);
    });
    Window()->setFixedSize(c.side, c.side);
    Window()->showNormal();
    m_dialog->OnPaint();
    EXPECT_TRUE(drawn.empty()) << "not minimised: the normal painting only";
    Window()->showMinimized();
    ASSERT_TRUE(m_dialog->IsIconic());
    m_dialog->OnPaint();
    EXPECT_EQ(drawn, (std::vector<std::pair<int, int>>{{c.origin, c.origin}})) << "client " << c.side;
    platform::SetDrawIconHook({});
  }
  EXPECT_EQ(m_dialog->OnQueryDragIcon(), m_dialog->m_hIcon);
}

TEST_F(ShellTest, HelpOpensTheManualAndLeavesTheForm) {
  OpenMain();
  AddEntry({"2006-01-31", "82.5", "104", "41", "35", "60", "96"});
  Type(IDC_WEIGHT, "typed");
  const std::vector<std::string> before = FormTexts();
  Click(IDC_MANUAL);
  EXPECT_EQ(FormTexts(), before);
  EXPECT_TRUE(m_boxes.empty());
  ASSERT_EQ(m_opened.size(), 1u);
  const std::string suffix = "/manual.htm";
  EXPECT_EQ(m_opened[0].substr(m_opened[0].size() - suffix.size()), suffix);
  EXPECT_EQ(m_opened[0].rfind("https://", 0), 0u);
}

class HelpRecordingApp : public CWinApp {
 public:
  void OnHelp() override { ++helps; }
  int helps = 0;
};

TEST_F(ShellTest, F1ReachesTheApplicationsHelp) {
  HelpRecordingApp app;
  OpenMain();
  QTest::keyClick(Edit(IDC_WEIGHT), Qt::Key_F1);
  EXPECT_EQ(app.helps, 1);
  QTest::keyClick(Edit(IDC_WEIGHT), Qt::Key_F1, Qt::ShiftModifier);
  EXPECT_EQ(app.helps, 1) << "only F1 alone";
  EXPECT_TRUE(m_dialog->IsWindow());
}

}  // namespace
