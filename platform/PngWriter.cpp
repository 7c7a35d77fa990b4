// Writes SImage as an 8-bit RGBA PNG with libpng.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <cerrno>
#include <cstdlib>

#include "Helpers/ErrorReport.h"
#include "platform/GLSurface.h"

namespace platform {
namespace {

struct SPngErrorState {
  char message[256] = {};
};

// libpng reports through longjmp; the message is kept for the caller.
void OnPngError(png_structp png, png_const_charp message) {
  auto* state = static_cast<SPngErrorState*>(png_get_error_ptr(png));
  std::snprintf(state->message, sizeof state->message, "%s", message ? message : "unknown libpng error");
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Kept apart from WritePng so that no C++ object lives in the frame that
// longjmp leaves.
bool WritePngFile(std::FILE* file, const SImage& image, SPngErrorState& state) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, OnPngError, OnPngWarning);
  if (!png) {
    std::snprintf(state.message, sizeof state.message, "out of memory");
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    std::snprintf(state.message, sizeof state.message, "out of memory");
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  const std::size_t stride = static_cast<std::size_t>(image.width) * 4u;
  for (int y = 0; y < image.height; ++y) {
    png_write_row(png, image.rgba.data() + static_cast<std::size_t>(y) * stride);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WritePng(const std::string& path, const SImage& image, std::string& error) noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    if (image.width <= 0 || image.height <= 0 ||
        image.rgba.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4u) {
      error = "cannot write '" + path + "': the image is empty or its pixels do not match its size";
      return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
      error = "cannot write '" + path + "': " + std::strerror(errno);
      return false;
    }
    SPngErrorState state;
    bool ok = WritePngFile(file, image, state);
    if (std::fclose(file) != 0 && ok) {
      std::snprintf(state.message, sizeof state.message, "%s", std::strerror(errno));
      ok = false;
    }
    if (!ok) {
      error = "cannot write '" + path + "': " + state.message;
      std::remove(path.c_str());
    }
    return ok;
  });
}

bool EncodePng(const SImage& image, std::vector<std::uint8_t>& bytes, std::string& error) noexcept {
  return kiv::Guard(KIV_SIGNATURE, false, [&] {
    if (image.width <= 0 || image.height <= 0 ||
        image.rgba.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4u) {
      error = "the image is empty or its pixels do not match its size";
      return false;
    }
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* stream = ::open_memstream(&buffer, &size);
    if (!stream) {
      error = std::strerror(errno);
      return false;
    }
    SPngErrorState state;
    bool ok = WritePngFile(stream, image, state);
    if (std::fclose(stream) != 0 && ok) {
      std::snprintf(state.message, sizeof state.message, "%s", std::strerror(errno));
      ok = false;
    }
    if (ok) bytes.assign(buffer, buffer + size);
    else error = state.message;
    std::free(buffer);
    return ok;
  });
}

}  // namespace platform
