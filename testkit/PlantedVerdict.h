// The verdict of a run with a planted fault (PATHMR_PLANTED_FAULT, set by tests.cmake): the fault
// is caught only when the tests ran, none was skipped, and every failure is the leak check's report
// of the very count the fault grows. A crash, a timeout, a skip or any other failed assertion is
// not "caught", and neither is a run in which nothing failed.
#pragma once

namespace testkit {

// Before the tests run: starts collecting their failures when the run has a planted fault.
void WatchForPlantedFault();

// After them: `result` (RUN_ALL_TESTS's) in an ordinary run; in a run with a planted fault, 0 when
// it was caught and 1 when not, with a line saying which and why.
int PlantedVerdict(int result);

}  // namespace testkit
