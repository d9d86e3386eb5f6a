// The traces of erased items in a fake home: all four kinds for two files,
// one erased by a real erase job, and stores a hostile or broken desktop
// left behind.
#include "traces/trace_eraser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "erase/erase_job.h"
#include "platform/fault_env.h"
#include "tests/support/pinned_paths.h"
#include "tests/support/recording_port.h"
#include "tests/support/recording_sink.h"
#include "tests/support/shell_link_builder.h"
#include "tests/support/temp_dir.h"
#include "traces/file_uri.h"
#include "traces/md5.h"
#include "traces/xbel_list.h"

namespace tarnwell::traces {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::ReadAll;
using testing::RecordingPort;
using testing::TempDir;
namespace fs = std::filesystem;

constexpr const char* kSizes[] = {"normal", "large", "x-large", "xx-large",
                                  "fail/gnome-thumbnail-factory"};

std::string Bookmark(const std::string& path) {
  return "  <bookmark href=\"" + FileUri(path) +
         "\" added=\"2024-05-01T10:00:00Z\">\n"
         "    <info><metadata owner=\"http://freedesktop.org\"><mime:mime-type "
         "type=\"image/jpeg\"/></metadata></info>\n  </bookmark>\n";
}

class TraceEraserTest : public ::testing::Test {
 protected:
  TraceEraserTest() : fault_(platform::DefaultEnv()) {
    home_ = dir_.MakeDir("home");
    platform::DesktopStores stores;
    stores.home = home_;
    stores.cache_home = home_ + "/.cache";
    stores.data_home = home_ + "/.local/share";
    stores.recent_links = home_ + "/Recent";
    stores.owner = fault_.Describe(home_)->owner;
    fault_.user_stores = stores;
  }

  std::string Thumbnail(const std::string& size, const std::string& path) {
    return dir_.Write("home/.cache/thumbnails/" + size + "/" + Md5Hex(FileUri(path)) + ".png",
                      "PNG of " + path);
  }
  std::string Xbel() const { return ReadAll(home_ + "/.local/share/recently-used.xbel"); }

  // Erases paths with the trace eraser hooked in, as the front ends do.
  void Erase(const std::vector<std::string>& paths) {
    TraceEraser traces(fault_, port_, [this](const ErasedTrace& t) { heard_.push_back(t); });
    testing::RecordingSink sink;
    erase::RunEraseJob({.env = fault_,
                        .sink = sink,
                        .run_state = state_,
                        .listed = testing::PinPaths(paths),
                        .refresh_list = {},
                        .options = {.erased_items = &traces},
                        .passes_asked = 1,
                        .delay_seconds = 0});
    for (const auto& m : sink.port().messages()) port_.InsertMessage(m.text, m.icon);
  }

