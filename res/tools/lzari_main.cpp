// Build tool: packs a file into an LZARI archive or unpacks one.
//   lzari c IN OUT   pack
//   lzari d IN OUT   unpack
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/env.h"
#include "text/lzari_decoder.h"
#include "text/lzari_encoder.h"

namespace {

// Inputs are text archives of a few kilobytes; a cap keeps a FIFO or a
// device given by mistake from hanging or exhausting memory.
constexpr size_t kMaxInputBytes = size_t{64} << 20;

bool ReadBytes(const char* path, std::vector<uint8_t>& bytes) {
  tarnwell::platform::Result<std::string> text =
      tarnwell::platform::DefaultEnv().ReadRegularFile(path, kMaxInputBytes);
  if (!text.ok()) {
    std::fprintf(stderr, "lzari: %s\n", text.status().message().c_str());
    return false;
  }
  bytes.assign(text->begin(), text->end());
  return true;
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
    if (declared > tarnwell::text::MaxLzariDecodedSize(input.size())) {
      std::fprintf(stderr, "lzari: %s declares %u bytes, more than its %zu bytes can hold\n",
                   argv[2], declared, input.size());
      return 1;
    }
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
