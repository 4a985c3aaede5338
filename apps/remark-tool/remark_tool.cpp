#include "apps/remark-tool/remark_tool.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <ios>
#include <ostream>
#include <sstream>
#include <system_error>

#include "ports/emf.h"
#include "remark/remark_doc.h"
#include "remark/remark_file.h"

namespace kit::remark_tool {
namespace {

namespace fs = std::filesystem;
using remark::RemarkFileError;

FileError::Cause CauseOf(const std::error_code& ec) {
  if (ec == std::errc::no_such_file_or_directory) return FileError::Cause::NotFound;
  if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted) {
    return FileError::Cause::AccessDenied;
  }
  if (ec == std::errc::no_space_on_device) return FileError::Cause::DiskFull;
  return FileError::Cause::Generic;
}

class InputFile : public IByteStream {
 public:
  InputFile(std::ifstream in, std::string path) : in_(std::move(in)), path_(std::move(path)) {}
  std::size_t Read(void* buf, std::size_t n) override {
    in_.read(static_cast<char*>(buf), static_cast<std::streamsize>(n));
    if (in_.bad()) throw FileError(FileError::Cause::Generic, path_, "cannot read");
    return static_cast<std::size_t>(in_.gcount());
  }
  void Write(const void*, std::size_t) override {
    throw FileError(FileError::Cause::AccessDenied, path_, "opened for reading only");
  }

 private:
  std::ifstream in_;
  std::string path_;
};

class OutputFile : public IByteStream {
 public:
  OutputFile(std::ofstream out, std::string path) : out_(std::move(out)), path_(std::move(path)) {}
  std::size_t Read(void*, std::size_t) override { return 0; }
  void Write(const void* buf, std::size_t n) override {
    // Flushed each time: a failure must surface here, not in a destructor.
    out_.write(static_cast<const char*>(buf), static_cast<std::streamsize>(n));
    out_.flush();
    if (!out_) throw FileError(FileError::Cause::Generic, path_, "cannot write");
  }

 private:
  std::ofstream out_;
  std::string path_;
};

std::int32_t Get32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                   static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}

std::string Colour(unsigned r, unsigned g, unsigned b) {
  std::ostringstream s;
  s << r << ',' << g << ',' << b << " (0x" << std::hex << std::uppercase << std::setw(6) << std::setfill('0')
    << (r | g << 8 | b << 16) << ')';
  return s.str();
}

// Counted first and then listed, both straight from the bytes: a block of a
// million empty strokes costs no memory beyond itself.
void DescribeStrokes(const std::uint8_t* bytes, std::size_t n, std::ostream& out) {
  std::size_t count = 0;
  remark::StrokeView v;
  for (remark::StrokeCursor c(bytes, n); c.Next(v);) ++count;
  out << "  strokes: " << count << '\n';
  std::size_t i = 0;
  for (remark::StrokeCursor c(bytes, n); c.Next(v);) {
    out << "    stroke " << ++i << ": ";
    if (v.length < remark::kStrokeHeaderSize) {
      out << v.length << " stray bytes, too short for a stroke header\n";
      continue;
    }
    out << "remarker " << v.header.remarker << ", colour " << Colour(v.header.red, v.header.green, v.header.blue)
        << ", width " << static_cast<unsigned>(v.header.width) << ", points " << v.step_count + 1;
    if (!v.terminated) out << ", unterminated";
    out << '\n';
  }
}

bool ParseInt(const std::string& text, int& value) {
  if (text.empty() || text.size() > 11) return false;
  std::size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  long long v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
  }
  if (text[0] == '-') v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  value = static_cast<int>(v);
  return true;
}

#ifdef KIT_REMARK_TOOL_RENDER
// Runs a drawing command over the file; a refusal of the request is a usage
// error, a file that cannot be read a damaged one.
template <typename Draw>
int DrawFile(const std::string& path, std::ostream& err, Draw&& draw) {
  try {
    const std::string failure = draw(path);
    if (failure.empty()) return kExitOk;
    err << "remark-tool: " << path << ": " << failure << '\n';
    return kExitUsage;
  } catch (const RemarkFileError& e) {
    err << "remark-tool: " << path << ": " << e.what() << " at byte " << e.offset() << '\n';
  } catch (const std::exception& e) {
    err << "remark-tool: " << path << ": " << e.what() << '\n';
  }
  return kExitDamaged;
}
#endif

