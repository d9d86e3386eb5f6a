// The catalogue of every user-visible text in every language, parsed from one
// decoded archive text. The texts are views into the decoded buffer, which the
// catalogue owns and never moves; after Build it is read-only.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace tarnwell::text {

inline constexpr int kTextIdCount = 512;  // ids 0..511
inline constexpr int kMaxLanguages = 32;
inline constexpr int kFallbackLanguage = 1;  // English

class TextCatalog final {
 public:
  // Working buffer of the decoded text, in bytes.
  static constexpr size_t kDecodedCapacity = 400000;

  // Decodes an LZARI archive of UTF-16LE text and parses it. Nothing when the
  // working buffer cannot be obtained or the archive declares more than it can
  // hold (MaxLzariDecodedSize); a damaged archive gives a catalogue with
  // whatever sections and lines it decodes to.
  static std::unique_ptr<TextCatalog> Build(std::span<const uint8_t> archive);
  // The same from text already decoded (UTF-16LE bytes, cut to the buffer).
  static std::unique_ptr<TextCatalog> BuildFromText(std::span<const uint8_t> text);

  TextCatalog(const TextCatalog&) = delete;
  TextCatalog& operator=(const TextCatalog&) = delete;

  // The text of id in language, or in English when language is not loaded or
  // lacks the id; an empty view when neither has it or id is out of range.
  std::u16string_view Lookup(int language, int id) const;
  // The language-independent about text of id, "\r" and "\n" already turned
  // into CR and LF; empty when missing.
  std::u16string_view About(int id) const;

  int language_count() const { return language_count_; }
  // The header name of a language ("Deutsch\tGerman"), empty for an unnamed
  // one or an index out of range.
  std::u16string_view LanguageName(int language) const;
  // The English section exactly as stored (header line's LF first, every line
  // with its CR LF), whole; empty without an English section.
  std::u16string_view english_template() const { return english_template_; }

 private:
  using Slots = std::array<std::u16string_view, kTextIdCount>;  // data() null: no text
  struct Language {
    std::u16string_view name;
    char16_t* section = nullptr;
    Slots slots;
  };

  TextCatalog() = default;
  static std::unique_ptr<TextCatalog> Allocate();
  // Terminates the text of byte_count bytes in the buffer and parses it.
  void Finish(size_t byte_count);
  void Parse(size_t unit_count);

  std::unique_ptr<char16_t[]> decoded_;
  std::array<Language, kMaxLanguages> languages_;
  int language_count_ = 0;
  Slots about_;
  std::u16string english_template_;
};

}  // namespace tarnwell::text
