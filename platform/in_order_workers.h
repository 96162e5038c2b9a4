#pragma once

// Plain C++ with no Qt: the encoder program uses it too.

#include <sched.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

namespace plat {

// The cores this process may run on, which a user may have narrowed.
inline int UsableCores()
{
    cpu_set_t cores;
    CPU_ZERO(&cores);
    if (sched_getaffinity(0, sizeof cores, &cores) != 0)
        return 1;
    return std::max(1, CPU_COUNT(&cores));
}

// Runs jobs on worker threads and hands their results back in the order the jobs were added. The caller
// keeps memory bounded by taking results before adding more (see Waiting).
// Destroying it drops the jobs not yet started, lets the running ones end and joins every thread.
template <typename Result> class InOrderWorkers {
public:
    using Job = std::function<Result()>;

    explicit InOrderWorkers(int threads)
    {
        try {
            for (int i = 0; i < threads; ++i)
                threads_.emplace_back([this] { work(); });
        } catch (...) {
            stopAndJoin();
            throw;
        }
    }
    ~InOrderWorkers() { stopAndJoin(); }
    InOrderWorkers(const InOrderWorkers&) = delete;
    InOrderWorkers& operator=(const InOrderWorkers&) = delete;

    void Add(Job job)
    {
        {
            const std::lock_guard lock(mutex_);
            queued_.push_back(std::move(job));
        }
        changed_.notify_all();
    }

    // The result of the oldest job not yet taken, once it is done; rethrows what the job threw.
    Result TakeNext()
    {
        std::unique_lock lock(mutex_);
        if (Waiting(lock) == 0)
            throw std::logic_error("InOrderWorkers: no job to take");
        changed_.wait(lock, [this] { return done_.contains(taken_); });
        auto node = done_.extract(taken_++);
        lock.unlock();
        if (node.mapped().error)
            std::rethrow_exception(node.mapped().error);
        return std::move(node.mapped().result);
    }

    // Jobs added and not yet taken.
    std::int64_t Waiting() const
    {
        std::unique_lock lock(mutex_);
        return Waiting(lock);
    }

private:
    struct Outcome {
        Result result{};
        std::exception_ptr error;
    };

    std::int64_t Waiting(const std::unique_lock<std::mutex>&) const
    {
        return started_ + static_cast<std::int64_t>(queued_.size()) - taken_;
    }

    void work()
    {
        for (;;) {
            std::int64_t index = 0;
            Job job;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return stop_ || !queued_.empty(); });
                if (stop_)
                    return;
                job = std::move(queued_.front());
                queued_.pop_front();
                index = started_++;
            }
            Outcome outcome;
            try {
                outcome.result = job();
            } catch (...) {
                outcome.error = std::current_exception();
            }
            {
                const std::lock_guard lock(mutex_);
                done_.emplace(index, std::move(outcome));
            }
            changed_.notify_all();
        }
    }

    void stopAndJoin()
    {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        for (std::thread& thread : threads_)
            thread.join();
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queued_;
    std::int64_t started_ = 0;
    std::int64_t taken_ = 0;
    std::map<std::int64_t, Outcome> done_;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

} // namespace plat
