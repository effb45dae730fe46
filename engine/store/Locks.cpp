#include "store/Locks.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <iterator>

#include "common/Error.h"

namespace engine::store {

namespace {

constexpr int64_t kInUseByte = 1;
constexpr int64_t kSlotByte = int64_t(1) << 20;  // + slot number: held while the slot is taken
constexpr int64_t kRowBase = int64_t(1) << 62;
constexpr int kRowidBits = 41;
constexpr int64_t kWriteResource = 1;  // the database's write lock, in the shared map
constexpr int kSlots = 128;
constexpr int kBuckets = 1024;
constexpr uint32_t kMagic = 0x5a4c4b31;
// A wait whose waiter has not looked at the map for this long is over (the waiter ended or
// moved on): it is no edge of the wait-for graph.
constexpr uint64_t kStaleNs = 500'000'000;

uint64_t Now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return uint64_t(t.tv_sec) * 1'000'000'000u + uint64_t(t.tv_nsec);
}

int Bucket(int64_t resource) {
  return int((uint64_t(resource) * 0x9E3779B97F4A7C15ull) >> 54);
}

bool SetLock(int fd, short type, int64_t start, int64_t length) {
  struct flock f;
  std::memset(&f, 0, sizeof f);
  f.l_type = type;
  f.l_whence = SEEK_SET;
  f.l_start = start;
  f.l_len = length;
  return fcntl(fd, F_OFD_SETLK, &f) == 0;
}

// Consecutive bytes as (start, length) runs; bytes sorted and unique.
std::vector<std::pair<int64_t, int64_t>> Runs(const std::vector<int64_t>& bytes) {
  std::vector<std::pair<int64_t, int64_t>> runs;
  for (int64_t b : bytes) {
    if (!runs.empty() && runs.back().first + runs.back().second == b)
      ++runs.back().second;
    else
      runs.push_back({b, 1});
  }
  return runs;
}

std::vector<int64_t> Unique(std::vector<int64_t> v) {
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
  return v;
}

EngineError Timeout() { return EngineError("HYT00", 1222, "Lock request time out period exceeded."); }

}  // namespace

struct Locks::Slot {
  std::atomic<int64_t> waitFor;     // resource waited for; 0 when not waiting
  std::atomic<uint64_t> waitSince;  // when that wait began
  std::atomic<uint64_t> beat;       // when the waiter last looked
  std::atomic<uint32_t> holdsWrite;
  std::atomic<uint32_t> pad;
  std::atomic<uint16_t> held[kBuckets];  // row locks held, counted by bucket
};

struct Locks::Shared {
  std::atomic<uint32_t> magic;
  std::atomic<uint32_t> used;  // slots ever taken: the ones worth reading
  std::atomic<uint64_t> commits;
  Slot slots[kSlots];
};

int64_t Locks::RowByte(const std::string& table, int64_t rowid) {
  // Table names are case-insensitive.
  uint64_t h = 1469598103934665603ull;
  for (char c : table) {
    h ^= uint8_t(c >= 'A' && c <= 'Z' ? c + 32 : c);
    h *= 1099511628211ull;
  }
  return kRowBase + int64_t((h & 0xfffff) << kRowidBits) +
         (rowid & ((int64_t(1) << kRowidBits) - 1));
}

std::shared_ptr<Locks> Locks::Open(const std::string& databasePath) {
  std::string path = databasePath + ".locks";
  for (int attempt = 0; attempt < 3; ++attempt) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
      throw EngineError("HY000", errno, "Cannot open the lock file '" + path + "': " +
                                            std::strerror(errno) + ".");
    if (!SetLock(fd, F_RDLCK, kInUseByte, 1)) {  // a drop holds it
      ::close(fd);
      return nullptr;
    }
    // A drop may have removed the file between the open and the lock: use the current one.
    struct stat a, b;
    if (fstat(fd, &a) == 0 && ::stat(path.c_str(), &b) == 0 && a.st_ino == b.st_ino &&
        a.st_dev == b.st_dev) {
      std::shared_ptr<Locks> l(new Locks());
      l->fd_ = fd;
      return l;
    }
    ::close(fd);
  }
  return nullptr;
}

