#include "testkit/HistorySession.h"

#include <gtest/gtest.h>

namespace testkit {

void HistorySession::ExpectEndedByItself(const Driver& d) {
  EXPECT_FALSE(d.TimedOut()) << "the dialog did not end by itself";
  EXPECT_TRUE(d.AllStepsRan());
}

}  // namespace testkit
