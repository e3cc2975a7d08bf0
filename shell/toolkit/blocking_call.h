#pragma once
// The hand-over behind a blocking call to the window thread, shared by the toolkits: the caller
// queues job() and waits(); the job wakes it when it has run, or with "not run" when the queue
// drops it unrun (the loop ended), so no sender ever waits for work that will not happen.

#include <condition_variable>
#include <deque>
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

// Work queued for the window thread by post (sent = false) or by a blocking send (sent = true).
struct QueuedWork {
    std::function<void()> fn;
    bool sent = false; // a sender waits for it
};
using WorkQueue = std::deque<QueuedWork>;

// When a loop ends, sent work will not run: it is taken out of the queue so the caller can drop
// it outside its lock (which wakes each sender with "not run"). Posted work stays queued for the
// next loop.
inline WorkQueue takeSentWork(WorkQueue& queue) {
    WorkQueue sent, keep;
    for (auto& item : queue)
        (item.sent ? sent : keep).push_back(std::move(item));
    queue.swap(keep);
    return sent;
}

} // namespace quasar::ui
