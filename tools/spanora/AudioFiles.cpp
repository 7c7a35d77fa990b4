#include "tools/spanora/AudioFiles.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "Helpers/ErrorReport.h"
#include "platform/Files.h"

namespace spanora {
namespace {

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

std::string LowerExtension(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

std::string WriteError(const std::string& path, int error) {
  return "cannot write " + Quoted(path) + ": " + platform::FileErrorText(error);
}

}  // namespace

// ---------------------------------------------------------------------------

CSoundFileSource::~CSoundFileSource() {
  if (m_pFile) sf_close(m_pFile);
}

bool CSoundFileSource::Open(const std::string& path, std::string* error) noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    m_sPath = path;
    SF_INFO info{};
    m_pFile = sf_open(path.c_str(), SFM_READ, &info);
    if (!m_pFile) {
      *error = "cannot read " + Quoted(path) + ": " + sf_strerror(nullptr);
      return false;
    }
    if (info.channels < 1 || info.channels > 2) {
      *error = Quoted(path) + " has " + std::to_string(info.channels) +
               " channels; only mono and stereo files can be processed";
      return false;
    }
    m_nChannels = info.channels;
    m_nSampleRate = info.samplerate;
    m_nFrames = info.frames;
    return true;
  });
}

std::int64_t CSoundFileSource::Read(float* left, float* right, std::int64_t frames) noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::int64_t{-1}, [&]() -> std::int64_t {
    if (!m_pFile) return -1;
    m_interleaved.resize(static_cast<std::size_t>(frames * m_nChannels));
    const sf_count_t got = sf_readf_float(m_pFile, m_interleaved.data(), frames);
    if (got < frames && sf_error(m_pFile) != SF_ERR_NO_ERROR) return -1;
    for (sf_count_t i = 0; i < got; ++i) {
      left[i] = m_interleaved[static_cast<std::size_t>(i * m_nChannels)];
      right[i] = m_interleaved[static_cast<std::size_t>(i * m_nChannels + m_nChannels - 1)];
    }
    return got;
  });
}

bool CSoundFileSource::Rewind() noexcept { return m_pFile && sf_seek(m_pFile, 0, SEEK_SET) == 0; }

// ---------------------------------------------------------------------------

CMemorySource::CMemorySource(std::string name, int sampleRate, std::vector<float> left, std::vector<float> right)
    : m_sName(std::move(name)), m_nSampleRate(sampleRate), m_left(std::move(left)), m_right(std::move(right)) {
  m_right.resize(m_left.size());
}

std::int64_t CMemorySource::Read(float* left, float* right, std::int64_t frames) noexcept {
  return kiv::Guard(KIV_SIGNATURE, std::int64_t{-1}, [&] {
    const std::size_t count = std::min(static_cast<std::size_t>(frames), m_left.size() - m_nPosition);
    std::copy_n(m_left.begin() + static_cast<std::ptrdiff_t>(m_nPosition), count, left);
    std::copy_n(m_right.begin() + static_cast<std::ptrdiff_t>(m_nPosition), count, right);
    m_nPosition += count;
    return static_cast<std::int64_t>(count);
  });
}

// ---------------------------------------------------------------------------

bool ResolveOutputFormat(const std::string& path, const std::optional<std::string>& sample,
                         SOutputFormat* format, std::string* error) {
  const std::string extension = LowerExtension(path);
  int container = SF_FORMAT_WAV;
  std::string name = "WAV";
  if (extension == ".flac") container = SF_FORMAT_FLAC, name = "FLAC";
  else if (extension == ".aiff" || extension == ".aif") container = SF_FORMAT_AIFF, name = "AIFF";
  else if (extension == ".ogg" || extension == ".oga") container = SF_FORMAT_OGG, name = "Ogg";

  if (container == SF_FORMAT_OGG) {
    if (sample) {
      *error = "format '" + *sample + "' does not apply to Ogg output, which is always Vorbis";
      return false;
    }
    *format = {SF_FORMAT_OGG | SF_FORMAT_VORBIS, "Ogg Vorbis"};
    return true;
  }
  const std::string chosen = sample.value_or(container == SF_FORMAT_FLAC ? "pcm24" : "float");
  int subFormat = 0;
  std::string depth;
  if (chosen == "float") subFormat = SF_FORMAT_FLOAT, depth = "32-bit float";
  else if (chosen == "pcm16") subFormat = SF_FORMAT_PCM_16, depth = "16-bit PCM";
  else if (chosen == "pcm24") subFormat = SF_FORMAT_PCM_24, depth = "24-bit PCM";
  else {
    *error = "unknown format '" + chosen + "' (float, pcm16 or pcm24)";
    return false;
  }
  SF_INFO probe{};
  probe.channels = 2;
  probe.samplerate = 48000;
  probe.format = container | subFormat;
  if (!sf_format_check(&probe)) {
    *error = "format '" + chosen + "' is not available for " + name + " output";
    return false;
  }
  *format = {container | subFormat, name + " " + depth};
  return true;
}

