// Volumes, the console and the user's locale on Windows.
#pragma once

#include <atomic>
#include <string>

#include "platform/env.h"
#include "platform/win32/windows_api.h"

namespace tarnwell::platform::win32 {

// The volume's root (C:\, \\server\share\ or a mounted folder) in logic form.
Result<std::string> VolumeRootOf(const std::string& path);
Result<VolumeSpace> VolumeSpaceOf(const std::string& path);
// Where the open handle is now, as the system names it, so the volume calls
// ask the volume that holds the handle rather than whatever a path leads
// to: with by_volume its volume's GUID path (\\?\Volume{...}\...) when the
// system has one, else its drive path in logic form.
Result<std::string> FinalPathOf(HANDLE handle, const std::string& path, bool by_volume);
// What the pre-flight check needs to know about the volume: fs_type is the
// file system's name ("NTFS", "ReFS", ...); options list what makes an
// overwrite untrustworthy there ("compress", "dedup", "network", "removable")
// and "shadow-copies" where Volume Shadow Copies may keep older copies.
Result<MountInfo> VolumeInfoOf(const std::string& path);
Status FlushVolume(const std::string& path);
// FlushVolume for the volume that holds the open handle, found from the
// handle itself; path names it in messages.
Status FlushVolumeOf(HANDLE handle, const std::string& path);

bool IsConsole(int stream);
int ConsoleColumns(int stream);
// Ctrl+C, Ctrl+Break, console close, logoff and shutdown store 1 into *flag
// the first time; the second Ctrl+C ends the process.
void StopOnConsoleEvents(std::atomic<bool>* flag);

// The user's UI language as a POSIX-style name ("de_DE").
std::string UserLanguageName();
NumberFormat UserNumberFormat();

}  // namespace tarnwell::platform::win32
