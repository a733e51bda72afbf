#include "testkit/PlantedVerdict.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

namespace testkit {
namespace {

// What the leak checks (testkit/Resources.cpp) report for the count that each fault grows
// (testkit/PlantedFaults.h): the count, how it moved, and what was allowed.
struct Expected {
  const char* fault;
  const char* report;
};
const Expected kExpected[] = {
    {"heap-per-dialog", R"(heap bytes [^;]*\([0-9]+ allowed\))"},
    {"heap-per-load", R"(heap bytes [^;]*\([0-9]+ allowed\))"},
    {"thread-per-load", R"(threads [0-9]+ -> [0-9]+ \([0-9]+ allowed\))"},
    {"thread-per-initialize-product", R"(threads [0-9]+ -> [0-9]+ \([0-9]+ allowed\))"},
    {"gdi-per-ten-dialogs", R"(GDI objects [0-9]+ -> [0-9]+ \([0-9]+ allowed\))"},
    {"handle-per-dropped-request", R"(kernel handles [0-9]+ -> [0-9]+ \([0-9]+ allowed\))"},
    {"class-per-load", R"(window classes of the library [0-9]+ -> [0-9]+ \([0-9]+ allowed\))"},
    {"atom-per-load", R"(global atoms [0-9]+ -> [0-9]+ \([0-9]+ allowed\))"},
    {"tls-slot-per-load", R"(free thread-local slots [0-9]+ -> [0-9]+ \(none fewer allowed\))"},
};

class Collector : public testing::EmptyTestEventListener {
 public:
  void OnTestPartResult(const testing::TestPartResult& part) override {
    if (part.failed()) failures.push_back(part.message());
  }
  void OnTestEnd(const testing::TestInfo& info) override {
    ++ran;
    if (info.result()->Skipped()) ++skipped;
  }
  int ran = 0, skipped = 0;
  std::vector<std::string> failures;
};

Collector* g_collector = nullptr;  // owned by gtest's listener list once appended

const char* PlantedFault() {
  const char* fault = std::getenv("PATHMR_PLANTED_FAULT");
  return fault && *fault && !testing::GTEST_FLAG(list_tests) ? fault : nullptr;
}

// The first line of a failure that says something (gtest's own start with "Expected" or "Value").
std::string Gist(const std::string& message, const std::regex* report) {
  std::smatch m;
  if (report && std::regex_search(message, m, *report)) return m.str();
  const auto end = message.find('\n');
  return message.substr(0, end == std::string::npos ? message.size() : end);
}

}  // namespace

void WatchForPlantedFault() {
  if (!PlantedFault()) return;
  g_collector = new Collector;
  testing::UnitTest::GetInstance()->listeners().Append(g_collector);
}

int PlantedVerdict(int result) {
  const char* fault = PlantedFault();
  if (!fault) return result;
  const Expected* expected = nullptr;
  for (const Expected& e : kExpected)
    if (std::strcmp(e.fault, fault) == 0) expected = &e;
  std::string why;
  std::regex report;
  if (expected) report = std::regex(expected->report);
  if (!expected) {
    why = std::string("no leak report is known for the fault \"") + fault + "\" (testkit/PlantedVerdict.cpp)";
  } else if (!g_collector || g_collector->ran == 0) {
    why = "no test ran";
  } else if (g_collector->skipped > 0) {
    why = "a test was skipped";
  } else if (g_collector->failures.empty()) {
    why = "nothing failed";
  } else {
    for (const std::string& failure : g_collector->failures)
      if (!std::regex_search(failure, report)) {
        why = "another failure: " + Gist(failure, nullptr);
        break;
      }
  }
  if (why.empty()) {
    std::printf("planted fault %s: caught: %s\n", fault, Gist(g_collector->failures.front(), &report).c_str());
    return 0;
  }
  std::printf("planted fault %s: NOT CAUGHT: %s\n", fault, why.c_str());
  return 1;
}

}  // namespace testkit
