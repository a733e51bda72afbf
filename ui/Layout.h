// Declarative form layouts, stored as text resources in the library. A layout reads:
//
//   form THistoryForm
//     Caption = "Slide Show History"
//     ClientSize = 548, 396
//     object SlideListBox: ListBox
//       Bounds = 0, 0, 376, 396
//     end
//   end
//
// Values are quoted strings ("" for a quote inside), integers, identifiers, or lists of these
// separated by commas. '#' starts a comment line. No platform calls, so the parser is easy to test.
#pragma once
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace ui {

struct LayoutValue {
  std::vector<std::string> items;  // one item per comma-separated part, strings unquoted
};

struct LayoutNode {
  std::string name;  // "THistoryForm", "SlideListBox"
  std::string kind;  // "form", "ListBox", "Panel", ...
  std::map<std::string, LayoutValue> properties;
  std::vector<std::unique_ptr<LayoutNode>> children;

  // Each of these marks the key as read.
  bool Has(const std::string& key) const;
  std::string Text(const std::string& key, const std::string& fallback = "") const;
  int Int(const std::string& key, int fallback = 0) const;
  bool Flag(const std::string& key, bool fallback = false) const;
  std::vector<int> Ints(const std::string& key) const;
  const LayoutValue& Value(const std::string& key) const;

  // (control, key) for each key of this node and those below it that nothing has read: a
  // misspelt key, or one that no control of that kind knows.
  std::vector<std::pair<std::string, std::string>> UnreadKeys() const;

 private:
  mutable std::set<std::string> read_;
};

// Throws ui::Exception naming the line on malformed input.
std::unique_ptr<LayoutNode> ParseLayout(const std::string& text);

}  // namespace ui