bool IsSameFile(const std::string& first, const std::string& second) {
  struct stat a {}, b {};
  if (::stat(first.c_str(), &a) != 0 || ::stat(second.c_str(), &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool IsSameDestination(const std::string& first, const std::string& second) {
  if (IsSameFile(first, second)) return true;
  // Names that do not exist yet: compare where writes through them land.
  std::error_code error1, error2;
  const auto a = std::filesystem::weakly_canonical(platform::ResolveWriteTarget(first), error1);
  const auto b = std::filesystem::weakly_canonical(platform::ResolveWriteTarget(second), error2);
  return !error1 && !error2 && a == b;
}

// ---------------------------------------------------------------------------

COutputFile::~COutputFile() { Discard(); }

bool COutputFile::Open(const std::string& path, const SOutputFormat& format, int sampleRate,
                       std::string* error) noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    Discard();
    m_sPath = path;
    int failure = 0;
    if (!m_File.Create(path, &failure)) {
      *error = WriteError(path, failure);
      return false;
    }
    // libsndfile closes the descriptor it is given; the original stays ours
    // to give the finished file its name.
    const int fd = ::dup(m_File.GetDescriptor());
    SF_INFO info{};
    info.channels = 2;
    info.samplerate = sampleRate;
    info.format = format.format;
    m_pFile = fd >= 0 ? sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE) : nullptr;
    if (!m_pFile) {
      if (fd >= 0) ::close(fd);
      *error = "cannot write " + Quoted(path) + " as " + format.description + " at " + std::to_string(sampleRate) +
               " Hz: " + sf_strerror(nullptr);
      Discard();
      return false;
    }
    // No time stamp in a PEAK chunk, so equal renders give equal files; PCM
    // output clips overs instead of wrapping them round.
    sf_command(m_pFile, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    sf_command(m_pFile, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    return true;
  });
}

bool COutputFile::Write(const float* left, const float* right, std::int64_t frames) noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    if (!m_pFile) return false;
    m_interleaved.resize(static_cast<std::size_t>(2 * frames));
    for (std::int64_t i = 0; i < frames; ++i) {
      m_interleaved[static_cast<std::size_t>(2 * i)] = left[i];
      m_interleaved[static_cast<std::size_t>(2 * i + 1)] = right[i];
    }
    return sf_writef_float(m_pFile, m_interleaved.data(), frames) == frames;
  });
}

bool COutputFile::Commit(std::string* error) noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    if (!m_pFile) return false;
    SNDFILE* file = m_pFile;
    m_pFile = nullptr;
    if (sf_close(file) != 0) {
      *error = "cannot write " + Quoted(m_sPath) + ": closing failed";
      Discard();
      return false;
    }
    int failure = 0;
    if (m_File.Commit(false, &failure)) return true;
    *error = WriteError(m_sPath, failure);
    return false;
  });
}

void COutputFile::Discard() noexcept {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_pFile) sf_close(m_pFile);
    m_pFile = nullptr;
    m_File.Discard();
  });
}

// ---------------------------------------------------------------------------

bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error) {
  int failure = 0;
  const std::string_view data(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (platform::WriteFileAtomically(path, data, false, &failure)) return true;
  *error = WriteError(path, failure);
  return false;
}

bool ReadWholeFile(const std::string& path, std::size_t maxBytes, std::vector<std::uint8_t>* bytes,
                   std::string* error) {
  std::string content;
  int failure = 0;
  if (platform::ReadFileBounded(path, maxBytes, false, &content, &failure) == platform::EFileRead::Read) {
    bytes->assign(content.begin(), content.end());
    return true;
  }
  *error = "cannot read " + Quoted(path) + ": ";
  if (failure == platform::FILE_ERROR_TOO_LARGE) *error += "larger than " + std::to_string(maxBytes) + " bytes";
  else *error += platform::FileErrorText(failure);
  return false;
}

}  // namespace spanora
