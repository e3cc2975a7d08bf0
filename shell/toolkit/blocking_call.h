#pragma once
// The hand-over behind a blocking call to the window thread, shared by the toolkits: the caller
// queues job() and waits(); the job wakes it when it has run, or with "not run" when the queue
// drops it unrun (the loop ended), so no sender ever waits for work that will not happen.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace quasar::ui {

class BlockingCall {
public:
    explicit BlockingCall(std::function<void()> fn) : done_(std::make_shared<Done>()) {
        auto job = std::make_shared<Job>();
        job->fn = std::move(fn);
        job->done = done_;
        job_ = [job] {
            job->fn();
            job->ran = true;
        };
    }

    // The work to queue; the queue must hold the only copy, so that dropping it wakes the caller.
    std::function<void()> takeJob() { return std::move(job_); }

    // Blocks until the job has run or was dropped; true when it ran.
    bool wait() {
        job_ = nullptr;
        std::unique_lock lock(done_->m);
        done_->cv.wait(lock, [&] { return done_->finished; });
        return done_->ran;
    }

private:
    struct Done {
        std::mutex m;
        std::condition_variable cv;
        bool finished = false;
        bool ran = false;
    };
    struct Job {
        std::function<void()> fn;
        std::shared_ptr<Done> done;
        bool ran = false;
        ~Job() {
            std::lock_guard lock(done->m);
            done->finished = true;
            done->ran = ran;
            done->cv.notify_all();
        }
    };
    std::shared_ptr<Done> done_;
    std::function<void()> job_;
};

} // namespace quasar::ui
