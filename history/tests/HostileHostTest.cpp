// Hosts on a bad day: presentation VARIANTs of every kind an add-in could pass by mistake,
// automation objects that fail in every way, odd captions, many rows and extreme values. In every
// case: no crash, the error box only where a picture cannot be shown, no temporary file left,
// every reference given back, and the right position returned.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "testkit/DebugLines.h"
#include "testkit/HistorySession.h"
#include "testkit/Resources.h"
#include "ui/Owners.h"
#include "ui/TopDownBitmap.h"

namespace {

using testkit::Fault;

struct HostileHost : ::testing::Test, testkit::HistorySession {
  std::set<std::string> filesBefore = PreviewFilesInTemp();
  void TearDown() override {
    EXPECT_EQ(presentation.References(), 1u);
    EXPECT_EQ(testkit::Presentation::LiveObjects(), 0);
    EXPECT_EQ(PreviewFilesInTemp(), filesBefore);
  }
  // Moves to the second row and reports the error box that follows, if any ("" for none).
  std::string SecondRowError(std::int32_t position = 1) {
    std::string text;
    DWORD selected = 0;
    const int result = Show(position, {Key(VK_DOWN), SelectionIs(1), [&] {
                                         // A box for the file comes before the key returns; one for
                                         // the pixels once their decode, beside the dialog, has
                                         // ended: it is given a second.
                                         if (!selected) selected = GetTickCount();
                                         if (HWND box = testkit::FindMessageBox()) {
                                           text = testkit::MessageBoxText(box);
                                           PostMessageA(box, WM_COMMAND, IDOK, 0);
                                           return true;
                                         }
                                         return GetTickCount() - selected > 1000;
                                       },
                                       [&] { return testkit::FindMessageBox() == nullptr; }, Key(VK_RETURN)});
    EXPECT_EQ(result, 2);
    return text;
  }
};

TEST_F(HostileHost, VariantsWithoutAnObjectFailOnlyInTheirPictures) {
  VARIANT kinds[7];
  for (auto& v : kinds) VariantInit(&v);
  kinds[1].vt = VT_NULL;
  kinds[2].vt = VT_I4;
  kinds[2].lVal = 5;
  kinds[3].vt = VT_DISPATCH;
  kinds[3].pdispVal = nullptr;
  // Kinds that cannot be copied at all: the request opens all the same.
  kinds[4].vt = 15;  // no such type
  kinds[5].vt = VT_VARIANT | VT_BYREF;
  kinds[5].pvarVal = nullptr;
  kinds[6].vt = VT_DISPATCH | VT_BYREF;
  kinds[6].ppdispVal = nullptr;
  for (const VARIANT& v : kinds) {
    lib.InitializeSlideHistory(v);
    lib.AddSlideHistory(1, "One");
    lib.AddSlideHistory(2, "Two");
    const std::string error = SecondRowError();
    EXPECT_EQ(error.rfind("Cannot open file \"", 0), 0u) << "vt " << v.vt << ": " << error;
    EXPECT_TRUE(presentation.calls.empty());
  }
}

TEST_F(HostileHost, ObjectsByReferenceAreFollowed) {
  IDispatch* object = &presentation;
  VARIANT byRef;
  VariantInit(&byRef);
  byRef.vt = VT_DISPATCH | VT_BYREF;
  byRef.ppdispVal = &object;
  VARIANT inner = presentation.AsVariant();
  VARIANT variantRef;
  VariantInit(&variantRef);
  variantRef.vt = VT_VARIANT | VT_BYREF;
  variantRef.pvarVal = &inner;
  for (const VARIANT& v : {byRef, variantRef}) {
    presentation.calls.clear();
    lib.InitializeSlideHistory(v);
    lib.AddSlideHistory(1, "One");
    lib.AddSlideHistory(2, "Two");
    EXPECT_EQ(SecondRowError(), "") << "vt " << v.vt;
    EXPECT_EQ(presentation.calls.size(), 6u);  // two previews, three calls each
  }
}

// The add-in's variable goes out of scope (or is reassigned) right after InitializeSlideHistory:
// the request must hold the object itself, not the address it was found at.
TEST_F(HostileHost, AReferencedVariableMayBeGoneBeforeTheDialogShows) {
  for (const VARTYPE kind : {VARTYPE(VT_DISPATCH | VT_BYREF), VARTYPE(VT_VARIANT | VT_BYREF)}) {
    presentation.calls.clear();
    auto* target = new VARIANT(presentation.AsVariant());
    presentation.AddRef();  // the add-in's own reference, in its variable
    VARIANT byRef;
    VariantInit(&byRef);
    byRef.vt = kind;
    if (kind == (VT_DISPATCH | VT_BYREF)) byRef.ppdispVal = &target->pdispVal;
    else byRef.pvarVal = target;
    lib.InitializeSlideHistory(byRef);
    VariantClear(target);
    FillMemory(target, sizeof *target, 0xA5);
    delete target;
    EXPECT_EQ(presentation.References(), 2u) << "vt " << kind;  // ours and the request's
    lib.AddSlideHistory(1, "One");
    lib.AddSlideHistory(2, "Two");
    EXPECT_EQ(SecondRowError(), "") << "vt " << kind;
    EXPECT_EQ(presentation.calls.size(), 6u) << "vt " << kind;
  }
}

// Fault injection from outside: the n-th window of a class is refused at creation, or the list
// refuses a row. Either way a row is lost, and rows after it would answer to the wrong positions.
struct WindowRefusal {
  static inline const char* className = nullptr;
  static inline int skip = 0;
  HHOOK hook;
  WindowRefusal(const char* refusedClass, int windowsToLetThrough) {
    className = refusedClass;
    skip = windowsToLetThrough;
    hook = SetWindowsHookExA(WH_CBT, &Hook, nullptr, GetCurrentThreadId());
  }
  ~WindowRefusal() { UnhookWindowsHookEx(hook); }
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
      char name[64] = "";
      GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof name);
      if (lstrcmpiA(name, className) == 0 && skip-- == 0) return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
};

