#pragma once

// What a test waits for from a child process or a batch (a tool that starts, a box it shows, the end it
// comes to) may take any time on a loaded machine. Such waits share one allowance for the whole test
// instead of a fixed time each: each may take what the others left, and the test still fails within the
// time the test runner gives it, with its own message rather than the runner's kill.

// Restarts the allowance; the test program calls it as each test starts.
void RestartPatience();

// The milliseconds left of the running test's allowance, at least 1.
int PatienceLeft();
