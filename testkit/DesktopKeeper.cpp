// Keeps a test lane's Wine desktop open for a whole test pass. Wine closes a desktop a second after
// its last program has left it, and the next program starts it again (explorer.exe /desktop); that
// desktop process inherits the starting test's output and keeps it open, so every test would wait
// for a desktop to start and then for it to close. A real host's desktop is always there: build.sh
// starts this in every prefix, and stopping the prefix's server ends it.
#include <windows.h>

int main() {
  // A message-only window: a user of the desktop that is never shown, activated or captured.
  HWND window = CreateWindowExA(0, "STATIC", "desktop keeper", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  if (!window) return 1;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}
