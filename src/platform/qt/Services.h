#pragma once

// Internal to the platform layer: the services behind the test seams, and icon conversion.

#include <QIcon>

#include "platform/DialogTemplate.h"
#include "platform/TestSeams.h"

class QWidget;

namespace platform {

int ShowMessageBox(const MessageBoxCall& call, QWidget* owner);
void RunModalHook(CDialog& dialog);
bool HasModalHook();
QIcon IconFromResource(const IconResource* icon);
void RecordDrawnIcon(int x, int y, const void* icon);

}  // namespace platform
