// Row-band executor over a few plain threads; the calling thread takes the first band itself.
#include "imaging/parallel.h"

#include <cstdlib>
#include <thread>
#include <vector>

namespace virmeya {

int workerCount() {
  static const int count = [] {
    if (const char* text = std::getenv("VIRMEYA_THREADS")) {
      int v = std::atoi(text);
      if (v > 0) return v;
    }
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  }();
  return count;
}

void parallelRows(int rows, const std::function<void(int, int)>& band, int minRows) {
  if (rows <= 0) return;
  const int bands = std::clamp(rows / std::max(1, minRows), 1, workerCount());
  if (bands == 1) {
    band(0, rows);
    return;
  }
  std::vector<std::thread> threads;
  threads.reserve(static_cast<std::size_t>(bands - 1));
  auto bandStart = [&](int i) { return static_cast<int>(static_cast<long long>(rows) * i / bands); };
  for (int i = 1; i < bands; ++i) threads.emplace_back(band, bandStart(i), bandStart(i + 1));
  band(0, bandStart(1));
  for (auto& t : threads) t.join();
}

}  // namespace virmeya