struct RowRefusal {
  static inline WNDPROC original = nullptr;
  static inline int refuse = 0;
  HWND list;
  explicit RowRefusal(HWND listBox, int rowsToRefuse) : list(listBox) {
    refuse = rowsToRefuse;
    original = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
  }
  ~RowRefusal() { SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original)); }
  static LRESULT CALLBACK Proc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == LB_ADDSTRING && refuse > 0) {
      --refuse;
      return LB_ERRSPACE;
    }
    return CallWindowProcA(original, w, message, wParam, lParam);
  }
};

// ShowSlideHistory as the add-in calls it: if a dialog comes up after all, "Go" is pressed at once.
int ShowAndGo(testkit::PathmrLibrary& lib, std::int32_t position, bool& shown) {
  testkit::Driver d(10000);
  d.Then([&] {
    HWND dialog = testkit::FindDialog("Slide Show History");
    if (!dialog) return false;
    shown = true;
    PostMessageA(testkit::FindChild(dialog, "Button", "Go"), BM_CLICK, 0, 0);
    return true;
  });
  return d.Run([&] { return lib.ShowSlideHistory(nullptr, position); });
}

TEST_F(HostileHost, ARowThatCannotBeStoredRefusesTheWholeRequest) {
  {
    // The first row makes the dialog's windows; "Cancel" is refused.
    lib.InitializeSlideHistory(presentation.AsVariant());
    {
      WindowRefusal refusal("Button", 1);
      lib.AddSlideHistory(1, "One");
    }
    lib.AddSlideHistory(2, "Two");
    bool shown = false;
    EXPECT_EQ(ShowAndGo(lib, 1, shown), 0);
    EXPECT_FALSE(shown);
  }
  {
    // The list refuses the second row.
    lib.InitializeSlideHistory(presentation.AsVariant());
    lib.AddSlideHistory(1, "One");
    HWND form = FindWindowA("THistoryForm", nullptr);
    ASSERT_NE(form, nullptr);
    {
      RowRefusal refusal(testkit::FindChild(form, "ListBox"), 1);
      lib.AddSlideHistory(2, "Two");
    }
    lib.AddSlideHistory(3, "Three");
    bool shown = false;
    EXPECT_EQ(ShowAndGo(lib, 2, shown), 0);
    EXPECT_FALSE(shown);
  }
  // The next request is whole again.
  Open({{1, "One"}, {2, "Two"}});
  bool shown = false;
  EXPECT_EQ(ShowAndGo(lib, 2, shown), 2);
  EXPECT_TRUE(shown);
}

using Lines = std::vector<std::string>;

