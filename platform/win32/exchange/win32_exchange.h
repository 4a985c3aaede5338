// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// The local file helpers' facilities over the Win32 API. Kept free of
// <windows.h> so that code outside platform/ can name them.
#pragma once
#include "ports/dialogs.h"
#include "ports/files.h"
#include "ports/shell.h"

namespace kit::win32 {

// FindFirstFileA, CreateFileA with read sharing, CreateDirectoryA; paths go
// to the A functions unchanged (code page 936).
class Win32FileLookup : public IFileLookup, public IFolderListing {
 public:
  std::optional<FoundFile> FindFirst(const std::string& pattern) override;
  std::optional<std::vector<std::string>> List(const std::string& pattern) override;  // FindNextFileA
  bool OpenSharedRead(const std::string& path) override;
  bool CreateFolder(const std::string& path) override;
};

// ShellExecuteA; the UTF-8 request is converted to code page 936.
class Win32Shell : public IShell {
 public:
  std::intptr_t Execute(const ShellRequest& request) override;
};

// MessageBoxA, GetOpenFileNameA / GetSaveFileNameA, SHBrowseForFolderA
// rooted at the computer's drives, ChooseColorA.
class Win32Dialogs : public IDialogs {
 public:
  int MessageBox(std::uintptr_t owner, const std::string& text, const std::string& caption,
                 unsigned style) override;
  std::optional<std::vector<std::string>> FileDialog(const FileDialogRequest& request) override;
  std::optional<std::string> BrowseForFolder(std::uintptr_t owner, const std::string& title) override;
  std::optional<ColorRef> ChooseColor(std::uintptr_t owner, ColorRef initial) override;
};

// The answer buffer of a file dialog (the folder and the names, each ended
// by a NUL, or one full path) as full paths, still in the system code page.
std::vector<std::string> SplitFileDialogAnswer(const char* buffer, std::size_t size);

}  // namespace kit::win32
