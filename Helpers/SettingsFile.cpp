#include "Helpers/SettingsFile.h"

#include <cstdio>

#include "Helpers/ErrorReport.h"
#include "platform/Files.h"

namespace CPersistentStorage {
namespace {

constexpr const char* kHeader =
    "# Tarnwell Audio settings, one value per line: Name = dword:0000000a | string:\"text\" | "
    "hex:01,02";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool NamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

bool ConsumePrefix(std::string_view& s, std::string_view prefix) {
  if (s.size() < prefix.size() || !NamesEqual(s.substr(0, prefix.size()), prefix)) return false;
  s.remove_prefix(prefix.size());
  return true;
}

// Reads a quoted text at the start of s (which must begin with '"') and
// leaves s after the closing quote. Raw control characters do not belong in
// a hand-written value and mark the line as damaged.
std::optional<std::string> ParseQuoted(std::string_view& s) {
  std::string out;
  std::size_t i = 1;
  for (; i < s.size() && s[i] != '"'; ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 && c != '\t') return std::nullopt;
    if (c == 0x7f) return std::nullopt;
    if (c != '\\') {
      out.push_back(static_cast<char>(c));
      continue;
    }
    if (++i >= s.size()) return std::nullopt;
    switch (s[i]) {
      case '\\': out.push_back('\\'); break;
      case '"': out.push_back('"'); break;
      case 'n': out.push_back('\n'); break;
      case 'r': out.push_back('\r'); break;
      case 't': out.push_back('\t'); break;
      case 'x': {
        if (i + 2 >= s.size()) return std::nullopt;
        const int high = HexDigit(s[i + 1]);
        const int low = HexDigit(s[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        break;
      }
      default: return std::nullopt;
    }
  }
  if (i >= s.size()) return std::nullopt;
  s.remove_prefix(i + 1);
  return out;
}

void AppendQuoted(std::string& out, std::string_view text) {
  static const char* const kHex = "0123456789abcdef";
  out.push_back('"');
  for (const char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7f) {
          out += "\\x";
          out.push_back(kHex[c >> 4]);
          out.push_back(kHex[c & 15]);
        } else {
          out.push_back(ch);
        }
    }
  }
  out.push_back('"');
}

bool NameNeedsQuotes(std::string_view name) {
  if (name.empty() || IsBlank(name.front()) || IsBlank(name.back())) return true;
  for (const char ch : name) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7f || ch == '=' || ch == '"' || ch == '\\' || ch == '#' || ch == ';')
      return true;
  }
  return false;
}

std::optional<SSettingValue> ParseDword(std::string_view s) {
  s = Trim(s);
  if (s.empty() || s.size() > 8) return std::nullopt;
  std::uint32_t v = 0;
  for (const char c : s) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    v = (v << 4) | static_cast<std::uint32_t>(d);
  }
  SSettingValue value{ESettingType::Dword, {}};
  for (int b = 0; b < 4; ++b) value.bytes.push_back(static_cast<std::uint8_t>(v >> (8 * b)));
  return value;
}

std::optional<SSettingValue> ParseString(std::string_view s) {
  s = Trim(s);
  if (s.empty() || s.front() != '"') return std::nullopt;
  auto text = ParseQuoted(s);
  if (!text || !Trim(s).empty()) return std::nullopt;
  SSettingValue value{ESettingType::String, {text->begin(), text->end()}};
  value.bytes.push_back(0);
  return value;
}

std::optional<SSettingValue> ParseHex(std::string_view s) {
  SSettingValue value{ESettingType::Binary, {}};
  s = Trim(s);
  while (!s.empty()) {
    const std::size_t comma = s.find(',');
    const std::string_view item = Trim(s.substr(0, comma));
    if (item.empty() || item.size() > 2) return std::nullopt;
    int byte = 0;
    for (const char c : item) {
      const int d = HexDigit(c);
      if (d < 0) return std::nullopt;
      byte = byte * 16 + d;
    }
    value.bytes.push_back(static_cast<std::uint8_t>(byte));
    if (comma == std::string_view::npos) break;
    s = Trim(s.substr(comma + 1));  // a trailing comma is tolerated
  }
  return value;
}

}  // namespace

