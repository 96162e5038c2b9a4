#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace toolame {

// Runs numbered jobs on worker threads and hands their results to the caller in order. At most `ahead`
// results wait beyond the one the caller takes next, so memory stays bounded however many jobs there are.
// Destroying it lets the running jobs end and joins every thread.
template <typename Result> class InOrderWorkers {
public:
    using Job = std::function<Result(std::int64_t index)>;

    InOrderWorkers(std::int64_t count, int threads, std::int64_t ahead, Job job)
        : count_(count), ahead_(ahead), job_(std::move(job))
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

    // The result of the next job, once it is done; rethrows what the job threw.
    Result TakeNext()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return done_.contains(taken_); });
        auto node = done_.extract(taken_++);
        lock.unlock();
        changed_.notify_all();
        if (node.mapped().error)
            std::rethrow_exception(node.mapped().error);
        return std::move(node.mapped().result);
    }

private:
    struct Outcome {
        Result result{};
        std::exception_ptr error;
    };

    void work()
    {
        for (;;) {
            std::int64_t index = 0;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return stop_ || next_ >= count_ || next_ <= taken_ + ahead_; });
                if (stop_ || next_ >= count_)
                    return;
                index = next_++;
            }
            Outcome outcome;
            try {
                outcome.result = job_(index);
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

    const std::int64_t count_;
    const std::int64_t ahead_;
    const Job job_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::int64_t next_ = 0;
    std::int64_t taken_ = 0;
    std::map<std::int64_t, Outcome> done_;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

} // namespace toolame
