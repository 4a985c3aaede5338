// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
#include "sim/capture/office_pages.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <poppler-document.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>
#include <thread>

#include "ports/automation.h"
#include "ports/emf.h"

extern char** environ;

namespace kit::sim {

namespace fs = std::filesystem;
using automation::AutomationError;
using automation::DispatchPtr;
using automation::DispId;
using automation::InvokeKind;
using automation::Variant;

namespace {

// A first start of the suite builds its profile, which takes a while.
constexpr auto kConversionTimeLimit = std::chrono::seconds(180);

bool IsExecutable(const fs::path& p) { return ::access(p.c_str(), X_OK) == 0 && fs::is_regular_file(p); }

// Runs argv to its end; false when it cannot start, fails or overruns.
bool RunToEnd(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The suite chatters on both streams; the caller only wants its result.
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  const auto deadline = std::chrono::steady_clock::now() + kConversionTimeLimit;
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0) return false;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A folder of our own under the temporary folder, removed with the object.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "kit-office-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// The suite's profile of our own, so a suite the user has open does not take
// the job; kept between runs because building one is most of a first start,
// and held by one conversion at a time because the suite locks it.
class ProfileLock {
 public:
  ProfileLock() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    fs::path base = cache != nullptr && *cache == '/' ? fs::path(cache)
                    : home != nullptr && *home == '/' ? fs::path(home) / ".cache"
                                                      : fs::temp_directory_path();
    path_ = base / "kit" / "office-profile";
    std::error_code ec;
    fs::create_directories(path_, ec);
    fd_ = ::open((path_.string() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~ProfileLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  ProfileLock(const ProfileLock&) = delete;
  ProfileLock& operator=(const ProfileLock&) = delete;
  bool locked() const { return fd_ >= 0; }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
  int fd_ = -1;
};

std::vector<std::uint8_t> PagePicture(const poppler::page& page, int dpi) {
  poppler::page_renderer renderer;
  renderer.set_render_hint(poppler::page_renderer::antialiasing, true);
  renderer.set_render_hint(poppler::page_renderer::text_antialiasing, true);
  renderer.set_image_format(poppler::image::format_argb32);
  const poppler::image image = renderer.render_page(&page, dpi, dpi);
  if (!image.is_valid() || image.format() != poppler::image::format_argb32) return {};
  const int w = image.width(), h = image.height();
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(image.const_data() + static_cast<std::ptrdiff_t>(y) * image.bytes_per_row());
    for (int x = 0; x < w; ++x) pixels[static_cast<std::size_t>(y) * w + x] = row[x] & 0x00FFFFFFu;
  }
  // Points to hundredths of a millimetre: the paper size, whatever the dpi.
  const poppler::rectf box = page.page_rect(poppler::media_box);
  const RectL frame{0, 0, static_cast<std::int32_t>(box.width() * 2540.0 / 72.0 + 0.5),
                    static_cast<std::int32_t>(box.height() * 2540.0 / 72.0 + 0.5)};
  // The picture plays at the paper's size in 96-dpi pixels, the reference
  // the page pixels of remarks are measured in, whatever the render's dpi.
  const std::int32_t dw = std::max<std::int32_t>(1, static_cast<std::int32_t>(box.width() * 96.0 / 72.0 + 0.5));
  const std::int32_t dh = std::max<std::int32_t>(1, static_cast<std::int32_t>(box.height() * 96.0 / 72.0 + 0.5));
  return MakeStretchBltEmfBits(w, h, pixels, dw, dh, frame, u"");
}

using Pages = std::shared_ptr<const std::vector<std::vector<std::uint8_t>>>;

void PutOnClipboard(InProcessClipboard& clipboard, const std::vector<std::uint8_t>& bits) {
  if (!clipboard.Open()) return;
  clipboard.Empty();
  clipboard.SetMetafile(bits);
  clipboard.Close();
}

const automation::DispatchTable& NoNames() {
  static const automation::DispatchTable table({});
  return table;
}

std::int32_t Arg(const std::vector<Variant>& args, std::size_t i) {
  if (i >= args.size() || args[i].IsMissing()) throw AutomationError(hr::ParamNotFound, "Argument missing");
  return args[i].AsI4();
}

[[noreturn]] void NoMember(DispId id) {
  throw AutomationError(hr::MemberNotFound, "No member " + std::to_string(id) + " on a rendered document");
}

// A rendered document answers with character positions that are page
// numbers: page n spans [n - 1, n), the content [0, pages).
class PageRange : public automation::IDispatchObject {
 public:
  PageRange(Pages pages, InProcessClipboard& clipboard, std::int32_t start, std::int32_t end)
      : pages_(std::move(pages)), clipboard_(clipboard), start_(start), end_(end) {}
  const automation::DispatchTable& Members() const override { return NoNames(); }
  Variant Invoke(DispId id, InvokeKind, const std::vector<Variant>& args) override {
    const auto count = static_cast<std::int32_t>(pages_->size());
    switch (id) {
      case 3: return Variant::I4(start_);
      case 4: return Variant::I4(end_);
      case 313:  // Information: only the page number is known here
        if (Arg(args, 0) != 3) throw AutomationError(hr::InvalidArg, "Unknown information type");
        return Variant::I4(start_ < count ? start_ + 1 : count);
      case 167:
        if (start_ >= 0 && start_ < count) PutOnClipboard(clipboard_, (*pages_)[static_cast<std::size_t>(start_)]);
        return {};
      default: NoMember(id);
    }
  }

