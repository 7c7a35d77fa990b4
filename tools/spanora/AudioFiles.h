#pragma once
// Audio in and out of the renderer: sources of mono or stereo frames (a
// file read through libsndfile, or material held in memory) and the output
// file, written as an unnamed (or hidden temporary) file next to its
// destination and given its name only when complete, so no partial file is
// ever left behind. A destination that is a symbolic link is written
// through; one that is a FIFO, device or directory is refused.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Files.h"

typedef struct sf_private_tag SNDFILE;

namespace spanora {

class IFrameSource {
 public:
  virtual ~IFrameSource() = default;
  virtual std::string GetName() const = 0;
  virtual int GetChannels() const = 0;  // 1 or 2
  virtual int GetSampleRate() const = 0;
  virtual std::int64_t GetFrames() const = 0;
  // Reads up to frames into left and right (mono goes to both); the number
  // read, 0 at the end, -1 on a read error.
  virtual std::int64_t Read(float* left, float* right, std::int64_t frames) = 0;
  // Back to the first frame, for material played in a loop; false when the
  // source cannot go back.
  virtual bool Rewind() { return false; }
};

// A WAV, AIFF, FLAC or Ogg file (anything libsndfile reads).
class CSoundFileSource : public IFrameSource {
 public:
  CSoundFileSource() = default;
  ~CSoundFileSource() override;
  CSoundFileSource(const CSoundFileSource&) = delete;
  CSoundFileSource& operator=(const CSoundFileSource&) = delete;

  // False with the message set when the file cannot be read or has neither
  // one nor two channels.
  bool Open(const std::string& path, std::string* error) noexcept;
  std::string GetName() const override { return m_sPath; }
  int GetChannels() const override { return m_nChannels; }
  int GetSampleRate() const override { return m_nSampleRate; }
  std::int64_t GetFrames() const override { return m_nFrames; }
  std::int64_t Read(float* left, float* right, std::int64_t frames) noexcept override;
  bool Rewind() noexcept override;

 private:
  std::string m_sPath;
  SNDFILE* m_pFile = nullptr;
  int m_nChannels = 0;
  int m_nSampleRate = 0;
  std::int64_t m_nFrames = 0;
  std::vector<float> m_interleaved;
};

// Stereo material held in memory.
class CMemorySource : public IFrameSource {
 public:
  CMemorySource(std::string name, int sampleRate, std::vector<float> left, std::vector<float> right);
  std::string GetName() const override { return m_sName; }
  int GetChannels() const override { return 2; }
  int GetSampleRate() const override { return m_nSampleRate; }
  std::int64_t GetFrames() const override { return static_cast<std::int64_t>(m_left.size()); }
  std::int64_t Read(float* left, float* right, std::int64_t frames) noexcept override;
  bool Rewind() noexcept override {
    m_nPosition = 0;
    return true;
  }

 private:
  std::string m_sName;
  int m_nSampleRate;
  std::vector<float> m_left, m_right;
  std::size_t m_nPosition = 0;
};

// libsndfile's major and sub format for an output file and its description.
struct SOutputFormat {
  int format = 0;
  std::string description;  // e.g. "WAV 32-bit float"
};

// The container follows the extension of path (.wav, .flac, .aiff/.aif,
// .ogg; anything else is WAV). sample is "float", "pcm16" or "pcm24"; by
// default float for WAV and AIFF, pcm24 for FLAC; Ogg is always Vorbis.
bool ResolveOutputFormat(const std::string& path, const std::optional<std::string>& sample,
                         SOutputFormat* format, std::string* error);

// True when both paths name one existing file (same device and inode, so
// links and different spellings of the path are caught too).
bool IsSameFile(const std::string& first, const std::string& second);

// True when writes to both paths would reach one file: the same existing
// file, or the same place once links and spellings are resolved.
bool IsSameDestination(const std::string& first, const std::string& second);

class COutputFile {
 public:
  COutputFile() = default;
  ~COutputFile();  // discards a file that was not committed
  COutputFile(const COutputFile&) = delete;
  COutputFile& operator=(const COutputFile&) = delete;

  // Creates the file for stereo at sampleRate in the destination's
  // directory (see platform::CAtomicFile). False with the message set on
  // failure, including a destination that exists and is not a regular file.
  bool Open(const std::string& path, const SOutputFormat& format, int sampleRate, std::string* error) noexcept;
  bool Write(const float* left, const float* right, std::int64_t frames) noexcept;
  // Closes the file and gives it the destination's name.
  bool Commit(std::string* error) noexcept;
  // Closes and deletes the unfinished file.
  void Discard() noexcept;

 private:
  std::string m_sPath;
  platform::CAtomicFile m_File;
  SNDFILE* m_pFile = nullptr;
  std::vector<float> m_interleaved;
};

// Replaces path (through links) with bytes, as a whole.
bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error);

// The whole content of a file, a pipe included, of at most maxBytes; false
// with the message naming the file when it cannot be read, is a directory
// or is larger.
bool ReadWholeFile(const std::string& path, std::size_t maxBytes, std::vector<std::uint8_t>* bytes,
                   std::string* error);

}  // namespace spanora
