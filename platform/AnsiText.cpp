#include "platform/AnsiText.h"

#include <windows.h>

#include <climits>

namespace platform {

std::wstring WideFromAnsi(const std::string& text) {
  if (text.empty() || text.size() > INT_MAX) return L"";
  const int size = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  if (n <= 0) return L"";
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), size, &wide[0], n);
  return wide;
}

std::string AnsiFromWide(const std::wstring& text) {
  if (text.empty() || text.size() > INT_MAX) return "";
  const int size = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return "";
  std::string ansi(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), size, &ansi[0], n, nullptr, nullptr);
  return ansi;
}

}  // namespace platform
