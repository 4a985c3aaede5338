// Upload pages as a server (or anyone between it and the desktop) may send
// them: the first byte gives the length of the file name the page must name,
// the rest is the page. The one-pass scanner must agree with the scan that
// consumes a copy of the page from the front step by step, results and
// leftover text alike, and the resolved action must keep the page's host
// unless the form names its own.
#include <cstddef>
#include <cstdint>
#include <string>

#include "exchange/form_scan.h"
#include "exchange/local_files.h"
#include "fuzz/fuzz_common.h"

namespace {

using kit::exchange::CutToken;
using kit::exchange::FormScan;
using kit::exchange::FormScanResult;

constexpr std::size_t npos = std::string::npos;

std::string ReadName(std::string& page) {
  if (!page.empty() && page[0] == '"') {
    page.erase(0, 1);
    return CutToken(page, "\"");
  }
  std::string rest = CutToken(page, ">");
  return CutToken(rest, " ");
}

// Every step cuts what it has read off the front of the page.
FormScan Reference(std::string& page, const std::string& fileName) {
  FormScan s;
  std::string tag;
  for (;;) {
    const std::size_t open = page.find('<');
    if (open == npos) {
      page.clear();
      s.result = FormScanResult::NoForm;
      return s;
    }
    page.erase(0, open + 1);
    tag = CutToken(page, ">");
    if (CutToken(tag, " ") == "form") break;
  }
  if (const std::size_t at = tag.find("action"); at != npos) {
    s.has_action = true;
    tag.erase(0, at + 7 < tag.size() ? at + 7 : tag.size());
    if (!tag.empty() && tag[0] == '"') {
      tag.erase(0, 1);
      s.action = CutToken(tag, "\"");
    } else {
      s.action = CutToken(tag, " ");
    }
  }
  const std::size_t close = page.find("</form>");
  if (close == npos) {
    s.result = FormScanResult::Unclosed;
    return s;
  }
  page.erase(close);
  std::size_t field = page.find("type=\"file\"");
  if (field == npos) field = page.find("type=file");
  const std::size_t name = field == npos ? npos : page.find("name=", field);
  if (name == npos) {
    s.result = FormScanResult::NoFileField;
    return s;
  }
  page.erase(0, name + 5);
  s.file_field = ReadName(page);
  for (;;) {
    std::size_t box = page.find("type=\"checkbox\"");
    if (box == npos) box = page.find("type=checkbox");
    const std::size_t boxName = box == npos ? npos : page.find("name=", box);
    if (boxName == npos) break;
    page.erase(0, boxName + 5);
    const std::string boxTitle = ReadName(page);
    if (page.size() < 8) break;
    page.erase(0, 8);
    const std::string value = CutToken(page, "\"");
    if (value == fileName) {
      s.check_box_name = boxTitle;
      s.check_box_value = value;
      break;
    }
  }
  s.result = FormScanResult::Found;
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kit::exchange;
  if (size < 1) return 0;
  const std::size_t nameLength = data[0] % 16 < size - 1 ? data[0] % 16 : size - 1;
  const std::string fileName(reinterpret_cast<const char*>(data + 1), nameLength);

  // The page arrives in two chunks through the write callback.
  g_pageText.clear();
  std::string body(reinterpret_cast<const char*>(data + 1 + nameLength), size - 1 - nameLength);
  const std::string sent = body;
  const std::size_t half = body.size() / 2;
  FUZZ_CHECK(AppendPageText(body.data(), 1, half, nullptr) == half);
  FUZZ_CHECK(AppendPageText(body.data() + half, 1, body.size() - half, nullptr) == body.size() - half);
  FUZZ_CHECK(body == sent);
  std::string expectedPage;
  for (const std::string& chunk : {sent.substr(0, half), sent.substr(half)}) {
    expectedPage += chunk.substr(0, chunk.find('\0'));
  }
  FUZZ_CHECK(g_pageText == expectedPage);

  // Normalising agrees with the repeated search from the front.
  std::string reference = g_pageText;
  for (const char* word : {"FORM", "ACTION", "TYPE", "FILE", "NAME"}) {
    std::string lower(word);
    for (char& c : lower) c = static_cast<char>(c - 'A' + 'a');
    ReplaceAll(reference, word, lower);
  }
  NormalisePageText(g_pageText);
  FUZZ_CHECK(g_pageText == reference);

  const FormScan scan = ScanUploadForm(g_pageText, fileName);
  const FormScan expected = Reference(reference, fileName);
  FUZZ_CHECK(scan.result == expected.result);
  FUZZ_CHECK(scan.has_action == expected.has_action);
  FUZZ_CHECK(scan.action == expected.action);
  FUZZ_CHECK(scan.file_field == expected.file_field);
  FUZZ_CHECK(scan.check_box_name == expected.check_box_name);
  FUZZ_CHECK(scan.check_box_value == expected.check_box_value);
  FUZZ_CHECK(g_pageText == reference);
  FUZZ_CHECK(scan.check_box_name.empty() == scan.check_box_value.empty() || scan.check_box_value == fileName);

  // An action that names no host of its own stays on the page's host.
  const std::string pageAddress = "http://srv:8080/oa/page.jsp?x=/y";
  const std::string target = ResolveAction(pageAddress, scan);
  const std::string& action = scan.action;
  const bool ownHost = action.find("://") != npos || action.compare(0, 2, "//") == 0;
  if (!ownHost) FUZZ_CHECK(target.compare(0, 16, "http://srv:8080/") == 0);
  if (!scan.has_action || action.empty()) FUZZ_CHECK(target == pageAddress);
  g_pageText.clear();
  return 0;
}
