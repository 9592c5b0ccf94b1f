#include "platform/qt/Services.h"

#include <QApplication>
#include <utility>

#include "platform/Dialog.h"
#include "platform/qt/DialogWindow.h"
#include "platform/qt/MessageBoxWindow.h"

namespace platform {
namespace {

std::function<int(const MessageBoxCall&)> g_messageBoxHook;
std::function<void(CDialog&)> g_modalHook;
std::function<void(int, int, const void*)> g_drawIconHook;

}  // namespace

void SetMessageBoxHook(std::function<int(const MessageBoxCall&)> hook) { g_messageBoxHook = std::move(hook); }
void SetModalHook(std::function<void(CDialog&)> hook) { g_modalHook = std::move(hook); }
void SetDrawIconHook(std::function<void(int, int, const void*)> hook) { g_drawIconHook = std::move(hook); }

void RecordDrawnIcon(int x, int y, const void* icon) {
  if (g_drawIconHook) g_drawIconHook(x, y, icon);
}

bool HasModalHook() { return static_cast<bool>(g_modalHook); }
void RunModalHook(CDialog& dialog) {
  if (g_modalHook) g_modalHook(dialog);
}

int ShowMessageBox(const MessageBoxCall& call, QWidget* owner) {
  if (g_messageBoxHook) return g_messageBoxHook(call);
  MessageBoxWindow box(call, owner ? owner : QApplication::activeWindow());
  return box.Run();
}

QIcon IconFromResource(const IconResource* icon) {
  QIcon result;
  if (!icon) return result;
  // The scalable picture goes first: it picks the icon engine that draws every other size
  // sharply, while the pictures drawn for the small sizes are still shown at their own size.
  if (icon->scalable) result.addFile(QString::fromUtf8(icon->scalable));
  for (int i = 0; i < icon->imageCount; ++i) result.addFile(QString::fromUtf8(icon->images[i]));
  return result;
}

}  // namespace platform
