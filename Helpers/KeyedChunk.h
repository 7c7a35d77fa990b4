#pragma once
// The keyed state format: four bytes 01 01 01 01, then entries of
// {type prefix "f_"/"l_"/"d_"/"s_", key, NUL, zero padding to a multiple of 4
// from the start of the data, big-endian value}. Floats and 32-bit integers
// take 4 value bytes, doubles 8, 16-bit integers 2 followed by 2 zero bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// The largest state accepted: far above any real one (a widener state is
// well under 2 KB), and small enough that a hostile one costs little.
constexpr std::size_t MAX_STATE_CHUNK_BYTES = std::size_t{1} << 20;

class CKeyedChunkEncoder {
 public:
  CKeyedChunkEncoder() { Clear(); }
  void Clear();
  void AddFloat(const char* key, float value);
  void AddInt(const char* key, std::int32_t value);
  void AddDouble(const char* key, double value);
  void AddShort(const char* key, std::int16_t value);
  const std::uint8_t* Data() const { return m_Data.data(); }
  std::size_t Size() const { return m_Data.size(); }

 private:
  void AddKey(char type, const char* key);
  void AddBigEndian(std::uint64_t bits, int bytes);
  std::vector<std::uint8_t> m_Data;
};

enum class EChunkDecodeStatus {
  Ok,
  NoHeader,       // fewer than 4 bytes, or not 01 01 01 01
  Truncated,      // an entry runs past the end of the data
  KeyTooLong,     // no NUL within 255 bytes of prefix and key
  UnknownType,    // a prefix letter other than d, f, l, s
  TooLarge,       // more than MAX_STATE_CHUNK_BYTES: nothing is decoded
};

class CKeyedChunkDecoder {
 public:
  // Decodes entries until the data ends or an entry is faulty; the entries
  // before a fault stay available. Never reads outside [data, data + size).
  // A key that occurs more than once keeps its first entry; each lookup
  // costs the same however many entries the data holds.
  EChunkDecodeStatus Decode(const void* data, std::size_t size);
  // A float entry under `key`; false when absent or of another type.
  bool FindFloat(const char* key, float* value) const;
  bool FindInt(const char* key, std::int32_t* value) const;
  bool FindDouble(const char* key, double* value) const;
  // Distinct keys decoded.
  std::size_t EntryCount() const { return m_Entries.size(); }

 private:
  struct Entry {
    char type;
    std::uint64_t bits;
  };
  const Entry* Find(const char* key, char type) const;
  EChunkDecodeStatus DecodeEntries(const void* data, std::size_t size);
  std::unordered_map<std::string, Entry> m_Entries;
};
