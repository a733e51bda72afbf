// The library as a file and as a loaded module: its export and import tables, its version, its
// named mutex across processes, repeated loading and unloading, and the product hooks.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/Owners.h"
#include "testkit/DebugLines.h"
#include "testkit/File.h"
#include "testkit/HistorySession.h"
#include "testkit/Resources.h"

namespace {

std::string ModuleFolder() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s = path;
  return s.substr(0, s.find_last_of('\\') + 1);
}

struct PeTables {
  WORD machine = 0;
  std::vector<std::string> exports;
  DWORD ordinalBase = 0;
  std::set<std::string> imports;
  std::set<std::string> importedNames;  // the functions imported by name, from every library
};

PeTables ReadTables(HMODULE module) {
  PeTables t;
  auto* base = reinterpret_cast<const unsigned char*>(module);
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  // The headers of this process's own architecture: the library loaded is always of that kind.
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  t.machine = nt->FileHeader.Machine;
  EXPECT_EQ(nt->OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR_MAGIC);
  const auto& dirs = nt->OptionalHeader.DataDirectory;
  auto* ex = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dirs[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress);
  t.ordinalBase = ex->Base;
  auto* names = reinterpret_cast<const DWORD*>(base + ex->AddressOfNames);
  for (DWORD i = 0; i < ex->NumberOfNames; ++i) t.exports.push_back(reinterpret_cast<const char*>(base + names[i]));
  EXPECT_EQ(ex->NumberOfFunctions, ex->NumberOfNames);  // nothing exported by ordinal only
  auto* imp = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dirs[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
  for (; imp->Name; ++imp) {
    std::string name = reinterpret_cast<const char*>(base + imp->Name);
    for (char& c : name) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    t.imports.insert(name);
    for (auto* thunk = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk); thunk->u1.AddressOfData;
         ++thunk)
      if (!IMAGE_SNAP_BY_ORDINAL(thunk->u1.Ordinal))
        t.importedNames.insert(reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + thunk->u1.AddressOfData)->Name);
  }
  return t;
}

TEST(Library, ExportsExactlyItsSixFunctionsImportsOnlySystemLibrariesAndSetsNoHook) {
  testkit::PathmrLibrary lib;
  const PeTables t = ReadTables(lib.module.get());
#ifdef _WIN64
  EXPECT_EQ(t.machine, IMAGE_FILE_MACHINE_AMD64);
#else
  EXPECT_EQ(t.machine, IMAGE_FILE_MACHINE_I386);
#endif
  EXPECT_EQ(t.exports, (std::vector<std::string>{"AddSlideHistory", "InitializeProduct", "InitializeSlideHistory",
                                                 "ShowAboutForm", "ShowSlideHistory", "ShutdownProduct"}));
  EXPECT_EQ(t.ordinalBase, 1u);
  const std::set<std::string> system{"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "OLE32.DLL", "OLEAUT32.DLL",
                                     "MSVCRT.DLL", "ADVAPI32.DLL"};
  for (const auto& name : t.imports) EXPECT_TRUE(system.count(name)) << name;
  // Functions that older systems lack are looked up at run time, or the library would not load there.
  for (const char* newer : {"GetDpiForWindow", "SystemParametersInfoForDpi", "AdjustWindowRectExForDpi",
                            "GetThreadDpiAwarenessContext", "GetAwarenessFromDpiAwarenessContext"})
    EXPECT_EQ(t.importedNames.count(newer), 0u) << newer;
  EXPECT_GT(t.importedNames.count("CreateWindowExA"), 0u);  // the table was read
  // No system call counts a process's hooks, so the library is held to setting none: it neither
  // imports nor names a function that sets one (a name to look up at run time would be in its bytes).
  char path[MAX_PATH] = "";
  GetModuleFileNameA(lib.module.get(), path, MAX_PATH);
  std::string bytes;
  if (testkit::File f{std::fopen(path, "rb")}) {
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0;) bytes.append(buffer, n);
  }
  ASSERT_GT(bytes.size(), 100000u) << path;
  for (const char* hook : {"SetWindowsHookEx", "SetWinEventHook"}) EXPECT_EQ(bytes.find(hook), std::string::npos) << hook;
}

