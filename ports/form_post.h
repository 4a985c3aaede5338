// The two requests of a form upload: fetching the upload page into the
// caller's writer, and the multipart/form-data post of its fields and file.
// Addresses, cookies, names and values are bytes as the page gave them;
// local paths are Windows paths in the system code page.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace kit {

// A libcurl-shaped body writer: returns the bytes it took; fewer stops the fetch.
using PageWriter = std::size_t (*)(char* data, std::size_t size, std::size_t count, void* context);

struct FormPostPart {
  std::string name;
  std::string contents;      // a plain field, when `file_path` is empty
  std::string file_path;     // a file part: the local file sent as its body
  std::string file_name;     // the part's file name, as given
  std::string content_type;  // the part's content type, as given
  bool is_file() const { return !file_path.empty(); }
};

struct FormPostRequest {
  std::string url;
  std::string cookie;  // a Cookie header value; empty: no cookie
  std::vector<FormPostPart> parts;  // sent in this order
};

struct FormPostOutcome {
  bool completed = false;  // a whole response arrived
  long status = 0;         // its HTTP status
  bool ok() const { return completed && status >= 200 && status < 400; }
};

class IFormPoster {
 public:
  virtual ~IFormPoster() = default;
  // GET with the cookie; every piece of the body goes to `writer`.
  virtual FormPostOutcome FetchPage(const std::string& url, const std::string& cookie, PageWriter writer,
                                    void* context) = 0;
  // The response body is not collected.
  virtual FormPostOutcome PostForm(const FormPostRequest& request) = 0;
};

}  // namespace kit
