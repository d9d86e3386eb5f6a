// Any bytes must decode without overrunning the output and end; and any bytes
// packed by our encoder must come back unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "text/lzari_decoder.h"
#include "text/lzari_encoder.h"

namespace {

constexpr uint32_t kLargestDeclared = 1 << 13;  // wraps the ring, keeps runs fast
constexpr size_t kCapacity = 4096;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> archive(data, data + size);
  if (archive.size() >= 4) {
    uint32_t declared = 0;
    std::memcpy(&declared, archive.data(), 4);
    declared %= kLargestDeclared;
    std::memcpy(archive.data(), &declared, 4);
  }
  // Exactly sized output: ASan catches a store past capacity - 1.
  std::vector<uint8_t> output(kCapacity);
  tarnwell::text::DecodeLzari(archive.data(), archive.size(), output.data(), output.size() - 1);

  const std::vector<uint8_t> packed = tarnwell::text::EncodeLzari({data, size});
  std::vector<uint8_t> unpacked(size + 1);
  const uint32_t declared =
      tarnwell::text::DecodeLzari(packed.data(), packed.size(), unpacked.data(), unpacked.size());
  if (declared != size || std::memcmp(unpacked.data(), data, size) != 0) std::abort();
  return 0;
}
