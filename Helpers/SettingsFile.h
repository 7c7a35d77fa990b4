#pragma once
// One settings file of the settings store: a text file a user can edit, one
// value per line, in the form
//
//   # comment                    (also ';'; kept as written)
//   LimitFramerate = dword:00000001
//   Folder = string:"C:\\Music \"live\"\n"
//   Blob = hex:01,02,ff
//   "Name = odd" = dword:0000000a
//
// dword is a 32-bit value in 1 to 8 hex digits. string is a quoted text with
// the escapes \\ \" \n \r \t and \xHH; bytes from 0x80 up are written as they
// are, so UTF-8 stays readable. hex is comma-separated bytes, possibly none.
// A name is written bare unless it is empty, has outer blanks, or holds one
// of = " \ # ; or a control character; then it is quoted like a string.
// Names match without regard to ASCII case, as registry names do; when a name
// appears twice, the last valid line wins. Lines that do not parse are
// ignored when reading and kept verbatim when the file is written back.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace CPersistentStorage {

// Settings files are a few hundred bytes; a larger one is not read (nor
// replaced), so a damaged or hostile file cannot stall the plug-in's threads.
constexpr std::size_t MAX_SETTINGS_FILE_SIZE = 256 * 1024;

enum class ESettingType { String, Dword, Binary };

// A typed value as the store hands it out: a string's bytes include its NUL,
// a dword is 4 bytes little-endian, binary is the bytes as given.
struct SSettingValue {
  ESettingType type = ESettingType::Binary;
  std::vector<std::uint8_t> bytes;
};

class CSettingsFile {
 public:
  enum class ELoadResult { Read, Absent, Unreadable };

  // Replaces the content with the file at path. Absent leaves an empty file;
  // Unreadable (not a regular file, no permission, I/O error, over
  // MAX_SETTINGS_FILE_SIZE) leaves it empty too, and a writer must then not
  // replace the file. Never blocks: a FIFO in its place is Unreadable.
  ELoadResult Load(const std::string& path) noexcept;
  void Parse(std::string_view text) noexcept;

  // The value of name, or nothing when no valid line holds it.
  std::optional<SSettingValue> Find(std::string_view name) const noexcept;
  // Replaces the first line of name (dropping any later ones) or appends one.
  bool Set(std::string_view name, const SSettingValue& value) noexcept;

  std::string Text() const noexcept;
  // Replaces the file at path as a whole, flushed to disk, so readers see
  // either the old or the new file, never a part. A symbolic link at path
  // is written through: its final target is replaced and the link stays.
  // The directory must exist. False when any step fails or the text is
  // over MAX_SETTINGS_FILE_SIZE.
  bool SaveAtomically(const std::string& path) const noexcept;

 private:
  struct SLine {
    std::string text;  // as read or written, without the line end
    std::string name;
    std::optional<SSettingValue> value;  // none: a comment or a line that does not parse
  };
  static SLine ParseLine(std::string line);
  // One value as a line of the file, without the line end.
  static std::string FormatLine(std::string_view name, const SSettingValue& value);

  std::vector<SLine> m_lines;
};

}  // namespace CPersistentStorage