bool Locks::TakeForDrop(const std::string& databasePath, int& fd) {
  fd = ::open((databasePath + ".locks").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return true;  // no lock file can be made: nobody can be using it through one
  if (SetLock(fd, F_WRLCK, kInUseByte, 1)) return true;
  ::close(fd);
  fd = -1;
  return false;
}

Locks::~Locks() {
  if (shared_ && slot_ >= 0) {
    Slot& s = shared_->slots[slot_];
    s.waitFor.store(0);
    s.holdsWrite.store(0);
    for (auto& h : s.held) h.store(0, std::memory_order_relaxed);
  }
  if (shared_) munmap(shared_, sizeof(Shared));
  if (fd_ >= 0) ::close(fd_);  // every lock of this connection goes with it
}

bool Locks::LockRange(int64_t start, int64_t length) {
  return SetLock(fd_, F_WRLCK, start, length);
}

void Locks::UnlockRange(int64_t start, int64_t length) { SetLock(fd_, F_UNLCK, start, length); }

bool Locks::Map(bool create) {
  if (shared_) return true;
  struct stat st;
  if (fstat(fd_, &st) != 0) return false;
  if (st.st_size < off_t(sizeof(Shared)) &&
      (!create || ftruncate(fd_, off_t(sizeof(Shared))) != 0))
    return false;
  void* p = mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
  if (p == MAP_FAILED) return false;
  shared_ = static_cast<Shared*>(p);
  uint32_t zero = 0;
  shared_->magic.compare_exchange_strong(zero, kMagic);
  return true;
}

bool Locks::Register() {
  if (slot_ >= 0) return true;
  if (!Map(true)) return false;
  for (int i = 0; i < kSlots; ++i) {
    if (!SetLock(fd_, F_WRLCK, kSlotByte + i, 1)) continue;
    Slot& s = shared_->slots[i];
    s.waitFor.store(0);
    s.holdsWrite.store(holdsWrite_ ? 1 : 0);
    for (auto& h : s.held) h.store(0, std::memory_order_relaxed);
    for (const auto& [byte, n] : refs_) s.held[Bucket(byte)].fetch_add(1);
    uint32_t used = shared_->used.load();
    while (used < uint32_t(i + 1) && !shared_->used.compare_exchange_weak(used, uint32_t(i + 1))) {
    }
    slot_ = i;
    return true;
  }
  return false;
}

bool Locks::RowLocksInUse() {
  // The map exists once somebody registered; until then nobody has locked a row.
  return Map(false) && shared_->used.load() > 0;
}

uint64_t Locks::Commits() {
  static std::atomic<uint64_t> unknown{1ull << 63};  // without the map: never the same twice
  return Map(true) ? shared_->commits.load() : unknown.fetch_add(1);
}

void Locks::Committed() {
  if (Map(false)) shared_->commits.fetch_add(1);
}

void Locks::Held(int64_t byte, int delta) {
  if (slot_ < 0) return;
  shared_->slots[slot_].held[Bucket(byte)].fetch_add(uint16_t(delta));
}

void Locks::SetHoldsWrite(bool holds) {
  holdsWrite_ = holds;
  if (slot_ < 0 && holds && inTransaction_) Register();
  if (slot_ >= 0) shared_->slots[slot_].holdsWrite.store(holds ? 1 : 0);
}

bool Locks::OthersHoldWrite() {
  if (!Map(false)) return false;  // nobody ever registered, so nobody holds it in a transaction
  int used = int(std::min<uint32_t>(shared_->used.load(), kSlots));
  for (int i = 0; i < used; ++i)
    if (i != slot_ && shared_->slots[i].holdsWrite.load() != 0) return true;
  return false;
}

void Locks::SetTransaction(bool open) {
  if (open) {
    inTransaction_ = true;
    return;
  }
  inTransaction_ = false;
  SetHoldsWrite(false);
  if (!transaction_.empty()) Committed();  // (or rolled back: readers only read again)
  std::vector<int64_t> held(transaction_.begin(), transaction_.end());
  transaction_.clear();
  Release(held);
}

void Locks::ReleaseAll() {
  for (const auto& [byte, n] : refs_) Held(byte, -1);
  refs_.clear();
  transaction_.clear();
  UnlockRange(kRowBase, 0);  // every row byte, in one call
}

void Locks::UnlockMerged(const std::vector<int64_t>& gone) {
  for (size_t i = 0; i < gone.size(); ++i) {
    int64_t start = gone[i];
    while (i + 1 < gone.size()) {
      auto held = refs_.upper_bound(gone[i]);
      if (held != refs_.end() && held->first < gone[i + 1]) break;
      ++i;
    }
    UnlockRange(start, gone[i] - start + 1);
  }
}

void Locks::Exchange(const std::vector<int64_t>& previous, const std::vector<int64_t>& next) {
  std::vector<int64_t> before = Unique(previous), after = Unique(next), drop, add, both;
  std::set_difference(before.begin(), before.end(), after.begin(), after.end(),
                      std::back_inserter(drop));
  std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                      std::back_inserter(add));
  std::set_intersection(before.begin(), before.end(), after.begin(), after.end(),
                        std::back_inserter(both));
  Release(drop);
  try {
    Acquire(add);
  } catch (...) {
    Release(both);  // the caller holds none of them now
    throw;
  }
  if (inTransaction_)
    for (int64_t b : both)
      if (refs_.count(b) && transaction_.insert(b).second) ++refs_[b];
}

