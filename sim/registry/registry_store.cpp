// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "sim/registry/registry_store.h"
#include "ports/codepage.h"
#include "ports/le_bytes.h"
#include "platform/posix/iconv_codepage.h"
#include "platform/posix/posix_paths.h"

namespace kit::sim {
namespace {

constexpr char kMagic[] = "KITREG1\n";
constexpr std::size_t kMagicSize = 8;
// Values beyond this are refused on write and on read.
constexpr std::uint32_t kMaxItem = 1u << 20;

void PutBytes(std::vector<std::uint8_t>& out, const void* p, std::size_t n) {
  Put32(out, static_cast<std::uint32_t>(n));
  const auto* b = static_cast<const std::uint8_t*>(p);
  out.insert(out.end(), b, b + n);
}

class Reader {
 public:
  Reader(const std::uint8_t* p, std::size_t n) : p_(p), n_(n) {}
  bool U32(std::uint32_t* v) {
    if (n_ - at_ < 4) return false;
    *v = static_cast<std::uint32_t>(p_[at_]) | static_cast<std::uint32_t>(p_[at_ + 1]) << 8 |
         static_cast<std::uint32_t>(p_[at_ + 2]) << 16 | static_cast<std::uint32_t>(p_[at_ + 3]) << 24;
    at_ += 4;
    return true;
  }
  bool Bytes(std::string* s) {
    std::uint32_t len = 0;
    if (!U32(&len) || len > kMaxItem || n_ - at_ < len) return false;
    s->assign(reinterpret_cast<const char*>(p_ + at_), len);
    at_ += len;
    return true;
  }
  bool Byte(std::uint8_t* b) {
    if (at_ >= n_) return false;
    *b = p_[at_++];
    return true;
  }
  bool done() const { return at_ == n_; }