TEST(Library, CarriesItsVersion) {
  const std::string path = ModuleFolder() + PATHMR_DLL_NAME;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
  EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(PATHMR_VERSION_MINOR, PATHMR_VERSION_MAJOR)));
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  for (const char* key : {"FileVersion", "ProductVersion"}) {
    char* text = nullptr;
    const std::string query = std::string("\\StringFileInfo\\040904E4\\") + key;
    ASSERT_TRUE(VerQueryValueA(data.data(), query.c_str(), reinterpret_cast<void**>(&text), &len)) << key;
    EXPECT_STREQ(text, PATHMR_VERSION) << key;
  }
  char* product = nullptr;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\040904E4\\ProductName", reinterpret_cast<void**>(&product), &len));
  EXPECT_STREQ(product, "Corvel Pathmere");
  char* original = nullptr;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\040904E4\\OriginalFilename", reinterpret_cast<void**>(&original), &len));
  EXPECT_STREQ(original, PATHMR_DLL_NAME);
}

HANDLE StartHolder(const char* eventName) {
  std::string command = "\"" + ModuleFolder() + "host.exe\" --hold " + eventName;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

bool MutexExists() {
  HANDLE m = OpenMutexA(SYNCHRONIZE, FALSE, "Pathmere");
  if (m) CloseHandle(m);
  return m != nullptr;
}

TEST(Library, TwoProcessesShareTheNamedMutexWhileEitherHoldsTheLibrary) {
  // This process never loads the library: it looks from outside.
  ASSERT_FALSE(MutexExists());
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, "PathmrTestRelease");
  HANDLE first = StartHolder("PathmrTestRelease");
  HANDLE second = StartHolder("PathmrTestRelease");
  ASSERT_TRUE(first && second);
  bool seen = false;
  for (int i = 0; i < 100 && !seen; ++i, Sleep(50)) seen = MutexExists();
  EXPECT_TRUE(seen);
  SetEvent(release);
  HANDLE both[] = {first, second};
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 20000), WAIT_OBJECT_0);
  DWORD code1 = 99, code2 = 99;
  GetExitCodeProcess(first, &code1);
  GetExitCodeProcess(second, &code2);
  EXPECT_EQ(code1, 0u);  // both loads succeeded
  EXPECT_EQ(code2, 0u);
  EXPECT_FALSE(MutexExists());  // gone once no process has the library
  CloseHandle(first);
  CloseHandle(second);
  CloseHandle(release);
}

using HookFn = void(__stdcall*)();

TEST(Library, HooksInAnyOrderChangeNothing) {
  testkit::HistorySession s;
  auto init = s.lib.Bind<HookFn>("InitializeProduct");
  auto shut = s.lib.Bind<HookFn>("ShutdownProduct");
  shut();
  init();
  init();
  s.Open({{4, "Four"}, {5, "Five"}});
  shut();
  init();
  EXPECT_EQ(s.Show(2, [&] { testkit::PostKey(s.List(), VK_RETURN); }), 2);
  shut();
  shut();
  s.Open({{6, "Six"}});
  EXPECT_EQ(s.Show(1, [&] { testkit::PostKey(s.List(), VK_RETURN); }), 1);
  EXPECT_EQ(s.presentation.References(), 1u);
}

// The load and unload contain their errors (planted in a test-only build: nothing else makes them
// fail) and write each for a debugger, whether or not it is of a standard kind; the product's own
// load and unload write nothing.
TEST(Library, ErrorsContainedAtLoadAndUnloadAreWrittenForADebugger) {
  using Lines = std::vector<std::string>;
  testkit::DebugLines lines;
  ASSERT_TRUE(lines.Listening());
  std::string planted = PATHMR_DLL_NAME;
  planted.insert(planted.size() - 4, "-planted-errors-at-load-and-unload");  // before ".dll"
  {
    platform::Module module{LoadLibraryA(planted.c_str())};
    ASSERT_NE(module.get(), nullptr) << planted;  // the load went on
    EXPECT_EQ(lines.Take(), Lines{"Pathmr: load: Planted failure at load\n"});
  }
  EXPECT_EQ(GetModuleHandleA(planted.c_str()), nullptr);
  EXPECT_EQ(lines.Take(), Lines{"Pathmr: unload: an exception of no standard kind\n"});
  {
    testkit::PathmrLibrary lib;
  }
  EXPECT_EQ(lines.Take(), Lines{});
}

