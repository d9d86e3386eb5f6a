// The parts of LZARI that the encoder and the decoder must share bit for bit:
// the parameters, the adaptive symbol model, the fixed position model and the
// interval arithmetic of the coder. Internal to the text layer and its tools.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace tarnwell::text::lzari {

inline constexpr int kRingSize = 4096;  // N
inline constexpr int kRingMask = kRingSize - 1;
inline constexpr int kLongestMatch = 60;                             // F
inline constexpr int kThreshold = 2;                                 // shortest match is 3
inline constexpr int kCharCount = 256 - kThreshold + kLongestMatch;  // 314
inline constexpr int kRingStart = kRingSize - kLongestMatch;         // first write position
inline constexpr uint8_t kRingFill = 0x20;  // positions before kRingStart start as blanks

inline constexpr uint32_t kQuarter1 = 1u << 15;  // M = 15 bits of precision
inline constexpr uint32_t kQuarter2 = 2 * kQuarter1;
inline constexpr uint32_t kQuarter3 = 3 * kQuarter1;
inline constexpr uint32_t kQuarter4 = 4 * kQuarter1;
inline constexpr uint32_t kMaxCumulative = kQuarter1 - 1;
inline constexpr int kValueBits = 17;  // M + 2 bits fill the decoder's value at the start

static_assert((kRingSize & kRingMask) == 0, "ring positions wrap with a mask");
static_assert(std::endian::native == std::endian::little, "lane 0 is the low end of a word");

// Character codes 256 and up stand for matches of length code - 253.
constexpr int MatchCharacter(int length) { return 255 - kThreshold + length; }
constexpr int MatchLength(int character) { return character - 255 + kThreshold; }