int Render(const std::string& path, const RenderOptions& opt, const Platform& platform, std::ostream& err) {
#ifdef KIT_REMARK_TOOL_RENDER
  return DrawFile(path, err, [&](const std::string& file) { return RenderPage(file, platform, opt); });
#else
  (void)opt;
  (void)platform;
  err << "remark-tool: " << path << ": render is not available in this build\n";
  return kExitUsage;
#endif
}

int Print(const std::string& path, const PrintOptions& opt, const Platform& platform, std::ostream& err) {
#ifdef KIT_REMARK_TOOL_RENDER
  return DrawFile(path, err, [&](const std::string& file) { return PrintDocument(file, platform, opt); });
#else
  (void)opt;
  (void)platform;
  err << "remark-tool: " << path << ": print is not available in this build\n";
  return kExitUsage;
#endif
}

}  // namespace

std::unique_ptr<IByteStream> NativeFileSystem::OpenRead(const std::string& path) {
  std::error_code ec;
  if (!fs::exists(fs::path(path), ec)) throw FileError(FileError::Cause::NotFound, path, "no such file");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FileError(FileError::Cause::AccessDenied, path, "cannot open for reading");
  return std::make_unique<InputFile>(std::move(in), path);
}

std::unique_ptr<IByteStream> NativeFileSystem::CreateWrite(const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw FileError(FileError::Cause::AccessDenied, path, "cannot create");
  return std::make_unique<OutputFile>(std::move(out), path);
}

void NativeFileSystem::Rename(const std::string& from, const std::string& to) {
  std::error_code ec;
  fs::rename(fs::path(from), fs::path(to), ec);
  if (ec && fs::exists(fs::path(to))) {
    // Some runtimes refuse to rename over an existing file.
    std::error_code ignored;
    fs::remove(fs::path(to), ignored);
    ec.clear();
    fs::rename(fs::path(from), fs::path(to), ec);
  }
  if (ec) throw FileError(CauseOf(ec), to, "cannot replace: " + ec.message());
}

bool NativeFileSystem::Remove(const std::string& path) {
  std::error_code ec;
  return fs::remove(fs::path(path), ec);
}

bool NativeFileSystem::Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::path(path), ec);
}

std::uint64_t NativeFileSystem::Size(const std::string& path) {
  std::error_code ec;
  std::uintmax_t n = fs::file_size(fs::path(path), ec);
  if (ec) throw FileError(CauseOf(ec), path, ec == std::errc::no_such_file_or_directory ? "no such file" : ec.message());
  return n;
}

void DescribeRemarkFile(const std::string& path, const Platform& platform, std::ostream& out) {
  // The loader is the judge of what is damaged; the walk below then only
  // reports what it accepted, so it stays within the bytes.
  NativeFileSystem files;
  const std::uint64_t size = files.Size(path);
  remark::CRemarkDoc doc(nullptr, platform);
  remark::LoadDocumentFromFile(doc, files, path);

  // The record sizes, read where the records lie: a picture the loader
  // dropped left no trace of its size in the document.
  std::ifstream in(path, std::ios::binary);
  auto readAt = [&](std::uint64_t at, std::uint8_t* buf, std::size_t n) {
    in.seekg(static_cast<std::streamoff>(at));
    in.read(reinterpret_cast<char*>(buf), static_cast<std::streamsize>(n));
    if (!in) throw FileError(FileError::Cause::Generic, path, "cannot read");
  };
  std::uint8_t hb[remark::kFileHeaderSize];
  readAt(0, hb, sizeof hb);
  remark::REMARKFILEHEADER h = remark::ParseFileHeader(hb, sizeof hb);
  {
    std::ostringstream flags;
    flags << "0x" << std::hex << std::uppercase << std::setw(4) << std::setfill('0') << h.flags;
    out << "flags: " << flags.str() << '\n';
  }
  out << "pages: " << h.pageCount << '\n';
  out << "remarker list length: " << h.remarkerListLength << '\n';
  out << "current remarker: " << h.currentRemarker << '\n';
  out << "pen colour: " << Colour(h.penRed, h.penGreen, h.penBlue) << '\n';
  out << "pen width: " << static_cast<unsigned>(h.penWidth) << '\n';

  std::uint64_t at = remark::kFileHeaderSize;
  for (unsigned i = 0; i < h.pageCount; ++i) {
    std::uint8_t rec[remark::kPageRecordSize];
    readAt(at, rec, sizeof rec);
    const std::int32_t e = Get32(rec);
    const std::int32_t s = Get32(rec + 4);
    at += remark::kPageRecordSize;
    out << "page " << i + 1 << ": E " << e << ", S " << s << '\n';
    const remark::CRemarkPage& page = doc.page(static_cast<int>(i));
    if (e > 0) {
      if (page.background() != nullptr) {
        EmfHeader eh = page.background()->Header();
        out << "  picture: frame " << eh.rclFrame.left << ',' << eh.rclFrame.top << ',' << eh.rclFrame.right << ','
            << eh.rclFrame.bottom << " (0.01 mm), description " << eh.nDescription << " characters\n";
      } else {
        out << "  picture: not a metafile, dropped on loading\n";
      }
      at += static_cast<std::uint64_t>(e);
    }
    if (s > 0) {
      DescribeStrokes(page.stroke_bytes(), static_cast<std::size_t>(page.used_length()), out);
      at += static_cast<std::uint64_t>(s);
    } else {
      out << "  strokes: 0\n";
    }
  }
  at += h.remarkerListLength;

  std::vector<std::string> names = doc.RemarkerNames();
  out << "remarkers: " << names.size() << '\n';
  for (std::size_t i = 0; i < names.size(); ++i) {
    out << "  " << i << ": " << platform.codepage->ToUtf8(names[i]) << '\n';
  }
  if (at < size) out << "trailing bytes: " << size - at << ", not part of the document\n";
}

