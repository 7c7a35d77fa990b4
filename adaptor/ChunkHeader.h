#pragma once
// The 56-byte header in front of every chunk an instance saves, big-endian
// like the data after it:
//
//   offset  size  field
//        0     4  size          header + data bytes (data size + 56)
//        4     4  version       CHUNK_HEADER_VERSION
//        8     4  chunkId       'vstp' or 'SpAc'
//       12     4  manufacturer  'Tarn'
//       16     4  product       'KSP3'
//       20     4  flags         0 (reserved)
//       24    32  name          NUL-terminated, zero-filled
#include <cstddef>
#include <cstdint>

constexpr std::size_t CHUNK_HEADER_SIZE = 56;
constexpr std::int32_t CHUNK_HEADER_VERSION = 1;
constexpr std::uint32_t CHUNK_MANUFACTURER = 0x5461726Eu;  // 'Tarn'
constexpr std::uint32_t CHUNK_PRODUCT = 0x4B535033u;       // 'KSP3'
constexpr std::size_t CHUNK_NAME_FIELD = 32;

struct SChunkHeader {
  std::uint32_t size = 0;
  std::int32_t version = CHUNK_HEADER_VERSION;
  std::uint32_t chunkId = 0;
  std::uint32_t manufacturer = CHUNK_MANUFACTURER;
  std::uint32_t product = CHUNK_PRODUCT;
  std::uint32_t flags = 0;
  char name[CHUNK_NAME_FIELD] = {};
};

// A header for `dataSize` bytes of chunk data; names longer than 31 characters are cut.
SChunkHeader MakeChunkHeader(std::uint32_t chunkId, const char* name, std::size_t dataSize);
// Writes exactly CHUNK_HEADER_SIZE bytes.
void WriteChunkHeader(const SChunkHeader& header, void* out);
// False when fewer than CHUNK_HEADER_SIZE bytes are given.
bool ReadChunkHeader(const void* data, std::size_t size, SChunkHeader* header);
// True when the header belongs to a chunk of `chunkId` that is exactly `size` bytes long.
bool ChunkHeaderFits(const SChunkHeader& header, std::uint32_t chunkId, std::size_t size);