// Each failure that an export keeps from the host (which sees what a Cancel looks like) or that the
// dialog contains before it shows is written for a debugger as one line: where, and why. A dialog
// that works, and a position outside the list, write nothing.
TEST_F(HostileHost, FailuresKeptFromTheHostAreWrittenForADebugger) {
  testkit::DebugLines lines;
  ASSERT_TRUE(lines.Listening());
  bool shown = false;
  Open({{1, "One"}, {2, "Two"}});
  EXPECT_EQ(ShowAndGo(lib, 2, shown), 2);
  Open({{1, "One"}, {2, "Two"}});
  EXPECT_EQ(ShowAndGo(lib, 0, shown), 0);
  EXPECT_EQ(lines.Take(), Lines{});

  // The dialog's windows cannot all be made: the first row fails, the request is refused, and the
  // calls after it fail no more.
  lib.InitializeSlideHistory(presentation.AsVariant());
  {
    WindowRefusal refusal("Button", 1);
    lib.AddSlideHistory(1, "One");
  }
  lib.AddSlideHistory(2, "Two");
  shown = false;
  EXPECT_EQ(ShowAndGo(lib, 1, shown), 0);
  EXPECT_FALSE(shown);
  EXPECT_EQ(lines.Take(), Lines{"Pathmr: AddSlideHistory: Cannot create the window of CancelButton\n"});

  // The list refuses a row.
  lib.InitializeSlideHistory(presentation.AsVariant());
  lib.AddSlideHistory(1, "One");
  {
    RowRefusal refusal(testkit::FindChild(FindWindowA("THistoryForm", nullptr), "ListBox"), 1);
    lib.AddSlideHistory(2, "Two");
  }
  EXPECT_EQ(ShowAndGo(lib, 1, shown), 0);
  EXPECT_EQ(lines.Take(), Lines{"Pathmr: AddSlideHistory: Cannot add a row to SlideListBox\n"});

  // A request without rows makes its window when it is shown, and that is refused.
  lib.InitializeSlideHistory(presentation.AsVariant());
  {
    WindowRefusal refusal("THistoryForm", 0);
    EXPECT_EQ(ShowAndGo(lib, 1, shown), 0);
  }
  EXPECT_FALSE(shown);
  EXPECT_EQ(lines.Take(), Lines{"Pathmr: ShowSlideHistory: Cannot create the window of THistoryForm\n"});

  {
    const auto showAbout = lib.Bind<void(__stdcall*)(HWND)>("ShowAboutForm");
    WindowRefusal refusal("Button", 0);
    testkit::Driver d(3000);  // closes the box, should it come up after all
    d.Run([&] {
      showAbout(nullptr);
      return 0;
    });
  }
  EXPECT_EQ(lines.Take(), Lines{"Pathmr: ShowAboutForm: Cannot create the window of OKButton\n"});

  // The preselected slide's export fails before the dialog shows: no error box can say so there.
  presentation.slides[1].fault = Fault::ExportFails;
  Open({{1, "One"}, {2, "Two"}});
  EXPECT_EQ(ShowAndGo(lib, 1, shown), 1);
  EXPECT_TRUE(shown);
  const Lines seen = lines.Take();
  ASSERT_EQ(seen.size(), 2u) << ::testing::PrintToString(seen);
  EXPECT_EQ(seen[0], "Pathmr: slide export: Call of Export failed\n");
  EXPECT_EQ(seen[1].rfind("Pathmr: first preview: Cannot open file ", 0), 0u) << seen[1];
  EXPECT_EQ(seen[1].find('\n'), seen[1].size() - 1) << seen[1];
}

TEST_F(HostileHost, AnObjectThatKnowsNoNamesOrRaisesIsSilentUntilTheFileIsMissing) {
  presentation.knowsNoNames = true;
  Open({{1, "One"}, {2, "Two"}});
  EXPECT_EQ(SecondRowError().rfind("Cannot open file", 0), 0u);
  presentation.knowsNoNames = false;
  presentation.failSlides = true;  // an automation exception, with its description to free
  Open({{1, "One"}, {2, "Two"}});
  EXPECT_EQ(SecondRowError().rfind("Cannot open file", 0), 0u);
}

