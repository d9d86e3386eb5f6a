// Text layer figures: decoding and parsing the built-in archive (once per
// start), and the LZARI decoder's throughput on 10 MB of mixed text, with a
// plain copy of the same bytes as the reference run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "text/builtin_text_archive.h"
#include "text/lzari_decoder.h"
#include "text/lzari_encoder.h"
#include "text/text_catalog.h"

namespace {

using Clock = std::chrono::steady_clock;

// Median wall time of runs calls, in seconds.
double MedianSeconds(int runs, const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    work();
    times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Catalogue text, generated prose with repeated words, and some noise.
std::vector<uint8_t> MixedText(size_t size) {
  std::vector<uint8_t> text(tarnwell::text::TextCatalog::kDecodedCapacity);
  const auto archive = tarnwell::text::BuiltinTextArchive();
  const size_t catalog_size =
      tarnwell::text::DecodeLzari(archive.data(), archive.size(), text.data(), text.size());
  text.resize(catalog_size);
  static const char* kWords[] = {"erase",       "file",  "folder", "Löschen", "überschreiben",
                                 "space",       "Größe", "zero",   "pass",    "Удалить",
                                 "file system", "the",   "of"};
  std::mt19937 random(11);
  while (text.size() < size) {
    const int kind = random() % 10;
    if (kind == 0) {
      for (int i = 0; i < 64; ++i) text.push_back(static_cast<uint8_t>(random()));
    } else if (kind == 1) {
      text.insert(text.end(), text.begin() + random() % catalog_size / 2,
                  text.begin() + catalog_size / 2 + random() % (catalog_size / 2));
    } else {
      for (int i = 0; i < 40; ++i) {
        const std::string word =
            std::string(kWords[random() % std::size(kWords)]) + (random() % 9 ? " " : ".\r\n");
        text.insert(text.end(), word.begin(), word.end());
      }
    }
  }
  text.resize(size);
  return text;
}

}  // namespace

int main() {
  const auto archive = tarnwell::text::BuiltinTextArchive();
  std::vector<uint8_t> out(tarnwell::text::TextCatalog::kDecodedCapacity);
  uint32_t declared = 0;
  const double decode = MedianSeconds(201, [&] {
    declared = tarnwell::text::DecodeLzari(archive.data(), archive.size(), out.data(), out.size());
  });
  const double build = MedianSeconds(201, [&] { tarnwell::text::TextCatalog::Build(archive); });
  std::printf("built-in archive: %zu bytes -> %u bytes\n", archive.size(), declared);
  std::printf("  decode           %8.1f us (median of 201)\n", decode * 1e6);
  std::printf("  decode + parse   %8.1f us (median of 201)\n", build * 1e6);

  constexpr size_t kSize = 10 * 1000 * 1000;
  const std::vector<uint8_t> mixed = MixedText(kSize);
  std::vector<uint8_t> packed;
  const double encode = MedianSeconds(1, [&] { packed = tarnwell::text::EncodeLzari(mixed); });
  std::vector<uint8_t> unpacked(kSize + 1);
  const double decode_mixed = MedianSeconds(5, [&] {
    tarnwell::text::DecodeLzari(packed.data(), packed.size(), unpacked.data(), unpacked.size());
  });
  if (std::memcmp(unpacked.data(), mixed.data(), kSize) != 0) {
    std::printf("decoded text differs from the input\n");
    return 1;
  }
  std::vector<uint8_t> copy(kSize);
  const double reference = MedianSeconds(5, [&] {
    std::memcpy(copy.data(), mixed.data(), kSize);
    asm volatile("" : : "r"(copy.data()) : "memory");
  });
  const double megabytes = kSize / 1e6;
  std::printf("10 MB mixed text: packed to %zu bytes (%.1f%%), encoder %.1f MB/s\n", packed.size(),
              100.0 * packed.size() / kSize, megabytes / encode);
  std::printf("  decoder          %8.1f MB/s (median of 5)\n", megabytes / decode_mixed);
  std::printf("  reference copy   %8.1f MB/s; decoder / copy = %.4f\n", megabytes / reference,
              reference / decode_mixed);
  return 0;
}
