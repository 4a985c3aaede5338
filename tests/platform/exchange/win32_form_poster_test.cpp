#include "platform/common/curl_form_poster.h"

#include <gtest/gtest.h>

#include <string>

namespace kit::win32 {
namespace {

std::size_t Keep(char* data, std::size_t size, std::size_t count, void* context) {
  static_cast<std::string*>(context)->append(data, size * count);
  return size * count;
}

// Nothing listens on port 1 of the loopback interface: every request must
// come back as not completed, never as an answer.
TEST(Win32FormPosterTest, RequestsThatGetNoAnswerAreNotOk) {
  CurlLimits limits;
  limits.connect_timeout_s = 5;
  CurlFormPoster poster(limits);
  std::string body;
  const FormPostOutcome fetched = poster.FetchPage("http://127.0.0.1:1/oa/page.jsp", "s=1", &Keep, &body);
  EXPECT_FALSE(fetched.completed);
  EXPECT_FALSE(fetched.ok());
  EXPECT_TRUE(body.empty());

  FormPostPart click;
  click.name = "__Click";
  click.contents = "0";
  FormPostPart file;
  file.name = "attach";
  file.file_path = "c:\\temp\\qzdesk\\no-such-file.doc";
  file.file_name = "no-such-file.doc";
  file.content_type = "text/plain";
  const FormPostRequest requests[] = {
      {"http://127.0.0.1:1/oa/up.jsp", "s=1", {click}},
      {"http://127.0.0.1:1/oa/up.jsp", "", {click, file}},
      {"not a url at all", "", {click}},
  };
  for (const FormPostRequest& request : requests) {
    SCOPED_TRACE(request.url + " parts " + std::to_string(request.parts.size()));
    EXPECT_FALSE(poster.PostForm(request).ok());
  }
}

}  // namespace
}  // namespace kit::win32