TEST_F(HostileHost, EachWayAnExportCanGoWrong) {
  struct Case {
    Fault fault;
    const char* error;  // start of the error box's text; "" for none
  } cases[] = {{Fault::RejectIndex, "Cannot open file"},   {Fault::ExportFails, "Cannot open file"},
               {Fault::WritesNothing, "Cannot open file"}, {Fault::WritesEmpty, ""},
               {Fault::WritesTruncated, ""},               {Fault::WritesGarbage, "JPEG error #"},
               {Fault::DamagedInside, "JPEG error #"},     {Fault::HugeHeader, "JPEG image too large"},
               {Fault::WritesThenFails, ""},               {Fault::ChangesPath, ""}};
  for (const Case& c : cases) {
    presentation.slides[2] = testkit::SlideSetup{};
    presentation.slides[2].fault = c.fault;
    Open({{1, "One"}, {2, "Two"}});
    const std::string error = SecondRowError();
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << static_cast<int>(c.fault) << ": " << error;
    if (!*c.error) {
      EXPECT_EQ(error, "") << static_cast<int>(c.fault);
    }
  }
  presentation.slides[2] = testkit::SlideSetup{};
  presentation.exportDelayMsec = 300;  // a slow host is waited for
  Open({{1, "One"}, {2, "Two"}});
  EXPECT_EQ(SecondRowError(), "");
}

TEST_F(HostileHost, OddCaptionsAndExtremeSlideIndexes) {
  const std::string longCaption(64 * 1024, 'W');
  const std::string ansi = "Pr\xE4sentation \xDC" "ber \xA7 3 \x80";
  lib.InitializeSlideHistory(presentation.AsVariant());
  lib.AddSlideHistory(-1, nullptr);
  lib.AddSlideHistory(0, "");
  lib.AddSlideHistory(INT_MIN, longCaption.c_str());
  lib.AddSlideHistory(INT_MAX, ansi.c_str());
  std::vector<std::string> seen;
  EXPECT_EQ(Show(4, {Key(VK_UP), SelectionIs(2), Key(VK_UP), SelectionIs(1), Key(VK_UP), SelectionIs(0), [&] {
                       for (int i = 0; i < 4; ++i) {
                         const auto n = SendMessageA(List(), LB_GETTEXTLEN, i, 0);
                         std::string text(static_cast<std::size_t>(n) + 1, '\0');
                         SendMessageA(List(), LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
                         text.resize(static_cast<std::size_t>(n));
                         seen.push_back(text);
                       }
                       return testkit::FindMessageBox() == nullptr;
                     },
                     Key(VK_RETURN)}),
            1);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0], "");
  EXPECT_EQ(seen[1], "");
  EXPECT_EQ(seen[2], longCaption);
  EXPECT_EQ(seen[3], ansi);
  std::vector<std::int32_t> indexes;
  for (const auto& c : presentation.calls)
    if (c.name == "Item") indexes.push_back(c.index);
  EXPECT_EQ(indexes, (std::vector<std::int32_t>{INT_MAX, INT_MIN, 0, -1}));
}

TEST_F(HostileHost, TenThousandRows) {
  for (std::int32_t i = 1; i <= 10000; ++i) presentation.slides[i] = testkit::SlideSetup{64, 48, 0x406080};
  lib.InitializeSlideHistory(presentation.AsVariant());
  for (std::int32_t i = 1; i <= 10000; ++i) lib.AddSlideHistory(i, ("Slide " + std::to_string(i)).c_str());
  int rows = 0;
  EXPECT_EQ(Show(10000, {[&] {
                           rows = static_cast<int>(SendMessageA(List(), LB_GETCOUNT, 0, 0));
                           return true;
                         },
                         Key(VK_HOME), SelectionIs(0), Key(VK_END), SelectionIs(9999), Key(VK_RETURN)}),
            10000);
  EXPECT_EQ(rows, 10000);
}

