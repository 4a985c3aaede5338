#include "exchange/form_scan.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
// Hosts whose processor may have AVX2 pick the wider loops at run time.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(_WIN32)
#define KIT_SCAN_AVX2 1
#include <immintrin.h>
#endif

#include "exchange/local_files.h"

namespace kit::exchange {

std::string g_pageText;

namespace {

constexpr std::size_t npos = std::string_view::npos;

#ifdef __SSE2__
// Bit i set where byte i of the 16 at `at` is `c`.
unsigned EqualMask(const char* at, __m128i c) {
  const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, c)));
}
#endif

#ifdef KIT_SCAN_AVX2
bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

// FindBytes's block loop with one compare for 32 places; `at` is left where
// the loop stopped when nothing was found.
__attribute__((target("avx2"))) std::size_t FindBytesAvx2(std::string_view hay, std::string_view needle,
                                                           std::size_t& at) {
  const std::size_t last = needle.size() - 1;
  const __m256i first = _mm256_set1_epi8(needle.front());
  const __m256i lastByte = _mm256_set1_epi8(needle.back());
  const char* base = hay.data();
  for (; at + last + 32 <= hay.size(); at += 32) {
    const __m256i head = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + at));
    const __m256i tail = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + at + last));
    auto mask = static_cast<std::uint32_t>(
        _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(head, first), _mm256_cmpeq_epi8(tail, lastByte))));
    while (mask != 0) {
      const std::size_t hit = at + static_cast<std::size_t>(__builtin_ctz(mask));
      if (std::memcmp(base + hit + 1, needle.data() + 1, last - 1) == 0) return hit;
      mask &= mask - 1;
    }
  }
  return npos;
}
#endif

// The first `needle` in `hay` at or after `from`. Thirty-two places at a
// time are tested for the needle's first and last byte together, which in
// page text leaves few places to compare in full; the library searches stop
// at every "<" of a tag-dense page, or hash every byte.
std::size_t FindBytes(std::string_view hay, std::string_view needle, std::size_t from) {
  if (from > hay.size() || needle.size() > hay.size() - from) return npos;
  if (needle.empty()) return from;
  std::size_t at = from;
#ifdef __SSE2__
  const std::size_t last = needle.size() - 1;
#ifdef KIT_SCAN_AVX2
  if (needle.size() >= 2 && HasAvx2()) {
    const std::size_t hit = FindBytesAvx2(hay, needle, at);
    if (hit != npos) return hit;
  }
#endif
  if (needle.size() >= 2) {
    const __m128i first = _mm_set1_epi8(needle.front());
    const __m128i lastByte = _mm_set1_epi8(needle.back());
    const char* base = hay.data();
    // 32 places at a time, while the last byte of the last one still lies
    // within the text.
    for (; at + last + 32 <= hay.size(); at += 32) {
      std::uint32_t mask = (EqualMask(base + at, first) & EqualMask(base + at + last, lastByte)) |
                           (std::uint32_t{EqualMask(base + at + 16, first) & EqualMask(base + at + 16 + last, lastByte)}
                            << 16);
      while (mask != 0) {
        const std::size_t hit = at + static_cast<std::size_t>(__builtin_ctz(mask));
        if (std::memcmp(base + hit + 1, needle.data() + 1, last - 1) == 0) return hit;
        mask &= mask - 1;
      }
    }
  }
#endif
  return hay.find(needle, at);
}

// A cursor over the page: [pos, end) is what is left of it.
class PageCursor {
 public:
  explicit PageCursor(std::string_view page) : m_page(page), m_end(page.size()) {}

  std::size_t pos() const { return m_pos; }
  std::size_t end() const { return m_end; }
  std::size_t left() const { return m_end - m_pos; }
  void SkipTo(std::size_t at) { m_pos = at < m_end ? at : m_end; }
  void CutEnd(std::size_t at) { m_end = at; }
  char Front() const { return m_page[m_pos]; }

