// The library's exports, all of them: each one brackets its call with the library's bookkeeping of
// exports (shared/LibraryHold.h) and lets no exception out, since the exports report no errors to
// the host; a debugger is told of each failure (platform/DebugOutput.h).
#include <cstdint>

#include "about/AboutUnit.h"
#include "history/HistoryRequest.h"
#include "library/Pathmr.h"
#include "platform/DebugOutput.h"
#include "shared/LibraryHold.h"
#include "shared/PlantedFault.h"

namespace {

// The call in a frame of its own, whose unwinding is over before the export leaves.
template <class Call>
void Guarded(const char* exportName, Call&& call) noexcept {
  try {
    call();
  } catch (...) {
    // A dialog that failed is gone with its owner however the call ended. The host sees what a
    // Cancel looks like; the add-in's author, in a debugger, sees why.
    platform::WriteCurrentException(exportName);
  }
}

template <class Call>
void Export(const char* exportName, Call&& call) noexcept {
  shared::EnterExport();
  Guarded(exportName, call);
  shared::LeaveExport();  // last: nothing of the library runs after it but the return
}

}  // namespace

void __stdcall InitializeSlideHistory(VARIANT presentation) {
  Export("InitializeSlideHistory", [&] { history::Initialize(presentation); });
}

void __stdcall AddSlideHistory(std::int32_t slideIndex, const char* caption) {
  Export("AddSlideHistory", [&] { history::Add(slideIndex, caption); });
}

std::int32_t __stdcall ShowSlideHistory(HWND parentWindow, std::int32_t currentPosition) {
  std::int32_t position = 0;  // also when the call fails
  Export("ShowSlideHistory", [&] {
    position = history::Show(parentWindow, currentPosition);
    PATHMR_PLANT(OnHistoryDialog);
  });
  return position;
}

void __stdcall ShowAboutForm(HWND parentWindow) {
  Export("ShowAboutForm", [&] { about::ShowAbout(parentWindow); });
}

// Hooks the add-in calls when the product starts and stops: nothing to do in this library.
void __stdcall InitializeProduct() { PATHMR_PLANT(OnInitializeProduct); }

void __stdcall ShutdownProduct() {}
