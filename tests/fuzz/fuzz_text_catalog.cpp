// Any decoded text must parse, and every text the catalogue hands out must lie
// in memory it owns (ASan checks each unit as it is read).
#include <cstdint>
#include <cstdlib>

#include "text/text_catalog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using tarnwell::text::TextCatalog;
  std::unique_ptr<TextCatalog> catalog = TextCatalog::BuildFromText({data, size});
  if (catalog == nullptr) return 0;
  if (catalog->language_count() < 0 || catalog->language_count() > tarnwell::text::kMaxLanguages) {
    std::abort();
  }
  volatile uint32_t sum = 0;
  const auto touch = [&sum](std::u16string_view text) {
    for (char16_t unit : text) sum = sum + unit;
  };
  for (int language = -1; language <= catalog->language_count(); ++language) {
    touch(catalog->LanguageName(language));
    for (int id = -1; id <= tarnwell::text::kTextIdCount; ++id)
      touch(catalog->Lookup(language, id));
  }
  for (int id = 0; id < tarnwell::text::kTextIdCount; ++id) touch(catalog->About(id));
  touch(catalog->english_template());
  return 0;
}
