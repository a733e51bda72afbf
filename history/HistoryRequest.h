// The slide-show history's request: what the three history exports open, fill and show.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <cstdint>

namespace history {

// One request, as the three history exports make it: Initialize starts it (dropping one still
// open), Add appends a row, Show shows the dialog and ends it, returning the 1-based position of
// the row chosen with "Go" or 0. While the dialog is shown, the other two do nothing.
void Initialize(const VARIANT& presentation);
void Add(std::int32_t slideIndex, const char* caption);
std::int32_t Show(HWND parentWindow, std::int32_t currentPosition);

// Ends a request that was opened but never shown (the library is being unloaded, under the
// loader lock). On the thread that opened it the request is destroyed. On any other thread its
// windows cannot be destroyed, so they are left to their thread, inert; the host's object is not
// called.
void DropHistoryRequest();

}  // namespace history
