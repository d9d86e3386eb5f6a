// The active catalogue behind an atomic pointer. Catalogues are never freed
// before exit: workers may hold views into any of them.
#include "text/catalog.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "text/builtin_text_archive.h"
#include "text/text_catalog.h"
#include "text/utf16.h"

namespace tarnwell::text {
namespace {

std::atomic<const TextCatalog*> active_catalog{nullptr};
std::atomic<int> current_language{kFallbackLanguage};

std::mutex build_mutex;
const TextCatalog* builtin_catalog = nullptr;             // guarded by build_mutex
std::vector<std::unique_ptr<TextCatalog>> kept_catalogs;  // guarded by build_mutex

const TextCatalog* Keep(std::unique_ptr<TextCatalog> catalog) {
  kept_catalogs.push_back(std::move(catalog));
  return kept_catalogs.back().get();
}

const TextCatalog* Active() { return active_catalog.load(std::memory_order_acquire); }

}  // namespace

bool BuildTextCatalog() {
  std::lock_guard lock(build_mutex);
  if (builtin_catalog == nullptr) {
    std::unique_ptr<TextCatalog> catalog = TextCatalog::Build(BuiltinTextArchive());
    if (catalog == nullptr) return false;
    builtin_catalog = Keep(std::move(catalog));
  }
  active_catalog.store(builtin_catalog, std::memory_order_release);
  return true;
}

bool BuildTextCatalogFromArchive(std::span<const uint8_t> archive) {
  std::unique_ptr<TextCatalog> catalog = TextCatalog::Build(archive);
  if (catalog == nullptr) return false;
  std::lock_guard lock(build_mutex);
  active_catalog.store(Keep(std::move(catalog)), std::memory_order_release);
  return true;
}

std::u16string_view LookupText(TextId id) {
  const TextCatalog* catalog = Active();
  return catalog == nullptr ? std::u16string_view()
                            : catalog->Lookup(CurrentLanguage(), static_cast<int>(id));
}

std::string LookupUtf8(TextId id) { return Utf16ToUtf8(LookupText(id)); }

std::string LookupLines(TextId id) {
  const std::string text = LookupUtf8(id);
  std::string lines;
  lines.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      lines += '\n';
      ++i;
    } else {
      lines += text[i];
    }
  }
  return lines;
}

std::u16string_view AboutText(AboutId id) {
  const TextCatalog* catalog = Active();
  return catalog == nullptr ? std::u16string_view() : catalog->About(static_cast<int>(id));
}

std::string AboutUtf8(AboutId id) { return Utf16ToUtf8(AboutText(id)); }

int CurrentLanguage() { return current_language.load(std::memory_order_relaxed); }

void SetCurrentLanguage(int language) {
  current_language.store(language, std::memory_order_relaxed);
}

int LanguageCount() {
  const TextCatalog* catalog = Active();
  return catalog == nullptr ? 0 : catalog->language_count();
}

std::u16string_view LanguageName(int language) {
  const TextCatalog* catalog = Active();
  return catalog == nullptr ? std::u16string_view() : catalog->LanguageName(language);
}

std::string LanguageNameUtf8(int language) { return Utf16ToUtf8(LanguageName(language)); }

std::u16string_view EnglishTemplateText() {
  const TextCatalog* catalog = Active();
  return catalog == nullptr ? std::u16string_view() : catalog->english_template();
}

}  // namespace tarnwell::text
