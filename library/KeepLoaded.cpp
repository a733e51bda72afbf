#include "library/KeepLoaded.h"

#include <windows.h>

namespace shared {

void KeepLibraryLoaded() {
  static bool pinned = false;
  if (pinned) return;
  HMODULE module = nullptr;
  // A failure leaves things as they were before; there is nothing better to do about it.
  pinned = GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                              reinterpret_cast<LPCWSTR>(&KeepLibraryLoaded), &module) != FALSE;
}

}  // namespace shared
