// LZARI decoding in one pass with fixed-size state on the stack.
#include "text/lzari_decoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "text/lzari_model.h"

namespace tarnwell::text {
namespace {

using namespace lzari;

// Most significant bit first; past the end every bit is 1.
class BitReader {
 public:
  BitReader(const uint8_t* data, size_t length) : data_(data), length_(length) {}

  // The next count bits (at most 32) as a number.
  uint32_t Take(int count) {
    if (available_ < count) Refill();
    const uint32_t bits = static_cast<uint32_t>((buffer_ >> 32) >> (32 - count));
    buffer_ <<= count;
    available_ -= count;
    return bits;
  }

 private:
  void Refill() {
    const int room = (64 - available_) / 8;  // whole bytes that fit
    if (length_ - position_ >= 8) {
      uint64_t word;
      std::memcpy(&word, data_ + position_, sizeof word);
      word = __builtin_bswap64(word) >> (64 - 8 * room) << (64 - 8 * room);
      buffer_ |= word >> available_;
      position_ += room;
      available_ += 8 * room;
      return;
    }
    for (; available_ <= 56; available_ += 8) {
      const uint64_t byte = position_ < length_ ? data_[position_++] : 0xFF;
      buffer_ |= byte << (56 - available_);
    }
  }

  const uint8_t* data_;
  size_t length_;
  size_t position_ = 0;
  uint64_t buffer_ = 0;  // unread bits from the top down
  int available_ = 0;
};

// Keeps value - low rather than value: every step moves both alike, so the
// interval's renormalisation depends on low and high alone and the bits it
// shifts in can be read at once. Arithmetic wraps as the value's always has,
// which keeps damaged input decoding to the same bytes.
class ArithmeticDecoder {
 public:
  explicit ArithmeticDecoder(BitReader& bits) : bits_(bits), offset_(bits_.Take(kValueBits)) {}

  // Where value lies inside [0, total), scaled from the current interval.
  uint32_t Target(uint32_t total) const {
    const uint32_t range = interval_.high - interval_.low;
    return ((offset_ + 1) * total - 1) / range;
  }

  template <typename Total>
  void Consume(uint32_t lower, uint32_t upper, const Total& total) {
    const uint32_t old_low = interval_.low;
    interval_.Narrow(lower, upper, total);
    offset_ -= interval_.low - old_low;
    Renormalise();
  }

 private:
  // Doubles the interval until it straddles the middle and holds more than a
  // quarter: the leading bits that low and high - 1 share go, then each bit
  // after the first difference that is 1 in low and 0 in high - 1 (the
  // interval inside the middle half), the top bit staying.
  void Renormalise() {
    const uint32_t low = interval_.low;
    const uint32_t last = interval_.high - 1;
    const int shared = kValueBits - std::bit_width(low ^ last);
    const uint64_t inside = low & ~last;  // 1 where low is 1 and last is 0
    const int middle = std::countl_one(static_cast<uint32_t>(inside << (kValueBits - 1 + shared)));
    const int count = shared + middle;
    interval_.low = (low << count) & (kQuarter2 - 1);
    interval_.high = (((last << count) & (kQuarter2 - 1)) | kQuarter2 | ((1u << count) - 1)) + 1;
    offset_ = (offset_ << count) | bits_.Take(count);
  }

  BitReader& bits_;
  Interval interval_;
  uint32_t offset_;  // value - low, modulo 2^32
};

int DecodeCharacter(ArithmeticDecoder& coder, SymbolModel& model) {
  const uint32_t total = model.total();
  const Divisor by_total(total);  // computed while the target is
  const int symbol = model.FindSymbol(coder.Target(total));
  coder.Consume(model.cumulative(symbol), model.cumulative(symbol - 1), by_total);
  const int character = model.CharacterOf(symbol);
  model.Update(symbol);
  return character;
}

int DecodePosition(ArithmeticDecoder& coder) {
  const uint32_t target =
      std::min<uint32_t>(coder.Target(kPositionCumulative[0]), kPositionCumulative[0]);
  const int first = kPositionGuide[target >> kGuideShift];
  const int position = ScanFirstNotAbove(kPositionCumulative.data(), first, target) - 1;
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
    if (start + length > kRingSize || r + length > kRingSize || stored + length > storable) {
      for (int k = 0; k < length; ++k) emit(ring[(start + k) & kRingMask]);
      continue;
    }
    // Byte by byte in order: a near match repeats bytes it has just written.
    for (int k = 0; k < length; ++k) {
      const uint8_t byte = ring[start + k];
      ring[r + k] = byte;
      output[stored + k] = byte;
    }
    stored += length;
    produced += length;
    r = (r + length) & kRingMask;
  }
  return declared;
}

uint64_t MaxLzariDecodedSize(size_t archive_length) {
  constexpr size_t kHeaderBytes = 4;
  if (archive_length <= kHeaderBytes) return 0;
  return uint64_t{archive_length - kHeaderBytes} * 8 * kLongestMatch;
}

}  // namespace tarnwell::text