// Binary search over falling cumulative counts: the first index in
// 1..last whose count is not above target (last when none is).
inline int FindFirstNotAbove(const uint16_t* cumulative, int last, uint32_t target) {
  int low = 1;
  int high = last;
  while (low < high) {
    const int middle = (low + high) / 2;
    if (cumulative[middle] > target) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

// Falling counts are searched a block of lanes at a time: frequent symbols
// and near distances come first, so a forward scan ends within a block or two.
inline constexpr int kLanes = 8;
using Lanes = int16_t __attribute__((vector_size(16)));

inline Lanes LoadLanes(const uint16_t* counts) {
  Lanes lanes;
  std::memcpy(&lanes, counts, sizeof lanes);
  return lanes;
}

// The first index from first on whose count is not above target. Counts must
// fall, stay below 2^15 (they compare as signed lanes) and end with a 0 that
// is followed by the rest of its block.
inline int ScanFirstNotAbove(const uint16_t* counts, int first, uint32_t target) {
  const int16_t limit = static_cast<int16_t>(std::min<uint32_t>(target, kMaxCumulative));
  for (;; first += kLanes) {
    const Lanes not_above = LoadLanes(counts + first) <= limit;
    uint64_t halves[2];
    std::memcpy(halves, &not_above, sizeof halves);
    if (halves[0] != 0) return first + std::countr_zero(halves[0]) / 16;
    if (halves[1] != 0) return first + 4 + std::countr_zero(halves[1]) / 16;
  }
}

// Cumulative frequencies of match distances: distance d (1-based) has weight
// 10000 / (d + 200), so near matches are cheap. Entry 0 is the total; zeros
// after entry kRingSize pad the last block for ScanFirstNotAbove.
using PositionTable = std::array<uint16_t, kRingSize + kLanes>;
constexpr PositionTable MakePositionTable() {
  PositionTable table{};
  for (int i = kRingSize; i >= 1; --i) {
    table[i - 1] = static_cast<uint16_t>(table[i] + 10000 / (i + 200));
  }
  return table;
}
inline constexpr PositionTable kPositionCumulative = MakePositionTable();
static_assert(kPositionCumulative[0] < kQuarter1, "products with the range fit 32 bits");

// Where to start looking for a position: for each run of 1 << kGuideShift
// targets, the first index any of them decodes to.
inline constexpr int kGuideShift = 4;
using PositionGuide = std::array<uint16_t, (kPositionCumulative[0] >> kGuideShift) + 1>;
constexpr PositionGuide MakePositionGuide() {
  PositionGuide guide{};
  int index = kRingSize;
  for (uint32_t run = 0; run < guide.size(); ++run) {
    const uint32_t highest = (run << kGuideShift) | ((1u << kGuideShift) - 1);
    while (index > 1 && kPositionCumulative[index - 1] <= highest) --index;
    guide[run] = static_cast<uint16_t>(index);
  }
  return guide;
}
inline constexpr PositionGuide kPositionGuide = MakePositionGuide();

// Symbols 1..314 ordered by falling frequency; symbol s covers the interval
// [cumulative(s), cumulative(s - 1)) of cumulative(0), the total.
class SymbolModel {
 public:
  SymbolModel() {
    cumulative_.fill(0);
    for (int symbol = kCharCount; symbol >= 1; --symbol) {
      const int character = symbol - 1;
      symbol_of_[character] = static_cast<uint16_t>(symbol);
      character_of_[symbol] = static_cast<uint16_t>(character);
      frequency_[symbol] = 1;
      cumulative_[symbol - 1] = static_cast<uint16_t>(cumulative_[symbol] + 1);
    }
    frequency_[0] = 0;  // sentinel: never equal to a real frequency
  }

  uint32_t total() const { return cumulative_[0]; }
  uint32_t cumulative(int symbol) const { return cumulative_[symbol]; }
  int SymbolOf(int character) const { return symbol_of_[character]; }
  int CharacterOf(int symbol) const { return character_of_[symbol]; }

  // The first symbol whose cumulative count is not above target.
  int FindSymbol(uint32_t target) const {
    return std::max(ScanFirstNotAbove(cumulative_.data(), 0, target), 1);
  }

  // Counts one more use of symbol, keeping symbols sorted by frequency.
  void Update(int symbol) {
    if (cumulative_[0] >= kMaxCumulative) {
      uint32_t sum = 0;
      for (int i = kCharCount; i > 0; --i) {
        cumulative_[i] = static_cast<uint16_t>(sum);
        frequency_[i] = static_cast<uint16_t>((frequency_[i] + 1) / 2);
        sum += frequency_[i];
      }
      cumulative_[0] = static_cast<uint16_t>(sum);
    }
    // The symbol trades places with the first of its run of equal frequencies;
    // frequencies fall, so that is the first one not above its own.
    int i = symbol;
    if (frequency_[i - 1] == frequency_[i]) {
      i = FindFirstNotAbove(frequency_.data(), symbol - 1, frequency_[symbol]);
      const uint16_t character_i = character_of_[i];
      const uint16_t character_s = character_of_[symbol];
      character_of_[i] = character_s;
      character_of_[symbol] = character_i;
      symbol_of_[character_i] = static_cast<uint16_t>(symbol);
      symbol_of_[character_s] = static_cast<uint16_t>(i);
    }
    ++frequency_[i];
    // cumulative(0..i-1) each grow by one: whole blocks, then the head of the last.
    int first = 0;
    for (; first + kLanes <= i; first += kLanes) StoreBlock(first, LoadBlock(first) + 1);
    Lanes head;
    std::memcpy(&head, &kOnesThenZeros[kLanes - (i - first)], sizeof head);
    StoreBlock(first, LoadBlock(first) + head);
  }

 private:
  static constexpr int16_t kOnesThenZeros[2 * kLanes] = {1, 1, 1, 1, 1, 1, 1, 1,
                                                         0, 0, 0, 0, 0, 0, 0, 0};

  Lanes LoadBlock(int first) const { return LoadLanes(&cumulative_[first]); }
  void StoreBlock(int first, Lanes block) {
    std::memcpy(&cumulative_[first], &block, sizeof block);
  }

  std::array<uint16_t, kCharCount + 1> frequency_{};
  // Padded with zeros to whole blocks; only 0..314 ever change.
  alignas(16) std::array<uint16_t, (kCharCount + kLanes) / kLanes * kLanes> cumulative_{};
  std::array<uint16_t, kCharCount + 1> character_of_{};
  std::array<uint16_t, kCharCount> symbol_of_{};
};

// Divides 32-bit numbers by a fixed divisor above 1 with a multiply instead
// of a division: the reciprocal, 2^64 / divisor rounded up, errs by less than
// 2^-32 per unit, too little to move any quotient of a 32-bit number.
class Divisor {
 public:
  explicit Divisor(uint32_t divisor) : reciprocal_(~uint64_t{0} / divisor + 1) {}

  uint32_t Divide(uint32_t number) const {
    return static_cast<uint32_t>((static_cast<unsigned __int128>(reciprocal_) * number) >> 64);
  }

 private:
  uint64_t reciprocal_;
};

// The coder's interval [low, high) after choosing the sub-interval
// [lower, upper) of total: the same on both sides of the stream.
struct Interval {
  uint32_t low = 0;
  uint32_t high = kQuarter4;

  void Narrow(uint32_t lower, uint32_t upper, uint32_t total) {
    const uint32_t range = high - low;
    high = low + range * upper / total;
    low = low + range * lower / total;
  }
  // The same, with the total's reciprocal ready before the bounds are known.
  void Narrow(uint32_t lower, uint32_t upper, const Divisor& total) {
    const uint32_t range = high - low;
    high = low + total.Divide(range * upper);
    low = low + total.Divide(range * lower);
  }
};

}  // namespace tarnwell::text::lzari
