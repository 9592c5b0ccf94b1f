#pragma once

// A failed check prints what broke and aborts, which libFuzzer records as a crash together
// with the input that caused it.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, what)                                                                      \
  do {                                                                                                   \
    if (!(condition)) {                                                                                  \
      std::fprintf(stderr, "check failed at %s:%d: %s\n  (%s)\n", __FILE__, __LINE__, what, #condition); \
      std::abort();                                                                                      \
    }                                                                                                    \
  } while (false)
