#include "dialogs/AltKeyRepaintFix.h"

#include <windows.h>

#include <string>

#include "dialogs/FileVersion.h"
#include "platform/Owners.h"
#include "ui/Form.h"

namespace dialogs {
namespace {

constexpr std::uint16_t kTab = 9, kAlt = 18, kLeft = 37, kDown = 40;

std::string SystemFile(const char* name) {
  char dir[MAX_PATH] = "";
  const UINT n = GetSystemDirectoryA(dir, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return "";
  return std::string(dir, n) + "\\" + name;
}

int CommonControlsMajorVersion() {
  // The common controls the process actually uses; if none are loaded yet, the system's own file,
  // mapped as data: loading the library would run its start-up and its unload for nothing (and
  // some systems keep what its start-up made, a few icons each time).
  HMODULE module = GetModuleHandleA("comctl32.dll");
  const std::string path = module ? std::string() : SystemFile("comctl32.dll");
  if (!module && path.empty()) return 0;
  const platform::Module mappedHere(module ? nullptr : LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!module) module = mappedHere.get();
  HRSRC info = module ? FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16) /* RT_VERSION */) : nullptr;
  HGLOBAL data = info ? LoadResource(module, info) : nullptr;
  const void* bytes = data ? LockResource(data) : nullptr;
  return bytes ? FileVersionMajor(bytes, SizeofResource(module, info)) : 0;
}

bool DetermineVisualStyles() {
  // By full path: a library inside someone else's process must not load a planted uxtheme.dll.
  const std::string path = SystemFile("uxtheme.dll");
  const platform::Module module(path.empty() ? nullptr : LoadLibraryA(path.c_str()));
  HMODULE uxtheme = module.get();
  if (!uxtheme) return false;
  using BoolFn = BOOL(WINAPI*)();
  auto isAppThemed = reinterpret_cast<BoolFn>(reinterpret_cast<void*>(GetProcAddress(uxtheme, "IsAppThemed")));
  auto isThemeActive = reinterpret_cast<BoolFn>(reinterpret_cast<void*>(GetProcAddress(uxtheme, "IsThemeActive")));
  const bool themed = isAppThemed && isThemeActive && isAppThemed() && isThemeActive();
  return themed && CommonControlsMajorVersion() >= 6;
}

class SystemPlatform : public AltKeyRepaintPlatform {
 public:
  bool VisualStylesInEffect() override { return dialogs::VisualStylesInEffect(); }
  void PostRepaintMessage(ui::Form& form) override {
    PostMessageA(form.Handle(), WM_AltBugForceSelfRepaint, 0, 0);
  }
  std::unique_ptr<ui::TimerBackend> MakeTimerBackend() override { return ui::MakeWindowTimerBackend(); }
};

void RepaintButtonsBelow(ui::Control& control) {
  for (const auto& child : control.Controls()) {
    if (!child->IsWindowed()) continue;
    if (child->IsButtonControl()) child->RepaintNow();
    else RepaintButtonsBelow(*child);
  }
}

}  // namespace

bool VisualStylesInEffect() {
  static const bool inEffect = DetermineVisualStyles();
  return inEffect;
}

AltKeyRepaintPlatform& SystemAltKeyRepaintPlatform() {
  static SystemPlatform platform;
  return platform;
}

// The owner destroys the component with itself; nothing else is asked of it.
AltKeyRepaintFix::AltKeyRepaintFix(ui::Form& /*owner*/, AltKeyRepaintPlatform& platform)
    : platform_(platform), repaintTimer_(platform.MakeTimerBackend()) {
  repaintTimer_.OnTimer = [this] { RepaintTimerTick(); };
  repaintTimer_.SetEnabled(false);
  repaintTimer_.SetInterval(timerDelayMsec_);
}

void AltKeyRepaintFix::KeyDownCheck(ui::Form& form, std::uint16_t key) {
  if (key != kTab && key != kAlt && (key < kLeft || key > kDown)) return;
  if (!enabled_) return;
  if (!platform_.VisualStylesInEffect()) return;
  if (key != kAlt && !altSeen_) return;
  altSeen_ = key == kAlt;
  targetForm_ = &form;
  if (delayType_ == dtPostMsg) {
    platform_.PostRepaintMessage(form);
  } else {
    repaintTimer_.SetInterval(timerDelayMsec_);
    repaintTimer_.SetEnabled(true);
  }
}

void AltKeyRepaintFix::RepaintTimerTick() {
  ForceControlRepaint();
  repaintTimer_.SetEnabled(false);
}

void AltKeyRepaintFix::ForceControlRepaint() {
  if (targetForm_) RepaintButtonsBelow(*targetForm_);
}

}  // namespace dialogs

