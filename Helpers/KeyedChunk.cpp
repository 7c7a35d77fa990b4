#include "Helpers/KeyedChunk.h"

#include <bit>
#include <cstring>

#include "Helpers/ErrorReport.h"

void CKeyedChunkEncoder::Clear() {
  kiv::Guard(KIV_SIGNATURE, [&] { m_Data.assign({1, 1, 1, 1}); });
}

void CKeyedChunkEncoder::AddKey(char type, const char* key) {
  m_Data.push_back(static_cast<std::uint8_t>(type));
  m_Data.push_back('_');
  for (const char* p = key; *p; ++p) m_Data.push_back(static_cast<std::uint8_t>(*p));
  m_Data.push_back(0);
  while (m_Data.size() % 4 != 0) m_Data.push_back(0);
}

void CKeyedChunkEncoder::AddBigEndian(std::uint64_t bits, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) m_Data.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

void CKeyedChunkEncoder::AddFloat(const char* key, float value) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    AddKey('f', key);
    AddBigEndian(std::bit_cast<std::uint32_t>(value), 4);
  });
}

void CKeyedChunkEncoder::AddInt(const char* key, std::int32_t value) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    AddKey('l', key);
    AddBigEndian(static_cast<std::uint32_t>(value), 4);
  });
}

void CKeyedChunkEncoder::AddDouble(const char* key, double value) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    AddKey('d', key);
    AddBigEndian(std::bit_cast<std::uint64_t>(value), 8);
  });
}

void CKeyedChunkEncoder::AddShort(const char* key, std::int16_t value) {
  kiv::Guard(KIV_SIGNATURE, [&] {
    AddKey('s', key);
    AddBigEndian(static_cast<std::uint16_t>(value), 2);
    AddBigEndian(0, 2);
  });
}

EChunkDecodeStatus CKeyedChunkDecoder::Decode(const void* data, std::size_t size) {
  return kiv::Guard(KIV_SIGNATURE, EChunkDecodeStatus::Truncated, [&] { return DecodeEntries(data, size); });
}

EChunkDecodeStatus CKeyedChunkDecoder::DecodeEntries(const void* data, std::size_t size) {
  m_Entries.clear();
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  if (bytes == nullptr || size < 4) return EChunkDecodeStatus::NoHeader;
  if (bytes[0] != 1 || bytes[1] != 1 || bytes[2] != 1 || bytes[3] != 1) return EChunkDecodeStatus::NoHeader;
  if (size > MAX_STATE_CHUNK_BYTES) return EChunkDecodeStatus::TooLarge;

  constexpr std::size_t kMaxKeyBytes = 255;  // prefix, key and NUL together
  std::size_t pos = 4;
  while (pos < size) {
    const std::size_t start = pos;
    const std::size_t limit = (size - start < kMaxKeyBytes) ? size : start + kMaxKeyBytes;
    const void* nul = std::memchr(bytes + start, 0, limit - start);
    if (nul == nullptr) return limit == size ? EChunkDecodeStatus::Truncated : EChunkDecodeStatus::KeyTooLong;
    const std::size_t nulPos = static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - bytes);
    if (nulPos - start < 2) return EChunkDecodeStatus::Truncated;  // no room for the prefix

    const char type = static_cast<char>(bytes[start]);
    int valueBytes = 0;
    switch (type) {
      case 'f':
      case 'l':
      case 's': valueBytes = 4; break;
      case 'd': valueBytes = 8; break;
      default: return EChunkDecodeStatus::UnknownType;
    }
    pos = (nulPos + 1 + 3) & ~std::size_t{3};
    if (pos > size || size - pos < static_cast<std::size_t>(valueBytes)) return EChunkDecodeStatus::Truncated;

    std::uint64_t bits = 0;
    const int significant = type == 's' ? 2 : valueBytes;
    for (int i = 0; i < significant; ++i) bits = (bits << 8) | bytes[pos + static_cast<std::size_t>(i)];
    pos += static_cast<std::size_t>(valueBytes);

    m_Entries.try_emplace(std::string(reinterpret_cast<const char*>(bytes + start + 2), nulPos - start - 2),
                          Entry{type, bits});
  }
  return EChunkDecodeStatus::Ok;
}

const CKeyedChunkDecoder::Entry* CKeyedChunkDecoder::Find(const char* key, char type) const {
  const auto found = m_Entries.find(key);
  return found != m_Entries.end() && found->second.type == type ? &found->second : nullptr;
}

bool CKeyedChunkDecoder::FindFloat(const char* key, float* value) const {
  const Entry* e = Find(key, 'f');
  if (e && value) *value = std::bit_cast<float>(static_cast<std::uint32_t>(e->bits));
  return e != nullptr;
}

bool CKeyedChunkDecoder::FindInt(const char* key, std::int32_t* value) const {
  const Entry* e = Find(key, 'l');
  if (e && value) *value = static_cast<std::int32_t>(static_cast<std::uint32_t>(e->bits));
  return e != nullptr;
}

bool CKeyedChunkDecoder::FindDouble(const char* key, double* value) const {
  const Entry* e = Find(key, 'd');
  if (e && value) *value = std::bit_cast<double>(e->bits);
  return e != nullptr;
}
