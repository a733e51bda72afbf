// Asks the host presentation program, through its automation object, for a JPEG picture of a
// slide: Presentation.Slides.Item(slideIndex).Export(path, "jpg"), all bound late by name.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <string>

namespace history {

// Throws on any failure: a VARIANT that holds no object, a name the object does not know, a
// failed call. path is passed by reference and read back after Export, also when Export fails:
// a host may have written a file under the name it hands back before it reported the failure.
void ExportSlide(const VARIANT& presentation, std::int32_t slideIndex, std::wstring& path);

}  // namespace history
