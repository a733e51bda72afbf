// The About form built in this process: the fonts its creation sets up.
#include <gtest/gtest.h>
#include <windows.h>

#include "about/AboutUnit.h"
#include "shared/Version.h"
#include "ui/Controls.h"

namespace {

int TextWidth(HFONT font, const char* text) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE s{};
  GetTextExtentPoint32A(dc, text, lstrlenA(text), &s);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return s.cx;
}

TEST(AboutForm, ProductNameInTheIconTitleFontMadeBoldTheRestRegular) {
  LOGFONTA icon{};
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof icon, &icon, 0));
  about::TAboutForm form;
  ui::Font& label = *form.ProductLabel->OwnFont();
  LOGFONTA seen{};
  GetObjectA(label.Handle(), sizeof seen, &seen);
  EXPECT_EQ(seen.lfWeight, FW_BOLD);
  EXPECT_STREQ(seen.lfFaceName, icon.lfFaceName);
  EXPECT_EQ(seen.lfHeight, icon.lfHeight);
  GetObjectA(form.Label2->EffectiveFont().Handle(), sizeof seen, &seen);
  EXPECT_LT(seen.lfWeight, FW_BOLD);
  EXPECT_STREQ(seen.lfFaceName, icon.lfFaceName);
  EXPECT_EQ(form.Label2->Caption(), "Version " PATHMR_VERSION);
  EXPECT_EQ(form.ProductLabel->Caption(), "Corvel Pathmere");
  // Each label is as wide as its text in its own font.
  EXPECT_EQ(form.ProductLabel->GetBounds().width, TextWidth(label.Handle(), "Corvel Pathmere"));
  EXPECT_EQ(form.Label2->GetBounds().width, TextWidth(form.GetFont().Handle(), "Version " PATHMR_VERSION));
  EXPECT_GT(form.ProductLabel->GetBounds().width, TextWidth(form.GetFont().Handle(), "Corvel Pathmere"));
}

TEST(AboutForm, ProductIconKeepsItsOwnSize) {
  about::TAboutForm form;
  ASSERT_NE(form.ProductImage->GetPicture(), nullptr);
  EXPECT_EQ(form.ProductImage->GetBounds().width, 32);
  EXPECT_EQ(form.ProductImage->GetBounds().height, 32);
}

}  // namespace
