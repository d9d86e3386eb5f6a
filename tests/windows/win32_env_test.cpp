// The platform contract against platform/win32: the cases the POSIX layer
// passes, where Windows has them, plus what only Windows has (share modes,
// the read-only attribute, \\?\ long paths, UTF-16 names).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <set>
#include <tuple>

#include "items/format_size.h"
#include "platform/env.h"
#include "tests/windows/win_temp_dir.h"
#include "tests/windows/wine_check.h"

namespace tarnwell::platform {
namespace {

using testing::ReadAll;
using testing::RunningUnderWine;
using testing::WinTempDir;

Env& env = DefaultEnv();

std::wstring Wide(const std::string& utf8) {
  std::wstring out(utf8.size(), L'\0');
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                    out.data(), static_cast<int>(out.size()));
  out.resize(static_cast<size_t>(n));
  return out;
}

// Another program's handle on path, sharing reading and writing.
// Removes an empty folder through a handle on its parent, as the erase does.
bool RemoveFolder(Env& env, const std::string& path) {
  const size_t slash = path.find_last_of('/');
  Result<std::unique_ptr<Folder>> parent = env.OpenFolder(path.substr(0, slash), nullptr);
  return parent.ok() && (*parent)->RemoveAt(path.substr(slash + 1), true).ok();
}

HANDLE HoldOpen(const std::string& path) {
  return CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, 0, nullptr);
}

TEST(Win32EnvFiles, DescribeNamesKindsAndIdentity) {
  WinTempDir dir;
  const std::string file = dir.Write("f", "12345");
  const std::string other = dir.Write("g", "1");
  Result<FileInfo> info = env.Describe(file);
  ASSERT_TRUE(info.ok()) << info.status().message();
  EXPECT_EQ(info->kind, FileKind::kRegular);
  EXPECT_EQ(info->size, 5u);
  EXPECT_EQ(env.Describe(file)->inode, info->inode);
  EXPECT_NE(env.Describe(other)->inode, info->inode);
  EXPECT_EQ(env.Describe(other)->device, info->device);
  EXPECT_EQ(env.Describe(dir.path())->kind, FileKind::kDirectory);
  Result<FileInfo> missing = env.Describe(dir / "nothing");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.status().code(), ENOENT);
  EXPECT_NE(missing.status().message().find("nothing"), std::string::npos);
}

TEST(Win32EnvFiles, OpenForOverwriteRefusesFoldersHeldFilesAndSwaps) {
  WinTempDir dir;
  const std::string file = dir.Write("f", "data");
  EXPECT_FALSE(env.OpenForOverwrite(dir.path()).ok());

  // Another program holding the file open: refused, nothing written.
  HANDLE held = HoldOpen(file);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Result<std::unique_ptr<WritableFile>> refused = env.OpenForOverwrite(file);
  CloseHandle(held);
  EXPECT_EQ(refused.status().code(), EBUSY) << refused.status().message();
  EXPECT_EQ(ReadAll(file), "data");

  // While we write, no other program can open it.
  auto opened = env.OpenForOverwrite(file);
  ASSERT_TRUE(opened.ok()) << opened.status().message();
  EXPECT_EQ(HoldOpen(file), INVALID_HANDLE_VALUE);
  EXPECT_TRUE((*opened)->Close().ok());

  FileInfo expected = *env.Describe(file);
  expected.inode += 1;
  EXPECT_EQ(env.OpenForOverwrite(file, &expected).status().code(), ESTALE);
}

TEST(Win32EnvFiles, OverwriteInPlaceKeepsLengthAndSetsAllThreeTimes) {
  WinTempDir dir;
  const std::string file = dir.Write("f", "abcdef");
  auto opened = env.OpenForOverwrite(file);
  ASSERT_TRUE(opened.ok()) << opened.status().message();
  WritableFile& out = **opened;
  const char zeros[3] = {0, 0, 0};
  EXPECT_EQ(*out.WriteAt(2, zeros, 3), 3u);
  EXPECT_TRUE(out.DataSync().ok());
  // 1981-01-01 00:00 UTC, as the erase stamps it.
  EXPECT_TRUE(out.SetTimes({347155200, 0}, {347155200, 0}).ok());
  EXPECT_TRUE(out.Close().ok());
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExW(Wide(file).c_str(), GetFileExInfoStandard, &data));
  SYSTEMTIME written;
  FileTimeToSystemTime(&data.ftLastWriteTime, &written);
  EXPECT_EQ(written.wYear, 1981);
  EXPECT_EQ(written.wMonth, 1);
  if (!RunningUnderWine()) {  // Linux file systems keep no settable creation time
    SYSTEMTIME created;
    FileTimeToSystemTime(&data.ftCreationTime, &created);
    EXPECT_EQ(created.wYear, 1981);
  }
  EXPECT_EQ(ReadAll(file), std::string("ab\0\0\0f", 6));
}

