// Load and unload of the library.
#include <windows.h>

#include "history/HistoryUnit.h"
#include "ui/Form.h"
#include "ui/jpeg/JpegPicture.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      jpeg::RegisterJpegFormat(jpeg::ScreenColourDepth());
      // No thread notifications: the library starts no threads and keeps no per-thread state.
      DisableThreadLibraryCalls(instance);
      break;
    case DLL_PROCESS_DETACH:
      // At process exit (reserved != null) the windows are going away with the process; only an
      // explicit unload has to give back what the library still holds.
      if (!reserved) {
        try {
          history::DropHistoryRequest();
        } catch (...) {
        }
        jpeg::UnregisterJpegFormat();
        ui::ShutdownWindowing();
      }
      break;
  }
  return TRUE;
}
