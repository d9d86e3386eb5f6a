#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "text/catalog.h"
#include "text/lzari_decoder.h"
#include "text/lzari_encoder.h"
#include "text/lzari_model.h"

namespace tarnwell::text {
namespace {

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<uint8_t> Decode(const std::vector<uint8_t>& archive, size_t capacity,
                            uint32_t* declared = nullptr) {
  std::vector<uint8_t> out(capacity, 0xAA);
  const uint32_t size = DecodeLzari(archive.data(), archive.size(), out.data(), out.size());
  if (declared != nullptr) *declared = size;
  return out;
}

std::vector<uint8_t> RoundTrip(const std::vector<uint8_t>& input) {
  const std::vector<uint8_t> archive = EncodeLzari(input);
  uint32_t declared = 0;
  std::vector<uint8_t> out = Decode(archive, input.size() + 1, &declared);
  EXPECT_EQ(declared, input.size());
  out.resize(input.size());
  return out;
}

std::vector<uint8_t> TextSource() {
  std::ifstream in(TARNWELL_TEXT_UTF16, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The decoder at its plainest: one bit, one count, one byte at a time. The
// real one must agree with it on any input, damaged or not, and so must the
// encoder's model, or archives made by earlier builds would stop decoding.
std::vector<uint8_t> PlainDecode(const std::vector<uint8_t>& archive) {
  using namespace lzari;
  if (archive.size() < 4) return {};
  uint32_t declared = 0;
  std::memcpy(&declared, archive.data(), 4);
  size_t bit = 0;
  const auto next_bit = [&] {
    const size_t byte = 4 + bit / 8;
    const uint32_t value = byte < archive.size() ? archive[byte] >> (7 - bit % 8) & 1 : 1;
    ++bit;
    return value;
  };
  uint32_t value = 0;
  for (int i = 0; i < kValueBits; ++i) value = 2 * value + next_bit();
  Interval interval;
  const auto target = [&](uint32_t total) {
    return ((value - interval.low + 1) * total - 1) / (interval.high - interval.low);
  };
  const auto consume = [&](uint32_t lower, uint32_t upper, uint32_t total) {
    interval.Narrow(lower, upper, total);
    for (;;) {
      uint32_t shift = 0;
      if (interval.low >= kQuarter2) {
        shift = kQuarter2;
      } else if (interval.low >= kQuarter1 && interval.high <= kQuarter3) {
        shift = kQuarter1;
      } else if (interval.high > kQuarter2) {
        break;
      }
      interval.low = 2 * (interval.low - shift);
      interval.high = 2 * (interval.high - shift);
      value = 2 * (value - shift) + next_bit();
    }
  };
  std::array<uint16_t, kCharCount + 1> frequency{}, cumulative{}, character_of{};
  for (int symbol = kCharCount; symbol >= 1; --symbol) {
    character_of[symbol] = static_cast<uint16_t>(symbol - 1);
    frequency[symbol] = 1;
    cumulative[symbol - 1] = static_cast<uint16_t>(cumulative[symbol] + 1);
  }
  std::vector<uint8_t> ring(kRingSize, 0), out;
  std::fill(ring.begin(), ring.begin() + kRingStart, kRingFill);
  unsigned r = kRingStart;
  const auto emit = [&](uint8_t byte) {
    out.push_back(byte);
    ring[r] = byte;
    r = (r + 1) & kRingMask;
  };
  while (out.size() < declared) {
    const uint32_t total = cumulative[0];
    const int symbol = FindFirstNotAbove(cumulative.data(), kCharCount, target(total));
    consume(cumulative[symbol], cumulative[symbol - 1], total);
    const int character = character_of[symbol];
    if (cumulative[0] >= kMaxCumulative) {
      for (int i = kCharCount; i > 0; --i) {
        frequency[i] = static_cast<uint16_t>((frequency[i] + 1) / 2);
        cumulative[i - 1] = static_cast<uint16_t>(cumulative[i] + frequency[i]);
      }
    }
    int first = symbol;
    while (frequency[first] == frequency[first - 1]) --first;
    std::swap(character_of[first], character_of[symbol]);
    ++frequency[first];
    while (--first >= 0) ++cumulative[first];
    if (character < 256) {
      emit(static_cast<uint8_t>(character));
      continue;
    }
    const uint32_t position_total = kPositionCumulative[0];
    const int position =
        FindFirstNotAbove(kPositionCumulative.data(), kRingSize, target(position_total)) - 1;
    consume(kPositionCumulative[position + 1], kPositionCumulative[position], position_total);
    const unsigned start = (r - position - 1) & kRingMask;
    for (int k = 0; k < MatchLength(character); ++k) emit(ring[(start + k) & kRingMask]);
  }
  out.resize(declared);
  return out;
}

TEST(Lzari, RoundTripsVariedInputs) {
  std::mt19937 random(7);
  std::vector<uint8_t> noise(100000);
  for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
  std::vector<uint8_t> sparse(70000, 0);  // long runs, rare changes, distances up to the ring
  for (size_t i = 0; i < sparse.size(); i += 1 + random() % 5000) sparse[i] = 'x';
  std::vector<uint8_t> mixed;
  while (mixed.size() < 200000) {
    const std::string word = "word" + std::to_string(random() % 3000) + (random() % 7 ? " " : "\n");
    mixed.insert(mixed.end(), word.begin(), word.end());
  }
  const std::vector<std::vector<uint8_t>> inputs = {{},
                                                    {'A'},
                                                    {' '},
                                                    Bytes("   "),
                                                    Bytes(std::string(5000, ' ')),
                                                    Bytes(std::string(1, '\0')),
                                                    noise,
                                                    sparse,
                                                    mixed,
                                                    TextSource()};
  for (const std::vector<uint8_t>& input : inputs) {
    EXPECT_EQ(RoundTrip(input), input) << "input of " << input.size() << " bytes";
  }
  EXPECT_GT(TextSource().size(), 5000u);
}

TEST(Lzari, MatchesOverlappingTheirOwnOutputRepeatBytes) {
  // A period shorter than the match length forces copies from bytes the same
  // match is producing; the archive stays tiny only if they are used.
  std::string text = "xy";
  for (int i = 0; i < 5000; ++i) text += "abc";
  const std::vector<uint8_t> input = Bytes(text);
  EXPECT_LT(EncodeLzari(input).size(), 400u);
  EXPECT_EQ(RoundTrip(input), input);
}

TEST(Lzari, EmptyInputIsTheHeaderAlone) {
  EXPECT_EQ(EncodeLzari({}), (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST(Lzari, StoresAtMostCapacityMinusOneAndReturnsTheDeclaredSize) {
  const std::vector<uint8_t> input = Bytes("The quick brown fox jumps over the lazy dog, twice.");
  const std::vector<uint8_t> archive = EncodeLzari(input);
  uint32_t declared = 0;
  const std::vector<uint8_t> out = Decode(archive, 11, &declared);
  EXPECT_EQ(declared, input.size());
  EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 10),
            std::vector<uint8_t>(input.begin(), input.begin() + 10));
  EXPECT_EQ(out[10], 0xAA);

  EXPECT_EQ(DecodeLzari(archive.data(), archive.size(), nullptr, 0), input.size());
}

TEST(Lzari, DeclaredSizeZeroOrMissingHeaderProducesNothing) {
  const std::vector<uint8_t> zero = {0, 0, 0, 0, 0x12, 0x34, 0x56};
  uint32_t declared = 1;
  EXPECT_EQ(Decode(zero, 8, &declared), std::vector<uint8_t>(8, 0xAA));
  EXPECT_EQ(declared, 0u);
  EXPECT_EQ(DecodeLzari(zero.data(), 3, nullptr, 0), 0u);
}

TEST(Lzari, BitsPastTheEndReadAsOnes) {
  // With only ones the coder's value sits at the top of the range, which is
  // the first symbol of the fresh model: character 0.
  uint32_t declared = 0;
  const std::vector<uint8_t> out = Decode({1, 0, 0, 0}, 4, &declared);
  EXPECT_EQ(declared, 1u);
  EXPECT_EQ(out[0], 0x00);
  EXPECT_EQ(out[1], 0xAA);
}

TEST(Lzari, TruncatedOrDamagedArchivesEndWithoutOverrun) {
  const std::vector<uint8_t> input = TextSource();
  const std::vector<uint8_t> archive = EncodeLzari(input);
  std::vector<uint8_t> truncated(archive.begin(), archive.begin() + archive.size() / 2);
  uint32_t declared = 0;
  std::vector<uint8_t> out = Decode(truncated, input.size() + 1, &declared);
  EXPECT_EQ(declared, input.size());
  EXPECT_TRUE(std::equal(input.begin(), input.begin() + 1000, out.begin()));

  std::vector<uint8_t> damaged = archive;
  for (size_t i = 40; i < damaged.size(); i += 97) damaged[i] ^= 0x5A;
  out = Decode(damaged, 1000, &declared);
  EXPECT_EQ(declared, input.size());
  EXPECT_NE(out, std::vector<uint8_t>(input.begin(), input.begin() + 1000));
}

TEST(Lzari, DecodesAnyInputAsThePlainDecoderDoes) {
  const std::vector<uint8_t> text = TextSource();
  std::mt19937 random(3);
  std::vector<std::vector<uint8_t>> archives = {EncodeLzari(text)};
  for (int round = 0; round < 40; ++round) {
    const size_t start = random() % text.size();
    std::vector<uint8_t> slice(text.begin() + start,
                               text.begin() + std::min(text.size(), start + random() % 8000));
    std::vector<uint8_t> archive = EncodeLzari(slice);
    archives.push_back(archive);
    if (archive.size() <= 4) continue;
    for (int flip = 0; flip < 3; ++flip) archive[4 + random() % (archive.size() - 4)] ^= 0x10;
    archives.push_back(archive);
    archive.resize(4 + random() % (archive.size() - 4));
    archives.push_back(archive);
  }
  for (int round = 0; round < 100; ++round) {  // noise with a modest declared size
    std::vector<uint8_t> noise(4 + random() % 300);
    for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
    noise[1] &= 0x1F;
    noise[2] = noise[3] = 0;
    archives.push_back(noise);
  }
  for (const std::vector<uint8_t>& archive : archives) {
    const std::vector<uint8_t> expected = PlainDecode(archive);
    uint32_t declared = 0;
    std::vector<uint8_t> out = Decode(archive, expected.size() + 1, &declared);
    out.pop_back();
    ASSERT_EQ(declared, expected.size());
    ASSERT_EQ(out, expected) << "archive of " << archive.size() << " bytes";
  }
}

TEST(Lzari, DeclaredSizesTheArchiveCannotHoldAreRefusedByTheCatalogue) {
  // Zeros are the most an archive packs into one bit, and still far within.
  const std::vector<uint8_t> honest = EncodeLzari(std::vector<uint8_t>(1'000'000, 0));
  EXPECT_LE(1'000'000u, MaxLzariDecodedSize(honest.size()));
  EXPECT_EQ(MaxLzariDecodedSize(100), 96u * 8 * 60);
  EXPECT_EQ(MaxLzariDecodedSize(4), 0u);

  std::vector<uint8_t> lying(100, 0x5A);
  lying[0] = lying[1] = lying[2] = lying[3] = 0xFF;  // 4 GiB declared
  EXPECT_FALSE(BuildTextCatalogFromArchive(lying));
}

}  // namespace
}  // namespace tarnwell::text
