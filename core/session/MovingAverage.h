#pragma once

#include <array>
#include <cstdint>

// The logger's smoothing filter: the truncated integer mean of the last `window` counts.
class MovingAverage {
public:
    static constexpr int kMaxWindow = 60;

    explicit MovingAverage(int window = 1) { SetWindow(window); }

    void SetWindow(int window) {
        window_ = window < 1 ? 1 : (window > kMaxWindow ? kMaxWindow : window);
        held_ = 0;
        next_ = 0;
        sum_ = 0;
    }

    int Add(int32_t x) {
        if (x == INT32_MIN)
            return 0;
        if (held_ == window_)
            sum_ -= ring_[next_];
        else
            ++held_;
        ring_[next_] = x;
        sum_ += x;
        if (++next_ == window_)
            next_ = 0;
        return static_cast<int>(sum_ / held_);
    }

    int Window() const { return window_; }
    // Entries held, at most the window.
    int Held() const { return held_; }

private:
    std::array<int32_t, kMaxWindow> ring_{};
    int window_ = 1;
    int held_ = 0;
    int next_ = 0;
    int64_t sum_ = 0;
};
