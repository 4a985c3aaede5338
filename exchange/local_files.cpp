#include "exchange/local_files.h"

#include <cstdio>
#include <vector>

#include "ports/codepage.h"

namespace kit::exchange {
namespace {

void PrepareFolder(IFileLookup& lookup, const char* folder) {
  if (!lookup.FindFirst(kTempFolder)) lookup.CreateFolder(kTempFolder);
  if (!lookup.FindFirst(folder)) lookup.CreateFolder(folder);
}


// Beyond this many replacements a rewriting is taken as runaway (a chain of
// replacements that keeps forming new matches) and stopped.
// The same for a rewriting that keeps growing the text.
constexpr std::size_t kMaxReplacements = std::size_t{1} << 20;
constexpr std::size_t kMaxGrowth = std::size_t{64} << 10;

}  // namespace

void PrepareWorkingFolder(IFileLookup& lookup) { PrepareFolder(lookup, kWorkingFolder); }
void PrepareExchangeFolder(IFileLookup& lookup) { PrepareFolder(lookup, kExchangeFolder); }

namespace {

NameFault ComponentFault(const std::string& part) {
  if (part.empty()) return NameFault::Empty;
  if (part == "." || part == "..") return NameFault::DotComponent;
  if (IsDeviceName(part)) return NameFault::Device;
  for (std::size_t i = 0; i < part.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(part[i]);
    if (IsLeadByte(c)) {
      // A cut double-byte character, or a pair the code page does not have,
      // whose second byte the file layer might read as a separator.
      if (i + 1 >= part.size()) return NameFault::BrokenDoubleByte;
      const unsigned char trail = static_cast<unsigned char>(part[i + 1]);
      if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return NameFault::BrokenDoubleByte;
      ++i;
      continue;
    }
    if (c < 0x20) return NameFault::ControlCharacter;
    switch (c) {
      case ':':
        return NameFault::Colon;
      case '*': case '?':
        return NameFault::Wildcard;
      case '"': case '<': case '>': case '|':
        return NameFault::BadCharacter;
      default:
        break;
    }
  }
  // Windows drops trailing dots and blanks, which could turn the name into
  // ".." or into a different file than the page named.
  if (part.back() == '.' || part.back() == ' ') return NameFault::TrailingDotOrSpace;
  return NameFault::None;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::optional<std::string> FolderPath(const char* folder, const std::string& name) {
  if (CheckWorkingName(name) != NameFault::None) return std::nullopt;
  return std::string(folder) + "\\" + name;
}

}  // namespace

NameFault CheckWorkingName(const std::string& name) {
  if (name.empty()) return NameFault::Empty;
  if (IsSeparator(name[0])) return NameFault::Rooted;
  std::size_t start = 0;
  for (std::size_t i = 0;; ++i) {
    if (i < name.size() && IsLeadByte(static_cast<unsigned char>(name[i])) && i + 1 < name.size()) {
      ++i;  // the trail byte, whatever its value, is no separator
      continue;
    }
    if (i < name.size() && !IsSeparator(name[i])) continue;
    const NameFault fault = ComponentFault(name.substr(start, i - start));
    if (fault != NameFault::None) return fault;
    if (i >= name.size()) return NameFault::None;
    start = i + 1;
  }
}

std::string NameFaultMessage(NameFault fault) {
  const char* why = "";
  switch (fault) {
    case NameFault::None: return std::string();
    case NameFault::Empty: why = "名称为空或含有空的路径部分"; break;
    case NameFault::Rooted: why = "不能是绝对路径或网络路径"; break;
    case NameFault::Colon: why = "不能含有盘符或冒号"; break;
    case NameFault::DotComponent: why = "不能含有“.”或“..”"; break;
    case NameFault::Device: why = "不能使用设备名（如CON、NUL、COM1）"; break;
    case NameFault::Wildcard: why = "不能含有通配符“?”或“*”"; break;
    case NameFault::BadCharacter: why = "不能含有字符“\"”、“<”、“>”或“|”"; break;
    case NameFault::ControlCharacter: why = "不能含有控制字符"; break;
    case NameFault::TrailingDotOrSpace: why = "不能以点或空格结尾"; break;
    case NameFault::BrokenDoubleByte: why = "含有不完整的双字节字符"; break;
  }
  return std::string(kMsgNameRefused) + why;
}

bool IsPlainFileName(const std::string& name) {
  if (ComponentFault(name) != NameFault::None) return false;
  // A separator byte outside a double-byte character makes it two components.
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(name[i]))) {
      ++i;
    } else if (IsSeparator(name[i])) {
      return false;
    }
  }
  return true;
}

