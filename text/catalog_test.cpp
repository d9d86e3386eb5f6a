#include "text/catalog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/builtin_text_archive.h"
#include "text/catalog_test_support.h"
#include "text/lzari_decoder.h"
#include "text/text_catalog.h"

namespace tarnwell::text {
namespace {

using testing::ArchiveText;
using testing::PackText;

struct TableText {
  int id;
  std::u16string_view english;
  std::u16string_view german;
};

// The vocabulary as the window shows it, character for character.
const TableText kTable[] = {
    {4, u"Fill the free space with null", u"Freien Bereich nullen"},
    {5,
     u"Add the files via drag and dropp on this program or program icon on the desktop. Then press "
     u"\"delete\". The file(s) will be rewritten with NULL before deleting, so the content is now "
     u"irreparable.",
     u"Ziehen Sie die Datein einfach per Drag && Drop auf das Programm oder Programm-Symbol am "
     u"Desktop. Drücken Sie danach \"Löschen\". Die Datei(en) wird vor dem Löschen mit NULL neu "
     u"beschrieben, somit ist der Inhalt nicht mehr herstellbar."},
    {6, u"Start", u"Start"},
    {7, u"Stop", u"Stop"},
    {8, u"Abort // [ESC]", u"Abbruch // [ESC]"},
    {9, u"Reset", u"Reset"},
    {10, u"The begin in %d sec. Abort with [ESC]",
     u"Das Löschen beginnt in %d Sek. Abbruch mit [ESC]"},
    {11, u"Tarnwell", u"Tarnwell"},
    {13, u"Path", u"Path"},
    {14, u"Ready", u"Bereit"},
    {15, u" # Tarnwell ;)", u"# Tarnwell"},
    {16, u"Old", u"Alt"},
    {17, u"New", u"Neu"},
    {18, u"Error", u"Fehler"},
    {19, u"Please select one Folder/File in the list",
     u"Bitte markieren Sie eine(n) Datei/Ordner in der Liste"},
    {20, u"Preview", u"Vorschau"},
    {21, u"Frei", u"Frei"},
    {22, u"Date", u"Datum"},
    {23, u"Time", u"Uhrzeit"},
    {24, u"Current", u"Aktuell"},
    {25, u"Includ Subfolder", u"Einschließlich Unterordner "},
    {26, u"Add Files", u"Dateien hinzufügen "},
    {27, u"Add Folders", u"Ordner hinzufügen "},
    {28, u"Exit", u"Beenden"},
    {29, u"Delete", u"Löschen"},
    {30, u"Delete + Exit", u"Löschen + Exit"},
    {31, u"Are you sure?", u"Sind Sie Sicher?"},
    {32, u"Cancel", u"Abbruch"},
    {33, u"Items", u"Objekte"},
    {34, u"Delete Delay %d sec", u"Lösch-Verzögerung %d Sek"},
    {35, u"Overwrite %d times", u"%d mal schreiben"},
    {36, u"Info", u"Info"},
    {37, u"Error", u"Fehler"},
    {38, u"Warning", u"Warnung"},
    {39, u"Failed to get directory", u"Failed to get directory"},
    {40, u"Start ...", u"Start ..."},
    {41, u"Total", u"Total"},
    {42, u"min.", u"Min."},
    {43, u"sec.", u"Sek."},
    {44, u"Remaining", u"Noch"},
    {45, u"Elapsed", u"Verstrichen"},
    {46, u"of", u"von"},
    {47, u"Path", u"Pfad"},
    {48, u"Size", u"Größe"},
    {49, u"Messages", u"Meldungen"},
    {60, u"Help", u"Hilfe"},
    {61, u"Reset:", u"Reset:"},
    {62, u"Clear the List Contents (not delete the files).",
     u"Löscht nur den Inhalt der Liste (kein Datenlöschen)!"},
    {63, u"Delete:", u"Löschen:"},
    {64, u"Overwrite folder and files with NULL and delete.", u"Löscht die Daten bzw Dateien!"},
    {65, u"Overwrite X times:", u"x-mal überschreiben:"},
    {66, u"Overwrite the data X times with NULL.",
     u"Wie oft soll die Datei(en) überschrieben werden!"},
    {67, u"Delete Delay X-sec.:", u"Lösch-Verzögerung x-Sek.:"},
    {68, u"At this time you can stop the erasing procedure with the key [ESC].",
     u"Während dieser Zeit hat man die Möglichkeit mit der Taste [ESC] das Starten des "
     u"Löschvorgangs zu verhindern."},
    {69, u"Fill the free space with null:", u"Freien Bereich nullen:"},
    {70, u"This will remove the standard deletion tracks from the harddrive.",
     u"Entfernt die Spuren der gelöschten Dateien auf der kompletten Festplatte."},
};

std::unique_ptr<TextCatalog> Catalog(std::u16string_view text) {
  std::unique_ptr<TextCatalog> catalog = TextCatalog::Build(PackText(text));
  EXPECT_NE(catalog, nullptr);
  return catalog;
}

std::unique_ptr<TextCatalog> Builtin() { return TextCatalog::Build(BuiltinTextArchive()); }

TEST(BuiltinArchive, DecodesToMarkedUtf16Text) {
  std::vector<uint8_t> text(TextCatalog::kDecodedCapacity);
  const std::span<const uint8_t> archive = BuiltinTextArchive();
  const uint32_t size = DecodeLzari(archive.data(), archive.size(), text.data(), text.size());
  ASSERT_GT(size, 4u);
  ASSERT_LT(size, text.size() - 2);
  EXPECT_EQ(size % 2, 0u);
  EXPECT_EQ(text[0], 0xFF);
  EXPECT_EQ(text[1], 0xFE);
  EXPECT_EQ(std::string(text.begin() + size - 4, text.begin() + size), std::string("#\0#\0", 4));
}

TEST(BuiltinArchive, HoldsEightNamedLanguagesAndAnEmptyNinth) {
  const auto catalog = Builtin();
  ASSERT_EQ(catalog->language_count(), 9);
  const std::u16string_view names[] = {u"Deutsch\tGerman",
                                       u"English\tEnglish",
                                       u"P\u0443\u0441\u0441\u043A\u0438\u0439\tRussian (Russisch)",
                                       u"Dutch\tNederlands (Niederländisch)",
                                       u"Român\tRomanian (Rumänisch)",
                                       u"Swedish\tSvenska",
                                       u"French\tFrançaise",
                                       u"Italian\tItaliano",
                                       u""};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(catalog->LanguageName(i), names[i]) << i;
  for (int id = 0; id < kTextIdCount; ++id) {
    EXPECT_EQ(catalog->Lookup(8, id), catalog->Lookup(1, id));
  }
}

TEST(BuiltinArchive, GermanAndEnglishAreThoseOfTheTable) {
  const auto catalog = Builtin();
  for (const TableText& row : kTable) {
    EXPECT_EQ(catalog->Lookup(0, row.id), row.german) << row.id;
    EXPECT_EQ(catalog->Lookup(1, row.id), row.english) << row.id;
    for (int outside : {8, 9, 31, 32, 40, -1}) {
      EXPECT_EQ(catalog->Lookup(outside, row.id), row.english) << row.id << " in " << outside;
    }
  }
}

// The "%d", "%s" and "%%" of a text, in order.
std::u16string Conversions(std::u16string_view text) {
  std::u16string found;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == u'%' && (text[i + 1] == u'd' || text[i + 1] == u's' || text[i + 1] == u'%')) {
      found += text.substr(i, 2);
      ++i;
    }
  }
  return found;
}

