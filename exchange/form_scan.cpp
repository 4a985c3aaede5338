#include "exchange/form_scan.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "exchange/local_files.h"
#include "ports/text.h"

namespace kit::exchange {

std::string g_pageText;

namespace {

constexpr std::size_t npos = std::string_view::npos;

// A cursor over the page: [pos, end) is what is left of it. Every step moves
// `pos` past what it has read, so no byte is searched twice by the walk.
class PageCursor {
 public:
  explicit PageCursor(std::string_view page) : m_page(page), m_end(page.size()) {}

  std::size_t pos() const { return m_pos; }
  std::size_t end() const { return m_end; }
  std::size_t left() const { return m_end - m_pos; }
  void SkipTo(std::size_t at) { m_pos = at < m_end ? at : m_end; }
  void CutEnd(std::size_t at) { m_end = at; }
  char Front() const { return m_page[m_pos]; }

  std::size_t Find(std::string_view what, std::size_t from) const { return m_page.substr(0, m_end).find(what, from); }
  std::size_t Find(char what) const { return m_page.substr(0, m_end).find(what, m_pos); }
  // The text before the next `separator`, consumed with it; all that is left
  // when there is none.
  std::string_view Cut(char separator) {
    const std::size_t at = Find(separator);
    const std::size_t stop = at == npos ? m_end : at;
    std::string_view token = m_page.substr(m_pos, stop - m_pos);
    m_pos = at == npos ? m_end : at + 1;
    return token;
  }
  // A name attribute's value: quoted up to the closing quote; bare up to the
  // end of the tag and then the first blank.
  std::string_view ReadName() {
    if (left() > 0 && Front() == '"') {
      ++m_pos;
      return Cut('"');
    }
    std::string_view rest = Cut('>');
    return rest.substr(0, rest.find(' '));
  }

 private:
  std::string_view m_page;
  std::size_t m_pos = 0;
  std::size_t m_end;
};

// The next occurrence of a pattern at or after the cursor, remembered so that
// a loop asking again does not search the same text twice.
class NextMatch {
 public:
  explicit NextMatch(std::string_view pattern) : m_pattern(pattern) {}
  std::size_t At(const PageCursor& page) {
    if (m_none) return npos;
    if (!m_known || m_at < page.pos()) {
      m_at = page.Find(m_pattern, page.pos());
      m_known = true;
      m_none = m_at == npos;
    }
    return m_at;
  }

