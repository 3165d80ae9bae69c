#pragma once

#include <functional>

class TMainForm;

// The program's life: the single-instance guard, the main window and the message loop, and its
// end on a signal or at logout. `started` runs once the main window is shown (test programs make
// changes there). Returns the process exit code, which is always 0.
int runProgram(int& argc, char** argv, const std::function<void(TMainForm&)>& started = {});