// Loads the library and opens a request with one row that is never shown; the caller unloads.
HMODULE OpenUnshownRequest(testkit::Presentation& presentation) {
  testkit::PathmrLibrary lib;
  lib.InitializeSlideHistory(presentation.AsVariant());
  lib.AddSlideHistory(1, "Never shown");
  return lib.module.release();  // the reference goes to the caller
}

TEST(Library, UnloadDestroysARequestThatWasNeverShown) {
  testkit::Presentation presentation;
  HMODULE module = OpenUnshownRequest(presentation);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(presentation.References(), 2u);
  EXPECT_NE(FindWindowA("THistoryForm", nullptr), nullptr);
  FreeLibrary(module);
  EXPECT_EQ(presentation.References(), 1u);
  EXPECT_EQ(FindWindowA("THistoryForm", nullptr), nullptr);
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  EXPECT_FALSE(GetClassInfoExA(module, "THistoryForm", &wc));  // the class went with the library
}

// The host's thread back in its message loop: the library goes once its dialogs' reference is
// given back (by a pool thread that waits for this thread with a growing pause); a library still
// loaded after ten seconds fails.
bool UnloadedOnceTheHostTakesItsMessages() {
  for (const DWORD start = GetTickCount(); GetTickCount() - start < 10000;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    if (!GetModuleHandleA(testkit::LibraryFileName()) && !MutexExists()) return true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return false;
}

// A host handler that runs inside the library's modal loop (here: the test's timer) frees the
// library while the dialog is open; the call must still come back, with the dialog's result.
TEST(Library, FreedByAHostHandlerWhileTheHistoryDialogRuns) {
  testkit::HistorySession s;
  s.Open({{1, "One"}, {2, "Two"}});
  EXPECT_EQ(s.Show(1, {[&] {
                         s.lib.module.reset();
                         return true;
                       },
                       s.Key(VK_DOWN), s.SelectionIs(1), s.Key(VK_RETURN)}),
            2);
  EXPECT_EQ(s.presentation.References(), 1u);
  EXPECT_EQ(FindWindowA("THistoryForm", nullptr), nullptr);
  EXPECT_TRUE(UnloadedOnceTheHostTakesItsMessages());
}

// The first export runs before the modal loop; the host's handler frees the library there.
TEST(Library, FreedByAHostHandlerDuringTheFirstExport) {
  testkit::HistorySession s;
  s.presentation.duringExport = [&] {
    if (!s.lib.module.get()) return;
    s.lib.module.reset();
  };
  s.Open({{1, "One"}, {2, "Two"}});
  EXPECT_EQ(s.Show(1, {s.Foreground(), s.Typing({VK_DOWN, VK_RETURN})}), 2);
  EXPECT_EQ(s.presentation.References(), 1u);
  EXPECT_TRUE(UnloadedOnceTheHostTakesItsMessages());
}

// Once its dialogs have ended, the library goes with the host's last reference (an add-in that
// reloads it to update it, an installer waiting for the mutex), and loads again.
TEST(Library, UnloadsWithTheHostsLastReferenceAfterItsDialogs) {
  for (int round = 0; round < 2; ++round) {
    testkit::HistorySession s;
    s.Open({{1, "One"}, {2, "Two"}});
    EXPECT_EQ(s.Show(2, {s.Foreground(), s.ClickButton("About..."), [] { return testkit::FindDialog("About"); },
                         [] { return testkit::Type({VK_RETURN}); }, [] { return !testkit::FindDialog("About"); },
                         s.Typing({VK_RETURN})}),
              2);
    EXPECT_TRUE(testkit::ShowAboutAndClose(s.lib, VK_ESCAPE));
    s.lib.module.reset();
    EXPECT_TRUE(UnloadedOnceTheHostTakesItsMessages()) << "round " << round;
  }
}

TEST(Library, FreedByAHostHandlerWhileTheAboutBoxRuns) {
  HMODULE module = LoadLibraryA(PATHMR_DLL_NAME);
  ASSERT_NE(module, nullptr);
  auto show = reinterpret_cast<void(__stdcall*)(HWND)>(reinterpret_cast<void*>(GetProcAddress(module, "ShowAboutForm")));
  testkit::Driver d(10000);
  d.Then([&] {
     if (!testkit::FindDialog("About")) return false;
     FreeLibrary(module);
     return true;
   }).Then([] {
    testkit::PostKey(testkit::FindChild(testkit::FindDialog("About"), "Button", "OK"), VK_RETURN);
    return true;
  });
  d.Run([&] {
    show(nullptr);
    return 0;
  });
  EXPECT_FALSE(d.TimedOut());
  EXPECT_TRUE(d.AllStepsRan());
  EXPECT_TRUE(UnloadedOnceTheHostTakesItsMessages());
}

void CALLBACK CloseAboutOfThisThread(HWND, UINT, UINT_PTR, DWORD) {
  if (HWND box = testkit::FindDialog("About")) testkit::PostKey(testkit::FindChild(box, "Button", "OK"), VK_ESCAPE);
}

// A host handler inside the history dialog opens the About box forty times: each box's reference
// waits until the dialog's export has returned, so forty wait at once (more than the library has
// set room aside for). Every one is given back: the library unloads with the host's reference.
TEST(Library, FortyDialogReferencesWaitingInOneExportAreAllGivenBack) {
  {
    testkit::HistorySession s;
    s.Open({{1, "One"}, {2, "Two"}});
    const auto about = s.lib.Bind<void(__stdcall*)(HWND)>("ShowAboutForm");
    EXPECT_EQ(s.Show(2, {s.Check([&] {
                           const UINT_PTR timer = SetTimer(nullptr, 0, 20, &CloseAboutOfThisThread);
                           for (int i = 0; i < 40; ++i) about(nullptr);
                           KillTimer(nullptr, timer);
                         }),
                         s.Key(VK_RETURN)}),
              2);
    s.lib.module.reset();
  }
  EXPECT_TRUE(UnloadedOnceTheHostTakesItsMessages());
}

// Hosts with several threads: eight of them show the About box at once, and each then takes no
// message for a while, so the dialogs' references wait together while other threads are still in
// their exports. Once the threads have let go and ended, every reference is given back and the
// library unloads (each thread gave back the runtime's record of itself when it left its own
// outermost export, so no thread's end runs code of the unloaded library); it loads and works
// again afterwards.
TEST(Library, DialogReferencesOfSeveralThreadsAreAllGivenBack) {
  constexpr int kThreads = 8;
  const platform::KernelHandle go(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  std::atomic<int> returned{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i)
    threads.emplace_back([&] {
      HMODULE m = LoadLibraryA(testkit::LibraryFileName());
      const auto show = reinterpret_cast<void(__stdcall*)(HWND)>(reinterpret_cast<void*>(GetProcAddress(m, "ShowAboutForm")));
      const UINT_PTR timer = SetTimer(nullptr, 0, 20, &CloseAboutOfThisThread);
      if (show) show(nullptr);
      KillTimer(nullptr, timer);
      ++returned;
      WaitForSingleObject(go.get(), INFINITE);  // no message taken meanwhile: the reference waits
      FreeLibrary(m);
    });
  for (const DWORD start = GetTickCount(); returned.load() < kThreads && GetTickCount() - start < 30000;) Sleep(10);
  EXPECT_EQ(returned.load(), kThreads) << "About boxes still open after 30 s";
  EXPECT_NE(GetModuleHandleA(testkit::LibraryFileName()), nullptr);
  SetEvent(go.get());
  if (returned.load() < kThreads) {
    for (auto& t : threads) t.detach();  // stuck in a dialog: the process's end takes them
    return;
  }
  for (auto& t : threads) t.join();  // a thread that ended took its windows with it
  EXPECT_TRUE(UnloadedOnceTheHostTakesItsMessages());
  testkit::HistorySession s;
  s.Open({{1, "One"}, {2, "Two"}});
  EXPECT_EQ(s.Show(2, std::vector<testkit::Driver::Step>{s.Key(VK_RETURN)}), 2);
}

void CALLBACK AnswerDialogsOfThisThread(HWND, UINT, UINT_PTR, DWORD) {
  if (HWND history = testkit::FindDialog("Slide Show History"))
    testkit::PostKey(testkit::FindChild(history, "ListBox"), VK_RETURN);
  CloseAboutOfThisThread(nullptr, 0, 0, 0);
}

// A host with several threads, each of which opens a history request, shows it and then the About
// box, all at once, twenty rounds in a row. The slot holds one request at a time: a thread whose
// calls find another thread's request open or its dialog running gets 0, as calls during a dialog
// do, and every other thread gets its chosen row. Nothing waits for ever, and the library unloads
// after each round.
TEST(Library, SeveralThreadsShowingHistoryAndAboutAtOnceTwentyRoundsInARow) {
  constexpr int kThreads = 12, kRounds = 20;
  std::atomic<int> round{0}, ready{0}, done{0};
  // A round that never ends says where it stood and ends the process: a thread stuck under the
  // loader lock would hold the process's exit too, and the run would only see its timeout.
  std::atomic<DWORD> roundStart{GetTickCount()};
  std::atomic<bool> over{false};
  std::thread watchdog([&] {
    while (!over.load()) {
      Sleep(250);
      if (over.load() || GetTickCount() - roundStart.load() < 90000) continue;
      std::fprintf(stderr, "round %d has not ended after 90 s: %d of %d threads had loaded the library, %d returned\n",
                   round.load(), ready.load(), kThreads, done.load());
      std::fflush(nullptr);
      TerminateProcess(GetCurrentProcess(), 3);
    }
  });
  for (; round < kRounds; ++round) {
    roundStart = GetTickCount();
    ready = 0;
    done = 0;
    std::atomic<int> chosen{0}, refused{0}, wrong{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
      threads.emplace_back([&] {
        testkit::Presentation presentation;
        testkit::PathmrLibrary lib;
        const auto about = lib.Bind<void(__stdcall*)(HWND)>("ShowAboutForm");
        ++ready;
        while (ready.load() < kThreads) SwitchToThread();  // as close to at once as threads get
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, &AnswerDialogsOfThisThread);
        lib.InitializeSlideHistory(presentation.AsVariant());
        lib.AddSlideHistory(1, "One");
        lib.AddSlideHistory(2, "Two");
        const std::int32_t position = lib.ShowSlideHistory(nullptr, 2);
        ++(position == 2 ? chosen : position == 0 ? refused : wrong);
        about(nullptr);
        KillTimer(nullptr, timer);
        ++done;
      });
    for (const DWORD start = GetTickCount(); done.load() < kThreads && GetTickCount() - start < 60000;) Sleep(10);
    if (done.load() < kThreads) {
      for (auto& t : threads) t.detach();  // stuck in a dialog: the process's end takes them
      over = true;
      watchdog.join();
      FAIL() << "round " << round << ": dialogs still open after 60 s";
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(wrong.load(), 0) << "round " << round << ": a position that no thread chose";
    EXPECT_GE(chosen.load(), 1) << "round " << round;
    EXPECT_TRUE(UnloadedOnceTheHostTakesItsMessages()) << "round " << round;
  }
  over = true;
  watchdog.join();
}

BOOL CALLBACK CollectWindow(HWND w, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
  return TRUE;
}

DWORD WINAPI FreeOnThisThread(void* module) { return FreeLibrary(static_cast<HMODULE>(module)) ? 0 : 1; }

// The add-in opens a request on its thread and the library is unloaded on another. That thread
// cannot destroy the request's windows; they must not be left calling into the unmapped library,
// and the host's object must not be called from the wrong thread under the loader lock.
TEST(Library, UnloadOnAnotherThreadLeavesNoWindowCallingIntoIt) {
  testkit::Presentation presentation;
  HMODULE module = OpenUnshownRequest(presentation);
  ASSERT_NE(module, nullptr);
  HWND form = FindWindowA("THistoryForm", nullptr);
  ASSERT_NE(form, nullptr);
  auto* base = reinterpret_cast<const unsigned char*>(module);
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const auto begin = reinterpret_cast<std::uintptr_t>(base);
  const auto end = begin + nt->OptionalHeader.SizeOfImage;
  std::vector<HWND> windows{form};
  EnumChildWindows(form, &CollectWindow, reinterpret_cast<LPARAM>(&windows));
  ASSERT_GE(windows.size(), 3u);

  HANDLE unloader = CreateThread(nullptr, 0, &FreeOnThisThread, module, 0, nullptr);
  ASSERT_NE(unloader, nullptr);
  // The unloading thread must not wait for this one (which pumps no messages meanwhile).
  ASSERT_EQ(WaitForSingleObject(unloader, 10000), WAIT_OBJECT_0);
  CloseHandle(unloader);
  ASSERT_EQ(GetModuleHandleA(PATHMR_DLL_NAME), nullptr);

  for (HWND w : windows) {
    if (!IsWindow(w)) continue;
    const auto proc = static_cast<std::uintptr_t>(GetWindowLongPtrA(w, GWLP_WNDPROC));
    EXPECT_FALSE(proc >= begin && proc < end) << "a window still runs the unloaded library's code";
  }
  // Messages to what is left must not reach the unloaded code.
  SendMessageA(form, WM_SIZE, 0, MAKELPARAM(300, 200));
  SendMessageA(form, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("still here"));
  DestroyWindow(form);
  EXPECT_FALSE(IsWindow(form));
  // The request's reference is let go without a call on the unloading thread.
  EXPECT_EQ(presentation.References(), 2u);
}

void OneCycle() {
  testkit::HistorySession s;
  s.Open({{1, "One"}, {2, "Two"}, {3, "Three"}});
  EXPECT_EQ(s.Show(3, [&] { testkit::PostKey(s.List(), VK_RETURN); }), 3);
  EXPECT_TRUE(testkit::ShowAboutAndClose(s.lib, VK_ESCAPE));
}

// What loading and unloading a library with the same static C++ runtime, and the thread library
// that comes with it, leaves behind per cycle, measured here, now, and printed beside Pathmr's own
// figures: Pathmr brings its own thread functions (library/RuntimeThreads.cpp) and is held to
// nothing at all (docs/tests.md says what the bare library keeps).
void PrintBareLibraryShare();

// Exact heaps (Wine 8's) back to the byte, low-fragmentation ones (Wine 10's) to 64 bytes a
// cycle beyond a group of blocks (these runs end 1.5-4.5 KB above where they began in a hundred
// cycles, and 36-46 bytes a cycle over 1,200); the rest as LeakWatch holds every count.
testkit::LeakWatch::Limits Nothing() {
  testkit::LeakWatch::Limits limits;
  limits.exactHeapSlack = 0;
  limits.lowFragmentationSlack = 8192;
  return limits;
}
void PrintBareLibraryShare() {
  HMODULE m = LoadLibraryA("RuntimeBaseline.dll");
  EXPECT_NE(m, nullptr);
  auto f = reinterpret_cast<int(__stdcall*)()>(reinterpret_cast<void*>(GetProcAddress(m, "RuntimeBaseline")));
  EXPECT_NE(f, nullptr);  // bound by its plain name, as Pathmr's exports are
  if (f) {
    EXPECT_EQ(f(), 8);
  }
  FreeLibrary(m);
  const testkit::Holdings before = testkit::CountHoldings();
  // Loaded and unloaded only: what it keeps for a thread that threw would stay in this process.
  for (int i = 0; i < 50; ++i) FreeLibrary(LoadLibraryA("RuntimeBaseline.dll"));
  const testkit::Holdings after = testkit::CountHoldings();
  std::printf("a bare library with the same runtime leaves %.1f kernel handles, %.0f heap "
              "bytes, %.1f thread-local slots and %.1f global atoms a cycle\n",
              (after.kernelHandles - before.kernelHandles) / 50.0,
              (static_cast<double>(after.HeapBytes()) - static_cast<double>(before.HeapBytes())) / 50.0,
              (before.freeTlsSlots - after.freeTlsSlots) / 50.0, (after.globalAtoms - before.globalAtoms) / 50.0);
}

// One load, a request filled but never shown, and one unload that takes the library out of the process.
void UnloadingCycle() {
  testkit::Presentation presentation;
  {
    testkit::PathmrLibrary lib;
    lib.Bind<HookFn>("InitializeProduct")();
    lib.InitializeSlideHistory(presentation.AsVariant());
    for (std::int32_t i = 1; i <= 3; ++i) lib.AddSlideHistory(i, "Never shown");
    lib.Bind<HookFn>("ShutdownProduct")();
  }
  EXPECT_EQ(GetModuleHandleA(testkit::LibraryFileName()), nullptr);
  EXPECT_EQ(presentation.References(), 1u);
}

// Sensitivity: one thread, GDI object, kernel handle, thread-local slot, global atom or window
// class in the run shows under both Wines, and so does a kilobyte of committed memory a cycle,
// 256 bytes of heap a cycle (the median over ten groups of ten), one byte on exact heaps (Wine 8)
// and, on low-fragmentation heaps (Wine 10), 64 bytes a cycle beyond a group or two of blocks.
TEST(Library, HundredLoadUseUnloadCyclesHoldNothingMore) {
  for (int i = 0; i < 10; ++i) UnloadingCycle();  // warm-up: the runtime's and Wine's own first allocations
  PrintBareLibraryShare();
  testkit::LeakWatch watch(10);
  watch.Start();
  for (int group = 0; group < 10; ++group) {
    for (int i = 0; i < 10; ++i) UnloadingCycle();
    watch.GroupDone();
    if (watch.CaughtAlready(Nothing())) break;
  }
  // Left per cycle: no more than the bare library leaves. The runtime's 19 KB reserve for
  // exceptions and its record of the calling thread are given back at unload; a form, font or
  // window class kept would be kilobytes a cycle.
  EXPECT_EQ(watch.Finish("per 100 cycles", Nothing()), "");
}

// A host's whole use of the library: loaded, a history dialog with a selection change, the About
// box, unloaded. The host frees it either at once, so that the dialogs' own reference is the last
// and the library unloads on the system pool's thread, or after its thread has taken its messages,
// so that it unloads on the host's thread.
void DialogCycle(bool pumpFirst) {
  {
    testkit::HistorySession s;
    s.Open({{1, "One"}, {2, "Two"}});
    EXPECT_EQ(s.Show(1, {s.Key(VK_DOWN), s.SelectionIs(1), s.Key(VK_RETURN)}), 2);
    EXPECT_TRUE(testkit::ShowAboutAndClose(s.lib, VK_ESCAPE));
    if (!pumpFirst) s.lib.module.reset();
  }
  EXPECT_TRUE(UnloadedOnceTheHostTakesItsMessages());
}

// Sensitivity: as the hundred cycles above, over ten groups of five; on low-fragmentation heaps
// (Wine 10) fifty cycles are too few to tell a small block a cycle from a group of blocks, so the
// heap faults are claimed by the other tests.
TEST(Library, FiftyCyclesOfDialogsHoldNothingMoreWhicheverThreadUnloads) {
  PrintBareLibraryShare();
  for (const bool pumpFirst : {false, true}) {
    const char* how = pumpFirst ? "freed after the host took its messages" : "freed at once";
    for (int i = 0; i < 5; ++i) DialogCycle(pumpFirst);
    // The pool's worker that gave back the last reference idles a few seconds before it ends
    // (Wine's: five): the count settles first; a thread that never ends still shows.
    // A worker that the system pool starts during the run keeps records of its own in the heap
    // (1,288 bytes once, Wine 8, 64-bit), whichever library it ran; and each dialog's picture
    // decodes on a thread of its own, after whose end Wine 8 now and then keeps a step of its own
    // (3.3 KB once in fifty dialogs, never a block a cycle: the median stays 0).
    testkit::LeakWatch::Limits limits = Nothing();
    limits.exactHeapSlack = 4096;
    limits.lowFragmentationSlack = 16384;  // fifty cycles: up to 10 KB of groups here
    testkit::LeakWatch watch(5);
    watch.Start();
    for (int group = 0; group < 10; ++group) {
      for (int i = 0; i < 5; ++i) DialogCycle(pumpFirst);
      watch.GroupDone();
      if (watch.CaughtAlready(limits)) break;
    }
    EXPECT_EQ(watch.Finish(how, limits), "") << how;
  }
}

// A host that ends the dialog at once, with "Go" or Escape, while its 4000 x 3000 preselected
// picture still decodes, and frees the library as soon as the call returns.
void EndedDuringTheDecodeCycle(const std::vector<std::uint8_t>& picture, bool go) {
  {
    testkit::HistorySession s;
    s.presentation.slides[1].file = &picture;
    s.Open({{1, "One"}, {2, "Two"}});
    EXPECT_EQ(s.Show(1, std::vector<testkit::Driver::Step>{s.Key(go ? VK_RETURN : VK_ESCAPE)}), go ? 1 : 0);
    s.lib.module.reset();
  }
  EXPECT_TRUE(UnloadedOnceTheHostTakesItsMessages());
}

// Sensitivity: as the hundred cycles above; a decode left running would also crash the process
// once its library is gone.
TEST(Library, EndedAtOnceDuringABigDecodeAndFreedAtOnceHoldsNothingMore) {
  testkit::SlideSetup big;
  big.width = 4000;
  big.height = 3000;
  const std::vector<std::uint8_t> picture = testkit::RenderSlideJpeg(1, big);
  for (int i = 0; i < 4; ++i) EndedDuringTheDecodeCycle(picture, i % 2 == 0);
  testkit::LeakWatch watch(4);
  watch.Start();
  for (int group = 0; group < 5; ++group) {
    for (int i = 0; i < 4; ++i) EndedDuringTheDecodeCycle(picture, i % 2 == 0);
    watch.GroupDone();
  }
  testkit::LeakWatch::Limits limits = Nothing();
  limits.exactHeapSlack = 2048;  // as in the fifty cycles: a pool worker's records
  limits.lowFragmentationSlack = 16384;
  EXPECT_EQ(watch.Finish("ended during the decode", limits), "");
}

// A history dialog whose host fails every call: the preselected row's picture raises inside the
// library, which the runtime records for the thread, and the dialog opens without it.
void FailingHostCycle() {
  {
    testkit::HistorySession s;
    s.presentation.failSlides = true;
    s.Open({{1, "One"}, {2, "Two"}});
    EXPECT_EQ(s.Show(1, std::vector<testkit::Driver::Step>{s.Key(VK_ESCAPE)}), 0);
  }
  EXPECT_TRUE(UnloadedOnceTheHostTakesItsMessages());
}

// More loads than the system has thread-local slots (1,088), so that a slot kept by each load runs
// them out; every hundredth cycle a history dialog and the About box, and one whose host fails.
TEST(Library, TwelveHundredLoadsAndUnloadsWithADialogNowAndThenHoldNothing) {
  for (int i = 0; i < 10; ++i) UnloadingCycle();
  DialogCycle(false);
  FailingHostCycle();
  PrintBareLibraryShare();
  testkit::LeakWatch watch(100);
  watch.Start();
  for (int group = 0; group < 12; ++group) {
    // A slot kept by each load would run them out before the end, and the process with them: the
    // run ends early instead, and the count of free slots tells why.
    if (testkit::FreeTlsSlots() < 200) break;
    for (int i = 0; i < 98; ++i) UnloadingCycle();
    DialogCycle(false);
    FailingHostCycle();
    watch.GroupDone();
    if (watch.CaughtAlready(Nothing())) break;
  }
  EXPECT_EQ(watch.Finish("per 1200 loads", Nothing()), "");
}

// Sensitivity: as the hundred load/unload cycles.
TEST(Library, RepeatedUseWhileLoadedHoldsNothingMore) {
  testkit::PathmrLibrary kept;  // the library stays loaded through every cycle
  for (int i = 0; i < 10; ++i) OneCycle();
  // Each dialog's picture is decoded on a thread of its own, whose small blocks Wine 10's heaps
  // take from groups of other threads' slots: a run may end a group or two more above its start
  // (15 KB here, against 10.5 KB with the decode on the dialog's thread). Under Wine 8 the
  // threads' ends now and then leave a step of Wine's own (720 bytes once in a hundred uses; a
  // block of 200 bytes a dialog, the planted fault, is 20 KB).
  testkit::LeakWatch::Limits limits = Nothing();
  limits.exactHeapSlack = 4096;
  limits.lowFragmentationSlack = 16384;
  testkit::LeakWatch watch(10);
  watch.Start();
  for (int group = 0; group < 10; ++group) {
    for (int i = 0; i < 10; ++i) OneCycle();
    watch.GroupDone();
    if (watch.CaughtAlready(limits)) break;
  }
  EXPECT_EQ(watch.Finish("per 100 uses", limits), "");
}

}  // namespace

