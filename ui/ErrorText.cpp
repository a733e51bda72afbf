#include "ui/ErrorText.h"

namespace ui {

std::string WithFullStop(std::string message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
  return message;
}

std::string ErrorBoxCaption(const std::string& executablePath) {
  const auto slash = executablePath.find_last_of("\\/:");
  std::string name = slash == std::string::npos ? executablePath : executablePath.substr(slash + 1);
  const auto dot = name.find('.');
  if (dot != std::string::npos) name.resize(dot);
  for (std::size_t i = 1; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (c >= 'A' && c <= 'Z') name[i] = static_cast<char>(c - 'A' + 'a');
  }
  return name;
}

}  // namespace ui
