#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "text/catalog.h"

namespace tarnwell::text {
namespace {

// Workers look texts up while the window switches languages: each lookup
// gives the old or the new language's text, never a torn or foreign one.
TEST(CatalogThreads, LookupsDuringLanguageSwitchesSeeOneLanguageOrTheOther) {
  ASSERT_TRUE(BuildTextCatalog());
  std::atomic<bool> stop{false};
  std::atomic<int> wrong{0};
  std::vector<std::thread> workers;
  for (int w = 0; w < 3; ++w) {
    workers.emplace_back([&] {
      while (!stop.load()) {
        const std::string size = LookupUtf8(TextId::kSize);
        if (size != "Size" && size != "Größe") ++wrong;
        if (AboutUtf8(AboutId::kProductAndVersion) != "Tarnwell 3.13") ++wrong;
      }
    });
  }
  for (int i = 0; i < 20000; ++i) SetCurrentLanguage(i % 2);
  stop = true;
  for (std::thread& worker : workers) worker.join();
  EXPECT_EQ(wrong.load(), 0);
  SetCurrentLanguage(1);
}

}  // namespace
}  // namespace tarnwell::text
