#include "ui/Layout.h"

#include <gtest/gtest.h>

#include "ui/Exceptions.h"

namespace {

TEST(Layout, ReadsNestedObjectsAndValues) {
  const auto root = ui::ParseLayout(R"(
# comment
form TSample
  Caption = "Say ""hi"", then go"
  ClientSize = 548, 396
  Font = "Segoe UI", -12, ANSI, Bold
  object Panel1: Panel
    Bounds = 1, 2, 3, 4
    object Button1: Button
      Default = true
    end
  end
  object List: ListBox
  end
end
)");
  EXPECT_EQ(root->name, "TSample");
  EXPECT_EQ(root->Text("Caption"), "Say \"hi\", then go");
  EXPECT_EQ(root->Ints("ClientSize"), (std::vector<int>{548, 396}));
  const auto& font = root->Value("Font");
  ASSERT_EQ(font.items.size(), 4u);
  EXPECT_EQ(font.items[0], "Segoe UI");
  EXPECT_EQ(font.items[3], "Bold");
  ASSERT_EQ(root->children.size(), 2u);
  EXPECT_EQ(root->children[0]->kind, "Panel");
  EXPECT_EQ(root->children[0]->Ints("Bounds"), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_TRUE(root->children[0]->children[0]->Flag("Default"));
  EXPECT_EQ(root->children[1]->name, "List");
  EXPECT_EQ(root->Int("Missing", 7), 7);
}

TEST(Layout, RejectsMalformedText) {
  const char* bad[] = {
      "",                                                  // no form
      "form A\n",                                          // no end
      "form A\nend\nform B\nend\n",                        // two forms
      "form A\n  Caption = \"open\nend\n",                 // unterminated string
      "form A\n  object X Panel\n  end\nend\n",            // no colon
      "form A\nend\nend\n",                                // end without object
      "form A\n  just words\nend\n",                       // not a property
      "form A\n  Size = 1,,2\nend\n",                      // empty item
  };
  for (const char* text : bad) EXPECT_THROW(ui::ParseLayout(text), ui::Exception) << text;
}

TEST(Layout, TypedReadsFailClearly) {
  const auto root = ui::ParseLayout("form A\n  W = wide\n  F = maybe\n  B = 99999999999\nend\n");
  EXPECT_THROW(root->Int("W"), ui::Exception);
  EXPECT_THROW(root->Flag("F"), ui::Exception);
  EXPECT_THROW(root->Int("B"), ui::Exception);
  EXPECT_THROW(root->Value("Nope"), ui::Exception);
}

}  // namespace