// A window of a thread of its own that takes its messages, as another program's or another
// thread's window would.
class WindowOfAnotherThread {
 public:
  WindowOfAnotherThread() {
    thread_ = std::thread([this] {
      HWND w = CreateWindowExA(0, "STATIC", "another thread's window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                               700, 500, nullptr, nullptr, nullptr, nullptr);
      window_.store(w);
      MSG msg;
      while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
      DestroyWindow(w);
    });
    while (!window_.load()) Sleep(1);
    threadId_ = GetWindowThreadProcessId(window_.load(), nullptr);
  }
  ~WindowOfAnotherThread() {
    PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    thread_.join();
  }
  HWND Handle() const { return window_.load(); }

 private:
  std::atomic<HWND> window_{nullptr};
  DWORD threadId_ = 0;
  std::thread thread_;
};

// Parents an add-in should not pass, but may: a window destroyed before the call (as a slide show
// that has just ended: nothing is shown, and the call gives 0), the desktop window and a window of
// another thread (the dialog opens, works and gives the row chosen; the desktop stays enabled).
// Nothing is kept, and an ordinary request afterwards works as ever.
TEST_F(HostileHost, ParentsThatCannotHoldTheDialog) {
  WindowOfAnotherThread other;
  auto round = [&] {
    HWND destroyed = CreateWindowExA(0, "STATIC", "gone", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                     nullptr, nullptr);
    DestroyWindow(destroyed);
    Open({{1, "One"}, {2, "Two"}});
    EXPECT_EQ(lib.ShowSlideHistory(destroyed, 2), 0);
    EXPECT_EQ(testkit::FindDialog("Slide Show History"), nullptr);
    for (HWND parent : {GetDesktopWindow(), other.Handle()}) {
      SCOPED_TRACE(parent == other.Handle() ? "another thread's window" : "the desktop");
      Open({{1, "One"}, {2, "Two"}, {3, "Three"}});
      EXPECT_EQ(Show(3, {Key(VK_UP), SelectionIs(1), Key(VK_RETURN)}, parent), 2);
      EXPECT_NE(GetModuleHandleA(testkit::LibraryFileName()), nullptr);
      EXPECT_TRUE(IsWindowEnabled(GetDesktopWindow()));
      EXPECT_TRUE(IsWindowEnabled(other.Handle()));
    }
    Open({{1, "One"}, {2, "Two"}});
    EXPECT_EQ(Show(1, std::vector<testkit::Driver::Step>{Key(VK_RETURN)}), 1);
  };
  round();  // first use out of the counts
  const testkit::Holdings before = testkit::CountHoldings();
  round();
  const testkit::Holdings after = testkit::CountHoldings();
  testkit::ReportHoldings("odd parents", before, after);
  // GDI and USER objects are every thread's: the other thread's window moves them by itself.
  EXPECT_LE(after.kernelHandles, before.kernelHandles);
}

std::atomic<bool> aboutSeen{false};
void CALLBACK CloseAboutOfThisThread(HWND, UINT, UINT_PTR, DWORD) {
  if (HWND box = testkit::FindDialog("About")) {
    aboutSeen = true;
    testkit::PostKey(testkit::FindChild(box, "Button", "OK"), VK_ESCAPE);
  }
}

// Hosts should call every export on their user-interface thread, but one may call them from
// another thread while the dialog runs: the history exports are refused there as they are inside
// the dialog, the About box opens on that thread, and the dialog goes on undisturbed.
TEST_F(HostileHost, ExportsFromAnotherThreadWhileTheDialogRuns) {
  Open({{1, "One"}, {2, "Two"}});
  std::atomic<int> nested{-1};
  std::atomic<bool> done{false}, aboutClosed{false};
  aboutSeen = false;
  std::thread caller;
  const int result = Show(1, {Check([&] {
                                caller = std::thread([&] {
                                  lib.InitializeSlideHistory(presentation.AsVariant());
                                  lib.AddSlideHistory(9, "From another thread");
                                  nested = lib.ShowSlideHistory(nullptr, 1);
                                  // The About box of this thread, closed by this thread's own timer.
                                  const UINT_PTR timer = SetTimer(nullptr, 0, 20, &CloseAboutOfThisThread);
                                  lib.Bind<void(__stdcall*)(HWND)>("ShowAboutForm")(nullptr);
                                  KillTimer(nullptr, timer);
                                  aboutClosed = aboutSeen.load();
                                  done = true;
                                });
                              }),
                              [&] { return done.load(); }, Key(VK_DOWN), SelectionIs(1), Key(VK_RETURN)});
  caller.join();
  EXPECT_EQ(result, 2);
  EXPECT_EQ(nested.load(), 0);
  EXPECT_TRUE(aboutClosed.load());
  Open({{1, "One"}, {2, "Two"}});
  EXPECT_EQ(Show(2, std::vector<testkit::Driver::Step>{Key(VK_RETURN)}), 2);
}


// The GDI objects of each type that a step leaves in the process beyond those before it.
struct GdiLeft {
  int byType[16] = {};
  int total = 0;
  static GdiLeft Of(const std::function<void()>& step) {
    const testkit::Holdings before = testkit::CountHoldings();
    step();
    const testkit::Holdings after = testkit::CountHoldings();
    GdiLeft left;
    left.total = after.gdiObjects - before.gdiObjects;
    for (int t = 1; t < 16; ++t) left.byType[t] = after.gdiByType[t] - before.gdiByType[t];
    return left;
  }
};

// What a program without the library does: a top-level window with a child, shown and painted
// while it holds a picture's bitmap (drawn through a memory DC, as the preview is), then destroyed.
LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCPAINT) {
    DefWindowProcA(window, message, wParam, lParam);
    const ui::WindowDc dc(window, ui::WindowDc::WholeWindow);
    RECT r{0, 0, 40, 40};
    DrawEdge(dc.get(), &r, BDR_RAISEDINNER | BDR_SUNKENOUTER, BF_RECT | BF_SOFT);
    return 0;
  }
  if (message != WM_PAINT) return DefWindowProcA(window, message, wParam, lParam);
  const ui::PaintScope paint(window);
  if (auto picture = reinterpret_cast<HBITMAP>(GetWindowLongPtrA(window, GWLP_USERDATA))) {
    ui::MemoryDc memory(paint.dc());
    const ui::Selection selected(memory.get(), picture);
    StretchBlt(paint.dc(), 8, 8, 160, 120, memory.get(), 0, 0, 213, 160, SRCCOPY);
  }
  return 0;
}