  std::size_t Find(std::string_view what, std::size_t from) const {
    return FindBytes(m_page.substr(0, m_end), what, from);
  }
  // Whether the "<" at `at` opens a tag of the front-consuming walk (find
  // "<", skip to the next ">", repeat): it does when the nearest "<" or ">"
  // before it is a ">", or when there is none after the front.
  bool OpensTag(std::size_t at) const {
    for (std::size_t i = at; i > m_pos; --i) {
      if (m_page[i - 1] == '>') return true;
      if (m_page[i - 1] == '<') return false;
    }
    return true;
  }
  std::size_t Find(char what) const {
    if (m_pos >= m_end) return npos;
    const void* hit = std::memchr(m_page.data() + m_pos, static_cast<unsigned char>(what), m_end - m_pos);
    return hit == nullptr ? npos : static_cast<std::size_t>(static_cast<const char*>(hit) - m_page.data());
  }
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

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighs = 0x8080808080808080ull;

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the byte masks count from the low end");

// High bits set where a byte is `c`; the lowest one set is always a true
// match (a borrow only runs upwards from one).
std::uint64_t ByteMask(std::uint64_t word, unsigned char c) {
  const std::uint64_t v = word ^ (kOnes * c);
  return (v - kOnes) & ~v & kHighs;
}

// The offset of the first of the eight bytes that could start an upper-case
// word, or 8.
unsigned FirstWordStart(const char* at) {
  std::uint64_t word;
  std::memcpy(&word, at, sizeof word);
  const std::uint64_t mask = ByteMask(word, 'F') | ByteMask(word, 'A') | ByteMask(word, 'T') | ByteMask(word, 'N');
  return mask == 0 ? 8 : static_cast<unsigned>(__builtin_ctzll(mask)) / 8;
}

#ifdef __SSE2__
// Bit k set where a word could start at `at + k` (k < 16), by its first two
// letters: "FO", "FI", "AC", "TY", "NA". Reads 17 bytes.
unsigned WordStarts16(const char* at) {
  const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1));
  const __m128i fo = _mm_and_si128(_mm_cmpeq_epi8(b0, _mm_set1_epi8('F')),
                                   _mm_or_si128(_mm_cmpeq_epi8(b1, _mm_set1_epi8('O')),
                                                _mm_cmpeq_epi8(b1, _mm_set1_epi8('I'))));
  const __m128i ac = _mm_and_si128(_mm_cmpeq_epi8(b0, _mm_set1_epi8('A')), _mm_cmpeq_epi8(b1, _mm_set1_epi8('C')));
  const __m128i ty = _mm_and_si128(_mm_cmpeq_epi8(b0, _mm_set1_epi8('T')), _mm_cmpeq_epi8(b1, _mm_set1_epi8('Y')));
  const __m128i na = _mm_and_si128(_mm_cmpeq_epi8(b0, _mm_set1_epi8('N')), _mm_cmpeq_epi8(b1, _mm_set1_epi8('A')));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(fo, ac), _mm_or_si128(ty, na))));
}
#endif
#ifdef KIT_SCAN_AVX2
__attribute__((target("avx2"))) inline __m256i Eq32(__m256i b, char c) {
  return _mm256_cmpeq_epi8(b, _mm256_set1_epi8(c));
}

// WordStarts16 for 32 places; reads 33 bytes.
__attribute__((target("avx2"))) inline std::uint32_t WordStarts32(const char* at) {
  const __m256i b0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
  const __m256i b1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 1));
  const __m256i fo = _mm256_and_si256(Eq32(b0, 'F'), _mm256_or_si256(Eq32(b1, 'O'), Eq32(b1, 'I')));
  const __m256i ac = _mm256_and_si256(Eq32(b0, 'A'), Eq32(b1, 'C'));
  const __m256i ty = _mm256_and_si256(Eq32(b0, 'T'), Eq32(b1, 'Y'));
  const __m256i na = _mm256_and_si256(Eq32(b0, 'N'), Eq32(b1, 'A'));
  return static_cast<std::uint32_t>(
      _mm256_movemask_epi8(_mm256_or_si256(_mm256_or_si256(fo, ac), _mm256_or_si256(ty, na))));
}
#endif

// Letters as the little-endian word that holds them.
template <std::size_t N>
constexpr std::uint64_t Letters(const char (&w)[N]) {
  std::uint64_t word = 0;
  for (std::size_t k = 0; k + 1 < N; ++k) word |= std::uint64_t{static_cast<unsigned char>(w[k])} << (8 * k);
  return word;
}
constexpr std::uint32_t Letters4(const char (&w)[5]) { return static_cast<std::uint32_t>(Letters(w)); }
constexpr std::uint64_t Letters6(const char (&w)[7]) { return Letters(w); }
static_assert(Letters4("FORM") == 0x4D524F46u);