bool Locks::TryAcquire(const std::vector<int64_t>& wanted, int64_t* blocked) {
  std::vector<int64_t> bytes = Unique(wanted), fresh;
  for (int64_t b : bytes)
    if (!refs_.count(b)) fresh.push_back(b);
  if (!fresh.empty() && slot_ < 0) Register();
  std::vector<std::pair<int64_t, int64_t>> taken;
  for (const auto& run : Runs(fresh)) {
    if (LockRange(run.first, run.second)) {
      taken.push_back(run);
      continue;
    }
    for (const auto& r : taken) UnlockRange(r.first, r.second);
    if (blocked) {
      *blocked = run.first;
      for (int64_t b = run.first; b < run.first + run.second; ++b) {
        if (!LockRange(b, 1)) {
          *blocked = b;
          break;
        }
        UnlockRange(b, 1);
      }
    }
    return false;
  }
  for (int64_t b : bytes) {
    if (refs_[b]++ == 0) Held(b, 1);
    if (inTransaction_ && transaction_.insert(b).second) ++refs_[b];
  }
  return true;
}

void Locks::Acquire(const std::vector<int64_t>& wanted) {
  std::vector<int64_t> bytes = Unique(wanted), fresh;
  for (int64_t b : bytes)
    if (!refs_.count(b)) fresh.push_back(b);
  if (!fresh.empty() && slot_ < 0) Register();  // others must see what this connection holds
  std::vector<std::pair<int64_t, int64_t>> taken;
  try {
    for (const auto& run : Runs(fresh)) {
      // One call for the whole run when nobody holds any of it.
      if (LockRange(run.first, run.second)) {
        taken.push_back(run);
        continue;
      }
      for (int64_t b = run.first; b < run.first + run.second; ++b) {
        if (!LockRange(b, 1)) WaitFor(b);
        taken.push_back({b, 1});
      }
    }
  } catch (...) {
    for (const auto& r : taken) UnlockRange(r.first, r.second);
    throw;
  }
  for (int64_t b : bytes) {
    if (refs_[b]++ == 0) Held(b, 1);
    if (inTransaction_ && transaction_.insert(b).second) ++refs_[b];
  }
}

void Locks::Release(const std::vector<int64_t>& wanted) {
  std::vector<int64_t> gone;
  for (int64_t b : Unique(wanted)) {
    auto it = refs_.find(b);
    if (it == refs_.end() || --it->second > 0) continue;
    refs_.erase(it);
    Held(b, -1);
    gone.push_back(b);
  }
  UnlockMerged(gone);
}

