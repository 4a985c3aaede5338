// Reading an upload page the way the office server writes them: the first
// form's action, its file field and the check box that names the expected
// file. Pages are single-byte text; every step consumes the page from the
// front, so a search never looks back at what an earlier step has read.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace kit::exchange {

// The body of the last fetched page, emptied before each fetch; after a scan
// it keeps what the scan had not consumed.
extern std::string g_pageText;

// No upload page comes near this; a larger body stops the fetch.
constexpr std::size_t kMaxPageText = std::size_t{32} << 20;

// libcurl write callback of page fetches: appends the chunk's text up to its
// first NUL to g_pageText, leaving libcurl's buffer untouched, and returns
// size * count so the transfer goes on. Returns 0 (stopping the transfer)
// when the product overflows or the page would grow past kMaxPageText.
std::size_t AppendPageText(char* data, std::size_t size, std::size_t count, void* context);

// "FORM", "ACTION", "TYPE", "FILE", "NAME" in that order by their lower-case
// words, over the whole page, values included; other casings stay.
void NormalisePageText(std::string& page);

// The upload-page address with "https" and then "HTTPS" replaced by "http".
std::string PlainHttpAddress(std::string address);

enum class FormScanResult {
  NoForm,       // the page ran out before a tag word "form"
  Unclosed,     // a form without "</form>"
  NoFileField,  // no file input with a name after its type
  Found,
};

struct FormScan {
  FormScanResult result = FormScanResult::NoForm;
  bool has_action = false;
  std::string action;
  std::string file_field;
  std::string check_box_name;  // empty when no check box names the file
  std::string check_box_value;
};

// Scans a normalised page for the form that takes `fileName`; `page` is left
// holding the text the scan had not consumed. Linear in the page's length.
FormScan ScanUploadForm(std::string& page, std::string_view fileName);

// The address the form posts to, from the (plain-HTTP) upload-page address:
// an absolute http:// or https:// action as it is, a missing or empty one the
// page itself, "/..." on the page's host, anything else in the page's folder.
std::string ResolveAction(const std::string& pageAddress, const FormScan& scan);

}  // namespace kit::exchange
