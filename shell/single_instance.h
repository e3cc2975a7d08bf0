#pragma once
// One running copy per user. The first copy holds an exclusive lock on a file in the user's
// runtime folder for its whole life and listens on a Unix stream socket beside it; a later copy
// finds the lock taken, connects to the socket to wake the first one, and ends.
//
// Folder: $XDG_RUNTIME_DIR, else /tmp/quasar-<uid> (created 0700, refused when another user owns
// it). The lock is released by the kernel when the process ends, so a crashed copy never blocks
// the next start; a socket file it left behind is replaced by the next first copy.

#include <functional>
#include <string>
#include <thread>

namespace quasar {

class SingleInstance {
public:
    enum class Role {
        First,  // this process holds the lock
        Second, // another copy holds it
        Failed, // the lock could not be tried (no usable folder): run as if first
    };

    // name: the file names "<name>.lock" and "<name>.sock" in the runtime folder.
    explicit SingleInstance(std::string name);
    ~SingleInstance(); // stops listening, removes the socket file, releases the lock (in that order)
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    Role acquire();

    // Second copy: tells the first one to come to the front. Retries for up to timeoutMs while
    // the first copy is still setting up its socket. True when the message was delivered.
    bool wakeFirst(int timeoutMs = 2000);

    // First copy: accepts wake-ups on a thread of its own and calls onWake there for each one
    // (the caller hands the work to its window thread). False when the socket cannot be made.
    bool listen(std::function<void()> onWake);
    void stopListening();

    static std::string runtimeFolder(); // ends in "/"; empty when no usable folder exists
    std::string lockPath() const { return folder_ + name_ + ".lock"; }
    std::string socketPath() const { return folder_ + name_ + ".sock"; }

private:
    void acceptLoop();

    std::string name_;
    std::string folder_;
    int lockFd_ = -1;
    int listenFd_ = -1;
    int stopFd_ = -1; // eventfd that ends the accept loop
    std::function<void()> onWake_;
    std::thread thread_;
};

} // namespace quasar
