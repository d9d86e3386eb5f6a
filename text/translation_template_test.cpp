#include "text/translation_template.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/fault_env.h"
#include "tests/support/temp_dir.h"
#include "text/catalog.h"
#include "text/catalog_test_support.h"
#include "text/utf16.h"

namespace tarnwell::text {
namespace {

using tarnwell::testing::ReadAll;

std::string Utf16Bytes(std::u16string_view text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

class TranslationTemplateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(BuildTextCatalog());
    env_.fail_call = [this](const std::string& operation,
                            const std::string& path) -> std::optional<platform::Status> {
      if (operation == "OpenWithDefaultProgram") {
        opened_.push_back(path);
        return platform::Status::Error(ENOENT, "no opener in tests");
      }
      if (operation == "RemoveFile" && refuse_removal_) {
        return platform::Status::Error(EPERM, "sticky folder");
      }
      return std::nullopt;
    };
  }
  void TearDown() override { BuildTextCatalog(); }

  tarnwell::testing::TempDir dir_;
  testing::ScopedTempDirectory temp_{dir_.path()};
  platform::FaultEnv env_{platform::DefaultEnv()};
  const std::string path_ = dir_ / "translate_11.txt";
  std::vector<std::string> opened_;
  bool refuse_removal_ = false;
};

TEST_F(TranslationTemplateTest, BuiltinTemplateHoldsTheEnglishSectionAsStored) {
  ASSERT_TRUE(ExportTranslationTemplate(env_).ok());
  EXPECT_EQ(opened_, std::vector<std::string>{path_});
  const std::string bytes = ReadAll(path_);

  // The English section as the build wrote it: from the LF ending its header
  // up to the next marker.
  const std::string source = ReadAll(TARNWELL_TEXT_UTF16);
  const std::string header = Utf16Bytes(u"##=English\tEnglish\r");
  ASSERT_NE(source.find(header), std::string::npos);
  const size_t begin = source.find(header) + header.size();
  const size_t end = source.find(Utf16Bytes(u"\n##"), begin) + 2;
  const std::string english = source.substr(begin, end - begin);

  const std::string head = Utf16Bytes(u"\uFEFFStrings 4: Tarnwell 3.13\r\n\r\n");
  ASSERT_TRUE(bytes.starts_with(head));
  EXPECT_TRUE(bytes.ends_with(english + std::string(2, '\0')));
  EXPECT_TRUE(english.ends_with(Utf16Bytes(u"\r\n")));
  const std::string request =
      Utf16Bytes(AboutText(AboutId::kTranslatorRequest)) + Utf16Bytes(u"\r\n\r\n");
  EXPECT_EQ(bytes.substr(head.size(), request.size()), request);
  EXPECT_EQ(bytes.size(), head.size() + request.size() + english.size() + 2);
}

TEST_F(TranslationTemplateTest, SecondExportReplacesTheFirstWhole) {
  ASSERT_TRUE(ExportTranslationTemplate(env_).ok());
  const size_t first_size = ReadAll(path_).size();
  ASSERT_TRUE(BuildTextCatalogFromArchive(testing::PackText(
      testing::ArchiveText(u"19=Tiny 1\r\n25=Ask\\r\\nme\r\n",
                           u"##=Deutsch\tGerman\r\n##=English\tEnglish\r\n4=x\r\n"))));
  ASSERT_TRUE(ExportTranslationTemplate(env_).ok());

  const std::string expected =
      Utf16Bytes(u"\uFEFFStrings 4: Tiny 1\r\n\r\nAsk\r\nme\r\n\r\n\n4=x\r\n") +
      std::string(2, '\0');
  EXPECT_LT(expected.size(), first_size);
  EXPECT_EQ(ReadAll(path_), expected);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
}

TEST_F(TranslationTemplateTest, PlantedLinkIsNeverFollowed) {
  const std::string victim = dir_.Write("victim", "precious");
  ASSERT_EQ(symlink(victim.c_str(), path_.c_str()), 0);

  // Where the link cannot be removed (another user's, in a sticky folder),
  // nothing is written and nothing is opened.
  refuse_removal_ = true;
  EXPECT_FALSE(ExportTranslationTemplate(env_).ok());
  EXPECT_EQ(ReadAll(victim), "precious");
  EXPECT_TRUE(std::filesystem::is_symlink(path_));
  EXPECT_TRUE(opened_.empty());

  // Where it can, the link goes and a new file takes its place.
  refuse_removal_ = false;
  ASSERT_TRUE(ExportTranslationTemplate(env_).ok());
  EXPECT_EQ(ReadAll(victim), "precious");
  EXPECT_FALSE(std::filesystem::is_symlink(path_));
  EXPECT_TRUE(ReadAll(path_).starts_with("\xFF\xFE"));
}

TEST_F(TranslationTemplateTest, FailedWriteLeavesNoCutTemplate) {
  env_.fail_write = [](const std::string&, uint64_t, size_t,
                       bool) -> std::optional<platform::Result<size_t>> {
    return platform::Result<size_t>(platform::Status::Error(ENOSPC, "disk full"));
  };
  EXPECT_FALSE(ExportTranslationTemplate(env_).ok());
  EXPECT_FALSE(std::filesystem::exists(path_));
  EXPECT_TRUE(opened_.empty());
}

}  // namespace
}  // namespace tarnwell::text
