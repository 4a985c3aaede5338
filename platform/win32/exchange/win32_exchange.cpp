// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include "platform/win32/exchange/win32_exchange.h"

// clang-format off
#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>
#include <shellapi.h>
// clang-format on
// The port's member names, not the A/W switches of the headers.
#undef MessageBox
#undef ChooseColor

#include <vector>

#include "platform/win32/win32_adapters.h"

namespace kit::win32 {
namespace {

const Win32CodePage& Ansi() {
  static const Win32CodePage page;
  return page;
}

const char* OrNull(const std::string& s) { return s.empty() ? nullptr : s.c_str(); }

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data) {
  // The initial folder; an empty one selects nothing in particular.
  if (message == BFFM_INITIALIZED) SendMessageA(window, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}

}  // namespace

std::optional<FoundFile> Win32FileLookup::FindFirst(const std::string& pattern) {
  WIN32_FIND_DATAA data{};
  HANDLE h = FindFirstFileA(pattern.c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  FindClose(h);
  FoundFile found;
  found.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  found.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return found;
}

std::optional<std::vector<std::string>> Win32FileLookup::List(const std::string& pattern) {
  WIN32_FIND_DATAA data{};
  HANDLE h = FindFirstFileA(pattern.c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  std::vector<std::string> names;
  do {
    names.emplace_back(data.cFileName);
  } while (FindNextFileA(h, &data));
  FindClose(h);
  return names;
}

bool Win32FileLookup::OpenSharedRead(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

bool Win32FileLookup::CreateFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

std::intptr_t Win32Shell::Execute(const ShellRequest& request) {
  const std::string verb = Ansi().FromUtf8(request.verb);
  const std::string file = Ansi().FromUtf8(request.file);
  const std::string parameters = Ansi().FromUtf8(request.parameters);
  const std::string directory = Ansi().FromUtf8(request.directory);
  HINSTANCE r = ShellExecuteA(reinterpret_cast<HWND>(request.owner), OrNull(verb), file.c_str(),
                              OrNull(parameters), OrNull(directory), request.show);
  return reinterpret_cast<std::intptr_t>(r);
}

int Win32Dialogs::MessageBox(std::uintptr_t owner, const std::string& text, const std::string& caption,
                             unsigned style) {
  return MessageBoxA(reinterpret_cast<HWND>(owner), Ansi().FromUtf8(text).c_str(),
                     Ansi().FromUtf8(caption).c_str(), style);
}

std::vector<std::string> SplitFileDialogAnswer(const char* buffer, std::size_t size) {
  std::vector<std::string> parts;
  std::size_t i = 0;
  while (i < size && buffer[i] != '\0') {
    std::size_t end = i;
    while (end < size && buffer[end] != '\0') ++end;
    parts.emplace_back(buffer + i, end - i);
    i = end + 1;
  }
  if (parts.size() <= 1) return parts;
  // The folder first, then the names in it.
  std::vector<std::string> paths;
  const std::string& folder = parts[0];
  const bool ended = !folder.empty() && folder.back() == '\\' && folder.size() <= 3;  // "C:\"
  for (std::size_t k = 1; k < parts.size(); ++k) paths.push_back(folder + (ended ? "" : "\\") + parts[k]);
  return paths;
}

std::optional<std::vector<std::string>> Win32Dialogs::FileDialog(const FileDialogRequest& request) {
  const std::size_t chars = request.buffer_chars != 0 ? request.buffer_chars : 32768;
  std::vector<char> buffer(chars + 1, '\0');  // zeroed; the extra NUL is never handed out
  const std::string initial = Ansi().FromUtf8(request.initial_name);
  if (initial.size() < chars) initial.copy(buffer.data(), initial.size());
  std::string filter;
  for (const auto& [text, pattern] : request.filters) {
    filter += Ansi().FromUtf8(text);
    filter += '\0';
    filter += Ansi().FromUtf8(pattern);
    filter += '\0';
  }
  filter += '\0';
  const std::string title = Ansi().FromUtf8(request.title);
  const std::string extension = Ansi().FromUtf8(request.default_extension);

  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = reinterpret_cast<HWND>(request.owner);
  ofn.lpstrFilter = request.filters.empty() ? nullptr : filter.c_str();
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(chars);
  ofn.lpstrTitle = OrNull(title);
  ofn.lpstrDefExt = OrNull(extension);
  ofn.Flags = OFN_EXPLORER;
  if (request.multi_select) ofn.Flags |= OFN_ALLOWMULTISELECT;
  if (request.hide_read_only) ofn.Flags |= OFN_HIDEREADONLY;
  if (request.overwrite_prompt) ofn.Flags |= OFN_OVERWRITEPROMPT;
  const BOOL ok = request.open ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn);
  if (!ok) return std::nullopt;  // cancel, or an answer too long for the buffer
  std::vector<std::string> paths = SplitFileDialogAnswer(buffer.data(), chars);
  for (std::string& p : paths) p = Ansi().ToUtf8(p);
  return paths;
}

std::optional<std::string> Win32Dialogs::BrowseForFolder(std::uintptr_t owner, const std::string& title) {
  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator)) || allocator == nullptr) return std::nullopt;
  LPITEMIDLIST root = nullptr;
  SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &root);
  const std::string caption = Ansi().FromUtf8(title);
  char display[MAX_PATH] = {};
  BROWSEINFOA info{};
  info.hwndOwner = reinterpret_cast<HWND>(owner);
  info.pidlRoot = root;
  info.pszDisplayName = display;
  info.lpszTitle = caption.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = BrowseCallback;
  static const char kNoInitialFolder[] = "";
  info.lParam = reinterpret_cast<LPARAM>(kNoInitialFolder);
  std::optional<std::string> result;
  if (LPITEMIDLIST chosen = SHBrowseForFolderA(&info)) {
    char path[MAX_PATH] = {};
    if (SHGetPathFromIDListA(chosen, path) && path[0] != '\0') result = Ansi().ToUtf8(path);
    allocator->Free(chosen);
  }
  if (root != nullptr) allocator->Free(root);
  allocator->Release();
  return result;
}

std::optional<ColorRef> Win32Dialogs::ChooseColor(std::uintptr_t owner, ColorRef initial) {
  static COLORREF custom[16] = {};
  CHOOSECOLORA cc{};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = reinterpret_cast<HWND>(owner);
  cc.rgbResult = initial;
  cc.lpCustColors = custom;
  cc.Flags = CC_RGBINIT;
  if (!ChooseColorA(&cc)) return std::nullopt;
  return static_cast<ColorRef>(cc.rgbResult);
}

}  // namespace kit::win32
