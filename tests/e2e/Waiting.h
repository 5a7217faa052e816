// Tests of a protection the program does not have yet skip with what they wait for, unless
// SW_E2E_RUN_WAITING=1 asks to run them anyway and see them fail. A fixture that uses the
// macros has a Waiting(feature) and an UnderChurn() of its own.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace sw::e2e {

inline bool WaitingFor(const char*) {
  const char* run = std::getenv("SW_E2E_RUN_WAITING");
  return !(run && std::string(run) == "1");
}

// The churn twin alone waits for a protection the program does not have yet.
#define SW_E2E_CHURN_WAITS_FOR(feature)     \
  do {                                      \
    if (UnderChurn()) SW_E2E_WAITS_FOR(feature); \
  } while (0)

#define SW_E2E_WAITS_FOR(feature)                                   \
  do {                                                              \
    if (Waiting(feature)) GTEST_SKIP() << "waits for " << (feature); \
  } while (0)

}  // namespace sw::e2e
