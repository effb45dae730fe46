#include "cursor/IdleRelease.h"

#include <pthread.h>
#include <time.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <new>
#include <thread>
#include <vector>

namespace engine::cursor {

namespace {

class Releaser {
 public:
  Releaser() {
    // A child of fork has no thread and its parent's snapshots: it starts again, unlocked.
    pthread_atfork([] { TheReleaser().m_.lock(); }, [] { TheReleaser().m_.unlock(); },
                   [] {
                     // The parent's thread, and its waits, do not exist here.
                     Releaser& r = TheReleaser();
                     r.thread_.release();
                     r.held_.clear();
                     new (&r.m_) std::mutex();
                     new (&r.cv_) std::condition_variable();
                   });
  }
  ~Releaser() {
    {
      std::lock_guard<std::mutex> l(m_);
      stop_ = true;
    }
    cv_.notify_all();
    if (thread_ && thread_->joinable()) thread_->join();
  }

  void Remember(IdleHolder* h, std::shared_ptr<std::recursive_mutex> guard) {
    h->Touch();
    std::lock_guard<std::mutex> l(m_);
    held_[h] = {std::move(guard)};
    lastHeld_ = NowUs();
    if (!thread_) thread_ = std::make_unique<std::thread>([this] { Run(); });
    // While snapshots come and go the thread looks every kIdleMs / 4 by itself: waking it for
    // each one would cost a context switch per fetch.
    if (longSleep_) cv_.notify_all();
  }

  static Releaser& TheReleaser();

  void Forget(IdleHolder* h) {
    std::lock_guard<std::mutex> l(m_);
    held_.erase(h);
  }

 private:
  struct Entry {
    std::shared_ptr<std::recursive_mutex> guard;
  };

  void Run() {
    std::unique_lock<std::mutex> l(m_);
    while (!stop_) {
      // The long sleep only after a second without snapshots; Remember ends it.
      longSleep_ = held_.empty() && NowUs() - lastHeld_ > 1000000;
      cv_.wait_for(l, std::chrono::milliseconds(longSleep_ ? 1000 : kIdleMs / 4));
      longSleep_ = false;
      uint64_t now = NowUs();
      for (auto it = held_.begin(); it != held_.end();) {
        // A connection in use is left alone: its next statement or fetch decides.
        uint64_t last = it->first->lastUse();
        if (now < last || now - last < uint64_t(kIdleMs) * 1000 || !it->second.guard->try_lock()) {
          ++it;
          continue;
        }
        auto guard = it->second.guard;
        IdleHolder* h = it->first;
        it = held_.erase(it);
        h->LetGoIdle();
        guard->unlock();
      }
    }
  }

  std::mutex m_;
  std::condition_variable cv_;
  std::map<IdleHolder*, Entry> held_;
  std::unique_ptr<std::thread> thread_;
  bool stop_ = false;
  bool longSleep_ = false;
  uint64_t lastHeld_ = 0;
};

Releaser& Releaser::TheReleaser() {
  static Releaser r;
  return r;
}

Releaser& TheReleaser() { return Releaser::TheReleaser(); }

}  // namespace

uint64_t NowUs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return uint64_t(t.tv_sec) * 1000000u + uint64_t(t.tv_nsec) / 1000u;
}

void Remember(IdleHolder* h, std::shared_ptr<std::recursive_mutex> guard) {
  TheReleaser().Remember(h, std::move(guard));
}

void Forget(IdleHolder* h) { TheReleaser().Forget(h); }

}  // namespace engine::cursor
