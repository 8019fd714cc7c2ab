#pragma once
// Starting the source-control programs: from an argument list, never
// through a shell, with the working folder and the extra environment set
// for the child only. The client's standard input is empty, so a client
// that would ask gets no answer; while it runs the user sees a progress
// window with Cancel after a moment, and a time limit stops it for good.
// Cancel and the time limit stop it with SIGTERM, so it can roll back what
// it was doing, and kill it only when it has not ended after a grace
// period.

#include <string>
#include <utility>
#include <vector>

namespace velt {

struct TProcessRequest {
    std::string Program;  // an absolute path
    std::vector<std::string> Arguments;
    std::string WorkingFolder;  // empty: the caller's
    std::vector<std::pair<std::string, std::string>> Environment;  // added to the caller's
    int TimeLimitMs = 5 * 60 * 1000;
    int StopGraceMs = 10 * 1000;  // between SIGTERM and SIGKILL
    std::string Caption;  // of the progress window
};

struct TProcessResult {
    bool Started = false;
    bool Finished = false;  // ended by itself, without crashing
    bool TimedOut = false;
    bool Cancelled = false;
    bool Killed = false;  // it did not end within the grace period
    int ExitCode = -1;  // when it exited by itself, also after a stop; else -1
    std::string Output;
    std::string Errors;
    std::string StartError;
};

// Runs the program to its end (or the time limit, or Cancel) and answers
// how it went; nothing raises.
TProcessResult RunChildProcess(const TProcessRequest& request);
// Starts the program and leaves it running; false when it could not start.
bool StartDetachedProcess(const TProcessRequest& request);

}  // namespace velt
