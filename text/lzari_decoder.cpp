// LZARI decoding in one pass with fixed-size state on the stack.
#include "text/lzari_decoder.h"

#include <algorithm>
#include <array>

#include "text/lzari_model.h"

namespace tarnwell::text {
namespace {

using namespace lzari;

// Most significant bit first; past the end every bit is 1.
class BitReader {
 public:
  BitReader(const uint8_t* data, size_t length) : data_(data), length_(length) {}

  uint32_t Next() {
    if (mask_ == 0) {
      byte_ = position_ < length_ ? data_[position_++] : 0xFF;
      mask_ = 0x80;
    }
    const uint32_t bit = (byte_ & mask_) != 0 ? 1 : 0;
    mask_ >>= 1;
    return bit;
  }

 private:
  const uint8_t* data_;
  size_t length_;
  size_t position_ = 0;
  uint8_t byte_ = 0;
  uint8_t mask_ = 0;
};

class ArithmeticDecoder {
 public:
  explicit ArithmeticDecoder(BitReader& bits) : bits_(bits) {
    for (int i = 0; i < kValueBits; ++i) value_ = 2 * value_ + bits_.Next();
  }

  // Where value lies inside [0, total), scaled from the current interval.
  uint32_t Target(uint32_t total) const {
    const uint32_t range = interval_.high - interval_.low;
    return ((value_ - interval_.low + 1) * total - 1) / range;
  }

  void Consume(uint32_t lower, uint32_t upper, uint32_t total) {
    interval_.Narrow(lower, upper, total);
    for (;;) {
      if (interval_.low >= kQuarter2) {
        value_ -= kQuarter2;
        interval_.low -= kQuarter2;
        interval_.high -= kQuarter2;
      } else if (interval_.low >= kQuarter1 && interval_.high <= kQuarter3) {
        value_ -= kQuarter1;
        interval_.low -= kQuarter1;
        interval_.high -= kQuarter1;
      } else if (interval_.high > kQuarter2) {
        break;
      }
      interval_.low *= 2;
      interval_.high *= 2;
      value_ = 2 * value_ + bits_.Next();
    }
  }

 private:
  BitReader& bits_;
  Interval interval_;
  uint32_t value_ = 0;
};

int DecodeCharacter(ArithmeticDecoder& coder, SymbolModel& model) {
  const uint32_t total = model.total();
  const int symbol = model.FindSymbol(coder.Target(total));
  coder.Consume(model.cumulative(symbol), model.cumulative(symbol - 1), total);
  const int character = model.CharacterOf(symbol);
  model.Update(symbol);
  return character;
}

int DecodePosition(ArithmeticDecoder& coder) {
  const uint32_t target = coder.Target(kPositionCumulative[0]);
  const int position = FindFirstNotAbove(kPositionCumulative.data(), kRingSize, target) - 1;
  coder.Consume(kPositionCumulative[position + 1], kPositionCumulative[position],
                kPositionCumulative[0]);
  return position;
}

}  // namespace

uint32_t DecodeLzari(const uint8_t* archive, size_t archive_length, uint8_t* output,
                     size_t capacity) {
  if (archive_length < 4) return 0;
  const uint32_t declared =
      static_cast<uint32_t>(archive[0]) | static_cast<uint32_t>(archive[1]) << 8 |
      static_cast<uint32_t>(archive[2]) << 16 | static_cast<uint32_t>(archive[3]) << 24;
  if (declared == 0) return 0;

  BitReader bits(archive + 4, archive_length - 4);
  ArithmeticDecoder coder(bits);
  SymbolModel model;
  std::array<uint8_t, kRingSize> ring;
  ring.fill(0);
  for (int i = 0; i < kRingStart; ++i) ring[i] = kRingFill;

  const size_t storable = capacity == 0 ? 0 : std::min<size_t>(capacity - 1, declared);
  size_t stored = 0;
  uint64_t produced = 0;  // wide: a last match may run past a declared size near 4 GiB
  unsigned r = kRingStart;
  auto emit = [&](uint8_t byte) {
    if (stored < storable) output[stored++] = byte;
    ring[r] = byte;
    r = (r + 1) & kRingMask;
    ++produced;
  };

  while (produced < declared) {
    const int character = DecodeCharacter(coder, model);
    if (character < 256) {
      emit(static_cast<uint8_t>(character));
      continue;
    }
    const int length = MatchLength(character);
    const unsigned start = (r - DecodePosition(coder) - 1) & kRingMask;
    for (int k = 0; k < length; ++k) emit(ring[(start + k) & kRingMask]);
  }
  return declared;
}

uint64_t MaxLzariDecodedSize(size_t archive_length) {
  constexpr size_t kHeaderBytes = 4;
  if (archive_length <= kHeaderBytes) return 0;
  return uint64_t{archive_length - kHeaderBytes} * 8 * kLongestMatch;
}

}  // namespace tarnwell::text
