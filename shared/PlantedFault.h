// The points where test-only builds plant a fault (testkit/PlantedFaults.h); in the product each
// PATHMR_PLANT(point, arguments...) is nothing at all.
#pragma once
#ifdef PATHMR_PLANTED_BUILD
#include "testkit/PlantedFaults.h"
#define PATHMR_PLANT(point, ...) testkit::planted::point(__VA_ARGS__)
#else
#define PATHMR_PLANT(point, ...) static_cast<void>(0)
#endif
