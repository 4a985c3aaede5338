// An in-memory file system for the pad's tests: files by exact name, a set
// of names that refuse deletion and of names that refuse creation.
#pragma once
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ports/files.h"
#include "ports/memory_stream.h"

namespace kit::sigpad::testing {

class MemFiles : public IFileSystem {
 public:
  std::map<std::string, std::vector<std::uint8_t>> files;
  std::set<std::string> locked;      // Remove fails
  std::set<std::string> unwritable;  // CreateWrite throws

  std::unique_ptr<IByteStream> OpenRead(const std::string& path) override {
    auto it = files.find(path);
    if (it == files.end()) throw FileError(FileError::Cause::NotFound, path, "not found");
    return std::make_unique<Source>(it->second);
  }
  std::unique_ptr<IByteStream> CreateWrite(const std::string& path) override {
    if (unwritable.count(path)) throw FileError(FileError::Cause::AccessDenied, path, "denied");
    files[path].clear();
    return std::make_unique<Sink>(files[path]);
  }
  // A file that refuses deletion cannot be replaced either.
  void Rename(const std::string& from, const std::string& to) override {
    if (!files.count(from)) throw FileError(FileError::Cause::NotFound, from, "not found");
    if (locked.count(to)) throw FileError(FileError::Cause::AccessDenied, to, "denied");
    files[to] = std::move(files.at(from));
    files.erase(from);
  }
  bool Remove(const std::string& path) override {
    if (locked.count(path)) return false;
    return files.erase(path) != 0;
  }
  bool Exists(const std::string& path) override { return files.count(path) != 0; }
  std::uint64_t Size(const std::string& path) override { return files.at(path).size(); }

 private:
  // Reads the stored bytes in place, as a disk file is read without first
  // being copied whole; the file must stay while the stream is open.
  class Source : public IByteStream {
   public:
    explicit Source(const std::vector<std::uint8_t>& from) : from_(from) {}
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
  class Sink : public IByteStream {
   public:
    explicit Sink(std::vector<std::uint8_t>& to) : to_(to) {}
    std::size_t Read(void*, std::size_t) override { return 0; }
    void Write(const void* buf, std::size_t n) override {
      const auto* p = static_cast<const std::uint8_t*>(buf);
      to_.insert(to_.end(), p, p + n);
    }

   private:
    std::vector<std::uint8_t>& to_;
  };
};

}  // namespace kit::sigpad::testing
