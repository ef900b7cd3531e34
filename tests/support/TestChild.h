// A test program run as a child of itself, for a step that must end the process: a crash at the
// k-th file call. "<program> --child NAME ARGS..." runs the function registered under NAME, and
// nothing else, and exits with what it returns.
#pragma once

#include <string>

#include "platform/Win32.h"

using ChildMain = int (*)(const char* pszArgument);

struct TestChild
{
    TestChild(const char* name, ChildMain main);  // registers main under name
};

// Runs this program as the child NAME with one argument and waits for it to end; its exit status,
// or STILL_ACTIVE when it did not end in time (it is then ended).
DWORD RunTestChild(const std::string& name, const std::string& argument, DWORD timeoutMs = 60000);

// For the test entry: the exit status of the child the command line names, or -1 when it names
// none.
int RunChildIfAsked(int argc, char** argv);