 private:
  std::string_view m_pattern;
  std::size_t m_at = 0;
  bool m_known = false;
  bool m_none = false;
};

// Lowers `upper` where it stands at `at`; false when it does not.
bool LowerAt(char* at, std::size_t left, std::string_view upper) {
  if (left < upper.size() || upper.compare(std::string_view(at, upper.size())) != 0) return false;
  for (std::size_t i = 0; i < upper.size(); ++i) at[i] = static_cast<char>(at[i] - 'A' + 'a');
  return true;
}

// The letters of the words the normalisation lowers.
struct WordLetters {
  bool at[256] = {};
  constexpr WordLetters() {
    for (const char c : std::string_view("FORMACTIONTYPEFILENAME")) at[static_cast<unsigned char>(c)] = true;
  }
};
constexpr WordLetters kWordLetters;

// Whether a tag's text, up to its first blank, is the word "form".
bool IsFormTag(std::string_view tag) {
  return tag.substr(0, 4) == "form" && (tag.size() == 4 || tag[4] == ' ');
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

}  // namespace

std::size_t AppendPageText(char* data, std::size_t size, std::size_t count, void*) {
  if (size != 0 && count > std::numeric_limits<std::size_t>::max() / size) return 0;
  const std::size_t total = size * count;
  if (total == 0 || data == nullptr) return total;
  const void* nul = std::memchr(data, 0, total);
  const std::size_t text = nul == nullptr ? total : static_cast<std::size_t>(static_cast<const char*>(nul) - data);
  if (g_pageText.size() > kMaxPageText || text > kMaxPageText - g_pageText.size()) return 0;
  try {
    g_pageText.append(data, text);
  } catch (const std::bad_alloc&) {
    return 0;  // nothing may be thrown through libcurl
  }
  return total;
}

void NormalisePageText(std::string& page) {
  // One pass does what the five replacements from the front do one after the
  // other: a lower-case word can be part of no upper-case match, and the only
  // two words that can overlap, ACTION and NAME ("ACTIONAME"), are met in
  // their order, so ACTION is replaced first here as well.
  // Every word is at least four letters long, so it covers a place that is a
  // multiple of four; only where that place holds one of the words' letters
  // are the four places ending there looked at as starts.
  char* text = page.data();
  const std::size_t size = page.size();
  for (std::size_t probe = 0; probe < size; probe += 4) {
    if (!kWordLetters.at[static_cast<unsigned char>(text[probe])]) continue;
    for (std::size_t i = probe < 3 ? 0 : probe - 3; i <= probe; ++i) {
      switch (text[i]) {
        case 'F':
          if (!LowerAt(text + i, size - i, "FORM")) LowerAt(text + i, size - i, "FILE");
          break;
        case 'A':
          LowerAt(text + i, size - i, "ACTION");
          break;
        case 'T':
          LowerAt(text + i, size - i, "TYPE");
          break;
        case 'N':
          LowerAt(text + i, size - i, "NAME");
          break;
        default:
          break;
      }
    }
  }
}

std::string PlainHttpAddress(std::string address) {
  ReplaceAll(address, "https", "http");
  ReplaceAll(address, "HTTPS", "http");
  return address;
}

FormScan ScanUploadForm(std::string& pageText, std::string_view fileName) {
  FormScan scan;
  PageCursor page(pageText);
  auto finish = [&](FormScanResult result) {
    scan.result = result;
    const std::size_t from = page.pos(), to = page.end();
    pageText.erase(to);
    pageText.erase(0, from);
    return scan;
  };

  // The form tag: past the next "<", the tag is the text up to ">" (or all
  // that is left), its word the tag up to a blank; the first tag whose word
  // is "form". Tags stand a dozen bytes apart on the server's listing pages,
  // too close for memchr's set-up per search to pay; std::find walks them.
  const char* const text = pageText.data();
  const char* const end = text + page.end();
  const char* tag = text + page.pos();
  const char* tagEnd = tag;
  for (;;) {
    tag = std::find(tagEnd, end, '<');
    if (tag == end) {
      page.SkipTo(page.end());
      return finish(FormScanResult::NoForm);
    }
    ++tag;
    tagEnd = std::find(tag, end, '>');
    if (IsFormTag(std::string_view(tag, static_cast<std::size_t>(tagEnd - tag)))) break;
  }
  page.SkipTo(static_cast<std::size_t>(tagEnd - text) + 1);
  std::string_view attributes(tag, static_cast<std::size_t>(tagEnd - tag));
  attributes = attributes.size() > 5 ? attributes.substr(5) : std::string_view();

  // The action: "action", one more character (normally "="), then a quoted
  // value or one up to the next blank.
  if (const std::size_t at = attributes.find("action"); at != npos) {
    scan.has_action = true;
    attributes.remove_prefix(at + 7 < attributes.size() ? at + 7 : attributes.size());
    char stop = ' ';
    if (!attributes.empty() && attributes.front() == '"') {
      attributes.remove_prefix(1);
      stop = '"';
    }
    scan.action = std::string(attributes.substr(0, attributes.find(stop)));
  }

  const std::size_t close = page.Find("</form>", page.pos());
  if (close == npos) return finish(FormScanResult::Unclosed);
  page.CutEnd(close);

  // The file field: its name attribute must follow the type attribute.
  std::size_t field = page.Find("type=\"file\"", page.pos());
  if (field == npos) field = page.Find("type=file", page.pos());
  const std::size_t fieldName = field == npos ? npos : page.Find("name=", field);
  if (fieldName == npos) return finish(FormScanResult::NoFileField);
  page.SkipTo(fieldName + 5);
  scan.file_field = std::string(page.ReadName());

  // The check box whose value is the file name; the value starts 8
  // characters after the name (` value="` in the server's pages).
  NextMatch quoted("type=\"checkbox\""), bare("type=checkbox");
  for (;;) {
    std::size_t box = quoted.At(page);
    if (box == npos) box = bare.At(page);
    const std::size_t boxName = box == npos ? npos : page.Find("name=", box);
    if (boxName == npos) break;
    page.SkipTo(boxName + 5);
    std::string_view name = page.ReadName();
    if (page.left() < 8) break;
    page.SkipTo(page.pos() + 8);
    std::string_view value = page.Cut('"');
    if (value == fileName) {
      scan.check_box_name = std::string(name);
      scan.check_box_value = std::string(value);
      break;
    }
  }
  return finish(FormScanResult::Found);
}
std::string ResolveAction(const std::string& pageAddress, const FormScan& scan) {
  const std::string& action = scan.action;
  if (!scan.has_action || action.empty()) return pageAddress;
  if (action.find("https://") != std::string::npos || StartsWithNoCase(action, "http://") ||
      StartsWithNoCase(action, "https://")) {
    return action;
  }
  // The page's origin (scheme and host) ends where its path, query or
  // fragment begins; its folder is the path up to the last "/".
  const std::size_t scheme = pageAddress.find("://");
  const std::size_t host = scheme == std::string::npos ? 0 : scheme + 3;
  std::size_t path = pageAddress.find_first_of("/?#", host);
  if (path == std::string::npos) path = pageAddress.size();
  if (StartsWith(action, "//")) {
    return (scheme == std::string::npos ? std::string("http:") : pageAddress.substr(0, scheme + 1)) + action;
  }
  if (action.front() == '/') return pageAddress.substr(0, path) + action;
  std::size_t pathEnd = pageAddress.find_first_of("?#", path);
  if (pathEnd == std::string::npos) pathEnd = pageAddress.size();
  const std::size_t slash = pageAddress.find_last_of('/', pathEnd - 1);
  if (pathEnd == path || slash == std::string::npos || slash < path) {
    return pageAddress.substr(0, path) + "/" + action;
  }
  return pageAddress.substr(0, slash + 1) + action;
}

}  // namespace kit::exchange
