// What the demo and the real-input drivers share: the sample installation they stage, the report
// they write in UTF-8, the requests they make of the script that drives the screen
// (tests/x11-session.sh), and the opening and end of a run of UpgradePatch.exe.
#pragma once

#include <stdio.h>

#include <string>

#include "tests/support/ProcessDriver.h"

// C:\Program Files\Quellor\入侵防护系统\ in code page 936: the sample install directory.
extern const char kSampleInstallDir[];

// Stages the sample installation: the service "zbk" (left registered), the install directory
// with iis\config.ini (Word1 "Quellor 1.8.5"), and a registration file. 0 when all is there.
int StageSampleInstallation();

// A report in UTF-8, one line at a time; lines are given in code page 936.
class Report
{
public:
    explicit Report(const std::string& path, bool append = false);
    ~Report();
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;
    void Line(const std::string& ansi);

private:
    FILE* m_file;
};

// Asks the script for an action (a screenshot, key presses, a click) through SYNC_DIR\N.request
// and waits until it is done (SYNC_DIR\N.done).
void Request(const std::string& syncDir, const std::string& action);
void Screenshot(const std::string& syncDir, const std::string& name);

// The program's main dialog, reported as it opens; NULL when it does not.
HWND OpenMainDialog(const DrivenProcess& process, Report& report);
// Waits for the program to end and reports the registration file. 0 when the program ended with
// status 0 and the file holds the sample installation's version and install directory.
int Finish(const DrivenProcess& process, Report& report);

// The main of a driver: "PROGRAM stage" stages the sample installation; "PROGRAM MODE SYNC_DIR"
// runs run(syncDir, report) with the report in SYNC_DIR\report.txt, which then ends with the
// verdict "result: ok" or "result: failed" (whoever started the driver may not see its exit
// status). Returns what the step returned, 64 for other arguments.
int DriverMain(int argc, char** argv, const char* pszProgram, const char* pszMode,
               int (*run)(const std::string& syncDir, Report& report));
