// What happens on another thread or in another process is looked for again
// until it has happened or ten seconds have passed.
#pragma once
#include <chrono>
#include <functional>
#include <thread>

namespace kit::testing {

inline bool WaitFor(const std::function<bool()>& cond) {
  for (int i = 0; i < 200; ++i) {
    if (cond()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return cond();
}

}  // namespace kit::testing
