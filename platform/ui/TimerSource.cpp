#include "platform/ui/TimerSource.h"

#include <QElapsedTimer>
#include <QTime>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/ui/ExceptionReporter.h"

namespace velt {

void TTimer::SetInterval(int ms) {
    if (ms == interval_) return;
    interval_ = ms;
    Changed();
}

void TTimer::SetEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    Changed();
}

void TTimer::Fire() {
    if (OnTimer) CallReporting(OnTimer);
}

// ---- Qt --------------------------------------------------------------------

namespace {

constexpr int64_t kMsPerDay = 86400000;

class TQtTimer : public TTimer {
public:
    TQtTimer() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Fire(); });
    }

protected:
    void Changed() override {
        if (Running())
            timer_.start(GetInterval());
        else
            timer_.stop();
    }

private:
    QTimer timer_;
};

class TQtTimerSource : public TTimerSource {
public:
    TQtTimerSource() { clock_.start(); }
    std::unique_ptr<TTimer> NewTimer() override { return std::make_unique<TQtTimer>(); }
    int64_t NowMs() override { return clock_.elapsed(); }
    TDateTime Now() override { return QTime::currentTime().msecsSinceStartOfDay() / double(kMsPerDay); }

private:
    QElapsedTimer clock_;
};

TTimerSource* currentSource = nullptr;

TTimerSource& QtSource() {
    static TQtTimerSource source;
    return source;
}

}  // namespace

TTimerSource* SetTimerSource(TTimerSource* source) {
    TTimerSource* previous = currentSource;
    currentSource = source;
    return previous;
}

TTimerSource& GetTimerSource() { return currentSource ? *currentSource : QtSource(); }

std::unique_ptr<TTimer> NewTimer(int intervalMs, std::function<void()> onTimer) {
    std::unique_ptr<TTimer> t = GetTimerSource().NewTimer();
    t->OnTimer = std::move(onTimer);
    t->SetInterval(intervalMs);
    t->SetEnabled(true);
    return t;
}

// ---- manual ------------------------------------------------------------------

class TManualTimer;

struct TManualTimerSource::State {
    int64_t Now = 0;
    // The time of day SetNow gave, in milliseconds, and Now at that moment.
    int64_t DayMs = 0;
    int64_t DaySetAt = 0;
    uint64_t NextSerial = 0;
    std::vector<TManualTimer*> Timers;
};

class TManualTimer : public TTimer {
public:
    explicit TManualTimer(const std::shared_ptr<TManualTimerSource::State>& state)
        : state_(state), serial_(state->NextSerial++) {
        state->Timers.push_back(this);
    }
    ~TManualTimer() override {
        if (auto s = state_.lock()) std::erase(s->Timers, this);
    }

    int64_t Due = 0;
    uint64_t Serial() const { return serial_; }
    void Run() { Fire(); }

protected:
    void Changed() override {
        if (auto s = state_.lock()) Due = s->Now + GetInterval();
    }

private:
    std::weak_ptr<TManualTimerSource::State> state_;
    uint64_t serial_;
};

TManualTimerSource::TManualTimerSource() : state_(std::make_shared<State>()) {}

TManualTimerSource::~TManualTimerSource() = default;

std::unique_ptr<TTimer> TManualTimerSource::NewTimer() { return std::make_unique<TManualTimer>(state_); }

int64_t TManualTimerSource::NowMs() { return state_->Now; }

TDateTime TManualTimerSource::Now() {
    int64_t ms = (state_->DayMs + (state_->Now - state_->DaySetAt)) % kMsPerDay;
    if (ms < 0) ms += kMsPerDay;
    return double(ms) / double(kMsPerDay);
}

void TManualTimerSource::SetNow(TDateTime timeOfDay) {
    // The fraction counts forward from midnight whatever the sign, as dates do.
    double day = std::isfinite(timeOfDay) ? std::fabs(timeOfDay - std::trunc(timeOfDay)) : 0.0;
    int64_t ms = std::llround(day * double(kMsPerDay));
    if (ms >= kMsPerDay) ms = 0;
    state_->DayMs = ms;
    state_->DaySetAt = state_->Now;
}

void TManualTimerSource::Advance(int64_t ms) {
    const int64_t until = state_->Now + std::max<int64_t>(ms, 0);
    // A handler may make, stop or free timers: look for the next one afresh
    // every time.
    for (;;) {
        TManualTimer* next = nullptr;
        for (TManualTimer* t : state_->Timers)
            if (t->Running() && t->Due <= until &&
                (!next || t->Due < next->Due || (t->Due == next->Due && t->Serial() < next->Serial())))
                next = t;
        if (!next) break;
        state_->Now = next->Due;
        next->Due += next->GetInterval();
        next->Run();
    }
    state_->Now = until;
}

int TManualTimerSource::RunningTimers() const {
    return int(std::count_if(state_->Timers.begin(), state_->Timers.end(),
                             [](const TManualTimer* t) { return t->Running(); }));
}

}  // namespace velt
