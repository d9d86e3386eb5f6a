#include "settings/ini_document.h"

#include <gtest/gtest.h>

namespace tarnwell::settings {
namespace {

TEST(IniDocument, NamesMatchRegardlessOfCaseAndBlanksAreTrimmed) {
  IniDocument doc("; comment\n[ orlenvik ]\n  RE_WRITE  =  7  \nquoted=\"3\"\n");
  EXPECT_EQ(doc.Get("Orlenvik", "re_write"), "7");
  EXPECT_EQ(doc.Get("ORLENVIK", "Quoted"), "3");
  EXPECT_FALSE(doc.Get("Program", "re_write"));
  EXPECT_FALSE(doc.Get("Orlenvik", "missing"));
}

TEST(IniDocument, FirstSectionAndFirstKeyWin) {
  IniDocument doc("[a]\nk=1\nk=2\n[A]\nk=3\n");
  EXPECT_EQ(doc.Get("a", "k"), "1");
}

TEST(IniDocument, SetKeepsEveryOtherLineByteForByte) {
  const std::string original =
      "; keep me\r\n[Program]\r\nlng=1\r\n\r\n[Orlenvik]\r\n  del_delay = 5\r\nodd line\r\n";
  IniDocument doc(original);
  doc.Set("orlenvik", "DEL_DELAY", "9");
  EXPECT_EQ(doc.ToString(),
            "; keep me\r\n[Program]\r\nlng=1\r\n\r\n[Orlenvik]\r\n  del_delay =9\r\nodd line\r\n");
}

TEST(IniDocument, SetAddsMissingKeysAndSectionsWhereTheyBelong) {
  IniDocument doc("[Program]\nlng=0\n\n[Other]\nx=1");
  doc.Set("Program", "extra", "4");
  doc.Set("Orlenvik", "re_write", "3");
  EXPECT_EQ(doc.ToString(), "[Program]\nlng=0\nextra=4\n\n[Other]\nx=1\n[Orlenvik]\nre_write=3\n");
  IniDocument empty("");
  empty.Set("Orlenvik", "TimeMode", "0");
  EXPECT_EQ(empty.ToString(), "[Orlenvik]\nTimeMode=0\n");
}

TEST(IniDocument, CommentLinesWithEqualsAreNotKeys) {
  IniDocument doc("[s]\n;k=1\nk=2\n");
  EXPECT_EQ(doc.Get("s", "k"), "2");
  EXPECT_FALSE(doc.Get("s", ";k"));
}

}  // namespace
}  // namespace tarnwell::settings
