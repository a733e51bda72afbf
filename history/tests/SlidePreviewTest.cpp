// The slide preview through the loaded library: what the library asks of the host, the picture
// on the screen, the temporary files, and every way the host's export can go wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "history/HistoryRequest.h"
#include "platform/FilePath.h"
#include "platform/Owners.h"
#include "testkit/HistorySession.h"
#include "testkit/Screen.h"
#include "ui/Geometry.h"
#include "ui/Owners.h"
#include "ui/PictureFormats.h"
#include "ui/jpeg/JpegPicture.h"

namespace {

using testkit::Fault;

constexpr std::uint32_t kRed = 0xC02030, kGreen = 0x30B050;

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(platform::ExtendedLengthPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string TempFolder() {
  char buffer[4096];
  const DWORD n = GetTempPathA(sizeof buffer, buffer);
  std::string folder(buffer, n);
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

// The image area inside the command panel, in the panel's client coordinates.
RECT ImageArea() {
  const int m = testkit::ZeroHeight("Tahoma", ui::FontHeightForDensity(-11, testkit::ScreenDpi()));
  auto S = [m](int v) { return ui::ScaleValue(v, m, 13); };
  return RECT{S(6), S(8), S(6) + S(160), S(8) + S(120)};
}

struct SlidePreview : ::testing::Test, testkit::HistorySession {
  void TearDown() override {
    // Nothing of the host's is kept: references, objects handed out, picture files.
    EXPECT_EQ(presentation.References(), 1u);
    EXPECT_EQ(testkit::Presentation::LiveObjects(), 0);
    for (const auto& path : presentation.writtenFiles) EXPECT_FALSE(FileExists(path)) << path;
  }

  std::vector<testkit::CallRecord> Exports() const {
    std::vector<testkit::CallRecord> out;
    for (const auto& c : presentation.calls)
      if (c.name == "Export") out.push_back(c);
    return out;
  }

  RECT ImageArea() const { return ::ImageArea(); }
  HWND Panel() const { return GetParent(ButtonNamed("Go")); }
  // Where the picture of that colour is, once it has reached the screen (or, with shown false,
  // once it has gone from it).
  RECT PictureOf(std::uint32_t colour, bool shown = true) const {
    return testkit::ColourBoxOnScreen(Panel(), ImageArea(), colour, shown);
  }
  void ExpectPictureAt(std::uint32_t colour, int width, int height, const char* what) {
    const RECT area = ImageArea();
    const ui::Bounds fit =
        ui::FitPicture(width, height, area.right - area.left, area.bottom - area.top, true, true, true);
    const RECT expected{area.left + fit.left, area.top + fit.top, area.left + fit.left + fit.width,
                        area.top + fit.top + fit.height};
    // The edges of a scaled picture may blend with the background by a pixel.
    auto closeTo = [&expected](const RECT& r) {
      return std::abs(r.left - expected.left) <= 1 && std::abs(r.top - expected.top) <= 1 &&
             std::abs(r.right - expected.right) <= 1 && std::abs(r.bottom - expected.bottom) <= 1;
    };
    const RECT seen = testkit::ColourBox(
        testkit::CaptureClient(Panel(), [&](const testkit::Capture& c) { return closeTo(testkit::ColourBox(c, area, colour)); }),
        area, colour);
    EXPECT_NEAR(seen.left, area.left + fit.left, 1) << what;
    EXPECT_NEAR(seen.top, area.top + fit.top, 1) << what;
    EXPECT_NEAR(seen.right, area.left + fit.left + fit.width, 1) << what;
    EXPECT_NEAR(seen.bottom, area.top + fit.top + fit.height, 1) << what;
  }
};

TEST_F(SlidePreview, AsksTheHostByNameWithTheDocumentedArguments) {
  Open({{7, "Seven"}});
  Show(1, [&] { testkit::PostKey(List(), VK_ESCAPE); });
  EXPECT_EQ(presentation.namesAsked, (std::vector<std::string>{"Slides", "Item", "Export"}));
  ASSERT_EQ(presentation.calls.size(), 3u);
  const auto& slides = presentation.calls[0];
  EXPECT_EQ(slides.name, "Slides");
  EXPECT_EQ(slides.flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  EXPECT_TRUE(slides.argTypes.empty());
  EXPECT_EQ(slides.locale, 0u);
  const auto& item = presentation.calls[1];
  EXPECT_EQ(item.name, "Item");
  EXPECT_EQ(item.flags, DISPATCH_METHOD);
  EXPECT_EQ(item.argTypes, (std::vector<VARTYPE>{VT_I4 | VT_BYREF}));
  EXPECT_EQ(item.index, 7);
  const auto& exp = presentation.calls[2];
  EXPECT_EQ(exp.name, "Export");
  EXPECT_EQ(exp.flags, DISPATCH_METHOD);
  EXPECT_EQ(exp.argTypes, (std::vector<VARTYPE>{VT_BSTR, VT_BSTR | VT_BYREF}));  // reversed: format, path
  EXPECT_EQ(exp.format, "jpg");
  const std::string folder = TempFolder();
  ASSERT_EQ(exp.path.size(), folder.size() + 38 + 4);
  EXPECT_EQ(exp.path.substr(0, folder.size()), folder);
  EXPECT_EQ(exp.path[folder.size()], '{');
  EXPECT_EQ(exp.path.substr(folder.size() + 37), "}.jpg");
}

TEST_F(SlidePreview, EverySelectionExportsAFreshFileAndLeavesNoneBehind) {
  Open({{1, "One"}, {2, "Two"}, {3, "Three"}});
  Show(1, {Key(VK_DOWN), Key(VK_DOWN), Key(VK_UP), Key(VK_UP), Check([&] {
             testkit::DoubleClickRow(List(), 0);  // the same row again
           })});
  const auto exports = Exports();
  std::vector<std::int32_t> slides;
  std::set<std::string> paths;
  for (const auto& e : exports) {
    slides.push_back(e.index);
    paths.insert(e.path);
    EXPECT_FALSE(FileExists(e.path));
  }
  ASSERT_GE(exports.size(), 6u);
  EXPECT_EQ(std::vector<std::int32_t>(slides.begin(), slides.begin() + 6), (std::vector<std::int32_t>{1, 2, 3, 2, 1, 1}));
  EXPECT_EQ(paths.size(), exports.size());
}

TEST_F(SlidePreview, PicturesAreFittedAndCentredWhateverTheirSize) {
  const std::pair<int, int> sizes[] = {{1024, 768}, {40, 30},   {1920, 1080}, {64, 36},
                                       {1280, 1024}, {50, 40}, {768, 1024},  {30, 40}};
  Open({{1, "4:3"}, {2, "4:3 small"}, {3, "16:9"}, {4, "16:9 small"}, {5, "5:4"}, {6, "5:4 small"}, {7, "3:4"},
        {8, "3:4 small"}});
  for (int i = 0; i < 8; ++i) presentation.slides[i + 1] = {sizes[i].first, sizes[i].second, i % 2 ? kGreen : kRed};
  std::vector<testkit::Driver::Step> steps;
  for (int i = 0; i < 8; ++i) {
    steps.push_back([this, i] { return Selection() == i; });  // the key has been handled
    steps.push_back(Check([this, i, &sizes] {
      if (HWND box = testkit::FindMessageBox()) ADD_FAILURE() << testkit::MessageBoxText(box);
      ExpectPictureAt(i % 2 ? kGreen : kRed, sizes[i].first, sizes[i].second,
                      (std::to_string(sizes[i].first) + "x" + std::to_string(sizes[i].second)).c_str());
    }));
    steps.push_back(Key(i < 7 ? VK_DOWN : VK_ESCAPE));
  }
  Show(1, steps);
}

TEST_F(SlidePreview, RejectedIndexShowsTheFileErrorAndKeepsThePicture) {
  presentation.slides[1].solid = kRed;
  presentation.slides[2].fault = Fault::RejectIndex;
  Open({{1, "Good"}, {2, "Rejected"}});
  std::string text, caption;
  RECT before{}, after{};
  int selected = -1;
  Show(1, {Check([&] { before = PictureOf(kRed); }), Key(VK_DOWN), TakeErrorBox(text, &caption), Check([&] {
             // Where the error box stood, the panel is back on screen once Wine has flushed it.
             auto red = [](const testkit::Capture& c) { return testkit::ColourBox(c, ::ImageArea(), kRed); };
             after = red(testkit::CaptureClient(Panel(), [&](const testkit::Capture& c) {
               const RECT r = red(c);
               return EqualRect(&r, &before) != FALSE;
             }));
             selected = Selection();
             testkit::PostKey(List(), VK_ESCAPE);
           })});
  const std::string prefix = "Cannot open file \"" + TempFolder() + "{";
  EXPECT_EQ(text.substr(0, prefix.size()), prefix) << text;
  EXPECT_NE(text.find("}.jpg\". "), std::string::npos) << text;
  EXPECT_EQ(text.back(), '.');
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string name = exe;
  name = name.substr(name.find_last_of('\\') + 1);
  EXPECT_EQ(caption, name.substr(0, name.find('.')));  // the test programs' names are lower case
  EXPECT_TRUE(EqualRect(&before, &after));
  EXPECT_FALSE(IsRectEmpty(&after));
  EXPECT_EQ(selected, 1);
}

TEST_F(SlidePreview, DoubleClickOnARowThatCannotBeShownKeepsTheDialogOpen) {
  presentation.slides[2].fault = Fault::RejectIndex;
  Open({{1, "Good"}, {2, "Rejected"}});
  std::string text;
  int selected = -1;
  // Only the double-click itself: a click before it would already have raised the error once.
  EXPECT_EQ(Show(1, {Check([&] {
                       SendMessageA(List(), LB_SETCURSEL, 1, 0);
                       RECT r{};
                       SendMessageA(List(), LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
                       PostMessageA(List(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(r.left + 5, r.top + 2));
                     }),
                     TakeErrorBox(text), Check([&] {
                       selected = Selection();
                       EXPECT_TRUE(IsWindowVisible(dialog));
                       testkit::PostKey(List(), VK_ESCAPE);
                     })}),
            0);
  EXPECT_EQ(text.rfind("Cannot open file", 0), 0u);
  EXPECT_EQ(selected, 1);
}

TEST_F(SlidePreview, APreselectionThatFailsShowsNoBoxAndAnEmptyPicture) {
  presentation.slides[5].fault = Fault::RejectIndex;
  Open({{5, "Rejected"}});
  bool box = true;
  RECT drawn{1, 1, 1, 1};
  EXPECT_EQ(Show(1, {[&] { return true; }, Check([&] {
                       box = testkit::FindMessageBox() != nullptr;
                       const RECT area = ImageArea();
                       auto plain = [&area](const testkit::Capture& c) {
                         return testkit::ColourBox(c, area, c.At(area.left, area.top), 0);
                       };
                       drawn = plain(testkit::CaptureClient(Panel(), [&](const testkit::Capture& c) {
                         const RECT r = plain(c);
                         return EqualRect(&r, &area) != FALSE;
                       }));
                       testkit::PostKey(List(), VK_RETURN);
                     })}),
            1);
  EXPECT_FALSE(box);
  const RECT area = ImageArea();
  EXPECT_TRUE(EqualRect(&drawn, &area));  // the whole area is one colour: nothing drawn
}

TEST_F(SlidePreview, AnEmptyFileBlanksThePicture) {
  presentation.slides[1].solid = kRed;
  presentation.slides[2].fault = Fault::WritesEmpty;
  Open({{1, "Good"}, {2, "Empty"}});
  RECT before{}, after{1, 1, 2, 2};
  bool box = true;
  Show(1, {Check([&] { before = PictureOf(kRed); }), Key(VK_DOWN), SelectionIs(1), Check([&] {
             after = PictureOf(kRed, false);
             box = testkit::FindMessageBox() != nullptr;
             testkit::PostKey(List(), VK_ESCAPE);
           })});
  EXPECT_FALSE(IsRectEmpty(&before));
  EXPECT_TRUE(IsRectEmpty(&after));
  EXPECT_FALSE(box);
}

TEST_F(SlidePreview, BrokenFilesAreReportedOnceAndTheirFilesDeleted) {
  struct Case {
    Fault fault;
    std::string expected;
  } cases[] = {{Fault::WritesGarbage, "JPEG error #"},
               {Fault::DamagedInside, "JPEG error #"},
               {Fault::HugeHeader, "JPEG image too large (30000 x 30000 pixels)"}};  // no full stop after ')'

  for (const auto& c : cases) {
    presentation.slides[1].solid = kRed;
    presentation.slides[2] = testkit::SlideSetup{};
    presentation.slides[2].fault = c.fault;
    Open({{1, "Good"}, {2, "Broken"}});
    std::string text;
    bool second = true;
    Show(1, {Key(VK_DOWN), TakeErrorBox(text), [] { return true; }, [] { return true; }, Check([&] {
               RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
             }),
             [] { return true; }, Check([&] {
               second = testkit::FindMessageBox() != nullptr;
               EXPECT_TRUE(IsWindowVisible(dialog));
               testkit::PostKey(List(), VK_ESCAPE);
             })});
    EXPECT_EQ(text.rfind(c.expected, 0), 0u) << text;
    EXPECT_FALSE(second) << c.expected;  // painting again raises nothing more
    for (const auto& path : presentation.writtenFiles) EXPECT_FALSE(FileExists(path)) << path;
  }
}

// The preselected row's pixels fail once the dialog shows: one box, and the dialog stays. The box
// is active before the dialog ever is, so the steps do not wait for the dialog's activation.
TEST_F(SlidePreview, APreselectedPictureThatFailsToDecodeIsReportedOnce) {
  presentation.slides[1].fault = Fault::DamagedInside;
  Open({{1, "Broken"}, {2, "Two"}});
  std::string text;
  bool second = true, stays = false;
  testkit::Driver d;
  d.Then(TakeErrorBox(text));
  d.Then(Pause(3));
  d.Then(Check([&] {
    RedrawWindow(testkit::FindDialog("Slide Show History"), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }));
  d.Then(Pause(3));
  d.Then(Check([&] {
    second = testkit::FindMessageBox() != nullptr;
    dialog = testkit::FindDialog("Slide Show History");
    stays = IsWindowVisible(dialog) != FALSE;
    testkit::PostKey(List(), VK_ESCAPE);
  }));
  EXPECT_EQ(d.Run([&] { return lib.ShowSlideHistory(nullptr, 1); }), 0);
  EXPECT_TRUE(d.AllStepsRan());
  EXPECT_EQ(text.rfind("JPEG error #", 0), 0u) << text;
  EXPECT_FALSE(second);  // painting again raises nothing more
  EXPECT_TRUE(stays);
}

TEST_F(SlidePreview, HostsThatRenameOrFailAfterWritingLeaveNoFiles) {
  presentation.slides[1].solid = kRed;
  presentation.slides[1].fault = Fault::ChangesPath;
  presentation.slides[2].solid = kGreen;
  presentation.slides[2].fault = Fault::WritesThenFails;
  presentation.slides[3].fault = Fault::MovesThenFails;
  Open({{1, "Renamed"}, {2, "Fails after writing"}, {3, "Renamed, then fails"}});
  RECT first{}, second{};
  Show(1, {Check([&] { first = PictureOf(kRed); }), Key(VK_DOWN), SelectionIs(1), Check([&] {
             second = PictureOf(kGreen);
           }),
           Key(VK_DOWN), SelectionIs(2), Check([&] { testkit::PostKey(List(), VK_ESCAPE); })});
  EXPECT_FALSE(IsRectEmpty(&first));   // the file under the new name was shown
  EXPECT_FALSE(IsRectEmpty(&second));  // the file was there although Export said no
  ASSERT_EQ(presentation.writtenFiles.size(), 3u);
  EXPECT_NE(presentation.writtenFiles[0].find(L"moved-1.jpg"), std::wstring::npos);
  EXPECT_NE(presentation.writtenFiles[2].find(L"moved-3.jpg"), std::wstring::npos);
}

// The temporary folder as the system reports it for this process (TMP comes first).
struct TempFolderOverride {
  std::wstring folder;
  explicit TempFolderOverride(const std::wstring& name) {
    wchar_t base[MAX_PATH + 1];
    folder = std::wstring(base, GetTempPathW(MAX_PATH + 1, base)) + name;
    CreateDirectoryW(platform::ExtendedLengthPath(folder).c_str(), nullptr);
    SetEnvironmentVariableW(L"TMP", folder.c_str());
  }
  ~TempFolderOverride() { SetEnvironmentVariableW(L"TMP", nullptr); }
  bool RemoveIfEmpty() const { return RemoveDirectoryW(platform::ExtendedLengthPath(folder).c_str()) != 0; }
};

bool AnsiCanSpell(const std::wstring& text) {
  BOOL defaulted = FALSE;
  char buffer[512];
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, buffer, sizeof buffer, nullptr, &defaulted);
  return !defaulted;
}

TEST_F(SlidePreview, TemporaryFoldersInAnotherScriptOrBeyondMaxPathShowAndLeaveNoFile) {
  const std::wstring cyrillic = L"\x041F\x0440\x0435\x0437\x0435\x043D\x0442\x0430\x0446\x0438\x044F";
  const std::wstring japanese = L"\x30B9\x30E9\x30A4\x30C9\x4E00\x89A7";
  std::vector<std::wstring> names;
  for (const auto& n : {cyrillic, japanese})
    if (!AnsiCanSpell(n)) names.push_back(n);
  EXPECT_FALSE(names.empty()) << "the ANSI code page " << GetACP() << " spells both names";
  wchar_t base[MAX_PATH + 1];
  const std::size_t baseLength = GetTempPathW(MAX_PATH + 1, base);
  names.push_back(std::wstring(250 - baseLength, L'L'));  // 250 characters in all
  presentation.slides[1].solid = kRed;
  presentation.slides[2].solid = kGreen;
  for (const auto& name : names) {
    TempFolderOverride temp(name);
    presentation.calls.clear();
    Open({{1, "One"}, {2, "Two"}});
    RECT first{}, second{};
    std::string error;
    // Each picture is waited for until it has painted (on a busy machine that can take a tick).
    Show(1, {[&] {
               first = PictureOf(kRed);
               return !IsRectEmpty(&first);
             },
             Key(VK_DOWN), SelectionIs(1),
             [&] {
               second = PictureOf(kGreen);
               if (HWND box = testkit::FindMessageBox()) {
                 error = testkit::MessageBoxText(box);
                 PostMessageA(box, WM_COMMAND, IDOK, 0);
                 return true;
               }
               return !IsRectEmpty(&second);
             },
             [] { return testkit::FindMessageBox() == nullptr; }, Key(VK_ESCAPE)});
    EXPECT_EQ(error, "");
    EXPECT_FALSE(IsRectEmpty(&first)) << name.size();
    EXPECT_FALSE(IsRectEmpty(&second)) << name.size();
    const auto exports = Exports();
    ASSERT_EQ(exports.size(), 2u);
    EXPECT_EQ(exports[0].widePath.substr(0, temp.folder.size() + 1), temp.folder + L"\\");
    EXPECT_TRUE(temp.RemoveIfEmpty()) << "a file was left in the folder of " << name.size() << " characters";
  }
}

}  // namespace

namespace {

// A host whose Export dispatches messages while it works: keys and clicks arriving then must not
// start a second export inside the first, nor open the About box; the picture that stays is the
// one of the row selected last.
TEST_F(SlidePreview, InputWhileTheHostExportsIsCoalescedIntoOneLaterRefresh) {
  constexpr std::uint32_t kColours[] = {kRed, kGreen, 0x2040D0, 0xE0C020};
  for (int slide = 1; slide <= 4; ++slide) presentation.slides[slide].solid = kColours[slide - 1];
  Open({{1, "One"}, {2, "Two"}, {3, "Three"}, {4, "Four"}});
  presentation.exportPumpMsec = 200;
  bool aboutOpened = false;
  RECT last{}, first{1, 1, 2, 2};
  int exportsBefore = 0;
  EXPECT_EQ(Show(1, {Check([&] {
                       exportsBefore = presentation.exportCount;
                       // All queued at once: the first Down starts an export, the rest arrive inside it.
                       testkit::PostKey(List(), VK_DOWN);
                       testkit::PostKey(List(), VK_DOWN);
                       testkit::PostKey(List(), VK_DOWN);
                       PostMessageA(ButtonNamed("About..."), BM_CLICK, 0, 0);
                       // Real input comes after what was posted: the row the keys reach, chosen
                       // while its export has not even started.
                       EXPECT_TRUE(testkit::DoubleClick(testkit::RowCentreOnScreen(List(), 3)));
                     }),
                     [&] {
                       if (HWND about = testkit::FindDialog("About")) {
                         aboutOpened = true;
                         PostMessageA(about, WM_CLOSE, 0, 0);
                         return false;
                       }
                       return presentation.exportsRunning == 0 && Selection() == 3 &&
                              presentation.exportCount > exportsBefore + 1;
                     },
                     Pause(3), Check([&] {
                       EXPECT_TRUE(IsWindowVisible(dialog));
                       last = PictureOf(kColours[3]);
                       first = PictureOf(kColours[1], false);
                       testkit::PostKey(List(), VK_RETURN);
                     })}),
            4);
  EXPECT_EQ(presentation.mostExportsAtOnce, 1);
  EXPECT_FALSE(aboutOpened);
  EXPECT_EQ(presentation.exportCount - exportsBefore, 2);  // the first Down, then the last row once
  EXPECT_EQ(Exports().back().index, 4);
  EXPECT_FALSE(IsRectEmpty(&last));  // the selected row's picture is the one shown
  EXPECT_TRUE(IsRectEmpty(&first));
}

TEST_F(SlidePreview, CancelDuringTheHostsExportEndsTheDialogWithoutAnotherExport) {
  Open({{1, "One"}, {2, "Two"}, {3, "Three"}});
  presentation.exportPumpMsec = 200;
  int exportsBefore = 0;
  EXPECT_EQ(Show(1, [&] {
              exportsBefore = presentation.exportCount;
              testkit::PostKey(List(), VK_DOWN);
              testkit::PostKey(List(), VK_DOWN);
              PostMessageA(ButtonNamed("Cancel"), BM_CLICK, 0, 0);
            }),
            0);
  EXPECT_EQ(presentation.exportCount - exportsBefore, 1);  // the row left behind is not exported again
}

}  // namespace

// ---- in this process: when the preselected picture is decoded ----------------------------------

namespace {

// The JPEG pictures the loader makes here are watched: how often the latest one had been decoded
// when any of the dialog's windows was first painted (sent at once, or taken from the queue; its
// decode runs beside the dialog, so the window may well be shown before it ends). And whether any of its windows still waited for a paint once the first
// paint taken from the queue was done.
const char kWatchedJpeg = 0;
jpeg::JpegPicture* g_latest = nullptr;  // owned by the dialog's image; read only while it runs
int g_decodesAtFirstPaint = -1;
bool g_paintTaken = false;
int g_waitingAfterFirstPaint = -1;

bool OfHistoryDialog(HWND window) {
  char name[32] = "";
  GetClassNameA(GetAncestor(window, GA_ROOT), name, sizeof name);
  return lstrcmpA(name, "THistoryForm") == 0;
}

LRESULT CALLBACK WatchSent(int code, WPARAM wParam, LPARAM lParam) {
  const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && m->message == WM_PAINT && g_decodesAtFirstPaint < 0 && OfHistoryDialog(m->hwnd))
    g_decodesAtFirstPaint = g_latest ? g_latest->Decodes() : -2;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK WatchQueued(int code, WPARAM wParam, LPARAM lParam) {
  const auto* m = reinterpret_cast<const MSG*>(lParam);
  if (code != HC_ACTION || wParam != PM_REMOVE) return CallNextHookEx(nullptr, code, wParam, lParam);
  if (g_paintTaken && g_waitingAfterFirstPaint < 0)  // the paint taken before this message is done
    g_waitingAfterFirstPaint = testkit::WaitsForPaint(testkit::FindDialog("Slide Show History"));
  if (m->message == WM_PAINT && OfHistoryDialog(m->hwnd)) {
    if (g_decodesAtFirstPaint < 0) g_decodesAtFirstPaint = g_latest ? g_latest->Decodes() : -2;
    g_paintTaken = true;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(FirstPaint, ASmallPictureShowsWithTheWindowAndIsPaintedInOneGo) {
  ui::RegisteredPictureFormats().Register("jpg", &kWatchedJpeg, [](std::vector<std::uint8_t> contents) {
    auto picture = std::make_unique<jpeg::JpegPicture>(std::move(contents), false);
    g_latest = picture.get();
    return std::unique_ptr<ui::Picture>(std::move(picture));
  });
  testkit::Presentation presentation;
  presentation.slides[1].width = 1280;  // decodes within a frame: no blank flash first
  presentation.slides[1].height = 720;
  presentation.slides[1].solid = kRed;
  int decodesOnScreen = -1;
  RECT picture{};
  testkit::Driver d;
  d.Then([&] {
    const HWND dialog = testkit::FindDialog("Slide Show History");
    if (!dialog) return false;
    const HWND panel = GetParent(testkit::FindChild(dialog, "Button", "Go"));
    picture = testkit::ColourBoxOnScreen(panel, ImageArea(), kRed);
    decodesOnScreen = g_latest ? g_latest->Decodes() : -2;
    testkit::PostKey(testkit::FindChild(dialog, "ListBox"), VK_RETURN);
    return true;
  });
  history::Initialize(presentation.AsVariant());
  history::Add(1, "One");
  history::Add(2, "Two");
  {
    const ui::Hook sent(WH_CALLWNDPROC, &WatchSent), queued(WH_GETMESSAGE, &WatchQueued);
    EXPECT_EQ(d.Run([] { return history::Show(nullptr, 1); }), 1);
  }
  ui::RegisteredPictureFormats().Unregister(&kWatchedJpeg);
  EXPECT_TRUE(d.AllStepsRan());
  EXPECT_EQ(g_decodesAtFirstPaint, 1);
  EXPECT_EQ(decodesOnScreen, 1);
  EXPECT_EQ(g_waitingAfterFirstPaint, 0);  // rows, buttons and picture all painted in one go
  EXPECT_FALSE(IsRectEmpty(&picture));
}

// Pictures whose decode the test holds, as a large picture's would take long: the dialog's thread
// must go on meanwhile. Each is numbered in the order made; the dialog's thread records which were
// drawn.
struct HeldDecodes {
  platform::KernelHandle release{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  std::atomic<int> made{0}, started{0}, cancelled{0}, finished{0};
  std::vector<int> drawn;
  DWORD decodeThreads[2] = {0, 0};  // the threads of the first two decodes
};
HeldDecodes* g_held = nullptr;
const char kHeldJpeg = 0;

class HeldJpeg : public ui::Picture {
 public:
  explicit HeldJpeg(std::vector<std::uint8_t> contents) : inner_(std::move(contents), false), number_(g_held->made++) {}
  int Width() const override { return inner_.Width(); }
  int Height() const override { return inner_.Height(); }
  bool PreparesSlowly() const override { return true; }
  void Prepare(int width, int height, const std::atomic<bool>* cancelled) override {
    if (std::exchange(prepared_, true)) return;
    const int n = g_held->started++;
    if (n < 2) g_held->decodeThreads[n] = GetCurrentThreadId();
    // Five seconds at most: a dialog that waits for its picture still ends, and fails the test.
    for (int msec = 0; msec < 5000 && WaitForSingleObject(g_held->release.get(), 1) != WAIT_OBJECT_0; ++msec)
      if (cancelled && cancelled->load()) {
        ++g_held->cancelled;
        return;
      }
    inner_.Prepare(width, height, cancelled);
    ++g_held->finished;
  }
  void Draw(HDC__* dc, const ui::Bounds& d) override {
    g_held->drawn.push_back(number_);
    inner_.Draw(dc, d);
  }

 private:
  jpeg::JpegPicture inner_;
  const int number_;
  bool prepared_ = false;
};

struct PictureBesideTheDialog : ::testing::Test {
  HeldDecodes held;
  testkit::Presentation presentation;
  HWND dialog = nullptr;
  void SetUp() override {
    g_held = &held;
    ui::RegisteredPictureFormats().Register("jpg", &kHeldJpeg, [](std::vector<std::uint8_t> contents) {
      return std::unique_ptr<ui::Picture>(std::make_unique<HeldJpeg>(std::move(contents)));
    });
    presentation.slides[1].width = presentation.slides[2].width = 1280;
    presentation.slides[1].height = presentation.slides[2].height = 720;
    presentation.slides[1].solid = kRed;
    presentation.slides[2].solid = kGreen;
  }
  void TearDown() override {
    ui::RegisteredPictureFormats().Unregister(&kHeldJpeg);
    g_held = nullptr;
  }
  HWND Panel() const { return GetParent(testkit::FindChild(dialog, "Button", "Go")); }
  HWND List() const { return testkit::FindChild(dialog, "ListBox"); }
  testkit::Driver::Step Painted() {
    return [this] {
      dialog = testkit::FindDialog("Slide Show History");
      return dialog && IsWindowVisible(dialog) && !testkit::WaitsForPaint(dialog);
    };
  }
  int Show(std::vector<testkit::Driver::Step> steps) {
    testkit::Driver d;
    for (auto& step : steps) d.Then(step);
    history::Initialize(presentation.AsVariant());
    history::Add(1, "One");
    history::Add(2, "Two");
    const int result = d.Run([] { return history::Show(nullptr, 1); });
    EXPECT_TRUE(d.AllStepsRan());
    return result;
  }
};

TEST_F(PictureBesideTheDialog, TheWindowIsPaintedWithItsRowsWhileThePreselectedPictureDecodes) {
  int finishedWhenPainted = -1, selectedWhenPainted = -2;
  bool redWhileHeld = true;
  RECT landed{};
  EXPECT_EQ(Show({Painted(), testkit::HistorySession::Check([&] {
                    finishedWhenPainted = held.finished;
                    selectedWhenPainted = static_cast<int>(SendMessageA(List(), LB_GETCURSEL, 0, 0));
                    const RECT none = testkit::ColourBoxOnScreen(Panel(), ImageArea(), kRed, false);
                    redWhileHeld = !IsRectEmpty(&none);
                    SetEvent(held.release.get());
                  }),
                  testkit::HistorySession::Check([&] { landed = testkit::ColourBoxOnScreen(Panel(), ImageArea(), kRed); }),
                  testkit::HistorySession::Check([&] { testkit::PostKey(List(), VK_RETURN); })}),
            1);
  EXPECT_EQ(finishedWhenPainted, 0);  // shown and painted before the decode ended
  EXPECT_EQ(selectedWhenPainted, 0);
  EXPECT_FALSE(redWhileHeld);
  EXPECT_FALSE(IsRectEmpty(&landed));
  EXPECT_EQ(held.finished, 1);
}

TEST_F(PictureBesideTheDialog, ANewSelectionCancelsTheDecodeAndOnlyTheLastPictureLands) {
  RECT green{};
  EXPECT_EQ(Show({Painted(), testkit::HistorySession::Check([&] { testkit::PostKey(List(), VK_DOWN); }),
                  [&] { return held.started == 2; },
                  testkit::HistorySession::Check([&] {
                    EXPECT_EQ(held.cancelled, 1);  // the first row's decode, given up for the second
                    SetEvent(held.release.get());
                  }),
                  testkit::HistorySession::Check([&] { green = testkit::ColourBoxOnScreen(Panel(), ImageArea(), kGreen); }),
                  testkit::HistorySession::Check([&] { testkit::PostKey(List(), VK_RETURN); })}),
            2);
  EXPECT_FALSE(IsRectEmpty(&green));
  EXPECT_EQ(held.finished, 1);
  // One thread of the library's own decodes for the whole dialog, beside the dialog's thread.
  EXPECT_NE(held.decodeThreads[0], GetCurrentThreadId());
  EXPECT_EQ(held.decodeThreads[1], held.decodeThreads[0]);
  ASSERT_FALSE(held.drawn.empty());
  for (int number : held.drawn) EXPECT_EQ(number, 1) << "the first row's picture was drawn";
}

TEST_F(PictureBesideTheDialog, EscapeDuringTheDecodeEndsTheDialogAndTheDecodeAtOnce) {
  EXPECT_EQ(Show({Painted(), testkit::HistorySession::Check([&] { testkit::PostKey(List(), VK_ESCAPE); })}), 0);
  EXPECT_EQ(held.started, 1);
  EXPECT_EQ(held.cancelled, 1);  // given up, and waited for, before Show returned
  EXPECT_EQ(held.finished, 0);
  EXPECT_TRUE(held.drawn.empty());
}

// The first paint taken once a new row's picture is loaded, while the row before's is on screen:
// its decode let go there or held beyond a frame; whether that paint drew the new picture is read
// at the next message taken.
struct PaintAfterANewRow {
  bool releaseAtPaint = true;
  bool taken = false;
  size_t drawnBefore = 0;
  int drewTheNewPicture = -1;
};
PaintAfterANewRow* g_paint = nullptr;

LRESULT CALLBACK WatchPaintAfterANewRow(int code, WPARAM wParam, LPARAM lParam) {
  const auto* m = reinterpret_cast<const MSG*>(lParam);
  if (code == HC_ACTION && wParam == PM_REMOVE && g_paint && g_held) {
    PaintAfterANewRow& p = *g_paint;
    const std::vector<int>& drawn = g_held->drawn;
    if (p.taken && p.drewTheNewPicture < 0) {
      p.drewTheNewPicture = std::find(drawn.begin() + p.drawnBefore, drawn.end(), 1) != drawn.end();
    } else if (!p.taken && m->message == WM_PAINT && g_held->made == 2 && OfHistoryDialog(m->hwnd)) {
      p.taken = true;
      p.drawnBefore = drawn.size();
      if (p.releaseAtPaint) SetEvent(g_held->release.get());
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// A small picture for the new row decodes within a frame: the paint waits for it, and the presenter
// never sees the preview blank between two pictures. Held beyond the frame, the paint goes on
// without it: the wait is bounded, and the preview is empty, never the row before's.
struct SmallPictureAtTheNextPaint : PictureBesideTheDialog, ::testing::WithParamInterface<bool> {};

TEST_P(SmallPictureAtTheNextPaint, IsWaitedForAFrameAtMost) {
  const bool decodesWithinAFrame = GetParam();
  presentation.slides[2].width = 320;
  presentation.slides[2].height = 180;
  PaintAfterANewRow paint;
  paint.releaseAtPaint = decodesWithinAFrame;
  RECT redWhileHeld{}, greenWhileHeld{}, green{};
  const ui::Hook queued(WH_GETMESSAGE, &WatchPaintAfterANewRow);
  EXPECT_EQ(Show({Painted(), testkit::HistorySession::Check([&] { SetEvent(held.release.get()); }),
                  testkit::HistorySession::Check([&] {
                    const RECT red = testkit::ColourBoxOnScreen(Panel(), ImageArea(), kRed);
                    ASSERT_FALSE(IsRectEmpty(&red));
                    ResetEvent(held.release.get());
                    g_paint = &paint;
                    testkit::PostKey(List(), VK_DOWN);
                  }),
                  [&] { return paint.drewTheNewPicture >= 0; },
                  testkit::HistorySession::Check([&] {
                    g_paint = nullptr;
                    redWhileHeld = testkit::ColourBoxOnScreen(Panel(), ImageArea(), kRed, false);
                    greenWhileHeld = testkit::ColourBoxOnScreen(Panel(), ImageArea(), kGreen, decodesWithinAFrame);
                    SetEvent(held.release.get());
                  }),
                  testkit::HistorySession::Check([&] { green = testkit::ColourBoxOnScreen(Panel(), ImageArea(), kGreen); }),
                  testkit::HistorySession::Check([&] { testkit::PostKey(List(), VK_RETURN); })}),
            2);
  g_paint = nullptr;
  EXPECT_EQ(paint.drewTheNewPicture, decodesWithinAFrame ? 1 : 0);
  EXPECT_TRUE(IsRectEmpty(&redWhileHeld));
  EXPECT_EQ(IsRectEmpty(&greenWhileHeld), !decodesWithinAFrame);
  EXPECT_FALSE(IsRectEmpty(&green));
}

INSTANTIATE_TEST_SUITE_P(PictureBesideTheDialog, SmallPictureAtTheNextPaint, ::testing::Bool());

}  // namespace