 private:
  Pages pages_;
  InProcessClipboard& clipboard_;
  std::int32_t start_, end_;
};

class RenderedWordDocument : public automation::IDispatchObject {
 public:
  RenderedWordDocument(Pages pages, InProcessClipboard& clipboard) : pages_(std::move(pages)), clipboard_(clipboard) {}
  const automation::DispatchTable& Members() const override { return NoNames(); }
  Variant Invoke(DispId id, InvokeKind, const std::vector<Variant>& args) override {
    const auto count = static_cast<std::int32_t>(pages_->size());
    switch (id) {
      case 113:  // Activate
      case 1105:  // Close
        return {};
      case 41: return Range(0, count);
      case 2000: return Range(Arg(args, 0), Arg(args, 1));
      case 115: {  // GoTo page: last (-1) or absolute (1) with a page number
        if (Arg(args, 0) != 1) throw AutomationError(hr::InvalidArg, "Only pages can be gone to");
        const std::int32_t which = Arg(args, 1);
        std::int32_t page = count;
        if (which == 1) page = std::min(std::max(Arg(args, 2), 1), count);
        else if (which != -1) throw AutomationError(hr::InvalidArg, "Unknown GoTo direction");
        return Range(page - 1, page - 1);
      }
      default: NoMember(id);
    }
  }

 private:
  Variant Range(std::int32_t start, std::int32_t end) {
    return Variant::Dispatch(std::make_shared<PageRange>(pages_, clipboard_, start, end));
  }
  Pages pages_;
  InProcessClipboard& clipboard_;
};

class RenderedWpsApplication : public automation::IDispatchObject {
 public:
  const automation::DispatchTable& Members() const override { return NoNames(); }
  Variant Invoke(DispId id, InvokeKind, const std::vector<Variant>&) override {
    if (id != 1105) NoMember(id);
    return {};
  }
};

class RenderedWpsDocument : public automation::IDispatchObject {
 public:
  RenderedWpsDocument(Pages pages, InProcessClipboard& clipboard) : pages_(std::move(pages)), clipboard_(clipboard) {}
  const automation::DispatchTable& Members() const override { return NoNames(); }
  Variant Invoke(DispId id, InvokeKind, const std::vector<Variant>& args) override {
    switch (id) {
      case 4097: {  // copy page n at the given size
        const std::int32_t n = Arg(args, 0);
        if (n < 1 || n > static_cast<std::int32_t>(pages_->size())) throw AutomationError(hr::InvalidArg, "No such page");
        PutOnClipboard(clipboard_, (*pages_)[static_cast<std::size_t>(n - 1)]);
        return {};
      }
      case 1: return Variant::Dispatch(std::make_shared<RenderedWpsApplication>());
      default: NoMember(id);
    }
  }

 private:
  Pages pages_;
  InProcessClipboard& clipboard_;
};

Pages Render(const std::string& path) {
  auto pages = RenderDocumentPages(path);
  if (!pages) throw AutomationError(hr::Fail, "The document could not be rendered: " + path, "office");
  return std::make_shared<const std::vector<std::vector<std::uint8_t>>>(std::move(*pages));
}

}  // namespace

std::string OfficeProgram() {
  if (const char* given = std::getenv("KIT_SOFFICE"); given != nullptr && *given != '\0')
    return IsExecutable(given) ? std::string(given) : std::string();
  const char* path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  for (std::size_t at = 0; at <= dirs.size();) {
    const std::size_t colon = std::min(dirs.find(':', at), dirs.size());
    const fs::path candidate = fs::path(dirs.substr(at, colon - at)) / "soffice";
    if (colon > at && IsExecutable(candidate)) return candidate.string();
    at = colon + 1;
  }
  return {};
}

std::optional<std::vector<std::vector<std::uint8_t>>> RenderDocumentPages(const std::string& path, int dpi) {
  const std::string program = OfficeProgram();
  if (program.empty() || !fs::is_regular_file(path) || dpi <= 0) return std::nullopt;
  ScratchFolder scratch;
  if (scratch.path().empty()) return std::nullopt;
  const fs::path out = scratch.path() / "out";
  std::error_code ec;
  fs::create_directories(out, ec);
  {
    ProfileLock profile;
    if (!profile.locked() ||
        !RunToEnd({program, "--headless", "--norestore", "-env:UserInstallation=file://" + profile.path().string(),
                   "--convert-to", "pdf", "--outdir", out.string(), path}))
      return std::nullopt;
  }
  fs::path pdf;
  for (const auto& entry : fs::directory_iterator(out))
    if (entry.path().extension() == ".pdf") pdf = entry.path();
  if (pdf.empty()) return std::nullopt;
  std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(pdf.string()));
  if (!doc || doc->is_locked()) return std::nullopt;
  std::vector<std::vector<std::uint8_t>> pages;
  for (int i = 0; i < doc->pages(); ++i) {
    std::unique_ptr<poppler::page> page(doc->create_page(i));
    pages.push_back(page ? PagePicture(*page, dpi) : std::vector<std::uint8_t>());
  }
  return pages;
}

bool RegisterOfficeRenderer(InProcessAutomation& automation, InProcessClipboard& clipboard) {
  if (OfficeProgram().empty()) return false;
  automation.RegisterFileType(".doc", "Word.Document.8", [&clipboard](const std::string& p) -> DispatchPtr {
    return std::make_shared<RenderedWordDocument>(Render(p), clipboard);
  });
  automation.RegisterFileType(".wps", "WPS.Document.6", [&clipboard](const std::string& p) -> DispatchPtr {
    return std::make_shared<RenderedWpsDocument>(Render(p), clipboard);
  });
  return true;
}

}  // namespace kit::sim
