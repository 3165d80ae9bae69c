#pragma once

// The program's life: the single-instance guard, the main window and the message loop.
// Returns the process exit code, which is always 0.
int RunProgram(int& argc, char** argv);