TEST(Win32EnvFiles, UnbufferedWritesMustBeAlignedEvenWhereWineWouldTakeThem) {
  WinTempDir dir;
  const std::string file = dir.Write("f", std::string(8192 + 100, 'x'));
  auto opened = env.OpenForOverwrite(file);
  ASSERT_TRUE(opened.ok());
  WritableFile& out = **opened;
  ASSERT_TRUE(out.SetDirect(true).ok());
  const size_t align = out.direct_alignment();
  ASSERT_GE(align, 512u);
  void* block = _aligned_malloc(2 * align, align);
  std::memset(block, 0, 2 * align);
  EXPECT_EQ(*out.WriteAt(0, block, align), align);
  EXPECT_EQ(out.WriteAt(0, block, 100).status().code(), EINVAL);
  EXPECT_EQ(out.WriteAt(100, block, align).status().code(), EINVAL);
  EXPECT_EQ(out.WriteAt(0, static_cast<char*>(block) + 1, align).status().code(), EINVAL);
  // The tail goes through a buffered handle on the same file.
  ASSERT_TRUE(out.SetDirect(false).ok());
  EXPECT_EQ(*out.WriteAt(8192, block, 100), 100u);
  _aligned_free(block);
  EXPECT_TRUE(out.Close().ok());
  const std::string content = ReadAll(file);
  ASSERT_EQ(content.size(), 8292u);
  EXPECT_EQ(content.substr(0, align), std::string(align, '\0'));
  EXPECT_EQ(content.substr(align, 8192 - align), std::string(8192 - align, 'x'));
  EXPECT_EQ(content.substr(8192), std::string(100, '\0'));
}

TEST(Win32EnvFiles, RenameNeverReplacesAndRemoveKnowsFilesFromFolders) {
  WinTempDir dir;
  const std::string a = dir.Write("a", "A");
  const std::string b = dir.Write("b", "B");
  EXPECT_EQ(env.RenameNoReplace(a, b).code(), EEXIST);
  EXPECT_EQ(ReadAll(a), "A");
  EXPECT_EQ(ReadAll(b), "B");
  ASSERT_TRUE(env.RenameNoReplace(a, dir / "c").ok());
  EXPECT_EQ(ReadAll(dir / "c"), "A");
  EXPECT_EQ(env.CreateExclusive(b, 0600).status().code(), EEXIST);
  EXPECT_EQ(ReadAll(b), "B");

  const std::string sub = dir.MakeDir("sub");
  ASSERT_TRUE(env.RenameNoReplace(sub, dir / "sub2").ok());
  EXPECT_EQ(env.RemoveFile(dir / "sub2").code(), EISDIR);
  EXPECT_TRUE(RemoveFolder(env, dir / "sub2"));
  EXPECT_TRUE(env.RemoveFile(b).ok());
  EXPECT_EQ(env.Describe(b).status().code(), ENOENT);
}

