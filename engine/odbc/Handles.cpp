#include "odbc/Handles.h"

#include <mutex>
#include <unordered_map>

namespace engine::odbc {

namespace {
std::mutex& RegistryMutex() {
  static std::mutex m;
  return m;
}
std::unordered_map<const void*, uint32_t>& Registry() {
  static std::unordered_map<const void*, uint32_t> live;
  return live;
}
}  // namespace

Handle::Handle(uint32_t m) : magic(m) {
  std::lock_guard<std::mutex> lock(RegistryMutex());
  Registry()[this] = m;
}

Handle::~Handle() {
  std::lock_guard<std::mutex> lock(RegistryMutex());
  Registry().erase(this);
  magic = 0;
}

bool IsLiveHandle(const void* p, uint32_t magic) {
  if (!p) return false;
  std::lock_guard<std::mutex> lock(RegistryMutex());
  auto it = Registry().find(p);
  return it != Registry().end() && it->second == magic;
}

}  // namespace engine::odbc
