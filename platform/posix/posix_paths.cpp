// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
#include "platform/posix/posix_paths.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <map>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "platform/posix/iconv_codepage.h"
#include "ports/files.h"

namespace kit::posix {
namespace {

constexpr char kRootFolderName[] = "desktop-client-kit";

bool IsSep(char c) { return c == '\\' || c == '/'; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

[[noreturn]] void NotMapped(const std::string& windowsPath, const char* why) {
  throw FileError(FileError::Cause::NotFound, windowsPath, std::string(why) + ": " + windowsPath);
}

std::string StripTrailingSlashes(std::string s) {
  while (!s.empty() && s.back() == '/') s.pop_back();
  return s;
}

std::optional<std::string> CurrentDirectory() {
  char* cwd = getcwd(nullptr, 0);
  if (cwd == nullptr) return std::nullopt;
  std::string r = cwd;
  std::free(cwd);
  return r;
}

std::string HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return home;
  std::vector<char> buf(16384);
  passwd pw{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr) {
    return found->pw_dir;
  }
  return "/tmp";
}

// The root without a trailing slash; empty when the root is "/".
std::string RootPrefix() {
  std::string root;
  const char* kit = std::getenv("KIT_ROOT");
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (kit != nullptr && *kit != '\0') {
    root = kit;
  } else if (xdg != nullptr && xdg[0] == '/') {
    // A relative XDG_DATA_HOME is meant to be ignored.
    root = std::string(xdg) + "/" + kRootFolderName;
  } else {
    root = HomeDirectory() + "/.local/share/" + kRootFolderName;
  }
  if (root[0] != '/') {
    // Pin a relative root now so that later chdirs do not move the drives.
    if (std::optional<std::string> cwd = CurrentDirectory()) root = StripTrailingSlashes(*cwd) + "/" + root;
  }
  return StripTrailingSlashes(root);
}

// mkdir -p; failures surface later when the file itself is opened.
void MakeDirectories(const std::string& path) {
  for (std::size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      std::string prefix = path.substr(0, i);
      struct stat st {};
      if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST &&
          !(stat(prefix.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
        return;
      }
    }
  }
}

std::vector<std::string> SplitNative(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t i = 0;
  while (i < path.size()) {
    std::size_t j = path.find('/', i);
    if (j == std::string::npos) j = path.size();
    if (j > i) parts.push_back(path.substr(i, j - i));
    i = j + 1;
  }
  return parts;
}

// Where the current directory is, in drive terms.
struct CurrentLocation {
  char drive = 0;                   // 0 when outside the drives
  std::vector<std::string> inside;  // components below the drive folder
};

CurrentLocation Locate(const std::string& root) {
  CurrentLocation loc;
  std::optional<std::string> cwd = CurrentDirectory();
  if (!cwd) return loc;  // a folder that went away is no drive's
  std::vector<std::string> parts = SplitNative(*cwd);

  // getcwd() returns the resolved path; compare with the resolved root too.
  std::vector<std::string> candidates{root};
  if (char* real = realpath(root.empty() ? "/" : root.c_str(), nullptr)) {
    candidates.push_back(StripTrailingSlashes(real));
    std::free(real);
  }
  for (const std::string& r : candidates) {
    std::vector<std::string> rootParts = SplitNative(r);
    if (parts.size() <= rootParts.size()) continue;
    bool under = true;
    for (std::size_t i = 0; i < rootParts.size() && under; ++i) under = parts[i] == rootParts[i];
    const std::string& drive = parts[rootParts.size()];
    if (!under || drive.size() != 1 || !IsAsciiLetter(drive[0])) continue;
    loc.drive = LowerAscii(drive[0]);
    loc.inside.assign(parts.begin() + static_cast<std::ptrdiff_t>(rootParts.size()) + 1, parts.end());
    return loc;
  }
  return loc;
}

std::string ScanForSpelling(const std::string& dir, const std::string& part) {
  std::string best;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      // Of several spellings take the smallest, so the choice is stable.
      if (EqualsIgnoreAsciiCase(name, part) && (best.empty() || name < best)) best = std::move(name);
    }
    closedir(d);
  }
  return best;
}

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

// A folder's entries are unchanged while its identity and times are, but only
// once those times lie clearly before the scan: a change within the same clock
// tick (or the same second or two, where the file system keeps no fractions)
// would leave them as they were.
bool TimesSettledBefore(const struct stat& st, const timespec& scanned) {
  const bool coarse = st.st_mtim.tv_nsec == 0 || st.st_ctim.tv_nsec == 0;
  const long long marginNs = coarse ? 2000000000LL : 50000000LL;
  auto ns = [](const timespec& t) { return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec; };
  const long long scan = ns(scanned);
  return ns(st.st_mtim) + marginNs < scan && ns(st.st_ctim) + marginNs < scan;
}

