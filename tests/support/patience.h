#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

// What a test waits for from a child process, a worker or the event loop (a tool that starts, a line it
// writes, the end a batch comes to) may take any time on a loaded machine. Such waits share one
// allowance for the whole test instead of a fixed time each: each may take what the others left, and the
// test still fails within the time the test runner gives it, with its own message rather than the
// runner's kill.

// Restarts the allowance; the test program calls it as each test starts.
void RestartPatience();

// The milliseconds left of the running test's allowance, at least 1.
int PatienceLeft();

// Whether the test's events are handled while it waits, or held back: what it waits for happens on
// another thread or in another process, and it may want to see what piles up meanwhile.
enum class Events { Handled, Held };

// Waits until reached() holds, as long as the test's patience lasts; the failure names the state waited
// for, a phrase such as "the batch's end".
::testing::AssertionResult Reaches(const std::function<bool()>& reached, const std::string& state,
                                   Events events = Events::Handled);
