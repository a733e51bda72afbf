// The library's exports, all of them: each one brackets its call with the library's bookkeeping of
// exports (shared/LibraryHold.h) and lets no exception out, since the exports report no errors.
#include <cstdint>

#include "about/AboutUnit.h"
#include "history/HistoryUnit.h"
#include "library/Pathmr.h"
#include "shared/LibraryHold.h"
#include "shared/PlantedFault.h"

namespace {

// The call in a frame of its own, whose unwinding is over before the export leaves.
template <class Call>
void Guarded(Call&& call) noexcept {
  try {
    call();
  } catch (...) {
    // A dialog that failed is gone with its owner however the call ended; nothing is reported.
  }
}

template <class Call>
void Export(Call&& call) noexcept {
  shared::EnterExport();
  Guarded(call);
  shared::LeaveExport();  // last: nothing of the library runs after it but the return
}

}  // namespace

void __stdcall InitializeSlideHistory(VARIANT presentation) {
  Export([&] { history::Initialize(presentation); });
}

void __stdcall AddSlideHistory(std::int32_t slideIndex, const char* caption) {
  Export([&] { history::Add(slideIndex, caption); });
}

std::int32_t __stdcall ShowSlideHistory(HWND parentWindow, std::int32_t currentPosition) {
  std::int32_t position = 0;  // also when the call fails
  Export([&] {
    position = history::Show(parentWindow, currentPosition);
    PATHMR_PLANT(OnHistoryDialog);
  });
  return position;
}

void __stdcall ShowAboutForm(HWND parentWindow) {
  Export([&] { about::ShowAbout(parentWindow); });
}

// Hooks the add-in calls when the product starts and stops: nothing to do in this library.
void __stdcall InitializeProduct() { PATHMR_PLANT(OnInitializeProduct); }

void __stdcall ShutdownProduct() {}
