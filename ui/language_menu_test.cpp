#include "ui/language_menu.h"

#include <gtest/gtest.h>

#include "platform/fault_env.h"
#include "tests/support/temp_dir.h"
#include "text/catalog.h"
#include "text/catalog_test_support.h"

namespace tarnwell::ui {
namespace {

using namespace text;  // the catalogue the menu is made from
namespace testing = text::testing;

using Kind = LanguageMenuEntry::Kind;

class LanguageMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(BuildTextCatalog());
    SetCurrentLanguage(1);
    // Exporting would start the desktop's opener: record the request instead.
    env_.fail_call = [this](const std::string& operation,
                            const std::string& path) -> std::optional<platform::Status> {
      if (operation != "OpenWithDefaultProgram") return std::nullopt;
      opened_.push_back(path);
      return platform::Status::Error(ENOENT, "no opener in tests");
    };
  }
  void TearDown() override {
    BuildTextCatalog();
    SetCurrentLanguage(1);
  }

  tarnwell::testing::TempDir dir_;
  platform::FaultEnv env_{platform::DefaultEnv()};
  settings::SettingsStore settings_{env_, dir_ / "tarnwell.ini"};
  std::vector<std::string> opened_;
};

TEST_F(LanguageMenuTest, ListsTheEightNamedLanguagesThenTranslate) {
  const std::vector<LanguageMenuEntry> entries = LanguageMenuEntries();
  ASSERT_EQ(entries.size(), 10u);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(entries[i].kind, Kind::kLanguage);
    EXPECT_EQ(entries[i].command, 10 + i);
    EXPECT_EQ(entries[i].enabled, i != 1) << i;
  }
  EXPECT_EQ(entries[0].text, "Deutsch\tGerman");
  EXPECT_EQ(entries[2].text,
            "P\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9\tRussian (Russisch)");
  EXPECT_EQ(entries[8].kind, Kind::kSeparator);
  EXPECT_EQ(entries[9].kind, Kind::kTranslate);
  EXPECT_EQ(entries[9].text, "Translate");
  EXPECT_EQ(entries[9].command, 1000);
}

TEST_F(LanguageMenuTest, ShortNamesAreLoadedButNotListedAndCommandsKeepTheIndex) {
  ASSERT_TRUE(BuildTextCatalogFromArchive(testing::PackText(testing::ArchiveText(
      u"", u"##=Abcde\r\n14=short\r\n##=English\tEnglish\r\n14=Ready\r\n##=Svenska\r\n"))));
  SetCurrentLanguage(2);
  const std::vector<LanguageMenuEntry> entries = LanguageMenuEntries();
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].command, 11);
  EXPECT_TRUE(entries[0].enabled);
  EXPECT_EQ(entries[1].command, 12);
  EXPECT_FALSE(entries[1].enabled);

  // Reached through the stored "lng", the unlisted language still shows its texts.
  SetCurrentLanguage(0);
  EXPECT_EQ(LookupUtf8(TextId::kReady), "short");
}

TEST_F(LanguageMenuTest, LanguagesBeyondTheCommandRangeAreListedButDisabled) {
  std::u16string sections;
  for (int i = 0; i < 23; ++i) sections += u"##=Language " + std::u16string(1, u'A' + i) + u"\r\n";
  ASSERT_TRUE(BuildTextCatalogFromArchive(testing::PackText(testing::ArchiveText(u"", sections))));
  const std::vector<LanguageMenuEntry> entries = LanguageMenuEntries();
  ASSERT_EQ(entries.size(), 25u);
  EXPECT_TRUE(entries[20].enabled);
  EXPECT_EQ(entries[21].command, 31);
  EXPECT_FALSE(entries[21].enabled);
  EXPECT_FALSE(entries[22].enabled);
}

TEST_F(LanguageMenuTest, ChoosingALanguageSwitchesAndStoresIt) {
  EXPECT_EQ(HandleLanguageMenuCommand(10, settings_, env_), LanguageMenuOutcome::kLanguageChanged);
  EXPECT_EQ(CurrentLanguage(), 0);
  EXPECT_EQ(LookupUtf8(TextId::kReady), "Bereit");
  EXPECT_EQ(settings_.ReadProgramSetting("lng", -7), 0);

  EXPECT_EQ(HandleLanguageMenuCommand(17, settings_, env_), LanguageMenuOutcome::kLanguageChanged);
  EXPECT_EQ(settings_.ReadProgramSetting("lng", -7), 7);

  // Out of the language range, or a dismissed menu: nothing changes.
  for (int command : {0, 9, 31, 999, 1001}) {
    EXPECT_EQ(HandleLanguageMenuCommand(command, settings_, env_), LanguageMenuOutcome::kNothing);
  }
  EXPECT_EQ(CurrentLanguage(), 7);
  EXPECT_EQ(settings_.ReadProgramSetting("lng", -7), 7);
  EXPECT_TRUE(opened_.empty());
}

TEST_F(LanguageMenuTest, TranslateExportsTheTemplate) {
  const std::string folder = dir_.MakeDir("tmp");
  {
    testing::ScopedTempDirectory temp(folder);
    EXPECT_EQ(HandleLanguageMenuCommand(1000, settings_, env_),
              LanguageMenuOutcome::kTemplateExported);
  }
  EXPECT_EQ(opened_, std::vector<std::string>{folder + "/translate_11.txt"});
  EXPECT_TRUE(std::filesystem::exists(folder + "/translate_11.txt"));
  EXPECT_EQ(CurrentLanguage(), 1);
}

}  // namespace
}  // namespace tarnwell::ui