TEST(BuiltinArchive, EveryLanguageTranslatesEveryShownTextWithItsConversions) {
  const auto catalog = Builtin();
  std::vector<int> ids;
  for (const TableText& row : kTable) ids.push_back(row.id);
  for (int id = 71; id <= 78; ++id) ids.push_back(id);  // pre-flight and fill messages
  for (int language = 0; language < 8; ++language) {
    for (int id : ids) {
      const std::u16string_view text = catalog->Lookup(language, id);
      const std::u16string_view english = catalog->Lookup(1, id);
      ASSERT_FALSE(text.empty()) << "language " << language << " id " << id;
      EXPECT_EQ(Conversions(text), Conversions(english)) << "language " << language << " id " << id;
      const bool translated = language <= 1 || text != english || text.size() <= 12;
      EXPECT_TRUE(translated) << "language " << language << " id " << id << " is English";
    }
  }
}

TEST(BuiltinArchive, AboutTextsAndTemplate) {
  const auto catalog = Builtin();
  EXPECT_EQ(catalog->About(19), u"Tarnwell 3.13");
  for (int id : {20, 21, 23, 24}) {
    EXPECT_NE(catalog->About(id).find(u"tarnwell.example"), std::u16string_view::npos) << id;
  }
  EXPECT_NE(catalog->About(20).find(u"/de/"), std::u16string_view::npos);
  EXPECT_NE(catalog->About(23).find(u"/de/"), std::u16string_view::npos);
  const std::u16string_view request = catalog->About(25);
  EXPECT_NE(request.find(u"\r\n"), std::u16string_view::npos);
  EXPECT_EQ(request.find(u"\\r"), std::u16string_view::npos);
  EXPECT_NE(request.find(u'@'), std::u16string_view::npos);

  const std::u16string_view english = catalog->english_template();
  EXPECT_TRUE(english.starts_with(u"\n4=Fill the free space with null\r\n"));
  EXPECT_TRUE(english.ends_with(u"\r\n"));
}

