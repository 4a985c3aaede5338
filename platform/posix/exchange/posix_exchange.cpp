// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
#include "platform/posix/exchange/posix_exchange.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/posix/iconv_codepage.h"
#include "platform/posix/posix_paths.h"

namespace kit::posix {
namespace {

// One character of UTF-8 text, as '?' counts them.
std::vector<std::string> Characters(const std::string& s) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < s.size();) {
    std::size_t n = 1;
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 0xF0) {
      n = 4;
    } else if (c >= 0xE0) {
      n = 3;
    } else if (c >= 0xC0) {
      n = 2;
    }
    if (i + n > s.size()) n = s.size() - i;
    out.push_back(s.substr(i, n));
    i += n;
  }
  return out;
}

bool SameCharacter(const std::string& a, const std::string& b) { return EqualsIgnoreAsciiCase(a, b); }

bool Matches(const std::vector<std::string>& pat, const std::vector<std::string>& name) {
  // Greedy with one backtrack point per star: linear in practice, never
  // exponential.
  std::size_t p = 0, n = 0, star = std::string::npos, mark = 0;
  while (n < name.size()) {
    if (p < pat.size() && (pat[p] == "?" || (pat[p] != "*" && SameCharacter(pat[p], name[n])))) {
      ++p;
      ++n;
    } else if (p < pat.size() && pat[p] == "*") {
      star = p++;
      mark = n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pat.size() && pat[p] == "*") ++p;
  return p == pat.size();
}

std::optional<FoundFile> StatFound(const std::string& native) {
  struct stat st {};
  if (stat(native.c_str(), &st) != 0) return std::nullopt;
  FoundFile found;
  found.folder = S_ISDIR(st.st_mode);
  found.size = found.folder ? 0 : static_cast<std::uint64_t>(st.st_size);
  return found;
}

// The native folder and last component of a search pattern; nullopt for
// one the desktop's search would refuse.
std::optional<std::pair<std::string, std::string>> SplitPattern(const std::string& pattern) {
  if (pattern.empty()) return std::nullopt;
  const char last = pattern.back();
  // A trailing separator names no file; the desktop's search fails on it too.
  if (last == '\\' || last == '/' || last == ':') return std::nullopt;
  std::string native;
  try {
    native = NativePath(pattern);
  } catch (const FileError&) {
    return std::nullopt;
  }
  const std::size_t slash = native.rfind('/');
  if (slash == std::string::npos) return std::make_pair(std::string("./"), native);
  return std::make_pair(native.substr(0, slash + 1), native.substr(slash + 1));
}

// Entry names of `folder` matching `name` (wildcards allowed), in byte order.
std::optional<std::vector<std::string>> Matching(const std::string& folder, const std::string& name) {
  // The desktop's search takes "*.*" for every name, dotted or not.
  const std::vector<std::string> pat = Characters(name == "*.*" ? std::string("*") : name);
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return std::nullopt;
  std::vector<std::string> found;
  while (dirent* entry = readdir(dir)) {
    const std::string candidate = entry->d_name;
    if (candidate == "." || candidate == "..") continue;
    if (Matches(pat, Characters(candidate))) found.push_back(candidate);
  }
  closedir(dir);
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace

std::optional<FoundFile> PosixFileLookup::FindFirst(const std::string& pattern) {
  const auto split = SplitPattern(pattern);
  if (!split) return std::nullopt;
  const auto& [folder, name] = *split;
  if (name.find_first_of("?*") == std::string::npos) return StatFound(folder + name);
  const auto found = Matching(folder, name);
  if (!found || found->empty()) return std::nullopt;
  return StatFound(folder + found->front());
}

std::optional<std::vector<std::string>> PosixFileLookup::List(const std::string& pattern) {
  const auto split = SplitPattern(pattern);
  if (!split) return std::nullopt;
  const auto& [folder, name] = *split;
  auto found = Matching(folder, name);
  if (!found) return std::nullopt;
  // The desktop lists a folder's own entries first when the pattern takes them.
  const std::vector<std::string> pat = Characters(name == "*.*" ? std::string("*") : name);
  for (const char* dots : {"..", "."})
    if (Matches(pat, Characters(dots))) found->insert(found->begin(), dots);
  // Names go back to the code page the callers speak.
  for (std::string& n : *found) n = SystemCodePage().FromUtf8(n);
  if (found->empty() && name.find_first_of("?*") == std::string::npos) return std::nullopt;
  return found;
}

bool PosixFileLookup::OpenSharedRead(const std::string& path) {
  std::string native;
  try {
    native = NativePath(path);
  } catch (const FileError&) {
    return false;
  }
  int fd;
  do {
    fd = open(native.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
  // An exclusive try fails while any writer of the kit holds its shared lock.
  if (ok) {
    int r;
    do {
      r = flock(fd, LOCK_EX | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    ok = r == 0;
  }
  close(fd);  // also drops the lock
  return ok;
}

bool PosixFileLookup::CreateFolder(const std::string& path) {
  try {
    return mkdir(NativePath(path).c_str(), 0777) == 0;
  } catch (const FileError&) {
    return false;
  }
}

PosixShell::PosixShell(std::string command) : command_(std::move(command)) {
  if (command_.empty()) {
    const char* env = std::getenv("KIT_OPEN_COMMAND");
    command_ = env != nullptr && *env != '\0' ? env : "xdg-open";
  }
}

std::intptr_t PosixShell::Execute(const ShellRequest& request) {
  constexpr std::intptr_t kFileNotFound = 2, kNoAssociation = 31, kStarted = 42;
  std::string native;
  try {
    native = NativePath(SystemCodePage().FromUtf8(request.file));
  } catch (const FileError&) {
    return kFileNotFound;
  }
  struct stat st {};
  if (stat(native.c_str(), &st) != 0) return kFileNotFound;
  // The opener is started from a short-lived child, so it never stays
  // behind as a zombie of this process and nobody waits for it.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return kNoAssociation;
  const pid_t child = fork();
  if (child < 0) {
    close(report[0]);
    close(report[1]);
    return kNoAssociation;
  }
  if (child == 0) {
    close(report[0]);
    const pid_t grandchild = fork();
    if (grandchild == 0) {
      execlp(command_.c_str(), command_.c_str(), native.c_str(), static_cast<char*>(nullptr));
      const char failed = 1;
      (void)!write(report[1], &failed, 1);
      _exit(127);
    }
    _exit(grandchild < 0 ? 1 : 0);
  }
  close(report[1]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  // The pipe closes on a successful exec; a byte means exec failed.
  char failed = 0;
  ssize_t got;
  do {
    got = read(report[0], &failed, 1);
  } while (got < 0 && errno == EINTR);
  close(report[0]);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || got > 0) return kNoAssociation;
  return kStarted;
}

std::optional<std::string> TerminalDialogs::ReadLine() {
  std::string line;
  int c;
  while ((c = std::fgetc(in_)) != EOF && c != '\n') line += static_cast<char>(c);
  if (c == EOF && line.empty()) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

int TerminalDialogs::MessageBox(std::uintptr_t, const std::string& text, const std::string& caption, unsigned style) {
  std::fprintf(out_, "[%s] %s\n", caption.c_str(), text.c_str());
  std::fflush(out_);
  return DefaultAnswer(style);
}

std::optional<std::vector<std::string>> TerminalDialogs::FileDialog(const FileDialogRequest& request) {
  std::fprintf(out_, "%s (%s, one path a line, an empty line ends):\n",
               request.title.empty() ? (request.open ? "Open" : "Save As") : request.title.c_str(),
               request.multi_select ? "files" : "file");
  std::fflush(out_);
  std::vector<std::string> chosen;
  std::size_t chars = 1;  // the answer's final terminator
  while (std::optional<std::string> line = ReadLine()) {
    if (line->empty()) break;
    chosen.push_back(*line);
    chars += line->size() + 1;
    if (!request.multi_select) break;
  }
  if (chosen.empty()) return std::nullopt;
  // An answer that would not fit the caller's room fails, as the desktop's does.
  if (request.buffer_chars != 0 && chars > request.buffer_chars) return std::nullopt;
  return chosen;
}

std::optional<std::string> TerminalDialogs::BrowseForFolder(std::uintptr_t, const std::string& title) {
  std::fprintf(out_, "%s (a folder, an empty line cancels):\n", title.c_str());
  std::fflush(out_);
  std::optional<std::string> line = ReadLine();
  if (!line || line->empty()) return std::nullopt;
  return line;
}

std::optional<ColorRef> TerminalDialogs::ChooseColor(std::uintptr_t, ColorRef) { return std::nullopt; }

}  // namespace kit::posix
