#include "platform/vss/VssStop.h"

#include <atomic>
#include <csignal>

#include "platform/vss/VssError.h"

namespace velt::vss {

namespace {

std::atomic<bool> gStop{false};
std::atomic<bool> gTaken{false};
volatile std::sig_atomic_t gSignal = 0;

static_assert(std::atomic<bool>::is_always_lock_free, "the stop flag is set from a signal handler");

void OnStopSignal(int signal) {
    gSignal = signal;
    RequestStop();
}

}  // namespace

void RequestStop() noexcept { gStop.store(true); }
bool StopRequested() noexcept { return gStop.load(); }

void CheckStop() {
    if (!StopRequested()) return;
    NoteStopTaken();
    RaiseVss(VSS_E_STOPPED, "Stopped");
}

void NoteStopTaken() noexcept { gTaken.store(true); }
bool StopTaken() noexcept { return gTaken.load(); }

void InstallStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a blocking call returns and the stop is seen
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    std::signal(SIGXFSZ, SIG_IGN);
}

int StopSignal() noexcept { return gSignal; }

void EndByStopSignal() {
    int signal = gSignal;
    if (signal == 0 || !StopTaken()) return;
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace velt::vss
