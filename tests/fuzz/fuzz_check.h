#pragma once

#include <cstdio>
#include <cstdlib>

// A broken promise of the code under test: stops the run so libFuzzer keeps the input.
inline void Require(bool holds, const char* promise)
{
    if (holds)
        return;
    std::fprintf(stderr, "broken: %s\n", promise);
    std::abort();
}
