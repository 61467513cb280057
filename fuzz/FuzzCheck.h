#pragma once

#include <cstdio>
#include <cstdlib>

// A property a fuzz target checks: when it does not hold, the target stops
// with a message, and libFuzzer keeps the input that broke it.
#define FUZZ_CHECK(condition)                                                                     \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);   \
            std::abort();                                                                         \
        }                                                                                         \
    } while (false)