CSettingsFile::SLine CSettingsFile::ParseLine(std::string line) {
  SLine result;
  std::string_view s = line;
  if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
  s = Trim(s);
  if (s.empty() || s.front() == '#' || s.front() == ';' || s.find('\0') != std::string_view::npos) {
    result.text = std::move(line);
    return result;
  }
  std::string name;
  bool valid = true;
  if (s.front() == '"') {
    auto quoted = ParseQuoted(s);
    valid = quoted.has_value();
    if (valid) name = std::move(*quoted);
    s = Trim(s);
  } else {
    const std::size_t eq = s.find('=');
    const std::string_view bare = Trim(s.substr(0, eq));
    valid = eq != std::string_view::npos && !bare.empty() && bare.find('"') == std::string_view::npos;
    if (valid) {
      name.assign(bare);
      s.remove_prefix(eq);
    }
  }
  if (valid && !s.empty() && s.front() == '=') {
    s = Trim(s.substr(1));
    if (ConsumePrefix(s, "dword:")) result.value = ParseDword(s);
    else if (ConsumePrefix(s, "string:")) result.value = ParseString(s);
    else if (ConsumePrefix(s, "hex:")) result.value = ParseHex(s);
  }
  if (result.value) result.name = std::move(name);
  result.text = std::move(line);
  return result;
}

std::string CSettingsFile::FormatLine(std::string_view name, const SSettingValue& value) {
  std::string line;
  if (NameNeedsQuotes(name)) AppendQuoted(line, name);
  else line.append(name);
  line += " = ";
  switch (value.type) {
    case ESettingType::Dword: {
      std::uint32_t v = 0;
      for (std::size_t b = 0; b < 4 && b < value.bytes.size(); ++b) v |= std::uint32_t{value.bytes[b]} << (8 * b);
      char digits[16];
      std::snprintf(digits, sizeof digits, "%08x", v);
      line += "dword:";
      line += digits;
      break;
    }
    case ESettingType::String: {
      std::string_view text(reinterpret_cast<const char*>(value.bytes.data()), value.bytes.size());
      if (!text.empty() && text.back() == '\0') text.remove_suffix(1);
      line += "string:";
      AppendQuoted(line, text);
      break;
    }
    case ESettingType::Binary: {
      line += "hex:";
      char byte[4];
      for (std::size_t i = 0; i < value.bytes.size(); ++i) {
        std::snprintf(byte, sizeof byte, i ? ",%02x" : "%02x", value.bytes[i]);
        line += byte;
      }
      break;
    }
  }
  return line;
}

CSettingsFile::ELoadResult CSettingsFile::Load(const std::string& path) noexcept {
  return kiv::Guard(KIV_SIGNATURE, ELoadResult::Unreadable, [&] {
    m_lines.clear();
    std::string text;
    switch (platform::ReadFileBounded(path, MAX_SETTINGS_FILE_SIZE, true, &text, nullptr)) {
      case platform::EFileRead::Absent: return ELoadResult::Absent;
      case platform::EFileRead::Failed: return ELoadResult::Unreadable;
      case platform::EFileRead::Read: break;
    }
    Parse(text);
    return ELoadResult::Read;
  });
}

void CSettingsFile::Parse(std::string_view text) noexcept {
  kiv::Guard(KIV_SIGNATURE, [&] {
    m_lines.clear();
    while (!text.empty()) {
      const std::size_t end = text.find('\n');
      m_lines.push_back(ParseLine(std::string(text.substr(0, end))));
      if (end == std::string_view::npos) break;
      text.remove_prefix(end + 1);
    }
  });
}

std::optional<SSettingValue> CSettingsFile::Find(std::string_view name) const noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::optional<SSettingValue>{}, [&] {
    for (auto line = m_lines.rbegin(); line != m_lines.rend(); ++line)
      if (line->value && NamesEqual(line->name, name)) return line->value;
    return std::optional<SSettingValue>{};
  });
}

bool CSettingsFile::Set(std::string_view name, const SSettingValue& value) noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    SLine line{FormatLine(name, value), std::string(name), value};
    if (m_lines.empty()) m_lines.push_back(SLine{kHeader, {}, {}});
    bool replaced = false;
    for (auto it = m_lines.begin(); it != m_lines.end();) {
      if (!it->value || !NamesEqual(it->name, name)) {
        ++it;
      } else if (!replaced) {
        *it++ = line;
        replaced = true;
      } else {
        it = m_lines.erase(it);
      }
    }
    if (!replaced) m_lines.push_back(std::move(line));
    return true;
  });
}

std::string CSettingsFile::Text() const noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::string{}, [&] {
    std::string text;
    for (const SLine& line : m_lines) {
      text += line.text;
      text += '\n';
    }
    return text;
  });
}

bool CSettingsFile::SaveAtomically(const std::string& path) const noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    const std::string text = Text();
    if (text.size() > MAX_SETTINGS_FILE_SIZE) return false;  // it could not be read back
    return platform::WriteFileAtomically(path, text, true, nullptr);
  });
}

}  // namespace CPersistentStorage
