// The progress bar's model. A routine running on the photo starts it with the number of rows and
// counts rows as they finish (from any worker thread); the window polls it and draws the bar.
#pragma once

#include <atomic>

namespace virmeya {

class Progress {
 public:
  // Shows the bar with the given maximum and position 0.
  void start(int maximum) noexcept {
    maximum_.store(maximum > 0 ? maximum : 1, std::memory_order_relaxed);
    position_.store(0, std::memory_order_relaxed);
    visible_.store(true, std::memory_order_release);
  }
  void setPosition(int position) noexcept { position_.store(position, std::memory_order_relaxed); }
  // One more row done; safe to call from the bands of parallelRows.
  void advance(int rows = 1) noexcept { position_.fetch_add(rows, std::memory_order_relaxed); }
  // Position 0, maximum 100, hidden: how every run leaves the bar.
  void finish() noexcept {
    position_.store(0, std::memory_order_relaxed);
    maximum_.store(100, std::memory_order_relaxed);
    visible_.store(false, std::memory_order_release);
  }

  int maximum() const noexcept { return maximum_.load(std::memory_order_relaxed); }
  int position() const noexcept { return position_.load(std::memory_order_relaxed); }
  bool visible() const noexcept { return visible_.load(std::memory_order_acquire); }

 private:
  std::atomic<int> maximum_{100};
  std::atomic<int> position_{0};
  std::atomic<bool> visible_{false};
};

// Starts a run on construction (when a bar is given) and finishes it on every way out.
class ProgressRun {
 public:
  ProgressRun(Progress* progress, int maximum) noexcept : progress_(progress) {
    if (progress_) progress_->start(maximum);
  }
  ~ProgressRun() {
    if (progress_) progress_->finish();
  }
  ProgressRun(const ProgressRun&) = delete;
  ProgressRun& operator=(const ProgressRun&) = delete;
  void advance(int rows = 1) noexcept {
    if (progress_) progress_->advance(rows);
  }

 private:
  Progress* progress_;
};

}  // namespace virmeya
