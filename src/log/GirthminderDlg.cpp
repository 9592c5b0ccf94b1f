#include "log/GirthminderDlg.h"

#include <new>

#include "app/AboutDlg.h"
#include "platform/LastChance.h"
#include "platform/WinApp.h"
#include "res/Resources.h"

namespace {

// The online manual, opened by the Help button.
constexpr const char* kManualAddress = "https://www.girthminder.org/manual.htm";

// The message map: button clicks to their handlers.
struct CommandEntry {
  int id;
  void (CGirthminderDlg::*handler)();
};
constexpr CommandEntry kCommandMap[] = {
    {IDC_MANUAL, &CGirthminderDlg::OnManual},     {IDC_CLEAR, &CGirthminderDlg::ClearForm},
    {IDC_SELECT, &CGirthminderDlg::OnSelectDate}, {IDC_ADD, &CGirthminderDlg::OnAdd},
    {IDC_UPDATE, &CGirthminderDlg::OnUpdate},     {IDC_REMOVE, &CGirthminderDlg::OnRemove},
    {IDC_REPORT, &CGirthminderDlg::OnReport},
};

// Runs a command; running out of memory in it is told in a box, as the framework tells it,
// and the program goes on. The save and the report catch it themselves, with their own boxes.
template <class Command>
void RunCommand(Command&& command) {
  try {
    command();
  } catch (const std::bad_alloc&) {
    AfxMessageBox("Out of memory.");
  }
}

}  // namespace

CGirthminderDlg::CGirthminderDlg(CDialog* pParent)
    : CDialog(res::LoadDialog(IDD_MAIN_DIALOG), pParent), m_strDate(), m_nEntryCount(0) {
  m_hIcon = res::LoadIcon(IDR_MAINFRAME);
}

CGirthminderDlg::~CGirthminderDlg() {
  // A window that never ended (one that could not be made) leaves nothing to save at exit.
  platform::SetLastChanceHandler({});
}

void CGirthminderDlg::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, IDC_LOGLIST, m_listLog);
  DDX_Text(pDX, IDC_DATE, m_strDate);
  DDX_Text(pDX, IDC_COUNT, m_nEntryCount);
  DDX_Text(pDX, IDC_ARM, m_strArm);
  DDX_Text(pDX, IDC_CHEST, m_strChest);
  DDX_Text(pDX, IDC_WAIST, m_strWaist);
  DDX_Text(pDX, IDC_WEIGHT, m_strWeight);
  DDX_Text(pDX, IDC_NECK, m_strNeck);
  DDX_Text(pDX, IDC_LEG, m_strLeg);
}

bool CGirthminderDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  // The About item goes at the end of the window menu.
  if (CMenu* pSysMenu = GetSystemMenu(false)) {
    const std::string strAboutMenu = res::LoadString(IDS_ABOUTBOX);
    if (!strAboutMenu.empty()) {
      pSysMenu->AppendMenu(MF_SEPARATOR);
      pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
    }
  }

  SetIcon(m_hIcon, true);
  SetIcon(m_hIcon, false);

  SetupColumns();
  LoadLog();
  return true;
}

bool CGirthminderDlg::OnCommand(int id) {
  for (const CommandEntry& entry : kCommandMap) {
    if (entry.id == id) {
      RunCommand([this, &entry] { (this->*entry.handler)(); });
      return true;
    }
  }
  bool handled = true;  // a command that ran out of memory was handled all the same
  RunCommand([this, id, &handled] { handled = CDialog::OnCommand(id); });
  return handled;
}

bool CGirthminderDlg::OnNotify(const NMHDR& header, LRESULT* result) {
  if (header.idFrom == IDC_LOGLIST && header.code == NM_CLICK) {
    RunCommand([this, &header, result] { OnClickLogList(&header, result); });
    return true;
  }
  return CDialog::OnNotify(header, result);
}

void CGirthminderDlg::OnSysCommand(UINT nID, LPARAM lParam) {
  RunCommand([this, nID, lParam] {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
      CAboutDlg dlgAbout;
      dlgAbout.DoModal();
      return;
    }
    DefaultSysCommand(nID, lParam);
  });
}

void CGirthminderDlg::OnPaint() {
  if (!IsIconic()) {
    DefaultPaint();
    return;
  }
  // Minimised: the icon centred in the client area.
  CPaintDC dc(this);
  dc.EraseBackground();
  const int cxIcon = GetSystemMetrics(SM_CXICON);
  const int cyIcon = GetSystemMetrics(SM_CYICON);
  CRect rect;
  GetClientRect(&rect);
  const int x = (rect.Width() - cxIcon + 1) / 2;
  const int y = (rect.Height() - cyIcon + 1) / 2;
  dc.DrawIcon(x, y, m_hIcon);
}

HICON CGirthminderDlg::OnQueryDragIcon() { return m_hIcon; }

void CGirthminderDlg::OnManual() {
  UpdateData(true);
  ShellOpen(kManualAddress);
  UpdateData(false);
}

std::string* CGirthminderDlg::FormField(int field) {
  switch (field) {
    case kDate:
      return &m_strDate;
    case kWeight:
      return &m_strWeight;
    case kChest:
      return &m_strChest;
    case kNeck:
      return &m_strNeck;
    case kArm:
      return &m_strArm;
    case kLeg:
      return &m_strLeg;
    case kWaist:
      return &m_strWaist;
    default:
      return nullptr;
  }
}
