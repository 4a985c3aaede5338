// The form processing's string helpers on page text as a server may send it,
// and the file names a page may pass: the first two bytes give the lengths of
// the pattern (or separator) and the replacement, the rest is the text.
// ReplaceAll must end and agree with the plain search-from-the-front rule;
// CutToken must split without losing or inventing bytes; a working path must
// never leave its folder, whatever subfolders it names.
#include <cstddef>
#include <cstdint>
#include <string>

#include "exchange/local_files.h"
#include "fuzz/fuzz_common.h"
#include "ports/codepage.h"

namespace {

// The rule as stated: find the first occurrence from the front, replace,
// repeat. Only called where it is known to end within `limit` steps.
bool ReferenceReplace(std::string& text, const std::string& pattern, const std::string& replacement,
                      std::size_t limit) {
  for (std::size_t steps = 0; steps < limit; ++steps) {
    const std::size_t pos = text.find(pattern);
    if (pos == std::string::npos) return true;
    text.replace(pos, pattern.size(), replacement);
  }
  return text.find(pattern) == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kit::exchange;
  if (size < 2) return 0;
  const std::size_t plen = data[0] % 8;
  const std::size_t rlen = data[1] % 8;
  const char* rest = reinterpret_cast<const char*>(data + 2);
  std::size_t left = size - 2;
  const std::string pattern(rest, plen < left ? plen : left);
  rest += pattern.size();
  left -= pattern.size();
  const std::string replacement(rest, rlen < left ? rlen : left);
  rest += replacement.size();
  left -= replacement.size();
  const std::string original(rest, left);

  // ReplaceAll
  std::string text = original;
  const std::size_t count = ReplaceAll(text, pattern, replacement);
  if (pattern.empty()) {
    FUZZ_CHECK(text == original && count == 0);
  } else if (replacement.find(pattern) != std::string::npos) {
    // Each original occurrence once, none of the replaced text again.
    std::size_t occurrences = 0;
    for (std::size_t p = original.find(pattern); p != std::string::npos; p = original.find(pattern, p + pattern.size())) {
      ++occurrences;
    }
    FUZZ_CHECK(count == occurrences);
    FUZZ_CHECK(text.size() == original.size() + count * replacement.size() - count * pattern.size());
  } else if (replacement.size() < pattern.size() || original.size() <= 64) {
    // Shrinking rules end within |text| steps; short texts are cheap either way.
    std::string expected = original;
    if (ReferenceReplace(expected, pattern, replacement, 4096)) {
      FUZZ_CHECK(text == expected);
      FUZZ_CHECK(text.find(pattern) == std::string::npos);
    }
  }

  // CutToken
  std::string cut = original;
  const std::string token = CutToken(cut, pattern);
  if (pattern.empty() || original.find(pattern) == std::string::npos) {
    FUZZ_CHECK(token == original && cut.empty());
  } else {
    FUZZ_CHECK(token + pattern + cut == original);
    FUZZ_CHECK(token.find(pattern) == std::string::npos);
  }

  // Working paths
  if (auto path = WorkingPath(original)) {
    const std::string folder = std::string(kWorkingFolder) + "\\";
    FUZZ_CHECK(path->compare(0, folder.size(), folder) == 0);
    const std::string name = path->substr(folder.size());
    FUZZ_CHECK(name == original && name.find(':') == std::string::npos);
    // Separators are single-byte '\\' and '/' outside double-byte characters;
    // every component between them is a name, never empty, "." or "..".
    std::string component;
    for (std::size_t i = 0; i <= name.size(); ++i) {
      const unsigned char c = i < name.size() ? static_cast<unsigned char>(name[i]) : '\\';
      if (kit::IsLeadByte(c)) {
        FUZZ_CHECK(i + 1 < name.size());
        component.append(name, i, 2);
        ++i;
        continue;
      }
      if (c == '\\' || c == '/') {
        FUZZ_CHECK(!component.empty() && component != "." && component != "..");
        component.clear();
        continue;
      }
      FUZZ_CHECK(c >= 0x20);
      component += static_cast<char>(c);
    }
  }
  return 0;
}
