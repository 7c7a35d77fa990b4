// artgen SET OUTDIR: draws every image of a set (plugin or test) as
// OUTDIR/<id>.png and lists them in OUTDIR/manifest.txt ("<id> <file>"),
// the input of the resource embedder. Runs at build time.
#include "tools/artgen/Artwork.h"

#include <cairo.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

bool ReadFile(const std::string& path, std::vector<unsigned char>& bytes) {
  std::ifstream in(path, std::ios::binary);
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return static_cast<bool>(in) || in.eof();
}

bool WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// Keeps the signature and the header chunk, then overwrites the image data
// with a repeating pattern and cuts the file short: a decoder must fail.
bool Corrupt(const std::string& path) {
  std::vector<unsigned char> bytes;
  if (!ReadFile(path, bytes) || bytes.size() < 64) return false;
  for (std::size_t i = 33; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(0xA5 ^ i);
  bytes.resize(bytes.size() * 2 / 3);
  return WriteFile(path, bytes);
}

bool Draw(const artgen::SArtwork& art, const std::string& path) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, art.width, art.height);
  cairo_t* cr = cairo_create(surface);
  art.draw(cr, art.width, art.height);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  const bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS &&
                  cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok && (!art.corrupt || Corrupt(path));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: artgen plugin|test OUTDIR\n");
    return 1;
  }
  const std::string set = argv[1];
  const std::filesystem::path dir = argv[2];
  std::span<const artgen::SArtwork> table;
  if (set == "plugin") {
    table = artgen::PluginArtwork();
  } else if (set == "test") {
    table = artgen::TestArtwork();
  } else {
    std::fprintf(stderr, "artgen: unknown set '%s'\n", set.c_str());
    return 1;
  }
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  std::string manifest;
  for (const artgen::SArtwork& art : table) {
    const std::string file = std::to_string(art.id) + ".png";
    const std::string path = (dir / file).string();
    if (!Draw(art, path)) {
      std::fprintf(stderr, "artgen: cannot draw image %d into '%s'\n", art.id, path.c_str());
      return 2;
    }
    manifest += std::to_string(art.id) + " " + file + "\n";
  }
  std::ofstream out(dir / "manifest.txt", std::ios::trunc);
  out << manifest;
  if (!out) {
    std::fprintf(stderr, "artgen: cannot write '%s'\n", (dir / "manifest.txt").c_str());
    return 2;
  }
  return 0;
}
