// Held read snapshots must not hold checkpoints back for long: one thread of the driver lets go
// of every snapshot left idle for kIdleMs. It acts under the connection's guard (the mutex every
// entry point of the connection holds), and skips a connection that is busy.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>

namespace engine::cursor {

class IdleHolder {
 public:
  // Called by the thread, under the guard, once the holder has been idle long enough.
  virtual void LetGoIdle() = 0;

 protected:
  ~IdleHolder() = default;
};

constexpr int kIdleMs = 200;

// The holder keeps a snapshot from now until Forget (or until the thread lets it go).
void Remember(IdleHolder* h, std::shared_ptr<std::recursive_mutex> guard);
void Forget(IdleHolder* h);
// Monotonic microseconds.
uint64_t NowUs();

}  // namespace engine::cursor