  TempDir dir_;
  platform::FaultEnv fault_;
  RecordingPort port_;
  core::RunState state_;
  std::string home_;
  std::vector<ErasedTrace> heard_;
};

TEST_F(TraceEraserTest, ErasesEveryTraceOfTheErasedFileAndKeepsTheOthers) {
  const std::string gone = dir_.Write("pictures/gone photo.jpg", "jpeg");
  const std::string kept = dir_.Write("pictures/kept.jpg", "jpeg");
  // A trashed file whose record says where it came from; that place is empty now.
  const std::string trashed = dir_.Write("home/.local/share/Trash/files/old.txt", "text");
  const std::string from = dir_ / "documents/old.txt";
  const std::string record = dir_.Write(
      "home/.local/share/Trash/info/old.txt.trashinfo",
      "[Trash Info]\nPath=" + FileUri(from).substr(7) + "\nDeletionDate=2024-05-01T10:00:00\n");
  const std::string kept_record =
      dir_.Write("home/.local/share/Trash/info/other.txt.trashinfo", "[Trash Info]\nPath=/x\n");
  // A trash at the top of another volume names its files relative to that top.
  const std::string uid = std::to_string(*fault_.user_stores->owner);
  const std::string volume_trashed = dir_.Write("volume/.Trash-" + uid + "/files/v.txt", "v");
  const std::string volume_record = dir_.Write("volume/.Trash-" + uid + "/info/v.txt.trashinfo",
                                               "[Trash Info]\nPath=docs/v.txt\n");
  std::vector<std::string> gone_thumbnails, kept_thumbnails;
  for (const char* size : kSizes) {
    gone_thumbnails.push_back(Thumbnail(size, gone));
    kept_thumbnails.push_back(Thumbnail(size, kept));
  }
  gone_thumbnails.push_back(Thumbnail("normal", from));
  gone_thumbnails.push_back(Thumbnail("large", dir_ / "volume/docs/v.txt"));
  const std::string list =
      dir_.Write("home/.local/share/recently-used.xbel",
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xbel version=\"1.0\"\n"
                 "      xmlns:mime=\"http://www.freedesktop.org/standards/shared-mime-info\">\n" +
                     Bookmark(gone) + Bookmark(kept) + Bookmark(from) + "</xbel>\n");
  fs::permissions(list, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const std::string gone_entry =
      dir_.Write("home/.local/share/RecentDocuments/gone.desktop",
                 "[Desktop Entry]\nType=Link\nURL[$e]=" + FileUri(gone) + "\n");
  const std::string kept_entry = dir_.Write("home/.local/share/RecentDocuments/kept.desktop",
                                            "[Desktop Entry]\nType=Link\nURL=" + kept + "\n");
  const std::string gone_link = dir_.Write("home/Recent/gone.lnk", testing::BuildShellLink(gone));
  const std::string kept_link = dir_.Write("home/Recent/kept.lnk", testing::BuildShellLink(kept));

  Erase({gone, trashed, volume_trashed});

  ASSERT_FALSE(fs::exists(gone));
  for (const std::string& path : gone_thumbnails) EXPECT_FALSE(fs::exists(path)) << path;
  for (const std::string& path : kept_thumbnails) EXPECT_TRUE(fs::exists(path)) << path;
  EXPECT_FALSE(fs::exists(record));
  EXPECT_FALSE(fs::exists(volume_record));
  EXPECT_FALSE(fs::exists(gone_entry));
  EXPECT_FALSE(fs::exists(gone_link));
  EXPECT_TRUE(fs::exists(kept_record));
  EXPECT_TRUE(fs::exists(kept_entry));
  EXPECT_TRUE(fs::exists(kept_link));
  // The list lost two bookmarks, is still a list, and kept its permissions.
  const std::string xbel = Xbel();
  EXPECT_TRUE(RemoveBookmarks(xbel, [](const std::string&) { return false; }).ok());
  EXPECT_THAT(xbel, HasSubstr(Bookmark(kept)));
  EXPECT_EQ(xbel.find(FileUri(gone)), std::string::npos);
  EXPECT_EQ(xbel.find(FileUri(from)), std::string::npos);
  EXPECT_EQ(fs::status(list).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  // Nothing is left under a random name in the stores' folders.
  for (const char* folder : {"home/.cache/thumbnails/normal", "home/.local/share"}) {
    for (const auto& entry : fs::directory_iterator(dir_ / folder)) {
      EXPECT_THAT(entry.path().filename().string(), ::testing::Not(HasSubstr("tarnwell")));
    }
  }
  // 7 thumbnails, 2 bookmarks, 1 KDE entry, 2 records, 1 shortcut.
  EXPECT_EQ(heard_.size(), 13u);
  EXPECT_THAT(port_.MessagesWith(core::MessageIcon::kInfo),
              ::testing::Contains(HasSubstr("Traces of erased items erased: 13")));
  EXPECT_THAT(port_.MessagesWith(core::MessageIcon::kError), IsEmpty());
}

TEST_F(TraceEraserTest, LeavesStoresThatAreLinksOrDamagedAloneWithAWarning) {
  const std::string gone = dir_.Write("pictures/a.jpg", "jpeg");
  // The thumbnails folder leads elsewhere: what it points at is not the user's cache.
  const std::string elsewhere = dir_.MakeDir("elsewhere");
  const std::string decoy = dir_.Write("elsewhere/normal/" + Md5Hex(FileUri(gone)) + ".png", "x");
  dir_.MakeDir("home/.cache");
  fs::create_directory_symlink(elsewhere, dir_ / "home/.cache/thumbnails");
  const std::string damaged = "<xbel><bookmark href=\"" + FileUri(gone) + "\"></xbel>";
  dir_.Write("home/.local/share/recently-used.xbel", damaged);

  Erase({gone});

  EXPECT_FALSE(fs::exists(gone));
  EXPECT_TRUE(fs::exists(decoy));
  EXPECT_EQ(Xbel(), damaged);
  EXPECT_THAT(port_.MessagesWith(core::MessageIcon::kWarning),
              ::testing::IsSupersetOf(
                  {HasSubstr("a desktop store that is a link: " + home_ + "/.cache/thumbnails"),
                   HasSubstr("Recent-file list not understood")}));
  EXPECT_THAT(heard_, IsEmpty());
}

TEST_F(TraceEraserTest, KeepsTheTracesOfAnItemTheEraseKept) {
  const std::string folder = dir_.MakeDir("full");
  const std::string inside = dir_.Write("full/inside", "x");
  const std::string folder_thumbnail = Thumbnail("normal", folder);
  const std::string inside_thumbnail = Thumbnail("normal", inside);
  // The folder still holds an entry it was not listed with, so it stays.
  Erase({folder});
  EXPECT_TRUE(fs::exists(inside));
  EXPECT_TRUE(fs::exists(folder_thumbnail));
  EXPECT_TRUE(fs::exists(inside_thumbnail));
  EXPECT_THAT(heard_, IsEmpty());
}

}  // namespace
}  // namespace tarnwell::traces