TEST(TextCatalog, LineSyntax) {
  const auto catalog =
      Catalog(ArchiveText(u"",
                          u"##=Deutsch\tGerman\r\n"
                          u";Version=3.0\r\n"     // a comment with "=" is id 0
                          u";Author=someone\r\n"  // and replaces the one before
                          u"05=Fünf\r\n"          // leading zeros
                          u"  +6=  six  \r\n"     // blanks before the id skipped, after "=" kept
                          u"7=a=b\r\n"            // the text runs from the first "="
                          u"200=ignored\r\n"
                          u"-8=ignored\r\n"
                          u"99999999999=ignored\r\n"
                          u"9 without equals\r\n"
                          u"\r\n"
                          u"10=lf only\n"
                          u"11=first\r\n11=second\r\n"
                          u"12=\r\n"  // empty text is a text: no fallback
                          u"13=\\r\\n stays\r\n"
                          u"14=no line end"
                          u"##=English\tEnglish\r\n"
                          u"8=eight\r\n12=english\r\n14=english\r\n511=last\r\n512=beyond\r\n"));
  ASSERT_EQ(catalog->language_count(), 3);
  EXPECT_EQ(catalog->Lookup(0, 0), u"someone");
  EXPECT_EQ(catalog->Lookup(0, 5), u"Fünf");
  EXPECT_EQ(catalog->Lookup(0, 6), u"  six  ");
  EXPECT_EQ(catalog->Lookup(0, 7), u"a=b");
  EXPECT_EQ(catalog->Lookup(0, 8), u"eight");
  EXPECT_EQ(catalog->Lookup(0, 9), u"");
  EXPECT_EQ(catalog->Lookup(0, 10), u"lf only");
  EXPECT_EQ(catalog->Lookup(0, 11), u"second");
  EXPECT_EQ(catalog->Lookup(0, 12), u"");
  EXPECT_NE(catalog->Lookup(0, 12).data(), nullptr);
  EXPECT_EQ(catalog->Lookup(0, 13), u"\\r\\n stays");
  EXPECT_EQ(catalog->Lookup(0, 14), u"english");
  EXPECT_EQ(catalog->Lookup(0, kTextIdCount - 1), u"last");
  EXPECT_EQ(catalog->Lookup(0, kTextIdCount), u"");
  EXPECT_EQ(catalog->Lookup(0, -1), u"");

  const auto zero = Catalog(ArchiveText(u"", u"##=Deutsch\tGerman\r\n;a=1\r\n0=zero\r\n;b\r\n"));
  EXPECT_EQ(zero->Lookup(0, 0), u"zero");
}

TEST(TextCatalog, AboutTextsAreUnescapedInPlace) {
  const auto catalog = Catalog(ArchiveText(u"19=Name 1.0\r\n25=one\\r\\ntwo\\n\\x\\\r\n\r\n",
                                           u"##=English\tEnglish\r\n1=a\\r\\nb\r\n"));
  EXPECT_EQ(catalog->About(19), u"Name 1.0");
  EXPECT_EQ(catalog->About(25), u"one\r\ntwo\n\\x\\");
  EXPECT_EQ(catalog->About(24), u"");
  EXPECT_EQ(catalog->Lookup(0, 1), u"a\\r\\nb");
}

TEST(TextCatalog, MissingTextsFallBackToEnglishOnly) {
  const auto catalog = Catalog(
      ArchiveText(u"",
                  u"##=Deutsch\tGerman\r\n4=vier\r\n##=English\tEnglish\r\n4=four\r\n5=five\r\n"
                  u"##=Short\r\n6=six\r\n##\r\n7=unnamed\r\n"));
  ASSERT_EQ(catalog->language_count(), 5);  // the closing marker opens an empty fifth
  EXPECT_EQ(catalog->Lookup(0, 4), u"vier");
  EXPECT_EQ(catalog->Lookup(0, 5), u"five");
  EXPECT_EQ(catalog->Lookup(0, 6), u"");  // never the third language's text
  EXPECT_EQ(catalog->Lookup(2, 6), u"six");
  EXPECT_EQ(catalog->LanguageName(2), u"Short");
  EXPECT_EQ(catalog->LanguageName(3), u"");
  EXPECT_EQ(catalog->Lookup(3, 7), u"unnamed");
  EXPECT_EQ(catalog->LanguageName(4), u"");
  EXPECT_EQ(catalog->Lookup(4, 4), u"four");
}

