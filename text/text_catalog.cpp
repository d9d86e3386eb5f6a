// Parsing of the decoded archive text: markers "##" split it into sections,
// lines "id=text" fill the slots. Terminators are written into the buffer so
// every text is a view of its own units.
#include "text/text_catalog.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>

#include "text/lzari_decoder.h"

namespace tarnwell::text {
namespace {

constexpr char16_t kEnd = 0;
constexpr char16_t kCr = u'\r';
constexpr char16_t kLf = u'\n';
constexpr size_t kUnits = TextCatalog::kDecodedCapacity / 2;

// The line's leading decimal number: blanks skipped, optional sign, digits.
// A line that does not start with a number is id 0; huge numbers stay out of
// range instead of wrapping.
int64_t LeadingNumber(const char16_t* p, const char16_t* end) {
  while (p < end && (*p == u' ' || *p == u'\t')) ++p;
  bool negative = false;
  if (p < end && (*p == u'+' || *p == u'-')) negative = *p++ == u'-';
  int64_t value = 0;
  for (; p < end && *p >= u'0' && *p <= u'9'; ++p) {
    if (value < std::numeric_limits<int32_t>::max()) value = value * 10 + (*p - u'0');
  }
  return negative ? -value : value;
}

// Turns "\r" and "\n" into CR and LF in place; returns the new end.
char16_t* Unescape(char16_t* begin, char16_t* end) {
  char16_t* out = begin;
  for (char16_t* in = begin; in < end; ++in) {
    if (*in == u'\\' && in + 1 < end && (in[1] == u'r' || in[1] == u'n')) {
      *out++ = in[1] == u'r' ? kCr : kLf;
      ++in;
    } else {
      *out++ = *in;
    }
  }
  if (out < end) *out = kEnd;
  return out;
}

// Fills slots from the lines of one section, which ends at its terminator. A
// last line without LF is not taken.
template <typename Slots>
void ParseLines(char16_t* p, Slots& slots, bool unescape) {
  while (*p != kEnd) {
    char16_t* lf = p;
    while (*lf != kEnd && *lf != kLf) ++lf;
    if (*lf == kEnd) return;
    char16_t* end = lf;
    *lf = kEnd;
    if (end > p && end[-1] == kCr) *--end = kEnd;

    char16_t* equals = p;
    while (equals < end && *equals != u'=') ++equals;
    if (equals < end) {
      const int64_t id = LeadingNumber(p, equals);
      if (id >= 0 && id < static_cast<int64_t>(slots.size())) {
        char16_t* text = equals + 1;
        char16_t* text_end = unescape ? Unescape(text, end) : end;
        slots[id] = std::u16string_view(text, text_end - text);
      }
    }
    p = lf + 1;
  }
}

}  // namespace

std::unique_ptr<TextCatalog> TextCatalog::Allocate() {
  std::unique_ptr<TextCatalog> catalog(new (std::nothrow) TextCatalog());
  if (catalog == nullptr) return nullptr;
  catalog->decoded_.reset(new (std::nothrow) char16_t[kUnits]());
  if (catalog->decoded_ == nullptr) return nullptr;
  return catalog;
}

std::unique_ptr<TextCatalog> TextCatalog::Build(std::span<const uint8_t> archive) {
  std::unique_ptr<TextCatalog> catalog = Allocate();
  if (catalog == nullptr) return nullptr;
  // A declared size the archive cannot hold would have the decoder run on
  // for up to 4 GiB of output it drops.
  if (archive.size() >= 4) {
    const uint32_t declared =
        archive[0] | archive[1] << 8 | archive[2] << 16 | uint32_t{archive[3]} << 24;
    if (declared > MaxLzariDecodedSize(archive.size())) return nullptr;
  }
  auto* bytes = reinterpret_cast<uint8_t*>(catalog->decoded_.get());
  catalog->Finish(DecodeLzari(archive.data(), archive.size(), bytes, kDecodedCapacity));
  return catalog;
}

std::unique_ptr<TextCatalog> TextCatalog::BuildFromText(std::span<const uint8_t> text) {
  std::unique_ptr<TextCatalog> catalog = Allocate();
  if (catalog == nullptr) return nullptr;
  const size_t length = std::min(text.size(), kDecodedCapacity - 1);
  if (length > 0) std::memcpy(catalog->decoded_.get(), text.data(), length);
  catalog->Finish(length);
  return catalog;
}

void TextCatalog::Finish(size_t byte_count) {
  // The decoder stores at most capacity - 1 bytes; keep a whole zero unit
  // behind the text even when the archive declares more than fits.
  const size_t units = std::min<size_t>(byte_count / 2, kUnits - 1);
  decoded_[units] = kEnd;
  if constexpr (std::endian::native == std::endian::big) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(decoded_.get());
    for (size_t i = 0; i < units; ++i) {
      decoded_[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    }
  }
  Parse(units);
}

void TextCatalog::Parse(size_t unit_count) {
  char16_t* const text = decoded_.get();
  char16_t* const text_end = text + unit_count;
  // A section start behind the end of the text is the empty terminator.
  const auto start_at = [&](char16_t* p) { return p < text_end ? p : text_end; };

  char16_t* about = nullptr;
  int marker = 0;
  char16_t* p = text;
  while (*p != kEnd) {
    if (p[0] != u'#' || p[1] != u'#') {
      ++p;
      continue;
    }
    char16_t* const pair = p;
    *pair = kEnd;
    p = pair + 2;
    if (marker == 0) {
      about = start_at(pair + 4);
    } else if (marker >= 3 && language_count_ < kMaxLanguages) {
      Language& language = languages_[language_count_++];
      if (pair[2] == u'=') {
        char16_t* cr = pair + 3;
        while (*cr != kEnd && *cr != kCr) ++cr;
        if (*cr == kCr) {
          *cr = kEnd;
          language.name = std::u16string_view(pair + 3, cr - (pair + 3));
          language.section = cr + 1;
          p = cr + 1;
        } else {
          language.section = text_end;
          p = cr;
        }
      } else {
        language.section = start_at(pair + 4);
      }
    }
    ++marker;
  }

  if (language_count_ > kFallbackLanguage) {
    english_template_ = std::u16string(languages_[kFallbackLanguage].section);
  }
  for (int i = 0; i < language_count_; ++i) {
    ParseLines(languages_[i].section, languages_[i].slots, /*unescape=*/false);
  }
  if (about != nullptr) ParseLines(about, about_, /*unescape=*/true);
}

std::u16string_view TextCatalog::Lookup(int language, int id) const {
  if (id < 0 || id >= kTextIdCount) return {};
  if (language >= 0 && language < language_count_) {
    const std::u16string_view text = languages_[language].slots[id];
    if (text.data() != nullptr) return text;
  }
  if (language_count_ > kFallbackLanguage) return languages_[kFallbackLanguage].slots[id];
  return {};
}

std::u16string_view TextCatalog::About(int id) const {
  if (id < 0 || id >= kTextIdCount) return {};
  return about_[id];
}

std::u16string_view TextCatalog::LanguageName(int language) const {
  if (language < 0 || language >= language_count_) return {};
  return languages_[language].name;
}

}  // namespace tarnwell::text
