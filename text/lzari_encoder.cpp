// LZARI encoding: greedy LZSS matching with one step of look-ahead over hash
// chains, then adaptive arithmetic coding of literals, match lengths and
// match distances.
#include "text/lzari_encoder.h"

#include <algorithm>
#include <string>

#include "text/lzari_model.h"

namespace tarnwell::text {
namespace {

using namespace lzari;

// Matches reach back no further than the classic encoder's window, and never
// before the first blank, so every decoder with these parameters reads them
// from bytes it has really written.
constexpr int kMaxDistance = kRingSize - kLongestMatch;
constexpr int kHashBits = 15;
constexpr int kMaxChainSteps = 256;  // enough for text; bounds time on repetitive input

class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
  void Put(uint32_t bit) {
    if (bit != 0) byte_ |= mask_;
    mask_ >>= 1;
    if (mask_ == 0) {
      out_.push_back(byte_);
      byte_ = 0;
      mask_ = 0x80;
    }
  }
  // Pads the last byte with zeros.
  void Flush() {
    if (mask_ != 0x80) out_.push_back(byte_);
  }

 private:
  std::vector<uint8_t>& out_;
  uint8_t byte_ = 0;
  uint8_t mask_ = 0x80;
};

class ArithmeticEncoder {
 public:
  explicit ArithmeticEncoder(BitWriter& bits) : bits_(bits) {}

  void Encode(uint32_t lower, uint32_t upper, uint32_t total) {
    interval_.Narrow(lower, upper, total);
    for (;;) {
      if (interval_.high <= kQuarter2) {
        Output(0);
      } else if (interval_.low >= kQuarter2) {
        Output(1);
        interval_.low -= kQuarter2;
        interval_.high -= kQuarter2;
      } else if (interval_.low >= kQuarter1 && interval_.high <= kQuarter3) {
        ++pending_;
        interval_.low -= kQuarter1;
        interval_.high -= kQuarter1;
      } else {
        break;
      }
      interval_.low *= 2;
      interval_.high *= 2;
    }
  }

  // Enough bits that whatever follows (padding, or the decoder's 1-bits past
  // the end) keeps the value inside the final interval.
  void Finish() {
    ++pending_;
    Output(interval_.low < kQuarter1 ? 0 : 1);
    bits_.Flush();
  }

 private:
  void Output(uint32_t bit) {
    bits_.Put(bit);
    for (; pending_ > 0; --pending_) bits_.Put(bit ^ 1);
  }

  BitWriter& bits_;
  Interval interval_;
  uint32_t pending_ = 0;
};

// Hash chains over the whole history: the ring's initial blanks followed by
// the input, so a history index equals the decoder's ring position modulo N.
class MatchFinder {
 public:
  explicit MatchFinder(const std::string& history)
      : history_(history), head_(size_t{1} << kHashBits, -1), previous_(history.size(), -1) {}

  void Insert(int index) {
    if (static_cast<size_t>(index) + 3 > history_.size()) return;
    const uint32_t hash = Hash(index);
    previous_[index] = head_[hash];
    head_[hash] = index;
  }

  struct Match {
    int length = 0;
    int distance = 0;
  };

  // The longest match for the bytes at index, nearest first among equals.
  Match Find(int index) const {
    Match best;
    const int available =
        static_cast<int>(std::min<size_t>(kLongestMatch, history_.size() - index));
    if (available <= kThreshold) return best;
    int candidate = head_[Hash(index)];
    for (int steps = 0; candidate >= 0 && steps < kMaxChainSteps; ++steps) {
      const int distance = index - candidate;
      if (distance > kMaxDistance) break;
      int length = 0;
      while (length < available && history_[candidate + length] == history_[index + length]) {
        ++length;
      }
      if (length > best.length) {
        best = {length, distance};
        if (length == available) break;
      }
      candidate = previous_[candidate];
    }
    if (best.length <= kThreshold) best = {};
    return best;
  }

 private:
  uint32_t Hash(int index) const {
    const auto byte = [&](int k) { return static_cast<uint8_t>(history_[index + k]); };
    const uint32_t key = byte(0) | byte(1) << 8 | byte(2) << 16;
    return (key * 2654435761u) >> (32 - kHashBits);
  }

  const std::string& history_;
  std::vector<int> head_;
  std::vector<int> previous_;
};

}  // namespace

std::vector<uint8_t> EncodeLzari(std::span<const uint8_t> input) {
  std::vector<uint8_t> out;
  const uint32_t size = static_cast<uint32_t>(input.size());
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(size >> shift));
  if (input.empty()) return out;

  std::string history(kRingStart, static_cast<char>(kRingFill));
  history.append(input.begin(), input.end());
  MatchFinder finder(history);
  for (int i = 0; i < kRingStart; ++i) finder.Insert(i);

  BitWriter bits(out);
  ArithmeticEncoder coder(bits);
  SymbolModel model;
  const auto encode_character = [&](int character) {
    const int symbol = model.SymbolOf(character);
    coder.Encode(model.cumulative(symbol), model.cumulative(symbol - 1), model.total());
    model.Update(symbol);
  };

  const int end = static_cast<int>(history.size());
  int index = kRingStart;
  MatchFinder::Match match = finder.Find(index);
  while (index < end) {
    finder.Insert(index);
    // A longer match one byte later is worth a literal now.
    MatchFinder::Match next;
    if (match.length > 0 && index + 1 < end) next = finder.Find(index + 1);
    if (match.length == 0 || next.length > match.length) {
      encode_character(static_cast<uint8_t>(history[index]));
      ++index;
      match = match.length == 0 ? finder.Find(index) : next;
      continue;
    }
    encode_character(MatchCharacter(match.length));
    const int position = match.distance - 1;
    coder.Encode(kPositionCumulative[position + 1], kPositionCumulative[position],
                 kPositionCumulative[0]);
    for (int k = 1; k < match.length; ++k) finder.Insert(index + k);
    index += match.length;
    match = index < end ? finder.Find(index) : MatchFinder::Match{};
  }
  coder.Finish();
  return out;
}

}  // namespace tarnwell::text