// What a scan of one folder found for one name, and the folder as it was then.
struct SpellingSeen {
  dev_t dev;
  ino_t ino;
  timespec mtime;
  timespec ctime;
  std::string best;
};

// The same folders are looked up on every call (a save maps its folder several
// times); a scan is repeated only when the folder may have changed since.
std::string OtherSpelling(const std::string& dir, const std::string& part) {
  static std::mutex mu;
  static std::map<std::pair<std::string, std::string>, SpellingSeen> seen;
  constexpr std::size_t kMaxSeen = 256;
  std::string lowered = part;
  for (char& c : lowered) c = LowerAscii(c);
  std::pair<std::string, std::string> key{dir, std::move(lowered)};

  struct stat before {};
  const bool known = stat(dir.c_str(), &before) == 0;
  if (known) {
    std::lock_guard<std::mutex> lock(mu);
    auto it = seen.find(key);
    if (it != seen.end() && it->second.dev == before.st_dev && it->second.ino == before.st_ino &&
        SameTime(it->second.mtime, before.st_mtim) && SameTime(it->second.ctime, before.st_ctim)) {
      return it->second.best;
    }
  }
  timespec scanned{};
  clock_gettime(CLOCK_REALTIME, &scanned);
  std::string best = ScanForSpelling(dir, part);
  if (known && TimesSettledBefore(before, scanned)) {
    std::lock_guard<std::mutex> lock(mu);
    if (seen.size() >= kMaxSeen) seen.clear();
    seen[std::move(key)] = SpellingSeen{before.st_dev, before.st_ino, before.st_mtim, before.st_ctim, best};
  }
  return best;
}

// Picks the on-disk spelling of each component. Once one is missing nothing
// below it can exist, so the rest are kept as written.
std::string Resolve(const std::string& base, const std::vector<std::string>& parts) {
  std::string dir = base;
  bool missing = false;
  for (const std::string& part : parts) {
    std::string exact = dir + "/" + part;
    struct stat st {};
    if (missing || lstat(exact.c_str(), &st) == 0) {
      dir = std::move(exact);
      continue;
    }
    std::string best = OtherSpelling(dir.empty() ? "/" : dir, part);
    if (best.empty()) {
      missing = true;
      dir = std::move(exact);
    } else {
      dir += "/" + best;
    }
  }
  return dir.empty() ? "/" : dir;
}

}  // namespace

bool EqualsIgnoreAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

std::string KitRoot() {
  std::string root = RootPrefix();
  return root.empty() ? "/" : root;
}

std::string NativePath(const std::string& windowsPath) {
  if (windowsPath.empty()) NotMapped(windowsPath, "empty path");
  if (windowsPath.find('\0') != std::string::npos) NotMapped(windowsPath, "path with a NUL");
  // Convert before splitting: a GBK trail byte may be 0x5C, the backslash.
  // Code page 936 leaves ASCII as it is, so most paths need no conversion.
  bool ascii = true;
  for (char c : windowsPath) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  const std::string path = ascii ? windowsPath : SystemCodePage().ToUtf8(windowsPath);
  if (path.size() >= 2 && IsSep(path[0]) && IsSep(path[1])) NotMapped(windowsPath, "network path");

  const std::string root = RootPrefix();
  char drive = 0;
  std::vector<std::string> parts;  // already resolved against the base, before `rest`
  std::size_t rest = 0;
  if (path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':') {
    drive = LowerAscii(path[0]);
    rest = 2;
    if (path.size() == 2 || !IsSep(path[2])) {
      // "c:name" is relative to the current directory when that is on c:.
      CurrentLocation loc = Locate(root);
      if (loc.drive == drive) parts = std::move(loc.inside);
    }
  } else if (IsSep(path[0])) {
    CurrentLocation loc = Locate(root);
    drive = loc.drive != 0 ? loc.drive : 'c';
  } else {
    // A relative name never leaves the drives: outside them the current
    // folder is the root of c:, where a desktop program would be.
    CurrentLocation loc = Locate(root);
    drive = loc.drive != 0 ? loc.drive : 'c';
    parts = std::move(loc.inside);
  }

  std::size_t i = rest;
  while (i < path.size()) {
    std::size_t j = i;
    while (j < path.size() && !IsSep(path[j])) ++j;
    std::string part = path.substr(i, j - i);
    // The desktop opens a device for such a name in any folder.
    if (IsDeviceName(part)) NotMapped(windowsPath, "device name");
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    i = j + 1;
  }

  const std::string base = root + "/" + drive;
  // A drive always exists, even before anything was written to it; one
  // look is enough when it does, as it nearly always will.
  struct stat st {};
  if (stat(base.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) MakeDirectories(base);
  return Resolve(base, parts);
}

}  // namespace kit::posix