 private:
  const std::uint8_t* p_;
  std::size_t n_;
  std::size_t at_ = 0;
};

const char* RootName(RegRoot root) {
  switch (root) {
    case RegRoot::kClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case RegRoot::kCurrentUser:
      return "HKEY_CURRENT_USER";
    case RegRoot::kLocalMachine:
      return "HKEY_LOCAL_MACHINE";
    case RegRoot::kUsers:
      return "HKEY_USERS";
  }
  return nullptr;
}

// Paths without leading, trailing or doubled separators; nullopt when empty
// parts would remain ambiguous.
std::string Normalize(const std::string& path) {
  std::string out;
  for (std::size_t i = 0; i < path.size(); ++i) {
    auto b = static_cast<unsigned char>(path[i]);
    if (IsLeadByte(b) && i + 1 < path.size()) {
      out += path[i];
      out += path[++i];
      continue;
    }
    if (path[i] == '\\') {
      if (!out.empty() && out.back() != '\\') out += '\\';
      continue;
    }
    out += path[i];
  }
  if (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

StoredKey* FindKey(RegistryImage& image, const std::string& path) {
  const std::string f = FoldName(path);
  for (StoredKey& k : image) {
    if (FoldName(k.path) == f) return &k;
  }
  return nullptr;
}

bool WriteAll(int fd, const std::uint8_t* p, std::size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

void MakeFolders(const std::string& path) {
  for (std::size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') ::mkdir(path.substr(0, i).c_str(), 0700);
  }
}

}  // namespace

std::string FoldName(const std::string& ansi) {
  std::string out = ansi;
  for (std::size_t i = 0; i < out.size(); ++i) {
    auto b = static_cast<unsigned char>(out[i]);
    if (IsLeadByte(b) && i + 1 < out.size()) {
      ++i;
    } else if (b >= 'A' && b <= 'Z') {
      out[i] = static_cast<char>(b - 'A' + 'a');
    }
  }
  return out;
}

std::vector<std::uint8_t> EncodeRegistryImage(const RegistryImage& image) {
  std::vector<std::uint8_t> out(kMagic, kMagic + kMagicSize);
  for (const StoredKey& k : image) {
    out.push_back('K');
    PutBytes(out, k.path.data(), k.path.size());
    for (const StoredValue& v : k.values) {
      out.push_back('V');
      PutBytes(out, v.name.data(), v.name.size());
      Put32(out, v.type);
      PutBytes(out, v.data.data(), v.data.size());
    }
  }
  return out;
}

bool DecodeRegistryImage(const std::uint8_t* bytes, std::size_t size, RegistryImage* image) {
  image->clear();
  if (size < kMagicSize || std::memcmp(bytes, kMagic, kMagicSize) != 0) return false;
  Reader r(bytes + kMagicSize, size - kMagicSize);
  while (!r.done()) {
    std::uint8_t tag = 0;
    r.Byte(&tag);
    if (tag == 'K') {
      StoredKey k;
      if (!r.Bytes(&k.path)) return false;
      image->push_back(std::move(k));
    } else if (tag == 'V') {
      if (image->empty()) return false;
      StoredValue v;
      std::string data;
      if (!r.Bytes(&v.name) || !r.U32(&v.type) || !r.Bytes(&data)) return false;
      v.data.assign(data.begin(), data.end());
      image->back().values.push_back(std::move(v));
    } else {
      return false;
    }
  }
  return true;
}

FileRegistry::FileRegistry(std::string folder, const ICodePage* cp)
    : folder_(std::move(folder)), cp_(cp != nullptr ? *cp : posix::SystemCodePage()) {
  if (folder_.empty()) folder_ = posix::KitRoot() + "/registry";
}

std::string FileRegistry::FileFor(RegRoot root) const {
  const char* name = RootName(root);
  return name ? folder_ + "/" + name + ".reg" : std::string();
}

bool FileRegistry::Load(RegRoot root, RegistryImage* image) const {
  image->clear();
  std::string file = FileFor(root);
  if (file.empty()) return false;
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT;  // nothing stored yet
  std::vector<std::uint8_t> bytes;
  std::uint8_t buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ::close(fd);
      if (n < 0) return false;
      break;
    }
    bytes.insert(bytes.end(), buf, buf + n);
  }
  return DecodeRegistryImage(bytes.data(), bytes.size(), image);
}

bool FileRegistry::Save(RegRoot root, const RegistryImage& image) const {
  std::string file = FileFor(root);
  if (file.empty()) return false;
  MakeFolders(folder_);
  std::string temp = file + ".new";
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  std::vector<std::uint8_t> bytes = EncodeRegistryImage(image);
  bool ok = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (!ok || ::rename(temp.c_str(), file.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  // The rename itself reaches the disk with the folder.
  int dir = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

bool FileRegistry::KeyExists(RegRoot root, const std::string& key) {
  RegistryImage image;
  if (!Load(root, &image)) return false;
  const std::string p = Normalize(cp_.FromUtf8(key));
  return p.empty() || FindKey(image, p) != nullptr;
}

KeyCreation FileRegistry::CreateKey(RegRoot root, const std::string& key) {
  RegistryImage image;
  if (!Load(root, &image)) return KeyCreation::kFailed;
  const std::string p = Normalize(cp_.FromUtf8(key));
  if (p.empty() || FindKey(image, p) != nullptr) return KeyCreation::kExisted;
  if (read_only) return KeyCreation::kFailed;
  for (std::size_t i = 0; i <= p.size(); ++i) {
    auto b = static_cast<unsigned char>(i < p.size() ? p[i] : 0);
    if (i < p.size() && IsLeadByte(b) && i + 1 < p.size()) {
      ++i;
      continue;
    }
    if (i == p.size() || p[i] == '\\') {
      std::string prefix = p.substr(0, i);
      if (FindKey(image, prefix) == nullptr) image.push_back(StoredKey{prefix, {}});
    }
  }
  return Save(root, image) ? KeyCreation::kCreated : KeyCreation::kFailed;
}

std::optional<RegValue> FileRegistry::ReadValue(RegRoot root, const std::string& key, const std::string& name) {
  RegistryImage image;
  if (!Load(root, &image)) return std::nullopt;
  StoredKey* k = FindKey(image, Normalize(cp_.FromUtf8(key)));
  if (k == nullptr) return std::nullopt;
  const std::string f = FoldName(cp_.FromUtf8(name));
  for (const StoredValue& v : k->values) {
    if (FoldName(v.name) == f) return RegValue{v.type, v.data};
  }
  return std::nullopt;
}

bool FileRegistry::WriteValue(RegRoot root, const std::string& key, const std::string& name, const RegValue& value) {
  const std::string n = cp_.FromUtf8(name);
  if (read_only || value.data.size() > kMaxItem || n.size() > kMaxItem) return false;
  RegistryImage image;
  if (!Load(root, &image)) return false;
  const std::string p = Normalize(cp_.FromUtf8(key));
  StoredKey* k = FindKey(image, p);
  if (k == nullptr) {
    if (!p.empty()) return false;  // only into an existing key
    image.push_back(StoredKey{"", {}});
    k = &image.back();
  }
  const std::string f = FoldName(n);
  bool replaced = false;
  for (StoredValue& v : k->values) {
    if (FoldName(v.name) == f) {
      v.type = value.type;
      v.data = value.data;
      replaced = true;
    }
  }
  if (!replaced) k->values.push_back(StoredValue{n, value.type, value.data});
  return Save(root, image);
}

}  // namespace kit::sim
