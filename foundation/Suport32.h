#pragma once
// A mutex object and a thread that runs one method.

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "foundation/SysUtils.h"

namespace velt {

// A mutex that the owning thread may lock again (each Lock needs its
// Unlock); Unlock from a thread that does not own it is ignored.
class TMutexObject : public TObject {
public:
    std::string ClassName() const override { return "TMutexObject"; }
    // Waits without time limit.
    void Lock();
    // Returns false (and changes nothing) when the caller does not own it.
    bool Unlock();
    // Lock then Unlock: waits until no other thread holds the mutex.
    void Wait();

private:
    std::mutex m_;
    std::condition_variable free_;
    std::thread::id owner_;
    int depth_ = 0;
};

class THThread;
// The method a THThread runs; it receives the thread.
using THThreadMethod = std::function<void(THThread* sender)>;

// A thread that runs Method once. It is always created suspended and starts
// with Resume, once the object (a derived one too) is fully built: a thread
// started in the constructor could run before a derived Execute exists.
// With FreeOnTerminate the object deletes itself when the method ends; the
// creator must not touch it after Resume then. Otherwise the owner deletes
// it, which waits for the thread to end; a class that overrides Execute
// waits (WaitFor) in its own destructor, before its part is gone.
class THThread : public TObject {
public:
    THThread() = default;
    ~THThread() override;
    std::string ClassName() const override { return "THThread"; }

    void Resume();
    // Asks the method to stop; it looks at Terminated().
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }
    // Waits until the thread has ended (not for a FreeOnTerminate thread).
    void WaitFor();

    // Runs m in the main thread and waits (velt::Synchronize); an exception
    // of m is raised again in this thread.
    void Synchronize(const std::function<void()>& m);
    // Stores e in RaiseObject and raises it in the main thread through
    // Synchronize; it comes back to the calling thread as an exception.
    void Reraise(std::exception_ptr e);

    THThreadMethod Method;
    std::exception_ptr RaiseObject;
    bool FreeOnTerminate = false;

protected:
    // Calls Method with the thread when set; an escaping exception is dropped.
    virtual void Execute();

private:
    void iSynchronizeRaise();
    void Run();
    std::thread thread_;
    std::atomic<bool> terminated_{false};
    bool started_ = false;
    bool freeOnExit_ = false;
};

}  // namespace velt
