#pragma once
// Images embedded in the module, addressed by numeric id. The build draws
// them (tools/artgen) and embeds them (tools/resembed) as byte arrays.
//
// Id ranges: 200-999 the plug-in's own images; 1000 and up images that
// only tests and tools link (they register their table at start).
#include <cstddef>

namespace resources {

struct SResourceEntry {
  int id;
  const unsigned char* data;
  std::size_t size;
};

// A generated table, sorted by id.
struct SResourceTable {
  const SResourceEntry* entries;
  std::size_t count;
};

// The module's own images (generated).
extern const SResourceTable kPluginResources;

// The embedded bytes of an image, or null when no table has that id.
// Safe from any thread.
const SResourceEntry* FindResource(int id) noexcept;

// Makes the images of another table findable, for the process's life (test
// and tool images that stay out of the plug-in module). False when the
// table is null or the few extra slots are taken. Call at start-up.
bool AddResourceTable(const SResourceTable* table) noexcept;

}  // namespace resources
