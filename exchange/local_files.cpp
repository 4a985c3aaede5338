#include "exchange/local_files.h"

#include <cstdio>
#include <vector>

namespace kit::exchange {
namespace {

void PrepareFolder(IFileLookup& lookup, const char* folder) {
  if (!lookup.FindFirst(kTempFolder)) lookup.CreateFolder(kTempFolder);
  if (!lookup.FindFirst(folder)) lookup.CreateFolder(folder);
}

bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Beyond this many replacements a rewriting is taken as runaway (a chain of
// replacements that keeps forming new matches) and stopped.
// The same for a rewriting that keeps growing the text.
constexpr std::size_t kMaxReplacements = std::size_t{1} << 20;
constexpr std::size_t kMaxGrowth = std::size_t{64} << 10;

}  // namespace

void PrepareWorkingFolder(IFileLookup& lookup) { PrepareFolder(lookup, kWorkingFolder); }
void PrepareExchangeFolder(IFileLookup& lookup) { PrepareFolder(lookup, kExchangeFolder); }

bool IsDeviceName(const std::string& name) {
  // The file layer opens these devices whatever folder or extension is given.
  std::string stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (char& c : stem) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" || stem == "CONIN$" || stem == "CONOUT$" ||
      stem == "CLOCK$")
    return true;
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) && stem[3] >= '1' &&
         stem[3] <= '9';
}

bool IsPlainFileName(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || IsDeviceName(name)) return false;
  // Windows drops trailing dots and blanks, which could turn the name into
  // ".." or into a different file than the page named.
  if (name.back() == '.' || name.back() == ' ') return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (IsLeadByte(c)) {
      // A cut double-byte character, or a pair the code page does not have,
      // whose second byte the file layer might read as a separator.
      if (i + 1 >= name.size()) return false;
      const unsigned char trail = static_cast<unsigned char>(name[i + 1]);
      if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
      ++i;
      continue;
    }
    if (c < 0x20) return false;
    switch (c) {
      case '\\': case '/': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
        return false;
      default:
        break;
    }
  }
  return true;
}

std::optional<std::string> WorkingPath(const std::string& name) {
  if (!IsPlainFileName(name)) return std::nullopt;
  return std::string(kWorkingFolder) + "\\" + name;
}

std::optional<std::string> ExchangePath(const std::string& name) {
  if (!IsPlainFileName(name)) return std::nullopt;
  return std::string(kExchangeFolder) + "\\" + name;
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
