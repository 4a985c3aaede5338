// Test doubles for the platform the remark core is given.
#pragma once
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ports/canvas.h"
#include "ports/emf.h"
#include "ports/memory_stream.h"
#include "ports/platform.h"

namespace kit::testing {

class FakeScreen : public IScreenMetrics {
 public:
  int px = 96, py = 96;
  int LogPixelsX() const override { return px; }
  int LogPixelsY() const override { return py; }
};

class FakeMetafile : public IEnhMetaFile {
 public:
  FakeMetafile(EmfHeader h, std::vector<std::uint8_t> bits) : h_(h), bits_(std::move(bits)) {}
  EmfHeader Header() const override { return h_; }
  std::vector<std::uint8_t> Bits() const override { return bits_; }
  std::size_t BitsSize() const override { return bits_.size(); }

 private:
  EmfHeader h_;
  std::vector<std::uint8_t> bits_;
};

class FakeMetafiles : public IMetafileFactory {
 public:
  EnhMetaFilePtr FromBits(const std::uint8_t* bits, std::size_t size) override {
    auto h = ParseEmfHeader(bits, size);
    if (!h) return nullptr;
    return std::make_unique<FakeMetafile>(*h, std::vector<std::uint8_t>(bits, bits + size));
  }
};

// Files in memory, keyed by path as given; can be told to fail writes, to
// refuse creating some names and to refuse deleting or replacing others.
class FakeFiles : public IFileSystem {
 public:
  std::map<std::string, std::vector<std::uint8_t>> files;
  std::size_t fail_after_bytes = static_cast<std::size_t>(-1);
  std::set<std::string> locked, unwritable;

  class Writer : public IByteStream {
   public:
    Writer(FakeFiles& fs, std::string path) : fs_(fs), path_(std::move(path)) {}
    std::size_t Read(void*, std::size_t) override { return 0; }
    void Write(const void* buf, std::size_t n) override {
      auto& f = fs_.files[path_];
      if (f.size() + n > fs_.fail_after_bytes) throw FileError(FileError::Cause::DiskFull, path_, "disk full");
      const auto* p = static_cast<const std::uint8_t*>(buf);
      f.insert(f.end(), p, p + n);
    }

   private:
    FakeFiles& fs_;
    std::string path_;
  };

  // Reads the stored bytes in place, as a disk file is read without first
  // being copied whole; the file must stay while the stream is open.
  class Reader : public IByteStream {
   public:
    explicit Reader(const std::vector<std::uint8_t>& from) : from_(from) {}
    std::size_t Read(void* buf, std::size_t n) override {
      const std::size_t take = std::min(n, from_.size() - pos_);
      if (take != 0) std::memcpy(buf, from_.data() + pos_, take);
      pos_ += take;
      return take;
    }
    void Write(const void*, std::size_t) override {}

   private:
    const std::vector<std::uint8_t>& from_;
    std::size_t pos_ = 0;
  };

  std::unique_ptr<IByteStream> OpenRead(const std::string& path) override {
    auto it = files.find(path);
    if (it == files.end()) throw FileError(FileError::Cause::NotFound, path, "not found: " + path);
    return std::make_unique<Reader>(it->second);
  }
  std::unique_ptr<IByteStream> CreateWrite(const std::string& path) override {
    if (unwritable.count(path)) throw FileError(FileError::Cause::AccessDenied, path, "denied");
    files[path].clear();
    return std::make_unique<Writer>(*this, path);
  }
  void Rename(const std::string& from, const std::string& to) override {
    auto it = files.find(from);
    if (it == files.end()) throw FileError(FileError::Cause::NotFound, from, "not found: " + from);
    if (locked.count(to)) throw FileError(FileError::Cause::AccessDenied, to, "denied");
    files[to] = std::move(it->second);
    files.erase(from);
  }
  bool Remove(const std::string& path) override { return !locked.count(path) && files.erase(path) != 0; }
  bool Exists(const std::string& path) override { return files.count(path) != 0; }
  std::uint64_t Size(const std::string& path) override {
    auto it = files.find(path);
    if (it == files.end()) throw FileError(FileError::Cause::NotFound, path, "not found: " + path);
    return it->second.size();
  }
};

class NullCodePage : public ICodePage {
 public:
  std::string ToUtf8(const std::string& s) const override { return s; }
  std::string FromUtf8(const std::string& s) const override { return s; }
};

// A metafile's description, its UTF-16 units narrowed (ASCII in the tests).
inline std::string Description(const IEnhMetaFile& emf) {
  std::vector<std::uint8_t> bits = emf.Bits();
  EmfHeader h = emf.Header();
  std::string s;
  for (std::uint32_t i = 0; i < h.nDescription; ++i) s += static_cast<char>(bits[h.offDescription + 2 * i]);
  return s;
}

struct FakePlatform {
  FakeScreen screen;
  FakeMetafiles metafiles;
  FakeFiles files;
  NullCodePage codepage;
  Platform platform{&files, &screen, &metafiles, &codepage};

  // A page's picture: a metafile of `frame` (0.01 mm) that draws nothing.
  EnhMetaFilePtr Picture(const RectL& frame, const std::u16string& description = u"Picture") {
    const std::vector<std::uint8_t> bits = MakeEmfBits(frame, description);
    return metafiles.FromBits(bits.data(), bits.size());
  }
};

}  // namespace kit::testing
