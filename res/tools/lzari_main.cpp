// Build tool: packs a file into an LZARI archive or unpacks one.
//   lzari c IN OUT   pack
//   lzari d IN OUT   unpack
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "text/lzari_decoder.h"
#include "text/lzari_encoder.h"

namespace {

bool ReadBytes(const char* path, std::vector<uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteBytes(const char* path, const uint8_t* data, size_t length) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(length));
  out.close();
  return !out.fail();
}

int Usage() {
  std::fprintf(stderr, "usage: lzari c IN OUT   (pack)\n       lzari d IN OUT   (unpack)\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || std::strlen(argv[1]) != 1) return Usage();
  const char mode = argv[1][0];
  if (mode != 'c' && mode != 'd') return Usage();

  std::vector<uint8_t> input;
  if (!ReadBytes(argv[2], input)) {
    std::fprintf(stderr, "lzari: cannot read %s\n", argv[2]);
    return 1;
  }
  std::vector<uint8_t> output;
  if (mode == 'c') {
    if (input.size() > UINT32_MAX) {
      std::fprintf(stderr, "lzari: %s is 4 GiB or larger\n", argv[2]);
      return 1;
    }
    output = tarnwell::text::EncodeLzari(input);
  } else {
    if (input.size() < 4) {
      std::fprintf(stderr, "lzari: %s is too short for an archive\n", argv[2]);
      return 1;
    }
    const uint32_t declared = input[0] | input[1] << 8 | input[2] << 16 | uint32_t{input[3]} << 24;
    output.resize(size_t{declared} + 1);  // the decoder keeps capacity - 1 bytes
    tarnwell::text::DecodeLzari(input.data(), input.size(), output.data(), output.size());
    output.resize(declared);
  }
  if (!WriteBytes(argv[3], output.data(), output.size())) {
    std::fprintf(stderr, "lzari: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
