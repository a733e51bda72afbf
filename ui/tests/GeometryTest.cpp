#include "ui/Geometry.h"
#include "ui/FormPlacement.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using ui::Bounds;

TEST(Scaling, RoundsHalfAwayFromZeroLikeMulDiv) {
  EXPECT_EQ(ui::ScaleValue(548, 20, 13), 843);   // 843.08
  EXPECT_EQ(ui::ScaleValue(396, 20, 13), 609);   // 609.23
  EXPECT_EQ(ui::ScaleValue(73, 20, 13), 112);    // 112.31
  EXPECT_EQ(ui::ScaleValue(13, 3, 2), 20);       // 19.5 rounds up
  EXPECT_EQ(ui::ScaleValue(-13, 3, 2), -20);     // and away from zero below it
  EXPECT_EQ(ui::ScaleValue(376, 13, 13), 376);
  EXPECT_EQ(ui::ScaleValue(1, 1, 0), -1);
}

TEST(Scaling, FontFollowsDensityOnlyAwayFrom96) {
  EXPECT_EQ(ui::FontHeightForDensity(-11, 96), -11);
  EXPECT_EQ(ui::FontHeightForDensity(-11, 144), -17);  // -16.5
  EXPECT_EQ(ui::FontHeightForDensity(-11, 120), -14);  // -13.75
  EXPECT_EQ(ui::FontHeightForDensity(-12, 192), -24);
  EXPECT_EQ(ui::ScaleBounds({376, 0, 172, 396}, 20, 13), (Bounds{578, 0, 265, 609}));
}

// A history dialog moved between monitors: 96 -> 144 -> 96 -> 120 -> 192 -> 96 dpi, with the "0"
// heights Tahoma has there (13, 20, 16, 26). Laid out from the layout each time, its width comes
// back to the pixel; resized by the presenter (700 wide at 96 dpi), it keeps that size in text
// heights, to a pixel of rounding after several changes.
TEST(Scaling, DensityChangesRoundTripToThePixel) {
  struct Step {
    int dpi, text, laidOut, resized;
  } const steps[] = {{96, 13, 548, 700}, {144, 20, 843, 1077}, {96, 13, 548, 700},
                     {120, 16, 674, 862}, {192, 26, 1096, 1401}, {96, 13, 548, 701}};
  int width = 548, resized = 700;
  for (std::size_t i = 1; i < sizeof steps / sizeof steps[0]; ++i) {
    const Step &before = steps[i - 1], &now = steps[i];
    EXPECT_EQ(ui::ScaleValue(548, now.text, 13), now.laidOut) << now.dpi;
    width = ui::ExtentAfterDensityChange(width, before.laidOut, now.laidOut, before.text, now.text);
    resized = ui::ExtentAfterDensityChange(resized, before.laidOut, now.laidOut, before.text, now.text);
    EXPECT_EQ(width, now.laidOut) << before.dpi << " -> " << now.dpi;
    EXPECT_EQ(resized, now.resized) << before.dpi << " -> " << now.dpi;
  }
}

TEST(Docking, ListFillsWhatTheRightPanelLeaves) {
  const std::vector<Bounds> b{{0, 0, 376, 396}, {376, 0, 172, 396}, {10, 10, 5, 5}};
  const std::vector<ui::Align> a{ui::Align::Client, ui::Align::Right, ui::Align::None};
  auto out = ui::ArrangeDocked(b, a, 548, 396);
  EXPECT_EQ(out[0], (Bounds{0, 0, 376, 396}));
  EXPECT_EQ(out[1], (Bounds{376, 0, 172, 396}));
  EXPECT_EQ(out[2], (Bounds{10, 10, 5, 5}));
  out = ui::ArrangeDocked(b, a, 800, 500);  // wider: the list takes the extra width
  EXPECT_EQ(out[0], (Bounds{0, 0, 628, 500}));
  EXPECT_EQ(out[1], (Bounds{628, 0, 172, 500}));
  out = ui::ArrangeDocked(b, a, 100, 50);  // narrower than the panel: the list has nothing left
  EXPECT_EQ(out[0].width, 0);
  EXPECT_EQ(out[1], (Bounds{0, 0, 172, 50}));  // and the panel's right part is cut off, not its buttons
}

TEST(FitPicture, KeepsProportionsEnlargesAndCentres) {
  auto fit = [](int w, int h) { return ui::FitPicture(w, h, 160, 120, true, true, true); };
  EXPECT_EQ(fit(1024, 768), (Bounds{0, 0, 160, 120}));
  EXPECT_EQ(fit(40, 30), (Bounds{0, 0, 160, 120}));     // small pictures are enlarged
  EXPECT_EQ(fit(1920, 1080), (Bounds{0, 15, 160, 90}));  // 16:9
  EXPECT_EQ(fit(1280, 1024), (Bounds{5, 0, 150, 120}));  // 5:4
  EXPECT_EQ(fit(768, 1024), (Bounds{35, 0, 90, 120}));   // 3:4
  EXPECT_EQ(fit(500, 500), (Bounds{20, 0, 120, 120}));   // square: height first
  EXPECT_EQ(fit(1000, 10), (Bounds{0, 59, 160, 1}));     // truncated, offset rounded down
  EXPECT_EQ(fit(100, 1000), (Bounds{74, 0, 12, 120}));
}

