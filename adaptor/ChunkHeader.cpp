#include "adaptor/ChunkHeader.h"

#include <cstdio>
#include <cstring>

#include "Helpers/BigEndian.h"
#include "Helpers/ErrorReport.h"

SChunkHeader MakeChunkHeader(std::uint32_t chunkId, const char* name, std::size_t dataSize) {
  return kiv::Guard(KIV_SIGNATURE, SChunkHeader{}, [&] {
    SChunkHeader header;
    header.size = static_cast<std::uint32_t>(dataSize + CHUNK_HEADER_SIZE);
    header.chunkId = chunkId;
    std::snprintf(header.name, sizeof header.name, "%s", name ? name : "");
    return header;
  });
}

void WriteChunkHeader(const SChunkHeader& header, void* out) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    auto* p = static_cast<std::uint8_t*>(out);
    kiv::PutBig32(p + 0, header.size);
    kiv::PutBig32(p + 4, static_cast<std::uint32_t>(header.version));
    kiv::PutBig32(p + 8, header.chunkId);
    kiv::PutBig32(p + 12, header.manufacturer);
    kiv::PutBig32(p + 16, header.product);
    kiv::PutBig32(p + 20, header.flags);
    std::memset(p + 24, 0, CHUNK_NAME_FIELD);
    std::memcpy(p + 24, header.name, strnlen(header.name, CHUNK_NAME_FIELD - 1));
  });
}

bool ReadChunkHeader(const void* data, std::size_t size, SChunkHeader* header) {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    if (data == nullptr || header == nullptr || size < CHUNK_HEADER_SIZE) return false;
    const auto* p = static_cast<const std::uint8_t*>(data);
    header->size = kiv::GetBig32(p + 0);
    header->version = static_cast<std::int32_t>(kiv::GetBig32(p + 4));
    header->chunkId = kiv::GetBig32(p + 8);
    header->manufacturer = kiv::GetBig32(p + 12);
    header->product = kiv::GetBig32(p + 16);
    header->flags = kiv::GetBig32(p + 20);
    std::memcpy(header->name, p + 24, CHUNK_NAME_FIELD);
    header->name[CHUNK_NAME_FIELD - 1] = '\0';
    return true;
  });
}

bool ChunkHeaderFits(const SChunkHeader& header, std::uint32_t chunkId, std::size_t size) {
  return header.version == CHUNK_HEADER_VERSION && header.chunkId == chunkId &&
         header.manufacturer == CHUNK_MANUFACTURER && header.product == CHUNK_PRODUCT &&
         static_cast<std::size_t>(header.size) == size && size >= CHUNK_HEADER_SIZE;
}
