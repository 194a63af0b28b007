// Placeholder until the Expert bar lands: there is never a bar to destroy.
#include "ui/expert_bar.h"

#include "config/settings.h"

platform::WindowHandle hwndToolBar = nullptr;

platform::WindowHandle CreateExpertBar() {
  return nullptr;
}
void DestroyExpertBar() {
  ToolBarOn = 0;
}
void SetExpertBarTopmost(bool) {}