std::optional<std::string> WorkingPath(const std::string& name) { return FolderPath(kWorkingFolder, name); }
std::optional<std::string> ExchangePath(const std::string& name) { return FolderPath(kExchangeFolder, name); }

std::string UserSpelling(const std::string& path) {
  const std::string folder = std::string(kWorkingFolder) + "\\";
  if (path.size() < folder.size()) return path;
  for (std::size_t i = 0; i < folder.size(); ++i) {
    const char c = path[i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != folder[i]) return path;
  }
  return kUploadFolderSpelling + path.substr(folder.size());
}

std::string CutToken(std::string& text, const std::string& separator) {
  const std::size_t pos = separator.empty() ? std::string::npos : text.find(separator);
  std::string token;
  if (pos == std::string::npos) {
    token.swap(text);
    return token;
  }
  token = text.substr(0, pos);
  text.erase(0, pos + separator.size());
  return token;
}

std::size_t ReplaceAll(std::string& text, const std::string& pattern, const std::string& replacement) {
  if (pattern.empty()) return 0;
  std::size_t count = 0;
  if (replacement.find(pattern) != std::string::npos) {
    std::string out;
    std::size_t from = 0;
    for (std::size_t pos = text.find(pattern); pos != std::string::npos; pos = text.find(pattern, from)) {
      out.append(text, from, pos - from);
      out += replacement;
      from = pos + pattern.size();
      ++count;
    }
    out.append(text, from, std::string::npos);
    text.swap(out);
    return count;
  }
  // Everything before the last match was free of the pattern, so a new match
  // can only start where it would overlap the replaced text: searching from
  // there gives the same result as searching from the front.
  std::size_t from = 0;
  const std::size_t limit = text.size() + kMaxGrowth;
  for (std::size_t pos = text.find(pattern);
       pos != std::string::npos && count < kMaxReplacements && text.size() <= limit;
       pos = text.find(pattern, from)) {
    text.replace(pos, pattern.size(), replacement);
    ++count;
    from = pos >= pattern.size() - 1 ? pos - (pattern.size() - 1) : 0;
  }
  return count;
}

bool CLocalFiles::OpenFile(const std::string& path) {
  ShellRequest request;
  request.file = m_ports.codepage->ToUtf8(path);
  request.show = kSwShowNormal;
  m_ports.shell->Execute(request);  // the outcome is not examined
  return true;
}

std::string CLocalFiles::GetSaveFilePath() {
  std::optional<std::string> folder = m_ports.dialogs->BrowseForFolder(0, kSaveFolderTitle);
  if (!folder || folder->empty()) return {};
  // Checked on the UTF-8 text, where a backslash byte is always a backslash.
  if (folder->back() != '\\' && folder->back() != '/') *folder += '\\';
  return m_ports.codepage->FromUtf8(*folder);
}

std::string CLocalFiles::GetUploadFilePath() {
  FileDialogRequest request;
  request.owner = m_ports.main_window;
  request.open = true;
  request.filters = {{kUploadFilter, "*.*"}};
  request.multi_select = true;
  request.hide_read_only = false;
  request.buffer_chars = kUploadBufferChars;
  std::optional<std::vector<std::string>> chosen = m_ports.dialogs->FileDialog(request);
  if (!chosen) return {};
  std::string joined;
  for (std::size_t i = 0; i < chosen->size(); ++i) {
    if (i > 0) joined += ';';
    joined += m_ports.codepage->FromUtf8((*chosen)[i]);
  }
  return joined;
}

std::string CLocalFiles::GetFilesSize(const std::string& pathList) {
  double total = 0;
  std::size_t start = 0;
  // Only text followed by a star is a path; what follows the last one is not.
  for (std::size_t star = pathList.find('*'); star != std::string::npos; star = pathList.find('*', start)) {
    const std::string path = pathList.substr(start, star - start);
    start = star + 1;
    if (path.empty()) continue;  // the lookup would find nothing
    if (std::optional<FoundFile> found = m_ports.lookup->FindFirst(path)) {
      total += static_cast<double>(static_cast<std::uint32_t>(found->size & 0xFFFFFFFFu));
    }
  }
  char buf[512];
  std::snprintf(buf, sizeof buf, "%f", total);
  return buf;
}

bool CLocalFiles::IsExsitFile(const std::string& path) {
  if (path.empty()) return false;
  return m_ports.lookup->OpenSharedRead(path);
}

}  // namespace kit::exchange