bool LowerAt(char* at, std::size_t left, std::string_view upper) {
  if (left < upper.size() || std::memcmp(at, upper.data(), upper.size()) != 0) return false;
  for (std::size_t i = 0; i < upper.size(); ++i) at[i] = static_cast<char>(at[i] - 'A' + 'a');
  return true;
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

// Lowers the word that starts at `i`, if one does.
inline void LowerWordAt(char* text, std::size_t size, std::size_t i) {
  char* at = text + i;
  const std::size_t left = size - i;
  if (left >= 8) {
    // The four-letter words by one comparison each, ACTION by six bytes;
    // an upper-case letter is lowered by its 0x20 bit.
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    const auto four = static_cast<std::uint32_t>(word);
    if (four == Letters4("FORM") || four == Letters4("FILE") || four == Letters4("TYPE") ||
        four == Letters4("NAME")) {
      const std::uint32_t lowered = four | 0x20202020u;
      std::memcpy(at, &lowered, sizeof lowered);
    } else if ((word & 0xFFFFFFFFFFFFull) == Letters6("ACTION")) {
      word |= 0x202020202020ull;
      std::memcpy(at, &word, 6);
    }
    return;
  }
  switch (*at) {
    case 'F':
      if (!LowerAt(at, left, "FORM")) LowerAt(at, left, "FILE");
      break;
    case 'A':
      LowerAt(at, left, "ACTION");
      break;
    case 'T':
      LowerAt(at, left, "TYPE");
      break;
    case 'N':
      LowerAt(at, left, "NAME");
      break;
    default:
      break;
  }
}

// The normalisation's loop over blocks of 32 places from `i`, while a
// block's 33 bytes lie within the page; returns where the rest begins. Each block's places are found before the block ahead of it is
// lowered: a load over bytes just stored waits for the stores. Places found
// before a word was lowered over them are looked at again in the page
// itself, and lowering makes no new ones.
#define KIT_LOWER_BLOCKS(STARTS)                                                 \
  if (i + 33 > size) return i;                                                   \
  std::uint32_t pending = STARTS(text + i);                                      \
  for (;;) {                                                                     \
    std::uint32_t starts = pending;                                              \
    const std::size_t block = i;                                                 \
    i += 32;                                                                     \
    const bool more = i + 33 <= size;                                            \
    if (more) pending = STARTS(text + i);                                        \
    while (starts != 0) {                                                        \
      LowerWordAt(text, size, block + static_cast<std::size_t>(__builtin_ctz(starts))); \
      starts &= starts - 1;                                                      \
    }                                                                            \
    if (!more) return i;                                                         \
  }

#ifdef __SSE2__
inline std::uint32_t WordStartsPair(const char* at) {
  return WordStarts16(at) | (std::uint32_t{WordStarts16(at + 16)} << 16);
}
std::size_t LowerBlocks(char* text, std::size_t size, std::size_t i) { KIT_LOWER_BLOCKS(WordStartsPair) }
#endif
#ifdef KIT_SCAN_AVX2
__attribute__((target("avx2"))) std::size_t LowerBlocksAvx2(char* text, std::size_t size, std::size_t i) {
  KIT_LOWER_BLOCKS(WordStarts32)
}
#endif
#undef KIT_LOWER_BLOCKS

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
  char* text = page.data();
  const std::size_t size = page.size();
  std::size_t i = 0;
#ifdef KIT_SCAN_AVX2
  i = HasAvx2() ? LowerBlocksAvx2(text, size, i) : LowerBlocks(text, size, i);
#elif defined(__SSE2__)
  i = LowerBlocks(text, size, i);
#endif
  while (i < size) {
    if (i + 8 <= size) {
      const unsigned skip = FirstWordStart(text + i);
      i += skip;
      if (skip == 8) continue;
    }
    LowerWordAt(text, size, i);
    ++i;
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

  // The form tag: the first tag whose word, up to a blank, is "form". Only
  // where "<form" ends its word need the walk over the tags be retraced.
  std::string_view attributes;
  for (std::size_t from = page.pos();;) {
    const std::size_t open = page.Find("<form", from);
    if (open == npos) {
      page.SkipTo(page.end());
      return finish(FormScanResult::NoForm);
    }
    from = open + 1;
    const std::size_t after = open + 5;
    if (after < page.end() && pageText[after] != ' ' && pageText[after] != '>') continue;
    if (!page.OpensTag(open)) continue;
    page.SkipTo(open + 1);
    std::string_view tag = page.Cut('>');
    const std::size_t blank = tag.find(' ');
    attributes = blank == npos ? std::string_view() : tag.substr(blank + 1);
    break;
  }

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
  if (action.compare(0, 2, "//") == 0) {
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
