// Positions at the exported interface (1-based, 0 for none) and rows inside the list (0-based,
// -1 for none). No window system here.
#pragma once
#include <cstdint>

namespace history {

// The row of a 1-based position in a list of that many rows; -1 for a position outside it. The
// range is checked before anything is subtracted: an add-in may pass any 32-bit value.
constexpr int RowAtPosition(std::int32_t position, int rows) {
  return position >= 1 && position <= rows ? static_cast<int>(position) - 1 : -1;
}

}  // namespace history
