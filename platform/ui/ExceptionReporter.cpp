#include "platform/ui/ExceptionReporter.h"

#include "foundation/CommMsg.h"
#include "foundation/SysUtils.h"

namespace velt {

namespace {

TExceptionReporter& Installed() {
    static TExceptionReporter reporter;
    return reporter;
}

}  // namespace

TExceptionReporter SetExceptionReporter(TExceptionReporter reporter) {
    TExceptionReporter previous = std::move(Installed());
    Installed() = std::move(reporter);
    return previous;
}

void ReportException(const std::exception& e) noexcept {
    try {
        if (const TExceptionReporter& r = Installed())
            r(e);
        else
            Warning(e.what());
    } catch (...) {
        // Reporting must not raise where it is called: in an event handler.
    }
}

void ReportCurrentException() noexcept {
    try {
        throw;
    } catch (const std::exception& e) {
        ReportException(e);
    } catch (...) {
        ReportException(Exception("Unknown exception"));
    }
}

}  // namespace velt
