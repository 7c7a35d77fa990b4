#include "adaptor/ResourceSwap.h"

#include <cstring>

#include "Helpers/ErrorReport.h"

namespace {

// Reads a big-endian field and stores it back in host order; the fields are
// packed, so they are moved byte-wise rather than through aligned loads.
void Swap32(std::uint8_t* p) {
  const std::uint32_t v = static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
                          static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
  std::memcpy(p, &v, sizeof v);
}

void Swap16(std::uint8_t* p) {
  const std::uint16_t v = static_cast<std::uint16_t>(p[0] << 8 | p[1]);
  std::memcpy(p, &v, sizeof v);
}

}  // namespace

void SwapResourceFromBigEndian(std::uint32_t type, void* data, std::uint32_t size) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    auto* bytes = static_cast<std::uint8_t*>(data);
    if (bytes == nullptr) return;
    if (type == RESOURCE_TYPE_THNG) {
      std::uint32_t offset = 0;
      for (int i = 0; i < 5 && offset + 4 <= size; ++i, offset += 4) Swap32(bytes + offset);
      for (int i = 0; i < 4; ++i, offset += 6) {
        if (offset + 4 <= size) Swap32(bytes + offset);
        if (offset + 6 <= size) Swap16(bytes + offset + 4);
      }
    } else if (type == RESOURCE_TYPE_GRFC) {
      if (size >= GRFC_FIELD_OFFSET + 4) Swap32(bytes + GRFC_FIELD_OFFSET);
    }
  });
}
