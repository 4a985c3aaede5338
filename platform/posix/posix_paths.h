// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
// Windows paths in code page 936 -> native UTF-8 paths. Drives live as
// folders under one root, "c:\temp\a.doc" -> "$KIT_ROOT/c/temp/a.doc".
#pragma once
#include <string>

namespace kit::posix {

// The folder holding the drive folders: $KIT_ROOT, else
// $XDG_DATA_HOME/desktop-client-kit, else $HOME/.local/share/desktop-client-kit.
// Read from the environment on every call.
std::string KitRoot();

// Maps a Windows path (drive-absolute, rooted, drive-relative or relative to
// the current directory) to the native path the file layer opens. The current
// directory is the process's own when it lies in a drive folder, else the
// root of c:, so no path leads out of the drives. Components are matched
// ASCII-case-insensitively against what exists; missing ones are kept as
// written. "." and ".." are resolved lexically and never leave the drive.
// Creates the root and the drive folder when missing. Throws
// kit::FileError(NotFound) for UNC and device paths, for a device name (CON,
// NUL, COM1, ...) in any component and for empty paths.
std::string NativePath(const std::string& windowsPath);

// ASCII-only case-insensitive equality, the rule the mapping matches names by.
bool EqualsIgnoreAsciiCase(const std::string& a, const std::string& b);

}  // namespace kit::posix
