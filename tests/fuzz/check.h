#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

// A property that does not hold is a finding: print it and abort, so libFuzzer keeps the input.
#define FUZZ_CHECK(condition, what)                                                             \
  do {                                                                                          \
    if (!(condition)) {                                                                         \
      std::fprintf(stderr, "%s:%d: property failed: %s (%s)\n", __FILE__, __LINE__, #condition, \
                   what);                                                                       \
      std::abort();                                                                             \
    }                                                                                           \
  } while (false)
