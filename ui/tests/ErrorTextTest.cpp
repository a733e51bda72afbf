#include "ui/ErrorText.h"

#include <gtest/gtest.h>

namespace {

TEST(ErrorText, FullStopOnlyAfterCharactersThatSortAfterIt) {
  EXPECT_EQ(ui::WithFullStop("List index out of bounds (-1)"), "List index out of bounds (-1)");
  EXPECT_EQ(ui::WithFullStop("Cannot open file \"C:\\a.jpg\""), "Cannot open file \"C:\\a.jpg\"");
  EXPECT_EQ(ui::WithFullStop("JPEG error #42"), "JPEG error #42.");
  EXPECT_EQ(ui::WithFullStop("Not enough timers available"), "Not enough timers available.");
  EXPECT_EQ(ui::WithFullStop("Done."), "Done.");
  EXPECT_EQ(ui::WithFullStop("A/"), "A/.");       // '/' sorts after '.'
  EXPECT_EQ(ui::WithFullStop("A-"), "A-");        // '-' sorts before it
  EXPECT_EQ(ui::WithFullStop("Caf\xE9"), "Caf\xE9.");  // upper half of the code page sorts after it
  EXPECT_EQ(ui::WithFullStop(""), "");
}

TEST(ErrorText, CaptionIsTheExecutableNameCutAtTheFirstFullStop) {
  EXPECT_EQ(ui::ErrorBoxCaption("C:\\Program Files\\Office\\POWERPNT.EXE"), "Powerpnt");
  EXPECT_EQ(ui::ErrorBoxCaption("C:\\tools\\my.host.v2.exe"), "my");
  EXPECT_EQ(ui::ErrorBoxCaption("Z:\\work\\build\\HistoryTest.exe"), "Historytest");
  EXPECT_EQ(ui::ErrorBoxCaption("host"), "host");
  EXPECT_EQ(ui::ErrorBoxCaption("C:app.EXE"), "app");
  EXPECT_EQ(ui::ErrorBoxCaption("C:\\dir.with.dots\\SHOW"), "Show");
}

}  // namespace