void ShowPlainWindow() {
  static const ATOM kClass = [] {
    WNDCLASSA c{};
    c.lpfnWndProc = &PlainWindowProc;
    c.hInstance = GetModuleHandleA(nullptr);
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    c.lpszClassName = "PathmrTestPlainWindow";
    return RegisterClassA(&c);
  }();
  void* bits = nullptr;
  const ui::GdiObject<HBITMAP> picture(ui::CreateTopDownBitmap(213, 160, 32, &bits));
  const ui::Window window(CreateWindowExA(WS_EX_DLGMODALFRAME, MAKEINTATOM(kClass), "Plain",
                                          WS_POPUP | WS_CAPTION | WS_SYSMENU, 100, 100, 560, 430, nullptr, nullptr,
                                          GetModuleHandleA(nullptr), nullptr));
  SetWindowLongPtrA(window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(picture.get()));
  CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 180, 8, 360, 380, window.get(), nullptr,
                  nullptr, nullptr);
  CreateWindowExA(0, "BUTTON", "Go", WS_CHILD | WS_VISIBLE, 8, 200, 80, 24, window.get(), nullptr, nullptr, nullptr);
  ShowWindow(window.get(), SW_SHOWNORMAL);
  UpdateWindow(window.get());
  for (int tick = 0; tick < 10; ++tick) {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    Sleep(20);
  }
}

// A process with a handful of GDI objects left. Under Wine 10 a top-level window destroyed there
// leaves its window surface (a bitmap of the window's size rounded up to 128 pixels, and a region)
// to the process until a later window takes it back, with or without the library; under Wine 8
// nothing is left. So the dialog is held to what a plain window leaves in the same place.
TEST_F(HostileHost, NearTheEndOfTheGdiTableTheDialogLeavesNoMoreThanAPlainWindow) {
  presentation.slides[1].solid = 0xC02030;  // the host's drawn slides would need GDI objects of their own
  presentation.slides[2].solid = 0x30B050;
  bool shown = false;
  auto dialog = [&] {
    Open({{1, "One"}, {2, "Two"}});
    EXPECT_EQ(ShowAndGo(lib, 1, shown), 1);
  };
  // Each step measured with six objects left.
  auto nearTheEnd = [](const std::function<void()>& step) {
    std::vector<ui::GdiObject<HBRUSH>> filler;
    while (HBRUSH b = CreateSolidBrush(RGB(1, 2, 3))) filler.emplace_back(b);
    filler.resize(filler.size() > 6 ? filler.size() - 6 : 0);
    return GdiLeft::Of(step);
  };
  ShowPlainWindow();  // what the system makes once, for the first window of each kind
  dialog();
  GdiLeft plain;
  for (int round = 0; round < 3; ++round) {
    const GdiLeft left = nearTheEnd(&ShowPlainWindow);
    if (left.total > plain.total) plain = left;
  }
  std::printf("a plain window leaves %d GDI objects (%d bitmaps, %d regions)\n", plain.total, plain.byType[OBJ_BITMAP],
              plain.byType[OBJ_REGION]);
  for (int round = 0; round < 3; ++round) {
    shown = false;
    const GdiLeft left = nearTheEnd(dialog);
    EXPECT_TRUE(shown);
    std::printf("the dialog leaves %d (%d bitmaps, %d regions)\n", left.total, left.byType[OBJ_BITMAP],
                left.byType[OBJ_REGION]);
    EXPECT_LE(left.total, plain.total) << "round " << round;
    for (int t = 1; t < 16; ++t)
      EXPECT_LE(left.byType[t], plain.byType[t]) << "objects of type " << t << ", round " << round;
  }
}

}  // namespace
