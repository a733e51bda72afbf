// The file version written in a library's version resource, read as data: no code of that library
// runs to answer.
#pragma once
#include <cstddef>

namespace dialogs {

// The major file version in a version resource (a VS_VERSIONINFO block as the resource holds it),
// or 0 where the block is not one or is cut short.
int FileVersionMajor(const void* resource, std::size_t size);

}  // namespace dialogs