void Locks::BeginWait(int64_t resource) {
  waitStart_ = Now();
  if (slot_ < 0 && !Register()) return;
  Slot& s = shared_->slots[slot_];
  s.waitSince.store(waitStart_);
  s.beat.store(waitStart_);
  s.waitFor.store(resource);
}

void Locks::EndWait() {
  if (slot_ >= 0) shared_->slots[slot_].waitFor.store(0);
}

void Locks::WriteWaitEnded() {
  if (slot_ >= 0 && shared_->slots[slot_].waitFor.load() == kWriteResource) EndWait();
}

// Follows the waits from this connection: waiter -> holders of what it waits for -> what they
// wait for... A path back here is a deadlock; of its members, the one that began waiting last
// is the victim, so that every member, looking at the same map, picks the same one.
bool Locks::Victim() {
  if (slot_ < 0) return false;
  uint64_t now = Now();
  Slot* slots = shared_->slots;
  slots[slot_].beat.store(now);
  int used = int(std::min<uint32_t>(shared_->used.load(), kSlots));
  auto waiting = [&](int i) -> int64_t {
    int64_t r = slots[i].waitFor.load();
    if (r == 0 || i == slot_) return r;
    return now - std::min(now, slots[i].beat.load()) < kStaleNs ? r : 0;
  };
  auto holds = [&](int i, int64_t r) -> bool {
    if (i == slot_) return r == kWriteResource ? holdsWrite_ : refs_.count(r) != 0;
    return r == kWriteResource ? slots[i].holdsWrite.load() != 0
                               : slots[i].held[Bucket(r)].load() != 0;
  };
  std::vector<int> parent(size_t(used), -2), queue{slot_};
  parent[size_t(slot_)] = -1;
  for (size_t q = 0; q < queue.size(); ++q) {
    int w = queue[q];
    int64_t r = waiting(w);
    if (r == 0) continue;
    for (int t = 0; t < used; ++t) {
      if (t == w || !holds(t, r)) continue;
      if (t == slot_) {
        // A cycle: w ... back to here. The latest waiter is the victim.
        int victim = slot_;
        uint64_t latest = slots[slot_].waitSince.load();
        for (int m = w; m >= 0 && m != slot_; m = parent[size_t(m)]) {
          uint64_t since = slots[m].waitSince.load();
          if (since > latest || (since == latest && m > victim)) {
            latest = since;
            victim = m;
          }
        }
        if (victim == slot_) return true;
        continue;
      }
      if (parent[size_t(t)] != -2) continue;
      parent[size_t(t)] = w;
      queue.push_back(t);
    }
  }
  return false;
}

void Locks::WaitFor(int64_t byte) {
  BeginWait(byte);
  uint64_t start = waitStart_;
  uint64_t delayUs = 20;
  for (;;) {
    if (LockRange(byte, 1)) break;
    if (Victim()) {
      EndWait();
      if (onVictim_) onVictim_();
      throw DeadlockVictim();
    }
    uint64_t elapsedUs = (Now() - start) / 1000;
    if (timeoutMs_ >= 0 && elapsedUs >= uint64_t(timeoutMs_) * 1000) {
      EndWait();
      throw Timeout();
    }
    uint64_t left = timeoutMs_ < 0 ? delayUs : uint64_t(timeoutMs_) * 1000 - elapsedUs;
    usleep(useconds_t(std::min(delayUs, left)));
    delayUs = std::min<uint64_t>(delayUs * 2, 2000);
  }
  EndWait();
}

bool Locks::WriteWaitMayGoOn(bool first) {
  // A connection that holds nothing of this map cannot close a cycle.
  if (slot_ < 0) return true;
  if (first) BeginWait(kWriteResource);
  if (!Victim()) return true;
  EndWait();
  return false;
}

EngineError DeadlockVictim() {
  return EngineError("40001", 1205,
                     "Transaction (Process ID " + std::to_string(getpid()) +
                         ") was deadlocked on lock resources with another process and has been "
                         "chosen as the deadlock victim. Rerun the transaction.");
}

}  // namespace engine::store
