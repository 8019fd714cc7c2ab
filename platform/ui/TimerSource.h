#pragma once
// Interval timers and the clock they run on come from one replaceable
// source. The default runs on Qt's event loop; tests install a manual source
// and move its time forward themselves, so nothing waits.

#include <cstdint>
#include <functional>
#include <memory>

#include "foundation/DateUtils.h"

namespace velt {

// An interval timer in the manner of the class library's: while enabled and
// with an interval above 0, OnTimer runs every Interval milliseconds on the
// user-interface thread. An exception from OnTimer goes to the exception
// reporter. A new timer is disabled, with an interval of 1000.
class TTimer {
public:
    virtual ~TTimer() = default;
    int GetInterval() const { return interval_; }
    // A new interval starts the period again; setting the value a timer
    // already has changes nothing.
    void SetInterval(int ms);
    bool GetEnabled() const { return enabled_; }
    void SetEnabled(bool on);
    // Whether it will fire: enabled with an interval above 0.
    bool Running() const { return enabled_ && interval_ > 0; }

    std::function<void()> OnTimer;

protected:
    // Applies Interval and Enabled to the clock behind the timer.
    virtual void Changed() = 0;
    // Runs OnTimer, reporting what it raises.
    void Fire();

private:
    int interval_ = 1000;
    bool enabled_ = false;
};

class TTimerSource {
public:
    virtual ~TTimerSource() = default;
    virtual std::unique_ptr<TTimer> NewTimer() = 0;
    // Milliseconds of a steady clock.
    virtual int64_t NowMs() = 0;
    // The time of day, as the fraction of a day (0 <= Now() < 1).
    virtual TDateTime Now() = 0;
};

// Installs a source (not owned) and answers the previous one; null restores
// the Qt source. Timers keep the source they were made by.
TTimerSource* SetTimerSource(TTimerSource* source);
TTimerSource& GetTimerSource();

// A running timer of the installed source.
std::unique_ptr<TTimer> NewTimer(int intervalMs, std::function<void()> onTimer);

// Time stands still until Advance moves it; timers that fall due on the way
// fire in the order of their due times (creation order on a tie), each as
// often as its period fits. Timers may outlive the source; they then never
// fire.
class TManualTimerSource : public TTimerSource {
public:
    TManualTimerSource();
    ~TManualTimerSource() override;
    std::unique_ptr<TTimer> NewTimer() override;
    int64_t NowMs() override;
    // Midnight until SetNow; Advance moves it on with the steady clock,
    // past midnight into the next day.
    TDateTime Now() override;
    // The time of day from now on (its date part is dropped).
    void SetNow(TDateTime timeOfDay);
    void Advance(int64_t ms);
    // Timers that would fire.
    int RunningTimers() const;

    struct State;

private:
    std::shared_ptr<State> state_;
};

// Installs a source for the lifetime of the guard.
class TTimerSourceGuard {
public:
    explicit TTimerSourceGuard(TTimerSource* source) : previous_(SetTimerSource(source)) {}
    ~TTimerSourceGuard() { SetTimerSource(previous_); }
    TTimerSourceGuard(const TTimerSourceGuard&) = delete;
    TTimerSourceGuard& operator=(const TTimerSourceGuard&) = delete;

private:
    TTimerSource* previous_;
};

}  // namespace velt
