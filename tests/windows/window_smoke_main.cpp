// The smoke test of tarnwell.exe: started with two files, a third dropped,
// the first taken out of the list by Del (and kept), the others erased
// (delay 0); a folder of many files erased with the stop question opened
// meanwhile, which pauses the erase until Escape in it stops the job; Reset;
// the language switched to German, a fourth file dropped and erased by
// Delete + Exit, which closes the window. Each
// check prints one line, the last line the number of failed checks, which is
// also the exit code (at most 100). Argument: the path of tarnwell.exe.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/win_text.h"
#include "tests/windows/window_driver.h"
#include "text/catalog.h"
#include "ui/language_menu.h"
#include "win/resource_ids.h"

namespace {
using tarnwell::platform::win32::ToUtf8;
using tarnwell::platform::win32::ToWide;
using tarnwell::testing::WaitUntil;
using tarnwell::testing::WindowDriver;

constexpr int kGermanIndex = 0;
constexpr int kWaitMs = 30000;
// The stop question's files: three passes over them take seconds.
constexpr int kManyFiles = 60;
constexpr size_t kManyFileBytes = 1 << 20;

int failures = 0;

bool Check(const char* what, bool passed, const std::wstring& seen = L"") {
  std::printf("%s - %s", passed ? "ok" : "FAILED", what);
  if (!passed && !seen.empty()) std::printf(" (seen: %s)", ToUtf8(seen).c_str());
  std::printf("\n");
  std::fflush(stdout);
  if (!passed) ++failures;
  return passed;
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteFile(const std::wstring& path, const std::string& content) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
}

int Run(const std::wstring& program) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring work =
      std::wstring(temp) + L"tarnwell-smoke-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  CreateDirectoryW(work.c_str(), nullptr);
  // English first, no countdown; the window's own settings file is not used.
  WriteFile(work + L"settings.ini",
            "[Program]\r\nlng=1\r\n[Orlenvik]\r\ndel_delay=0\r\nre_write=1\r\n");
  tarnwell::testing::UseSettingsFile(work + L"settings.ini");
  for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt", L"d.txt", L"kept.txt"}) {
    WriteFile(work + name, std::string(20000, 'x'));
  }

  WindowDriver driver;
  if (!Check("tarnwell.exe starts", driver.Start(program, {work + L"a.txt", work + L"b.txt"})) ||
      !Check("its window shows", driver.WaitForWindow(kWaitMs))) {
    return 1;
  }
  Check("the two paths are the list's rows",
        WaitUntil(kWaitMs, [&] { return driver.ListRowCount(IDC_ITEMLIST) == 2; }) &&
            EndsWith(driver.ListCell(IDC_ITEMLIST, 0, 0), L"/a.txt") &&
            EndsWith(driver.ListCell(IDC_ITEMLIST, 1, 0), L"/b.txt"),
        driver.ListCell(IDC_ITEMLIST, 0, 0));

  Check("a drop is posted", driver.PostDrop({work + L"c.txt"}));
  Check("the dropped path is the third row",
        WaitUntil(kWaitMs, [&] { return driver.ListRowCount(IDC_ITEMLIST) == 3; }) &&
            EndsWith(driver.ListCell(IDC_ITEMLIST, 2, 0), L"/c.txt"),
        driver.ListCell(IDC_ITEMLIST, 2, 0));

  driver.SelectRow(IDC_ITEMLIST, 0);
  driver.PostKey(driver.Control(IDC_ITEMLIST), VK_DELETE);
  Check("Del takes the selected row out of the list",
        WaitUntil(kWaitMs, [&] { return driver.ListRowCount(IDC_ITEMLIST) == 2; }) &&
            EndsWith(driver.ListCell(IDC_ITEMLIST, 0, 0), L"/b.txt"),
        driver.ListCell(IDC_ITEMLIST, 0, 0));

  driver.PostCommand(IDC_DELETE);
  const std::wstring no_errors =
      ToWide(" // " + tarnwell::text::LookupUtf8(tarnwell::text::TextId::kError) + ": 0");
  const bool ended = WaitUntil(kWaitMs, [&] {
    return driver.StatusText(IDC_STATUS_BAR).find(no_errors) != std::wstring::npos;
  });
  Check("the erase ends without errors in the status bar", ended,
        driver.StatusText(IDC_STATUS_BAR));
  Check("the status bar shows the share done",
        driver.StatusText(IDC_STATUS_BAR).rfind(L"100", 0) == 0, driver.StatusText(IDC_STATUS_BAR));
  Check("the listed files are gone", !Exists(work + L"b.txt") && !Exists(work + L"c.txt"));
  Check("the file taken out of the list and the one never listed are kept",
        Exists(work + L"a.txt") && Exists(work + L"kept.txt"));
  Check("the list is empty", driver.ListRowCount(IDC_ITEMLIST) == 0);

  // Enough work that the question opens while files are still left.
  const std::wstring many = work + L"many\\";
  CreateDirectoryW(many.c_str(), nullptr);
  std::vector<std::wstring> names;
  for (int i = 0; i < kManyFiles; ++i) {
    names.push_back(many + L"f" + std::to_wstring(i) + L".bin");
    WriteFile(names.back(), std::string(kManyFileBytes, 'x'));
  }
  const auto left = [&] {
    return static_cast<int>(std::count_if(names.begin(), names.end(), Exists));
  };
  WriteFile(work + L"settings.ini",
            "[Program]\r\nlng=1\r\n[Orlenvik]\r\ndel_delay=0\r\nre_write=3\r\n");
  driver.PostDrop({many});
  WaitUntil(kWaitMs, [&] { return driver.ListRowCount(IDC_ITEMLIST) > kManyFiles; });
  driver.PostCommand(IDC_DELETE);
  WaitUntil(kWaitMs,
            [&] { return driver.StatusText(IDC_STATUS_BAR).find(L" % ") != std::wstring::npos; });
  driver.PostCommand(IDCANCEL);
  HWND box = nullptr;
  Check("Escape while erasing asks whether to stop",
        WaitUntil(kWaitMs, [&] { return (box = driver.FindBox()) != nullptr; }));
  Sleep(1000);  // the file being erased when the box opened is finished
  const int paused = left();
  Sleep(1500);
  Check("no file is erased while the question is open", paused > 0 && left() == paused,
        std::to_wstring(paused) + L" then " + std::to_wstring(left()));
  if (box != nullptr) driver.PostKey(box, VK_ESCAPE);
  Check("Escape in the question stops the erase",
        WaitUntil(kWaitMs,
                  [&] {
                    return driver.FindBox() == nullptr &&
                           IsWindowEnabled(driver.Control(IDC_DELETE)) != FALSE;
                  }) &&
            left() == paused,
        std::to_wstring(left()));
  driver.PostCommand(IDC_RESET);
  const std::wstring ready = ToWide(tarnwell::text::LookupUtf8(tarnwell::text::TextId::kReady));
  Check("Reset empties the list and clears the counts",
        WaitUntil(kWaitMs,
                  [&] {
                    return driver.ListRowCount(IDC_ITEMLIST) == 0 &&
                           driver.StatusText(IDC_STATUS_BAR) == ready;
                  }),
        driver.StatusText(IDC_STATUS_BAR));

  driver.PostCommand(IDM_LANGUAGE_BASE + tarnwell::ui::kFirstLanguageCommand + kGermanIndex);
  tarnwell::text::SetCurrentLanguage(kGermanIndex);
  const std::wstring german_delete =
      ToWide(tarnwell::text::LookupUtf8(tarnwell::text::TextId::kDelete));
  Check("German labels the Delete button",
        WaitUntil(kWaitMs, [&] { return driver.ControlText(IDC_DELETE) == german_delete; }),
        driver.ControlText(IDC_DELETE));

  // The worker's Cancel at the end of Delete + Exit reaches the window while
  // it waits for messages; the window must still close.
  driver.PostDrop({work + L"d.txt"});
  WaitUntil(kWaitMs, [&] { return driver.ListRowCount(IDC_ITEMLIST) == 1; });
  driver.PostCommand(IDC_DELETE_EXIT);
  Check("Delete + Exit erases and closes the window with exit code 0",
        driver.WaitForExit(kWaitMs) == 0 && !Exists(work + L"d.txt"));

  for (const std::wstring& name : names) DeleteFileW(name.c_str());
  RemoveDirectoryW(many.c_str());
  DeleteFileW((work + L"a.txt").c_str());
  DeleteFileW((work + L"kept.txt").c_str());
  DeleteFileW((work + L"settings.ini").c_str());
  RemoveDirectoryW(work.c_str());
  return failures;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: window_smoke TARNWELL.EXE\n");
    return 2;
  }
  tarnwell::text::BuildTextCatalog();
  tarnwell::text::SetCurrentLanguage(1);
  const int failed = Run(argv[1]);
  // Under wine's explorer the exit code is lost; the last line says it.
  std::printf("window smoke: %d failed\n", failed);
  return std::min(failed, 100);
}
