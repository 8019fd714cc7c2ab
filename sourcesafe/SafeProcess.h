#pragma once
// Starting the source-control programs: from an argument list, never
// through a shell, with the working folder and the extra environment set
// for the child only. The client's standard input is empty, so a client
// that would ask gets no answer; while it runs the user sees a progress
// window with Cancel after a moment, and a time limit stops it for good.

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
    std::string Caption;  // of the progress window
};

struct TProcessResult {
    bool Started = false;
    bool Finished = false;  // ended by itself, without crashing
    bool TimedOut = false;
    bool Cancelled = false;
    int ExitCode = -1;
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
