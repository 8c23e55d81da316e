#include "image/Resources.h"

#include <map>
#include <mutex>

namespace {

struct ResourceBlock {
  const uint8_t* data;
  size_t size;
};

// Function-local statics: registrations may run from other files' static initialisers.
std::map<int, ResourceBlock>& Table() {
  static std::map<int, ResourceBlock> table;
  return table;
}

std::mutex& TableLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

void RegisterPictureResource(int id, const uint8_t* data, size_t size) {
  std::lock_guard<std::mutex> guard(TableLock());
  if (!data || size == 0)
    Table().erase(id);
  else
    Table()[id] = ResourceBlock{data, size};
}

bool FindPictureResource(int id, const uint8_t** data, size_t* size) {
  std::lock_guard<std::mutex> guard(TableLock());
  auto it = Table().find(id);
  if (it == Table().end()) return false;
  if (data) *data = it->second.data;
  if (size) *size = it->second.size;
  return true;
}
