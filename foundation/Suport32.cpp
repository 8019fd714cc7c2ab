#include "foundation/Suport32.h"

#include "foundation/Utils.h"

namespace velt {

// ---- TMutexObject ------------------------------------------------------------

void TMutexObject::Lock() {
    std::unique_lock<std::mutex> lock(m_);
    auto self = std::this_thread::get_id();
    if (depth_ > 0 && owner_ == self) {
        ++depth_;
        return;
    }
    free_.wait(lock, [&] { return depth_ == 0; });
    owner_ = self;
    depth_ = 1;
}

bool TMutexObject::Unlock() {
    std::lock_guard<std::mutex> lock(m_);
    if (depth_ == 0 || owner_ != std::this_thread::get_id()) return false;
    if (--depth_ == 0) {
        owner_ = std::thread::id();
        free_.notify_one();
    }
    return true;
}

void TMutexObject::Wait() {
    Lock();
    Unlock();
}

// ---- THThread ----------------------------------------------------------------

THThread::~THThread() {
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id())
            thread_.detach();
        else
            thread_.join();
    }
}

void THThread::Resume() {
    if (started_) return;
    started_ = true;
    freeOnExit_ = FreeOnTerminate;
    // A self-freeing thread may be gone before std::thread returns: never
    // touch members after starting it.
    if (FreeOnTerminate) {
        std::thread([this] { Run(); }).detach();
    } else {
        thread_ = std::thread([this] { Run(); });
    }
}

void THThread::WaitFor() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void THThread::Run() {
    try {
        Execute();
    } catch (...) {
        // A thread has no one to report to; the error ends the thread.
    }
    if (freeOnExit_) delete this;
}

void THThread::Execute() {
    if (Method) Method(this);
}

void THThread::Synchronize(const std::function<void()>& m) { velt::Synchronize(m); }

void THThread::iSynchronizeRaise() {
    if (RaiseObject) std::rethrow_exception(RaiseObject);
}

void THThread::Reraise(std::exception_ptr e) {
    RaiseObject = std::move(e);
    Synchronize([this] { iSynchronizeRaise(); });
}

}  // namespace velt
