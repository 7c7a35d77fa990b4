#include "resources/Resources.h"

#include <algorithm>
#include <atomic>

namespace resources {
namespace {

constexpr int MAX_EXTRA_TABLES = 4;
std::atomic<const SResourceTable*> s_extraTables[MAX_EXTRA_TABLES];

const SResourceEntry* FindIn(const SResourceTable& table, int id) noexcept {
  const SResourceEntry* end = table.entries + table.count;
  const SResourceEntry* it =
      std::lower_bound(table.entries, end, id, [](const SResourceEntry& e, int key) { return e.id < key; });
  return it != end && it->id == id ? it : nullptr;
}

}  // namespace

const SResourceEntry* FindResource(int id) noexcept {
  if (const SResourceEntry* entry = FindIn(kPluginResources, id)) return entry;
  for (const auto& slot : s_extraTables) {
    const SResourceTable* table = slot.load(std::memory_order_acquire);
    if (!table) break;
    if (const SResourceEntry* entry = FindIn(*table, id)) return entry;
  }
  return nullptr;
}

bool AddResourceTable(const SResourceTable* table) noexcept {
  if (!table) return false;
  for (auto& slot : s_extraTables) {
    const SResourceTable* expected = nullptr;
    if (slot.compare_exchange_strong(expected, table, std::memory_order_acq_rel)) return true;
    if (expected == table) return true;  // already there
  }
  return false;
}

}  // namespace resources
