// Every erase test reads the built-in catalogue in English.
#include <gtest/gtest.h>

#include "text/catalog.h"

namespace {

class EnglishTexts : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(tarnwell::text::BuildTextCatalog());
    tarnwell::text::SetCurrentLanguage(1);
  }
};

[[maybe_unused]] ::testing::Environment* const kEnglish =
    ::testing::AddGlobalTestEnvironment(new EnglishTexts);

}  // namespace
