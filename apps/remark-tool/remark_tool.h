// remark-tool: inspects and creates remark data files from the command line.
// The logic lives here, apart from main(), so that tests can drive it.
#pragma once
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "ports/files.h"
#include "ports/platform.h"

namespace kit::remark_tool {

constexpr int kExitOk = 0;
constexpr int kExitDamaged = 1;  // also a file that cannot be read or written
constexpr int kExitUsage = 2;

// IFileSystem over native paths (what a command line names), through the
// standard library only so that the tool builds on every toolchain.
class NativeFileSystem : public IFileSystem {
 public:
  std::unique_ptr<IByteStream> OpenRead(const std::string& path) override;
  std::unique_ptr<IByteStream> CreateWrite(const std::string& path) override;
  void Rename(const std::string& from, const std::string& to) override;
  bool Remove(const std::string& path) override;
  bool Exists(const std::string& path) override;
  std::uint64_t Size(const std::string& path) override;
};

// Writes the description of the remark file at `path` to `out`, and nothing
// when it does not hold a remark document; throws kit::remark::RemarkFileError
// then, FileError when it cannot be read. The file is loaded once and its
// record sizes read again in small pieces, and the description is written as
// it is walked: about the file's own size of memory, whatever it holds.
void DescribeRemarkFile(const std::string& path, const Platform& platform, std::ostream& out);

struct RenderOptions {
  int page = 1;  // counted from 1, as info lists them
  int zoom = 100;
  int filter = -1;  // -1 every remarker, -2 no strokes, n only remarker n
  std::string out;
};

// Paints page `page` of the remark file at `path` as the remark view shows it
// at that zoom and filter, and writes it as PNG to `out`. Returns an empty
// string, or why nothing was written; throws RemarkFileError for a damaged
// file. Only in builds with the cairo canvas (POSIX).
std::string RenderPage(const std::string& path, const Platform& platform, const RenderOptions& options);

struct PrintOptions {
  int filter = -1;
  std::string paper;  // A4 when empty
  std::string out;
};

// Prints every page of the remark file at `path` as the remark window's print
// command does, to a PDF file. Returns an empty string, or why nothing was
// written; throws RemarkFileError for a damaged file. POSIX builds only.
std::string PrintDocument(const std::string& path, const Platform& platform, const PrintOptions& options);

// The whole tool: `args` without the program name. Diagnostics go to `err`
// as a single line each.
int Run(const std::vector<std::string>& args, const Platform& platform, std::ostream& out, std::ostream& err);

}  // namespace kit::remark_tool
