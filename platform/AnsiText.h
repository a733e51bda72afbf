// Text in the system's ANSI code page, as the exports receive it, made wide for the calls that
// take only UTF-16.
#pragma once
#include <string>

namespace platform {

// Empty when the text is empty or cannot be converted.
std::wstring WideFromAnsi(const std::string& text);
// Back again, for messages: what the code page cannot spell comes out as its default character.
std::string AnsiFromWide(const std::wstring& text);

}  // namespace platform
