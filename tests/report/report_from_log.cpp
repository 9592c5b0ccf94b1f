// Makes Report.htm the way a user does: the real program starts in the current directory,
// loads diet.dat into its list, and its Report command fills ReportOutter.htm and
// ReportInner.htm from that list. Then the window is cancelled and the program ends as usual.
//
// usage: report_from_log            (in a directory with diet.dat and the two templates)
//
// The shell is not asked to really open the page: the request is recorded and checked. Any
// message box is a failure, since a good log and good templates raise none. Prints the number
// of rows the report was made from.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/GirthminderApp.h"
#include "log/GirthminderDlg.h"
#include "platform/TestSeams.h"
#include "res/ResourceIds.h"

namespace {

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "report_from_log: %s\n", why.c_str());
  std::exit(2);
}

std::vector<std::string> g_opened;
int g_rows = -1;

void OnShown(CDialog& dialog) {
  auto* dlg = dynamic_cast<CGirthminderDlg*>(&dialog);
  if (dlg == nullptr) Fail("the main dialog did not come up");
  g_rows = dlg->m_listLog.GetItemCount();
  dlg->SendCommand(IDC_REPORT);
  if (g_opened != std::vector<std::string>{"Report.htm"}) Fail("the report was not handed to the shell");
  dlg->EndDialog(IDCANCEL);
}

}  // namespace

int main() {
  platform::SetMessageBoxHook(
      [](const platform::MessageBoxCall& call) -> int { Fail("unexpected message box: " + call.text); });
  platform::SetShellOpenHook([](const std::string& target) { g_opened.push_back(target); });
  platform::SetModalHook(OnShown);

  CGirthminderApp app;
  char name[] = "girthminder";
  char* args[] = {name, nullptr};
  const int status = AfxWinMain(1, args);
  if (g_rows < 0) Fail("the main dialog never ran");
  std::printf("%d rows\n", g_rows);
  return status;
}
