// A time limit that can be moved at no cost: the system timer is set once
// and, when it fires, looks at the limit as it then stands (later: waits on;
// cleared: stops).  Requests come far more often than their limits pass, so
// moving a limit must not cost a system call each time.
#ifndef ISECTD_DEADLINE_H
#define ISECTD_DEADLINE_H

#include <asio.hpp>

#include <chrono>
#include <functional>

namespace isectd {

class Deadline {
public:
    using Clock = std::chrono::steady_clock;

    explicit Deadline(asio::io_context& io) : timer_(io) {}
    void set(Clock::time_point due, std::function<void()> onDue) {
        due_ = due;
        onDue_ = std::move(onDue);
        if (!armed_ || timer_.expiry() > due_) arm();
    }
    void clear() { due_ = Clock::time_point::max(); }

private:
    void arm() {
        armed_ = true;
        timer_.expires_at(due_);
        timer_.async_wait([this](const asio::error_code& ec) {
            if (ec) return;  // moved earlier (a new wait is set) or destroyed
            armed_ = false;
            if (due_ == Clock::time_point::max()) return;
            if (Clock::now() < due_) {
                arm();
                return;
            }
            due_ = Clock::time_point::max();
            auto fire = onDue_;
            fire();
        });
    }
    asio::steady_timer timer_;
    Clock::time_point due_ = Clock::time_point::max();
    bool armed_ = false;
    std::function<void()> onDue_;
};

}  // namespace isectd

#endif
