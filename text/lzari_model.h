// The parts of LZARI that the encoder and the decoder must share bit for bit:
// the parameters, the adaptive symbol model, the fixed position model and the
// interval arithmetic of the coder. Internal to the text layer and its tools.
#pragma once

#include <array>
#include <cstdint>

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

// Cumulative frequencies of match distances: distance d (1-based) has weight
// 10000 / (d + 200), so near matches are cheap. Entry 0 is the total.
using PositionTable = std::array<uint16_t, kRingSize + 1>;
constexpr PositionTable MakePositionTable() {
  PositionTable table{};
  table[kRingSize] = 0;
  for (int i = kRingSize; i >= 1; --i) {
    table[i - 1] = static_cast<uint16_t>(table[i] + 10000 / (i + 200));
  }
  return table;
}
inline constexpr PositionTable kPositionCumulative = MakePositionTable();
static_assert(kPositionCumulative[0] < kQuarter1, "products with the range fit 32 bits");

// Symbols 1..314 ordered by falling frequency; symbol s covers the interval
// [cumulative(s), cumulative(s - 1)) of cumulative(0), the total.
class SymbolModel {
 public:
  SymbolModel() {
    cumulative_[kCharCount] = 0;
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
    return FindFirstNotAbove(cumulative_.data(), kCharCount, target);
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
    int i = symbol;
    while (frequency_[i] == frequency_[i - 1]) --i;
    if (i < symbol) {
      const uint16_t character_i = character_of_[i];
      const uint16_t character_s = character_of_[symbol];
      character_of_[i] = character_s;
      character_of_[symbol] = character_i;
      symbol_of_[character_i] = static_cast<uint16_t>(symbol);
      symbol_of_[character_s] = static_cast<uint16_t>(i);
    }
    ++frequency_[i];
    while (--i >= 0) ++cumulative_[i];
  }

 private:
  std::array<uint16_t, kCharCount + 1> frequency_{};
  std::array<uint16_t, kCharCount + 1> cumulative_{};
  std::array<uint16_t, kCharCount + 1> character_of_{};
  std::array<uint16_t, kCharCount> symbol_of_{};
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
};

}  // namespace tarnwell::text::lzari
