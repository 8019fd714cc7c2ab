#pragma once
// Stopping an operation from outside: the programs' SIGTERM and SIGINT
// handlers ask for a stop, and the operation under way rolls back at its
// next file or database step, leaving every item and local copy as it was.
// What has committed is finished (its local copies renamed and their modes
// set) before the program ends.

namespace velt::vss {

// Safe in a signal handler.
void RequestStop() noexcept;
bool StopRequested() noexcept;
// Raises EOleException (VSS_E_STOPPED) when a stop was asked for.
void CheckStop();
// The stop cut work short: an operation rolled back, or items were left
// undone. CheckStop notes it when it raises.
void NoteStopTaken() noexcept;
bool StopTaken() noexcept;

// For ss and vss-admin: SIGTERM and SIGINT ask for a stop (and interrupt a
// blocking call); SIGXFSZ is ignored, so a file-size limit fails the write
// ("File too large") instead of killing the program half-way.
void InstallStopSignals();
// The signal that asked for the stop, or 0.
int StopSignal() noexcept;
// Ends the process by the stop signal, as its default action would have,
// so the parent sees how it ended. Does nothing when no signal came, or
// when it came after the work was done (nothing was cut short): then the
// program ends as it would have without it.
void EndByStopSignal();

}  // namespace velt::vss
