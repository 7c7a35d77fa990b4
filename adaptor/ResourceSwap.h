#pragma once
// The module's resource file is written big-endian. The host's resource
// service hands each loaded resource to this callback, which turns the
// numeric fields of the two resource types the host reads itself into host
// order; every other type and every other byte is left alone.
#include <cstdint>

constexpr std::uint32_t RESOURCE_TYPE_THNG = 0x74686E67u;  // 'thng'
constexpr std::uint32_t RESOURCE_TYPE_GRFC = 0x67726663u;  // 'grfc'

// 'thng': five 32-bit fields (type, subtype, manufacturer, flags, flags mask),
// then four packed {32-bit type, 16-bit id} resource references.
constexpr std::uint32_t THNG_SWAPPED_SIZE = 5 * 4 + 4 * (4 + 2);
// 'grfc': the one 32-bit field at offset 32.
constexpr std::uint32_t GRFC_FIELD_OFFSET = 32;

// Fields that would reach past `size` are not touched.
void SwapResourceFromBigEndian(std::uint32_t type, void* data, std::uint32_t size);
