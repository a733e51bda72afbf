// The test programs' main: the thread that calls the library is a single-threaded COM apartment,
// as the presentation program's user-interface thread is. PATHMR_TEST_APARTMENT=none leaves COM
// uninitialised instead, for the series that proves the library relies on neither (tests.cmake).
// In a run with a planted fault, the exit status is the verdict on it (testkit/PlantedVerdict.h).
#include <gtest/gtest.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "testkit/PlantedVerdict.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const char* apartment = std::getenv("PATHMR_TEST_APARTMENT");
  const bool singleThreaded = !apartment || std::strcmp(apartment, "none") != 0;
  if (singleThreaded && FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::fprintf(stderr, "the test thread cannot enter a single-threaded apartment\n");
    return 1;
  }
  testkit::WatchForPlantedFault();
  const int result = testkit::PlantedVerdict(RUN_ALL_TESTS());
  if (singleThreaded) CoUninitialize();
  return result;
}
