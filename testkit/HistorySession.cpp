#include "testkit/HistorySession.h"

#include <gtest/gtest.h>

namespace testkit {

void HistorySession::ExpectEndedByItself(const Driver& d) {
  EXPECT_FALSE(d.TimedOut()) << "the dialog did not end by itself";
  EXPECT_TRUE(d.AllStepsRan());
}

Driver::Step HistorySession::Clicking(std::function<POINT()> where, int times) {
  return [where, times] {
    const POINT p = where();
    EXPECT_TRUE(times == 2 ? DoubleClick(p) : Click(p)) << "input refused at " << p.x << ", " << p.y;
    return true;
  };
}

Driver::Step HistorySession::Typing(std::vector<WORD> keys) {
  return [keys] {
    EXPECT_TRUE(Type(keys)) << "keys refused";
    return true;
  };
}

std::set<std::string> HistorySession::PreviewFilesInTemp() {
  char buffer[4096];
  const std::string folder(buffer, GetTempPathA(sizeof buffer, buffer));
  std::set<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "{*}.jpg").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.insert(data.cFileName);
  while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

bool ShowAboutAndClose(PathmrLibrary& lib, WORD key) {
  auto show = lib.Bind<void(__stdcall*)(HWND)>("ShowAboutForm");
  Driver d(10000);
  d.Then([key] {
    HWND box = FindDialog("About");
    if (!box) return false;
    PostKey(FindChild(box, "Button", "OK"), key);
    return true;
  });
  d.Run([&] {
    show(nullptr);
    return 0;
  });
  return !d.TimedOut() && d.AllStepsRan();
}

}  // namespace testkit
