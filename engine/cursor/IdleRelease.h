// Held read snapshots must not hold checkpoints back for long: one thread of the driver lets go
// of every snapshot left idle for kIdleMs. It acts under the connection's guard (the mutex every
// entry point of the connection holds), and skips a connection that is busy.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace engine::cursor {

// Monotonic microseconds.
uint64_t NowUs();

class IdleHolder {
 public:
  // Called by the thread, under the guard, once the holder has been idle long enough.
  virtual void LetGoIdle() = 0;
  // Each use of the held snapshot (cheap: the thread reads it).
  void Touch() { lastUse_.store(NowUs(), std::memory_order_relaxed); }
  uint64_t lastUse() const { return lastUse_.load(std::memory_order_relaxed); }

 protected:
  ~IdleHolder() = default;

 private:
  std::atomic<uint64_t> lastUse_{0};
};

constexpr int kIdleMs = 200;

// The holder keeps a snapshot from now until Forget (or until the thread lets it go).
void Remember(IdleHolder* h, std::shared_ptr<std::recursive_mutex> guard);
void Forget(IdleHolder* h);

}  // namespace engine::cursor
