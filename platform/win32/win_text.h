// The seam between the logic's byte-string paths and Windows' UTF-16 ones.
// Paths cross it as WTF-8 (UTF-8 that also carries unpaired surrogates), so
// every name Windows can hold survives the round trip and stays erasable.
// The logic sees '/' as the separator; the OS sees '\' and the \\?\ prefix.
#pragma once

#include <string>
#include <string_view>

namespace tarnwell::platform::win32 {

// UTF-16 (possibly ill-formed) to WTF-8 and back; never lossy for paths.
std::string ToUtf8(std::wstring_view text);
std::wstring ToWide(std::string_view text);

// The \\?\ form of path for the wide calls: '/' becomes '\', a drive letter
// alone ("C:") names its root, a relative path is made absolute against the
// current folder, "." and ".." segments are folded. UNC paths become
// \\?\UNC\server\share\...
std::wstring LongPath(std::string_view path);

// True for a path that hangs on no current drive or folder: a drive letter
// with a separator ("C:\x", "C:/x") or a UNC or \\?\ path. "C:x" and "\x"
// are not.
bool IsFullPath(std::string_view path);

// A wide path from the OS in the logic's form: no \\?\ prefix, '/' separators.
std::string LogicPath(std::wstring_view path);

// The NT form (\??\C:\...) that FileRenameInfo takes for its target.
std::wstring NtPath(std::string_view path);

}  // namespace tarnwell::platform::win32