TEST(FitPicture, WithoutStretch) {
  EXPECT_EQ(ui::FitPicture(32, 32, 40, 40, false, false, false), (Bounds{0, 0, 32, 32}));
  EXPECT_EQ(ui::FitPicture(32, 32, 40, 40, false, false, true), (Bounds{4, 4, 32, 32}));
  EXPECT_EQ(ui::FitPicture(320, 160, 160, 120, false, true, false), (Bounds{0, 0, 160, 80}));
  EXPECT_EQ(ui::FitPicture(320, 160, 160, 120, false, false, true), (Bounds{-80, -20, 320, 160}));
}

TEST(Placement, CentredOnTheScreenAndKeptInsideTheWorkArea) {
  const Bounds screen{0, 0, 1280, 1024}, below{0, 0, 1280, 984}, left{60, 0, 1220, 1024};
  // Fits: plainly centred on the screen, whatever the work area.
  EXPECT_EQ(ui::CentreWithinWorkArea(560, 430, screen, screen, true), (Bounds{360, 297, 560, 430}));
  EXPECT_EQ(ui::CentreWithinWorkArea(560, 430, screen, below, false), (Bounds{360, 297, 560, 430}));
  // Sticks out of the work area on one side: moved in.
  EXPECT_EQ(ui::CentreWithinWorkArea(600, 980, screen, below, false), (Bounds{340, 4, 600, 980}));
  EXPECT_EQ(ui::CentreWithinWorkArea(1250, 400, screen, left, false), (Bounds{60, 312, 1250, 400}));
  // Larger than the area: the top-left corner (the title bar) stays on it; only a sizeable window
  // is made to fit.
  EXPECT_EQ(ui::CentreWithinWorkArea(2760, 2020, screen, below, false), (Bounds{0, 0, 2760, 2020}));
  EXPECT_EQ(ui::CentreWithinWorkArea(2760, 2020, screen, below, true), (Bounds{0, 0, 1280, 984}));
  EXPECT_EQ(ui::CentreWithinWorkArea(600, 1000, screen, below, true), (Bounds{340, 0, 600, 984}));
  // Inside a host window's client area (in its coordinates), smaller than the form both ways.
  const Bounds client{0, 0, 404, 261};
  EXPECT_EQ(ui::CentreWithinWorkArea(564, 435, client, client, true), (Bounds{0, 0, 404, 261}));
  EXPECT_EQ(ui::CentreWithinWorkArea(352, 236, client, client, false), (Bounds{26, 12, 352, 236}));
  EXPECT_EQ(ui::CentreWithinWorkArea(564, 235, client, client, false), (Bounds{0, 13, 564, 235}));
}

// Centred on the rectangle Windows suggests for a new density, on the monitor it chose: here a
// 1920 x 1080 laptop screen and a 1024 x 768 projector right of it; the larger share of a
// rectangle decides, a tie goes to the laptop (the first monitor), as the system does it.
TEST(Placement, OnTheSuggestedRectangleMostlyOnTheMonitorWindowsChose) {
  const Bounds laptop{0, 0, 1920, 1080}, projector{1920, 0, 1024, 768};
  auto share = [](const Bounds& b, const Bounds& m) {
    const int w = std::min(b.left + b.width, m.left + m.width) - std::max(b.left, m.left);
    const int h = std::min(b.top + b.height, m.top + m.height) - std::max(b.top, m.top);
    return w > 0 && h > 0 ? static_cast<long long>(w) * h : 0LL;
  };
  auto onProjector = [&](const Bounds& b) { return share(b, projector) > share(b, laptop); };
  auto place = [&](const Bounds& suggested, int width, int height) {
    const bool projectorChosen = onProjector(suggested);
    const auto onChosen = [&](const Bounds& b) { return onProjector(b) == projectorChosen; };
    return ui::PlaceOnSuggested(suggested, width, height, onChosen, projectorChosen ? projector : laptop, true);
  };
  // Half and half, larger and smaller: centred, the odd half pixel towards the top-left.
  EXPECT_EQ(place({1503, 20, 834, 635}, 893, 667), (Bounds{1473, 4, 893, 667}));
  EXPECT_EQ(place({1503, 20, 834, 635}, 555, 423), (Bounds{1642, 126, 555, 423}));
  // One pixel more on the projector: rounded down, the window would be half and half and go to the
  // laptop; rounded up, it stays on the projector.
  EXPECT_EQ(place({1503, 20, 835, 635}, 894, 667), (Bounds{1474, 4, 894, 667}));
  // Close to the projector's bottom edge, taller than the suggested rectangle: centred either way,
  // its share below the projector would put it on the laptop, so it moves onto the projector.
  EXPECT_EQ(place({1504, 122, 834, 635}, 893, 667), (Bounds{1920, 101, 893, 667}));
}

}  // namespace
