// Repaints a dialog's push buttons shortly after Alt, Tab or an arrow key, when visual styles are
// in effect: on those keys the keyboard cues come on, and themed buttons otherwise keep showing
// the old state (no underlines, no focus rectangle) until something else repaints them.
#pragma once
#include <cstdint>
#include <memory>

#include "ui/Timer.h"

namespace ui {
class Form;
}

namespace dialogs {

enum TDelayType { dtPostMsg = 0, dtTimer = 1 };

// Posted to the form in dtPostMsg mode; a form that uses that mode answers it with
// ForceControlRepaint. Neither dialog does: both use dtTimer.
constexpr unsigned WM_AltBugForceSelfRepaint = 0x81A9;  // WM_APP + 425

// What the component needs from the platform, so that its rules can be tested alone.
class AltKeyRepaintPlatform {
 public:
  virtual ~AltKeyRepaintPlatform() = default;
  virtual bool VisualStylesInEffect() = 0;
  virtual void PostRepaintMessage(ui::Form& form) = 0;
  virtual std::unique_ptr<ui::TimerBackend> MakeTimerBackend() = 0;
};
AltKeyRepaintPlatform& SystemAltKeyRepaintPlatform();

// uxtheme (from the system folder only) says a theme is active for the application, and the
// common controls are version 6 or later. Determined once.
bool VisualStylesInEffect();

class AltKeyRepaintFix {
 public:
  explicit AltKeyRepaintFix(ui::Form& owner, AltKeyRepaintPlatform& platform = SystemAltKeyRepaintPlatform());
  AltKeyRepaintFix(const AltKeyRepaintFix&) = delete;
  AltKeyRepaintFix& operator=(const AltKeyRepaintFix&) = delete;

  // Offered every key-down the dialog receives; starts a deferred repaint on the keys that
  // switch the keyboard cues on. Never repaints by itself.
  void KeyDownCheck(ui::Form& form, std::uint16_t key);
  // Repaints every push button of the target form now; other controls are only walked through.
  void ForceControlRepaint();

  // The component's properties, read and written at any time; a change takes effect at the next
  // key. The dialogs set DelayType; the others keep their defaults there.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  TDelayType DelayType() const { return delayType_; }
  void SetDelayType(TDelayType type) { delayType_ = type; }
  unsigned TimerDelayMsec() const { return timerDelayMsec_; }
  void SetTimerDelayMsec(unsigned msec) { timerDelayMsec_ = msec; }

  // Its state, read by its tests, which prove its rules with a fake platform and no window.
  ui::Form* TargetForm() const { return targetForm_; }
  bool AltSeen() const { return altSeen_; }
  const ui::Timer& RepaintTimer() const { return repaintTimer_; }

 private:
  void RepaintTimerTick();

  AltKeyRepaintPlatform& platform_;
  bool enabled_ = true;
  ui::Form* targetForm_ = nullptr;
  ui::Timer repaintTimer_;
  unsigned timerDelayMsec_ = 10;
  TDelayType delayType_ = dtTimer;
  bool altSeen_ = false;
};

}  // namespace dialogs
