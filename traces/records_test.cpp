// The readers of the desktop's records: MD5 names, file URIs, the recent
// list's XML, KDE entries, trash records and shortcuts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/shell_link_builder.h"
#include "traces/file_uri.h"
#include "traces/md5.h"
#include "traces/store_records.h"
#include "traces/xbel_list.h"

namespace tarnwell::traces {
namespace {

using ::testing::ElementsAre;

TEST(Md5Test, MatchesRfc1321AndTheThumbnailRulesExample) {
  EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(Md5Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(Md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  std::string eighty;
  for (int i = 0; i < 8; ++i) eighty += "1234567890";
  EXPECT_EQ(Md5Hex(eighty), "57edf4a22be3c955ac49da2e2107b67a");
  EXPECT_EQ(Md5Hex(FileUri("/home/jens/photos/me.png")), "c6ee772d9e49320e97ec29a7eb5b1697");
}

TEST(FileUriTest, EncodesAsTheThumbnailRulesAndDecodesBack) {
  EXPECT_EQ(FileUri("/a b/x#1%;[2]?\xC3\xBC"), "file:///a%20b/x%231%25%3B%5B2%5D%3F%C3%BC");
  EXPECT_EQ(FileUri("/keep-_.!~*'()&=:@+$,"), "file:///keep-_.!~*'()&=:@+$,");
  const std::string odd = "/d/x y\n\xFF%";
  EXPECT_EQ(PathOfFileUri(FileUri(odd)), odd);
  EXPECT_EQ(PathOfFileUri("file://localhost/a%20b"), "/a b");
  EXPECT_EQ(PathOfFileUri("FILE:/a"), "/a");
  EXPECT_EQ(PathOfFileUri("file://server/a"), std::nullopt);
  EXPECT_EQ(PathOfFileUri("https:///a"), std::nullopt);
  EXPECT_EQ(PathOfFileUri("file:///a%2"), std::nullopt);
  EXPECT_EQ(PathOfFileUri("file:///a%00b"), std::nullopt);
}

constexpr char kList[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<xbel version=\"1.0\"\n"
    "      xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\"\n"
    ">\n"
    "  <bookmark href=\"file:///home/u/a%20b.txt\" added=\"2024-01-01T10:00:00Z\">\n"
    "    <info><metadata owner=\"http://freedesktop.org\">\n"
    "      <bookmark:applications><bookmark:application name=\"Text\" "
    "exec=\"&apos;text %u&apos;\" count=\"1\"/></bookmark:applications>\n"
    "    </metadata></info>\n"
    "  </bookmark>\n"
    "  <!-- kept -->\n"
    "  <bookmark href=\"file:///home/u/k&amp;eep.txt\"><title>&#x4B;&#101;pt</title></bookmark>\n"
    "</xbel>\n";

TEST(XbelTest, CutsOnlyTheErasedBookmarksAndKeepsEveryOtherByte) {
  platform::Result<XbelEdit> edit =
      RemoveBookmarks(kList, [](const std::string& path) { return path == "/home/u/a b.txt"; });
  ASSERT_TRUE(edit.ok()) << edit.status().message();
  EXPECT_THAT(edit->removed, ElementsAre("/home/u/a b.txt"));
  std::string expected = kList;
  const size_t begin = expected.find("\n  <bookmark href=\"file:///home/u/a");
  const size_t end = expected.find("</bookmark>", begin) + 11;
  expected.erase(begin, end - begin);
  EXPECT_EQ(edit->content, expected);
  // The result is a list the reader takes again; an entity-encoded href matches.
  platform::Result<XbelEdit> again = RemoveBookmarks(
      edit->content, [](const std::string& path) { return path == "/home/u/k&eep.txt"; });
  ASSERT_TRUE(again.ok());
  EXPECT_THAT(again->removed, ElementsAre("/home/u/k&eep.txt"));
}

TEST(XbelTest, RefusesWhatItDoesNotFullyUnderstand) {
  const auto any = [](const std::string&) { return true; };
  for (const char* bad : {
           "",
           "<xbel>",
           "<other/>",
           "<xbel></other>",
           "<!DOCTYPE xbel><xbel/>",
           "<xbel><![CDATA[x]]></xbel>",
           "<xbel><?pi x?></xbel>",
           "<xbel>&unknown;</xbel>",
           "<xbel a=\"1\" a=\"2\"/>",
           "<xbel a=1/>",
           "<xbel/><xbel/>",
           "<xbel/>trailing",
           "<xbel><bookmark/></xbel>",
           "<xbel>\x01</xbel>",
           "<xbel>\xC3</xbel>",
           "<xbel>&#0;</xbel>",
           "<xbel><!-- a -- b --></xbel>",
       }) {
    EXPECT_FALSE(RemoveBookmarks(bad, any).ok()) << bad;
  }
  std::string deep = "<xbel>";
  for (int i = 0; i < 70; ++i) deep += "<a>";
  for (int i = 0; i < 70; ++i) deep += "</a>";
  EXPECT_FALSE(RemoveBookmarks(deep + "</xbel>", any).ok());
}

TEST(StoreRecordsTest, ReadsKdeEntriesTrashRecordsAndShortcuts) {
  EXPECT_EQ(RecentDocumentPath("[Desktop Entry]\nName=x\nURL[$e]=file://$HOME/a%20b.txt\n", "/h"),
            "/h/a b.txt");
  EXPECT_EQ(RecentDocumentPath("[Desktop Entry]\nURL=/p/a\\sb$$c\n", "/h"), "/p/a b$c");
  EXPECT_EQ(RecentDocumentPath("[Desktop Entry]\nURL[$e]=$OTHER/a\n", "/h"), std::nullopt);
  EXPECT_EQ(RecentDocumentPath("[Other]\nURL=/p/a\n", "/h"), std::nullopt);
  EXPECT_EQ(RecentDocumentPath("[Desktop Entry]\nURL[de]=/p/a\n", "/h"), std::nullopt);

  EXPECT_EQ(TrashedFromPath("[Trash Info]\nPath=/home/u/a%20b\nDeletionDate=2024\n", "/"),
            "/home/u/a b");
  EXPECT_EQ(TrashedFromPath("[Trash Info]\nPath=dir/x\n", "/mnt/usb"), "/mnt/usb/dir/x");
  EXPECT_EQ(TrashedFromPath("[Trash Info]\nPath=\n", "/"), std::nullopt);

  EXPECT_EQ(ShellLinkTarget(testing::BuildShellLink("C:\\Users\\u\\a.txt")), "C:/Users/u/a.txt");
  EXPECT_EQ(ShellLinkTarget(testing::BuildShellLink("C:\\x", true)), "C:/x");
  const std::string link = testing::BuildShellLink("C:\\x");
  for (size_t cut : {size_t{10}, size_t{0x4C}, size_t{0x4C + 20}, link.size() - 8}) {
    EXPECT_EQ(ShellLinkTarget(link.substr(0, cut)), std::nullopt) << cut;
  }
  std::string other_class = link;
  other_class[4] = 0x02;
  EXPECT_EQ(ShellLinkTarget(other_class), std::nullopt);
}

}  // namespace
}  // namespace tarnwell::traces