TEST(Win32EnvFiles, AddOwnerWriteClearsTheReadOnlyAttribute) {
  WinTempDir dir;
  const std::string file = dir.Write("ro", "x");
  ASSERT_TRUE(SetFileAttributesW(Wide(file).c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(env.Describe(file)->mode, 0444u);
  // Wine, run as root here, lets root write a read-only file.
  if (!RunningUnderWine()) {
    EXPECT_FALSE(env.OpenForOverwrite(file).ok());
  }
  auto folder = env.OpenFolder(dir.path(), nullptr);
  ASSERT_TRUE(folder.ok());
  EXPECT_TRUE((*folder)->AddOwnerWriteAt("ro", nullptr).ok());
  EXPECT_EQ(env.Describe(file)->mode, 0644u);
  EXPECT_TRUE(env.OpenForOverwrite(file).ok());
}

TEST(Win32EnvFiles, SettingsFilesAreReplacedWholeUnderALockBesideThem) {
  WinTempDir dir;
  const std::string file = dir.Write("settings.ini", "old");
  auto folder = env.OpenFolder(dir.path(), nullptr);
  ASSERT_TRUE(folder.ok());
  auto lock = (*folder)->TryLockAt("settings.ini.lock", true, nullptr);
  ASSERT_TRUE(lock.ok()) << lock.status().message();
  EXPECT_EQ((*folder)->TryLockAt("settings.ini.lock", true, nullptr).status().code(), EWOULDBLOCK);
  // The lock does not keep the holder from reading or replacing.
  EXPECT_EQ(*env.ReadFile(file), "old");
  ASSERT_TRUE(env.ReplaceFileAtomically(file, "new content", Env::Durability::kMachineCrash).ok());
  EXPECT_EQ(ReadAll(file), "new content");
  ASSERT_TRUE(
      env.ReplaceFileAtomically(dir / "fresh.ini", "first", Env::Durability::kProcessKill).ok());
  EXPECT_EQ(ReadAll(dir / "fresh.ini"), "first");
  const Result<std::vector<std::string>> listed = env.ListNames(dir.path());
  ASSERT_TRUE(listed.ok());
  const std::set<std::string> names(listed->begin(), listed->end());
  EXPECT_EQ(names, (std::set<std::string>{"settings.ini", "fresh.ini", "settings.ini.lock"}));
  EXPECT_TRUE(env.CreateFileIfMissing(file).ok());
  EXPECT_EQ(ReadAll(file), "new content");
  EXPECT_TRUE(env.IsWritableDirectory(dir.path()));
  EXPECT_FALSE(env.IsWritableDirectory(dir / "missing"));
}

TEST(Win32EnvFiles, RecordPassFoldersAndStreamListsThroughTheHandle) {
  WinTempDir dir;
  auto folder = env.OpenFolder(dir.path(), nullptr);
  ASSERT_TRUE(folder.ok());
  ASSERT_TRUE((*folder)->MakeFolderAt("pass").ok());
  EXPECT_EQ((*folder)->MakeFolderAt("pass").code(), EEXIST);
  auto inside = (*folder)->OpenFolderAt("pass", nullptr);
  ASSERT_TRUE(inside.ok()) << inside.status().message();
  ASSERT_TRUE((*inside)->CreateAt("file.txt").ok());
  // Wine keeps no named streams; a file without any lists none, not an error.
  auto streams = (*inside)->ListStreamsAt("file.txt");
  ASSERT_TRUE(streams.ok()) << streams.status().message();
  EXPECT_TRUE(streams->empty());
  EXPECT_EQ((*inside)->OpenStreamAt("file.txt", "a:b", nullptr).status().code(), EINVAL);
  EXPECT_TRUE((*inside)->RemoveAt("file.txt", false).ok());
  inside->reset();
  EXPECT_TRUE((*folder)->RemoveAt("pass", true).ok());
}

TEST(Win32EnvFiles, LocksKeepOtherFillsOutButNotTheData) {
  WinTempDir dir;
  auto folder = env.OpenFolder(dir.path(), nullptr);
  ASSERT_TRUE(folder.ok());
  std::unique_ptr<FileLock> held;
  auto created = (*folder)->CreateLockedAt("fill.xxx", &held);
  ASSERT_TRUE(created.ok()) << created.status().message();
  ASSERT_EQ(*(*created)->WriteAt(0, "zz", 2), 2u);
  ASSERT_TRUE((*created)->Close().ok());
  EXPECT_EQ((*folder)->CreateLockedAt("fill.xxx", &held).status().code(), EEXIST);
  FileInfo info;
  EXPECT_EQ((*folder)->TryLockAt("fill.xxx", false, &info).status().code(), EWOULDBLOCK);
  EXPECT_EQ(*env.ReadRegularFile(dir / "fill.xxx", 2), "zz");  // the lock is past the data
  EXPECT_EQ(env.ReadRegularFile(dir / "fill.xxx", 1).status().code(), EFBIG);
  EXPECT_EQ(env.ReadRegularFile(dir.path(), 10).status().code(), EINVAL);
  held.reset();
  EXPECT_TRUE((*folder)->TryLockAt("fill.xxx", false, &info).ok());
  EXPECT_EQ(info.size, 2u);
  EXPECT_NE(env.Random(), env.Random());
}

TEST(Win32EnvFiles, PrivateFoldersAreMadeForThisUserAloneAndChecked) {
  WinTempDir dir;
  auto made = env.OpenPrivateFolder(dir / "state/deep");
  ASSERT_TRUE(made.ok()) << made.status().message();
  EXPECT_TRUE(env.OpenPrivateFolder(dir / "state/deep").ok());
  EXPECT_EQ(env.OpenPrivateFolder(dir.Write("file", "")).status().code(), ENOTDIR);
  std::unique_ptr<FileLock> held;
  EXPECT_TRUE((*made)->CreateLockedAt("note", &held).ok());
}

TEST(Win32EnvFiles, ListingDescribesEntriesAsDescribeDoes) {
  WinTempDir dir;
  const std::string a = dir.Write("a", "1");
  dir.MakeDir("sub");
  auto listing = env.OpenDirectory(dir.path());
  ASSERT_TRUE(listing.ok()) << listing.status().message();
  std::set<std::string> names;
  DirEntry entry;
  while ((*listing)->Next(&entry)) {
    names.insert(entry.name);
    ASSERT_TRUE(entry.info_ok);
    const FileInfo described = *env.Describe(dir / entry.name);
    EXPECT_EQ(entry.info.kind, described.kind) << entry.name;
    EXPECT_EQ(entry.info.inode, described.inode) << entry.name;
    EXPECT_EQ(entry.info.device, described.device) << entry.name;
  }
  EXPECT_TRUE((*listing)->status().ok());
  EXPECT_EQ(names, (std::set<std::string>{"a", "sub"}));
  EXPECT_EQ(env.OpenDirectory(a).status().code(), ENOTDIR);
}

TEST(Win32EnvPaths, LongUnicodeAndBackslashedPathsWork) {
  WinTempDir dir;
  // Past MAX_PATH (260), and a name outside the basic plane.
  std::string deep = dir.path();
  for (int i = 0; i < 6; ++i) deep += "/" + std::string(60, 'a' + i);
  ASSERT_TRUE(env.CreateDirectories(deep).ok());
  const std::string name =
      "Gr\xC3\xBC\xC3\x9F"
      "e \xE2\x82\xAC \xF0\x9D\x84\x9E.txt";
  auto created = env.CreateExclusive(deep + "/" + name, 0600);
  ASSERT_TRUE(created.ok()) << created.status().message();
  ASSERT_EQ(*(*created)->WriteAt(0, "xyz", 3), 3u);
  ASSERT_TRUE((*created)->Close().ok());
  EXPECT_EQ(*env.ListNames(deep), std::vector<std::string>{name});
  std::string backslashed = deep + "/" + name;
  for (char& c : backslashed) {
    if (c == '/') c = '\\';
  }
  EXPECT_EQ(env.Describe(backslashed)->size, 3u);
  // Made absolute in the logic's form, dot segments folded.
  Result<std::string> absolute = env.AbsolutePath(deep + "/../" + std::string(60, 'f') + "/.");
  ASSERT_TRUE(absolute.ok());
  EXPECT_EQ(*absolute, deep);
  EXPECT_TRUE(env.RemoveFile(deep + "/" + name).ok());
  // The fixture's own clean-up cannot reach past MAX_PATH.
  for (int i = 0; i < 6; ++i) {
    EXPECT_TRUE(RemoveFolder(env, deep));
    deep.erase(deep.find_last_of('/'));
  }
}

TEST(Win32EnvPaths, AbsoluteMeansADriveOrAShareAndUserStateStaysInTheProfile) {
  for (const char* path : {"C:\\state", "c:/state", "\\\\server\\share\\x", "//?/C:/x"}) {
    EXPECT_TRUE(env.IsAbsolutePath(path)) << path;
  }
  // These hang on the current drive or its current folder.
  for (const char* path : {"C:state", "\\state", "/state", "state", ""}) {
    EXPECT_FALSE(env.IsAbsolutePath(path)) << path;
  }
  const std::string profile = env.UserPath(env.GetEnvironment("USERPROFILE").value_or("?"));
  const std::string folder = env.UserStateFolder();
  EXPECT_TRUE(folder.starts_with(profile + "/") && folder.ends_with("/Tarnwell")) << folder;
  const std::optional<std::string> local = env.GetEnvironment("LOCALAPPDATA");
  ASSERT_TRUE(SetEnvironmentVariableW(L"LOCALAPPDATA", L"AppData\\Local"));
  EXPECT_EQ(env.UserStateFolder(), "");
  SetEnvironmentVariableW(L"LOCALAPPDATA", local ? Wide(*local).c_str() : nullptr);
}

TEST(Win32EnvFiles, ReadsAfterDroppingTheCacheComeUnbufferedAndUnaligned) {
  WinTempDir dir;
  std::string content(10000, 'q');
  content[4097] = 'Z';
  const std::string file = dir.Write("f", content);
  auto folder = env.OpenFolder(dir.path(), nullptr);
  ASSERT_TRUE(folder.ok());
  auto opened = (*folder)->OpenForReadingAt("f", nullptr);
  ASSERT_TRUE(opened.ok());
  ASSERT_TRUE((*opened)->DropCache().ok());
  char buffer[8];
  ASSERT_EQ(*(*opened)->ReadAt(4096, buffer, 3), 3u);
  EXPECT_EQ(std::string(buffer, 3), "qZq");
  ASSERT_EQ(*(*opened)->ReadAt(9998, buffer, 8), 2u);
  EXPECT_EQ(*(*opened)->ReadAt(10000, buffer, 8), 0u);
}

TEST(Win32EnvSystem, VolumesClockProgramAndLocale) {
  WinTempDir dir;
  auto folder = env.OpenFolder(dir.path(), nullptr);
  ASSERT_TRUE(folder.ok());
  Result<VolumeSpace> space = (*folder)->Space();
  ASSERT_TRUE(space.ok()) << space.status().message();
  EXPECT_GT(space->total_bytes, 0u);
  EXPECT_GE(space->free_bytes, space->available_bytes);
  Result<MountInfo> volume = env.FindMount(dir.path());
  ASSERT_TRUE(volume.ok()) << volume.status().message();
  EXPECT_FALSE(volume->fs_type.empty());
  EXPECT_EQ(dir.path().rfind(volume->mount_point, 0), 0u);
  Result<MountInfo> of_handle = (*folder)->Mount();
  ASSERT_TRUE(of_handle.ok()) << of_handle.status().message();
  EXPECT_EQ(of_handle->mount_point, volume->mount_point);
  EXPECT_TRUE((*folder)->SyncFileSystem().ok());
  const int64_t before = env.MonotonicMillis();
  env.SleepMillis(20);
  EXPECT_GE(env.MonotonicMillis() - before, 20);
  Result<std::string> exe = env.ExecutablePath();
  ASSERT_TRUE(exe.ok());
  EXPECT_NE(exe->find("win32_env_test.exe"), std::string::npos);
  EXPECT_EQ(exe->find('\\'), std::string::npos);
  // 1981-01-01 00:00 local is within a day of the same time in UTC.
  Result<int64_t> local = env.LocalTimeToEpoch({1981, 1, 1, 0, 0, 0});
  ASSERT_TRUE(local.ok());
  EXPECT_LE(std::llabs(*local - 347155200), 14 * 3600);
  EXPECT_FALSE(env.UserNumberFormat().decimal_point.empty());
  EXPECT_NE(env.UserSettingsFolder().find("/Tarnwell"), std::string::npos);
}

TEST(Win32EnvSystem, SizesReadAsWindowsFormatsTheSameNumber) {
  const NumberFormat format = env.UserNumberFormat();
  std::wstring decimal = Wide(format.decimal_point), thousands = Wide(format.thousands_separator);
  NUMBERFMTW windows{};
  windows.NumDigits = 1;
  windows.LeadingZero = format.leading_zero ? 1 : 0;
  windows.Grouping = static_cast<UINT>(format.grouping);
  windows.lpDecimalSep = decimal.data();
  windows.lpThousandSep = thousands.data();
  // Byte counts and a count of gigabytes whose first rendering is a whole number.
  for (const auto& [bytes, plain, unit] :
       {std::tuple<uint64_t, const wchar_t*, const char*>{999, L"999", " byte"},
        {100'000'000'000, L"93", " GB"},
        {5'000'000'000'000, L"4657", " GB"}}) {
    wchar_t out[64];
    ASSERT_GT(GetNumberFormatEx(LOCALE_NAME_USER_DEFAULT, 0, plain, &windows, out, 64), 0);
    const std::wstring wide(out);
    std::string expected(wide.size() * 3, '\0');
    expected.resize(static_cast<size_t>(
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), expected.data(),
                            static_cast<int>(expected.size()), nullptr, nullptr)));
    EXPECT_EQ(items::FormatSize(bytes, format), expected + unit);
  }
}

TEST(Win32EnvFolders, EntriesAreReachedThroughTheHandleEvenAfterTheFolderMoves) {
  WinTempDir dir;
  const std::string sub = dir.MakeDir("sub");
  dir.Write("sub/a.txt", "secret");
  dir.Write("sub/b.txt", "B");
  dir.MakeDir("sub/inner");
  const FileInfo listed = *env.Describe(sub);
  auto folder = env.OpenFolder(sub, &listed);
  ASSERT_TRUE(folder.ok()) << folder.status().message();
  // The folder moves away and another takes its name: the handle still
  // reaches the listed one, and nothing in the newcomer is touched. Wine
  // renames and deletes below a handle by the folder's old path (it would
  // touch the newcomer), so the move is made on Windows only.
  const bool moves = !RunningUnderWine();
  const std::string home = moves ? dir / "moved" : sub;
  if (moves) {
    ASSERT_TRUE(env.RenameNoReplace(sub, home).ok());
    dir.Write("sub/a.txt", "newcomer");
  }
  Folder& f = **folder;
  const FileInfo a = *f.DescribeAt("a.txt");
  EXPECT_EQ(a.size, 6u);
  EXPECT_EQ(a.links, 1u);
  const Status stale = f.OpenFolderAt("inner", &a).status();
  EXPECT_EQ(stale.code(), ESTALE) << stale.message();
  const Status not_file = f.OpenAt("inner", nullptr, true).status();
  EXPECT_EQ(not_file.code(), EINVAL) << not_file.message();

  HANDLE held = HoldOpen(home + "/b.txt");
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(f.OpenAt("b.txt", nullptr, true).status().code(), EBUSY);
  CloseHandle(held);

  auto file = f.OpenAt("a.txt", &a, true);
  ASSERT_TRUE(file.ok()) << file.status().message();
  EXPECT_TRUE((*file)->exclusive());
  EXPECT_EQ(*(*file)->WriteAt(0, "000000", 6), 6u);
  ASSERT_TRUE((*file)->SetDirect(true).ok());  // reopened through the folder
  EXPECT_TRUE((*file)->Close().ok());
  EXPECT_EQ(ReadAll(home + "/a.txt"), "000000");

  const Status taken = f.RenameAt("a.txt", "b.txt");
  EXPECT_EQ(taken.code(), EEXIST) << taken.message();
  const Status renamed = f.RenameAt("a.txt", "c.txt");
  EXPECT_TRUE(renamed.ok()) << renamed.message();
  const Status is_folder = f.RemoveAt("inner", false);
  EXPECT_EQ(is_folder.code(), EISDIR) << is_folder.message();
  EXPECT_EQ(f.RemoveAt("c.txt", true).code(), ENOTDIR);
  EXPECT_TRUE(f.RemoveAt("c.txt", false).ok());
  EXPECT_TRUE(f.RemoveAt("inner", true).ok());
  EXPECT_EQ(f.RenameAt("../x", "y").code(), EINVAL);

  const Status created = f.CreateAt("new.txt");
  ASSERT_TRUE(created.ok()) << created.message();
  const Result<FileInfo> made = env.Describe(home + "/new.txt");
  ASSERT_TRUE(made.ok()) << made.status().message();
  EXPECT_EQ(made->kind, FileKind::kRegular);
  EXPECT_EQ(made->size, 0u);
  EXPECT_EQ(f.CreateAt("new.txt").code(), EEXIST);
  EXPECT_EQ(f.CreateAt("b.txt").code(), EEXIST);
  EXPECT_EQ(ReadAll(home + "/b.txt"), "B");
  EXPECT_EQ(f.CreateAt("../x").code(), EINVAL);
  EXPECT_TRUE(f.RemoveAt("new.txt", false).ok());
  const Result<std::vector<std::string>> names = f.ListNames();
  ASSERT_TRUE(names.ok());
  EXPECT_EQ(*names, std::vector<std::string>{"b.txt"});
  EXPECT_TRUE(f.Sync().ok());
  if (moves) {
    EXPECT_EQ(ReadAll(dir / "sub/a.txt"), "newcomer");
    EXPECT_FALSE(env.Describe(dir / "sub/new.txt").ok());
  }
}

}  // namespace
}  // namespace tarnwell::platform
