#include "tools/spanora/AudioFiles.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "Helpers/ErrorReport.h"

namespace spanora {
namespace {

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

std::string LowerExtension(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

// Creates ".NAME.tmp.XXXXXX" beside path with the permissions a new file
// gets (mkstemp alone would leave it readable by its owner only).
int CreateTempBeside(const std::string& path, std::string* tempPath, std::string* error) {
  const std::filesystem::path destination(path);
  std::filesystem::path directory = destination.parent_path();
  if (directory.empty()) directory = ".";
  std::string name = ".";
  name.append(destination.filename().string()).append(".tmp.XXXXXX");
  std::string pattern = (directory / name).string();
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) {
    *error = "cannot write " + Quoted(path) + ": " + std::strerror(errno);
    return -1;
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  *tempPath = pattern;
  return fd;
}

bool RenameInto(const std::string& tempPath, const std::string& path, std::string* error) {
  if (::rename(tempPath.c_str(), path.c_str()) == 0) return true;
  *error = "cannot write " + Quoted(path) + ": " + std::strerror(errno);
  ::unlink(tempPath.c_str());
  return false;
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

// ---------------------------------------------------------------------------

COutputFile::~COutputFile() { Discard(); }

bool COutputFile::Open(const std::string& path, const SOutputFormat& format, int sampleRate,
                       std::string* error) noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    Discard();
    m_sPath = path;
    const int fd = CreateTempBeside(path, &m_sTempPath, error);
    if (fd < 0) return false;
    SF_INFO info{};
    info.channels = 2;
    info.samplerate = sampleRate;
    info.format = format.format;
    m_pFile = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
    if (!m_pFile) {
      *error = "cannot write " + Quoted(path) + " as " + format.description + " at " + std::to_string(sampleRate) +
               " Hz: " + sf_strerror(nullptr);
      Discard();  // libsndfile has closed the descriptor
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
    const bool renamed = RenameInto(m_sTempPath, m_sPath, error);
    m_sTempPath.clear();
    return renamed;
  });
}

void COutputFile::Discard() noexcept {
  kiv::Guard(KIV_SIGNATURE, [&] {
    if (m_pFile) sf_close(m_pFile);
    m_pFile = nullptr;
    if (!m_sTempPath.empty()) ::unlink(m_sTempPath.c_str());
    m_sTempPath.clear();
  });
}

// ---------------------------------------------------------------------------

bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error) {
  std::string tempPath;
  const int fd = CreateTempBeside(path, &tempPath, error);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) break;
    done += static_cast<std::size_t>(written);
  }
  if (::close(fd) != 0 || done != bytes.size()) {
    *error = "cannot write " + Quoted(path) + ": " + std::strerror(errno);
    ::unlink(tempPath.c_str());
    return false;
  }
  return RenameInto(tempPath, path, error);
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (in) bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (!in && !in.eof()) {
    *error = "cannot read " + Quoted(path) + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace spanora