int Run(const std::vector<std::string>& args, const Platform& platform, std::ostream& out, std::ostream& err) {
  static const char kUsage[] =
      "usage: remark-tool info FILE   describe a remark data file\n"
      "       remark-tool new FILE    write an empty remark document\n"
      "       remark-tool render FILE PAGE OUT.png [--zoom Z] [--filter N]\n"
      "                               paint page PAGE (from 1) as the remark window shows it;\n"
      "                               Z percent (100), N remarker index, -1 all (default), -2 none\n"
      "       remark-tool print FILE OUT.pdf [--filter N] [--paper A4|A3|A5|Letter|Legal]\n"
      "                               print every page as the remark window prints, to PDF\n";
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    out << kUsage;
    return kExitOk;
  }
  if (!args.empty() && args[0] == "render") {
    RenderOptions opt;
    if (args.size() < 4 || args.size() % 2 != 0 || !ParseInt(args[2], opt.page)) {
      err << kUsage;
      return kExitUsage;
    }
    opt.out = args[3];
    for (std::size_t i = 4; i + 1 < args.size(); i += 2) {
      int* target = args[i] == "--zoom" ? &opt.zoom : args[i] == "--filter" ? &opt.filter : nullptr;
      if (target == nullptr || !ParseInt(args[i + 1], *target)) {
        err << kUsage;
        return kExitUsage;
      }
    }
    return Render(args[1], opt, platform, err);
  }
  if (!args.empty() && args[0] == "print") {
    PrintOptions opt;
    if (args.size() < 3 || args.size() % 2 != 1) {
      err << kUsage;
      return kExitUsage;
    }
    opt.out = args[2];
    for (std::size_t i = 3; i + 1 < args.size(); i += 2) {
      if (args[i] == "--paper") {
        opt.paper = args[i + 1];
      } else if (args[i] != "--filter" || !ParseInt(args[i + 1], opt.filter)) {
        err << kUsage;
        return kExitUsage;
      }
    }
    return Print(args[1], opt, platform, err);
  }
  if (args.size() != 2 || (args[0] != "info" && args[0] != "new")) {
    err << kUsage;
    return kExitUsage;
  }
  const std::string& path = args[1];
  try {
    if (args[0] == "info") {
      DescribeRemarkFile(path, platform, out);
    } else {
      remark::CRemarkDoc doc(nullptr, platform);
      NativeFileSystem files;
      remark::SaveDocumentToFile(doc, files, path);
    }
    out.flush();
    return kExitOk;
  } catch (const RemarkFileError& e) {
    err << "remark-tool: " << path << ": " << e.what() << " at byte " << e.offset() << '\n';
  } catch (const FileError& e) {
    err << "remark-tool: " << path << ": " << e.what() << '\n';
  } catch (const std::exception& e) {
    err << "remark-tool: " << path << ": " << e.what() << '\n';
  }
  return kExitDamaged;
}

}  // namespace kit::remark_tool
