// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
#include "sim/capture/inprocess_automation.h"

#include <sys/stat.h>

#include <cctype>
#include <exception>

#include "platform/posix/posix_paths.h"
#include "ports/platform.h"

namespace kit::sim {
namespace {

std::string Fold(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string ToUtf8(const std::u16string& w) {
  std::string out;
  for (std::size_t i = 0; i < w.size(); ++i) {
    char32_t c = w[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < w.size() && w[i + 1] >= 0xDC00 && w[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (w[i + 1] - 0xDC00);
      ++i;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace

void InProcessAutomation::RegisterClass(const std::string& progId, Factory create) {
  classes_[Fold(progId)] = std::move(create);
}
void InProcessAutomation::SetRunning(const std::string& progId, automation::DispatchPtr object) {
  running_[Fold(progId)] = std::move(object);
}
void InProcessAutomation::RegisterFileType(const std::string& extension, const std::string& progId, Opener open) {
  types_[Fold(extension)] = {progId, std::move(open)};
}

bool InProcessAutomation::IsRegistered(const std::string& progId) { return classes_.count(Fold(progId)) != 0; }

automation::Obtained InProcessAutomation::Create(const std::string& progId) {
  auto it = classes_.find(Fold(progId));
  if (it == classes_.end()) return {hr::ClassNotRegistered, nullptr};
  automation::DispatchPtr p = it->second();
  if (!p) return {hr::Fail, nullptr};
  return {hr::Ok, std::move(p)};
}

automation::Obtained InProcessAutomation::GetRunning(const std::string& progId) {
  if (!IsRegistered(progId)) return {hr::InvalidClassString, nullptr};
  auto it = running_.find(Fold(progId));
  if (it == running_.end() || !it->second) return {automation::kNotRunning, nullptr};
  return {hr::Ok, it->second};
}

const InProcessAutomation::FileType* InProcessAutomation::TypeOf(const std::u16string& path, std::string* utf8) const {
  *utf8 = ToUtf8(path);
  // A page names files as the desktop has them; native paths pass as they are.
  if (!utf8->empty() && (*utf8)[0] != '/') {
    try {
      *utf8 = posix::NativePath(DefaultPlatform().codepage->FromUtf8(*utf8));
    } catch (const std::exception&) {
      return nullptr;
    }
  }
  struct stat st {};
  // GetClassFile reads the file: one that is not there, or a folder, has no class.
  if (::stat(utf8->c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  const std::size_t slash = utf8->find_last_of('/');
  const std::size_t dot = utf8->find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return nullptr;
  auto it = types_.find(Fold(utf8->substr(dot)));
  return it == types_.end() ? nullptr : &it->second;
}

std::optional<std::string> InProcessAutomation::ProgIdOfFile(const std::u16string& path) {
  std::string utf8;
  const FileType* t = TypeOf(path, &utf8);
  if (t == nullptr) return std::nullopt;
  return t->progId;
}

automation::Obtained InProcessAutomation::OpenFile(const std::u16string& path) {
  std::string utf8;
  const FileType* t = TypeOf(path, &utf8);
  if (t == nullptr || !t->open) return {static_cast<HResult>(0x800401EAu) /* MK_E_CANTOPENFILE */, nullptr};
  automation::DispatchPtr p = t->open(utf8);
  if (!p) return {hr::Fail, nullptr};
  return {hr::Ok, std::move(p)};
}

InProcessAutomation& ProcessAutomation() {
  static InProcessAutomation automation;
  return automation;
}

}  // namespace kit::sim
