#pragma once
// Exceptions must never leave a Qt event handler, a slot or a timer: the
// handlers that run application code catch them and hand them to one
// replaceable reporter. The default shows the message as a warning through
// the message sink; a host installs its own reporting.

#include <exception>
#include <functional>

namespace velt {

using TExceptionReporter = std::function<void(const std::exception& e)>;

// Installs a reporter and answers the previous one; an empty one restores
// the default.
TExceptionReporter SetExceptionReporter(TExceptionReporter reporter);

// Hands e to the installed reporter. A reporter that throws is ignored.
void ReportException(const std::exception& e) noexcept;
// Inside a catch block: reports the exception being handled (one that is not
// a std::exception as "Unknown exception").
void ReportCurrentException() noexcept;

// Runs f; an exception it raises is reported. False when it raised.
template <class F>
bool CallReporting(F&& f) noexcept {
    try {
        f();
        return true;
    } catch (...) {
        ReportCurrentException();
        return false;
    }
}

// Installs a reporter for the lifetime of the guard.
class TExceptionReporterGuard {
public:
    explicit TExceptionReporterGuard(TExceptionReporter reporter)
        : previous_(SetExceptionReporter(std::move(reporter))) {}
    ~TExceptionReporterGuard() { SetExceptionReporter(std::move(previous_)); }
    TExceptionReporterGuard(const TExceptionReporterGuard&) = delete;
    TExceptionReporterGuard& operator=(const TExceptionReporterGuard&) = delete;

private:
    TExceptionReporter previous_;
};

}  // namespace velt
