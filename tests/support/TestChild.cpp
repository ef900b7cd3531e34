// Test programs run as children of themselves.
#include "tests/support/TestChild.h"

#include <map>

#include "tests/support/ProcessDriver.h"

namespace {

std::map<std::string, ChildMain>& Children()
{
    static std::map<std::string, ChildMain> children;
    return children;
}

}  // namespace

TestChild::TestChild(const char* name, ChildMain main)
{
    Children()[name] = main;
}

DWORD RunTestChild(const std::string& name, const std::string& argument, DWORD timeoutMs)
{
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(NULL, self, sizeof(self));
    DrivenProcess child(self, "--child " + name + " \"" + argument + "\"");
    DWORD exitCode = STILL_ACTIVE;
    if (child.started())
        child.WaitForExit(&exitCode, timeoutMs);
    return exitCode;
}

int RunChildIfAsked(int argc, char** argv)
{
    if (argc != 4 || std::string(argv[1]) != "--child" || Children().count(argv[2]) == 0)
        return -1;
    return Children()[argv[2]](argv[3]);
}