TEST(TextCatalog, OddArchivesGiveWhatTheyHold) {
  // No English section: nothing to fall back to.
  const auto german_only = Catalog(ArchiveText(u"", u"##=Deutsch\tGerman\r\n4=vier\r\n"));
  EXPECT_EQ(german_only->Lookup(1, 4), u"");
  EXPECT_EQ(german_only->english_template(), u"");

  // A header that reaches the end without CR names nothing.
  const auto cut = Catalog(u"p\r\n##\r\n##\r\n##\r\n##=Deut");
  EXPECT_EQ(cut->language_count(), 1);
  EXPECT_EQ(cut->LanguageName(0), u"");

  // More than 32 language sections: the first 32 are loaded.
  std::u16string many;
  for (int i = 0; i < 40; ++i)
    many += u"##=Language " + std::u16string(1, static_cast<char16_t>(u'A' + i)) + u"\r\n1=x\r\n";
  EXPECT_EQ(Catalog(ArchiveText(u"", many))->language_count(), kMaxLanguages);

  // Not an archive at all, or too short for one.
  EXPECT_EQ(TextCatalog::Build({})->language_count(), 0);
  EXPECT_EQ(Catalog(u"")->About(19), u"");
}

TEST(TextCatalog, EnglishTemplateIsCopiedWhole) {
  std::u16string english = u"##=English\tEnglish\r\n;comment\r\n\r\n";
  for (int id = 0; id < 128; ++id) {
    english += std::u16string(u"1") + u"=" + std::u16string(40, u'a' + id % 26) + u"\r\n";
  }
  const auto catalog = Catalog(ArchiveText(u"", u"##=Deutsch\tGerman\r\n" + english));
  const std::u16string_view expected = std::u16string_view(english).substr(english.find(u'\n'));
  EXPECT_GT(expected.size(), 2047u);
  EXPECT_EQ(catalog->english_template(), expected);
}

TEST(TextCatalog, DeclaredSizeBeyondTheBufferStaysInside) {
  std::u16string huge = ArchiveText(u"19=x\r\n", u"##=Deutsch\tGerman\r\n");
  huge.insert(huge.size() - 2, std::u16string(TextCatalog::kDecodedCapacity / 2 + 10000, u'z'));
  const auto catalog = Catalog(huge);
  EXPECT_EQ(catalog->language_count(), 1);
  EXPECT_EQ(catalog->About(19), u"x");
}

TEST(CatalogApi, CurrentLanguageSelectsTextsForEveryCaller) {
  ASSERT_TRUE(BuildTextCatalog());
  EXPECT_EQ(LanguageCount(), 9);
  SetCurrentLanguage(0);
  EXPECT_EQ(LookupUtf8(TextId::kSize), "Größe");
  EXPECT_EQ(LookupText(TextId::kSize), u"Größe");
  SetCurrentLanguage(1);
  EXPECT_EQ(LookupUtf8(TextId::kSize), "Size");
  SetCurrentLanguage(-1);
  EXPECT_EQ(LookupUtf8(TextId::kSize), "Size");
  EXPECT_EQ(CurrentLanguage(), -1);
  EXPECT_EQ(AboutUtf8(AboutId::kProductAndVersion), "Tarnwell 3.13");
  EXPECT_EQ(LanguageNameUtf8(0), "Deutsch\tGerman");

  ASSERT_TRUE(BuildTextCatalogFromArchive(PackText(
      ArchiveText(u"19=Other\r\n", u"##=A language\r\n##=English\tEnglish\r\n48=Big\r\n"))));
  const std::u16string_view kept = AboutText(AboutId::kProductAndVersion);
  EXPECT_EQ(LookupUtf8(TextId::kSize), "Big");
  ASSERT_TRUE(BuildTextCatalog());
  EXPECT_EQ(AboutUtf8(AboutId::kProductAndVersion), "Tarnwell 3.13");
  EXPECT_EQ(kept, u"Other");  // views from an earlier catalogue stay valid
  SetCurrentLanguage(1);
}

}  // namespace
}  // namespace tarnwell::text
