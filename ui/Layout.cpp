#include "ui/Layout.h"


#include "ui/Exceptions.h"
#include "ui/TextLines.h"

namespace ui {
namespace {

[[noreturn]] void Fail(int line, const std::string& what) {
  throw Exception("Layout line " + std::to_string(line) + ": " + what);
}

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  const auto e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

LayoutValue ParseValue(const std::string& text, int line) {
  LayoutValue v;
  std::size_t i = 0;
  for (;;) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    std::string item;
    if (i < text.size() && text[i] == '"') {
      ++i;
      for (;;) {
        if (i >= text.size()) Fail(line, "unterminated string");
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            item += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item += text[i++];
      }
      while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    } else {
      const auto comma = text.find(',', i);
      item = Trim(text.substr(i, comma == std::string::npos ? std::string::npos : comma - i));
      if (item.empty()) Fail(line, "empty value");
      i = comma == std::string::npos ? text.size() : comma;
    }
    v.items.push_back(item);
    if (i >= text.size()) break;
    if (text[i] != ',') Fail(line, "expected ',' after a value");
    ++i;
  }
  return v;
}

}  // namespace

bool LayoutNode::Has(const std::string& key) const {
  read_.insert(key);
  return properties.count(key) != 0;
}

std::vector<std::pair<std::string, std::string>> LayoutNode::UnreadKeys() const {
  std::vector<std::pair<std::string, std::string>> unread;
  for (const auto& property : properties)
    if (!read_.count(property.first)) unread.emplace_back(name, property.first);
  for (const auto& child : children)
    for (auto& below : child->UnreadKeys()) unread.push_back(std::move(below));
  return unread;
}

const LayoutValue& LayoutNode::Value(const std::string& key) const {
  read_.insert(key);
  const auto it = properties.find(key);
  if (it == properties.end()) throw Exception("Layout of " + name + " lacks " + key);
  return it->second;
}

std::string LayoutNode::Text(const std::string& key, const std::string& fallback) const {
  return Has(key) ? Value(key).items.front() : fallback;
}

int LayoutNode::Int(const std::string& key, int fallback) const {
  const auto v = Ints(key);
  return v.empty() ? fallback : v.front();
}

bool LayoutNode::Flag(const std::string& key, bool fallback) const {
  if (!Has(key)) return fallback;
  const std::string t = Text(key);
  if (t == "true") return true;
  if (t == "false") return false;
  throw Exception("Layout of " + name + ": " + key + " is neither true nor false");
}

std::vector<int> LayoutNode::Ints(const std::string& key) const {
  std::vector<int> out;
  if (!Has(key)) return out;
  for (const auto& item : Value(key).items) {
    int n = 0;
    if (!ParseInt(item, n) || n < -1000000 || n > 1000000)
      throw Exception("Layout of " + name + ": " + key + " is not a number: " + item);
    out.push_back(n);
  }
  return out;
}

std::unique_ptr<LayoutNode> ParseLayout(const std::string& text) {
  int line = 0;
  std::unique_ptr<LayoutNode> root;
  std::vector<LayoutNode*> open;
  bool closed = false;
  for (const std::string& raw : SplitLines(text)) {
    ++line;
    const std::string s = Trim(raw);
    if (s.empty() || s[0] == '#') continue;
    if (closed) Fail(line, "text after the form's end");
    if (s.rfind("form ", 0) == 0) {
      if (root) Fail(line, "a second form");
      root = std::make_unique<LayoutNode>();
      root->kind = "form";
      root->name = Trim(s.substr(5));
      if (root->name.empty()) Fail(line, "form without a name");
      open.push_back(root.get());
    } else if (s.rfind("object ", 0) == 0) {
      if (open.empty()) Fail(line, "object outside the form");
      const std::string rest = s.substr(7);
      const auto colon = rest.find(':');
      if (colon == std::string::npos) Fail(line, "expected 'object Name: Kind'");
      auto node = std::make_unique<LayoutNode>();
      node->name = Trim(rest.substr(0, colon));
      node->kind = Trim(rest.substr(colon + 1));
      if (node->name.empty() || node->kind.empty()) Fail(line, "expected 'object Name: Kind'");
      LayoutNode* raw_node = node.get();
      open.back()->children.push_back(std::move(node));
      open.push_back(raw_node);
    } else if (s == "end") {
      if (open.empty()) Fail(line, "'end' without an open object");
      open.pop_back();
      closed = open.empty();
    } else {
      const auto eq = s.find('=');
      if (eq == std::string::npos || open.empty()) Fail(line, "expected 'Name = value'");
      const std::string key = Trim(s.substr(0, eq));
      if (key.empty()) Fail(line, "property without a name");
      open.back()->properties[key] = ParseValue(Trim(s.substr(eq + 1)), line);
    }
  }
  if (!root) Fail(line, "no form");
  if (!open.empty()) Fail(line, "missing 'end'");
  return root;
}

}  // namespace ui
