// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
// The local file helpers' facilities on POSIX hosts: lookups under KIT_ROOT,
// an opener started through a command, and choosers on the terminal.
#pragma once
#include <cstdio>
#include <string>

#include "ports/dialogs.h"
#include "ports/files.h"
#include "ports/shell.h"

namespace kit::posix {

// Find-first-file over the drive folders: '?' stands for one character and
// '*' for any run, in the last component only, matched ASCII-case-
// insensitively; several matches give the first in byte order. The shared
// read open tries an exclusive flock(2): the kit's writers hold a shared one.
// Listings give the matches in byte order after "." and "..".
class PosixFileLookup : public IFileLookup, public IFolderListing {
 public:
  std::optional<FoundFile> FindFirst(const std::string& pattern) override;
  std::optional<std::vector<std::string>> List(const std::string& pattern) override;
  bool OpenSharedRead(const std::string& path) override;
  bool CreateFolder(const std::string& path) override;
};

// Starts `command` (default $KIT_OPEN_COMMAND, else xdg-open) with the native
// path and does not wait for it. Answers 2 (file not found) for a path that
// does not exist, 31 when the command could not be started, else 42.
class PosixShell : public IShell {
 public:
  explicit PosixShell(std::string command = "");
  std::intptr_t Execute(const ShellRequest& request) override;

 private:
  std::string command_;
};

// Choosers for a host without a desktop: the question goes to `out`, the
// answer is read from `in` a line at a time. A folder is one line; files are
// one line each up to an empty line. An empty first line or the end of the
// input cancels. Message boxes print and answer with their default button; no
// colour is chosen.
class TerminalDialogs : public IDialogs {
 public:
  TerminalDialogs(std::FILE* in, std::FILE* out) : in_(in), out_(out) {}
  int MessageBox(std::uintptr_t owner, const std::string& text, const std::string& caption,
                 unsigned style) override;
  std::optional<std::vector<std::string>> FileDialog(const FileDialogRequest& request) override;
  std::optional<std::string> BrowseForFolder(std::uintptr_t owner, const std::string& title) override;
  std::optional<ColorRef> ChooseColor(std::uintptr_t owner, ColorRef initial) override;

 private:
  std::optional<std::string> ReadLine();
  std::FILE* in_;
  std::FILE* out_;
};

}  // namespace kit::posix
