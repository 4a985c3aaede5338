// platform/common: adapters over libraries that work the same on every platform.
#include "platform/common/curl_form_poster.h"

// The form builder is the one the control was written against; newer libcurl
// marks it deprecated in favour of the mime interface.
#define CURL_DISABLE_DEPRECATION
#include <curl/curl.h>

#include <memory>

namespace kit {
namespace {

struct EasyCleanup {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using Easy = std::unique_ptr<CURL, EasyCleanup>;

struct FormCleanup {
  void operator()(curl_httppost* form) const { curl_formfree(form); }
};

std::size_t Discard(char*, std::size_t size, std::size_t count, void*) { return size * count; }

void SetCommon(CURL* handle, const std::string& url, const std::string& cookie, const CurlLimits& limits) {
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  if (!cookie.empty()) curl_easy_setopt(handle, CURLOPT_COOKIE, cookie.c_str());
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, limits.connect_timeout_s);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, limits.low_speed_bytes);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, limits.low_speed_time_s);
  // The curl tool's receive buffer rather than libcurl's 16 KB.
  curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, 100L * 1024);
}

FormPostOutcome Perform(CURL* handle) {
  FormPostOutcome outcome;
  outcome.completed = curl_easy_perform(handle) == CURLE_OK;
  long status = 0;
  if (curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK) outcome.status = status;
  return outcome;
}

}  // namespace

FormPostOutcome CurlFormPoster::FetchPage(const std::string& url, const std::string& cookie, PageWriter writer,
                                          void* context) {
  Easy handle(curl_easy_init());
  if (!handle) return {};
  SetCommon(handle.get(), url, cookie, m_limits);
  curl_easy_setopt(handle.get(), CURLOPT_WRITEFUNCTION, writer);
  curl_easy_setopt(handle.get(), CURLOPT_WRITEDATA, context);
  return Perform(handle.get());
}

FormPostOutcome CurlFormPoster::PostForm(const FormPostRequest& request) {
  Easy handle(curl_easy_init());
  if (!handle) return {};
  curl_httppost* first = nullptr;
  curl_httppost* last = nullptr;
  std::unique_ptr<curl_httppost, FormCleanup> form;
  for (const FormPostPart& part : request.parts) {
    CURLFORMcode added;
    if (part.is_file()) {
      const std::optional<std::string> mapped = m_native ? m_native(part.file_path) : part.file_path;
      if (!mapped) return {};
      const std::string& native = *mapped;
      // File name and type are given, not guessed from the native path.
      added = curl_formadd(&first, &last, CURLFORM_COPYNAME, part.name.c_str(), CURLFORM_FILE, native.c_str(),
                           CURLFORM_FILENAME, part.file_name.c_str(), CURLFORM_CONTENTTYPE,
                           part.content_type.c_str(), CURLFORM_END);
    } else {
      added = curl_formadd(&first, &last, CURLFORM_COPYNAME, part.name.c_str(), CURLFORM_COPYCONTENTS,
                           part.contents.c_str(), CURLFORM_END);
    }
    if (!form && first != nullptr) form.reset(first);
    if (added != CURL_FORMADD_OK) return {};
  }
  SetCommon(handle.get(), request.url, request.cookie, m_limits);
  curl_easy_setopt(handle.get(), CURLOPT_HTTPPOST, first);
  // The answer is not read, but it must not land on standard output either.
  curl_easy_setopt(handle.get(), CURLOPT_WRITEFUNCTION, &Discard);
  return Perform(handle.get());
}

}  // namespace kit
