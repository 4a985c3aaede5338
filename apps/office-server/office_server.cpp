#include "apps/office-server/office_server.h"

#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>

namespace kit::office {

std::string ReceivedRequest::Header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (key.size() == name.size() &&
        std::equal(key.begin(), key.end(), name.begin(), [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        })) {
      return value;
    }
  }
  return {};
}

struct OfficeServer::Impl {
  httplib::Server server;
  mutable std::mutex mutex;
  std::map<std::string, std::pair<std::string, std::string>> files;  // name -> (bytes, type)
  std::map<std::string, std::string> pages;
  std::string cookie;
  std::vector<ReceivedRequest> received;

  void Record(const httplib::Request& req) {
    ReceivedRequest r;
    r.method = req.method;
    r.path = req.path;
    const std::size_t q = req.target.find('?');
    if (q != std::string::npos) r.query = req.target.substr(q + 1);
    for (const auto& [key, value] : req.headers) {
      // Added by the server itself, not sent.
      if (key == "REMOTE_ADDR" || key == "REMOTE_PORT" || key == "LOCAL_ADDR" || key == "LOCAL_PORT") continue;
      r.headers.emplace(key, value);
    }
    if (req.is_multipart_form_data()) {
      for (const auto& [name, part] : req.files) r.parts.push_back({part.name, part.filename, part.content_type, part.content});
    } else {
      r.body = req.body;
    }
    std::lock_guard<std::mutex> lock(mutex);
    received.push_back(std::move(r));
  }
};

namespace {

void ServeFault(const std::string& fault, const httplib::Request& req, const std::string& bytes,
                const std::string& type, httplib::Response& res) {
  if (fault == "404" || fault == "500") {
    res.status = fault == "404" ? 404 : 500;
    res.set_content("<html><body>error " + fault + "</body></html>", "text/html");
  } else if (fault == "reset") {
    // Announces the whole file, sends half of it and closes the connection.
    res.set_content_provider(bytes.size(), type, [bytes](std::size_t offset, std::size_t, httplib::DataSink& sink) {
      const std::size_t half = bytes.size() / 2;
      if (offset < half) {
        sink.write(bytes.data() + offset, half - offset);
        return true;
      }
      return false;
    });
  } else if (fault == "slow") {
    res.set_content_provider(bytes.size(), type, [bytes](std::size_t offset, std::size_t, httplib::DataSink& sink) {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      sink.write(bytes.data() + offset, 1);
      return true;
    });
  } else if (fault == "302" || fault == "302-body") {
    // A lapsed session sent on to the login page, with nothing or with the
    // file itself as the body of the redirection.
    res.status = 302;
    res.set_header("Location", "/pages/login.jsp");
    if (fault == "302-body") res.set_content(bytes, type);
  } else if (fault == "unsized") {
    // Chunked, with no length announced: N bytes of filler, or without end.
    const bool endless = !req.has_param("bytes");
    const std::size_t total = endless ? 0 : static_cast<std::size_t>(std::stoull(req.get_param_value("bytes")));
    res.set_chunked_content_provider(type, [endless, total](std::size_t offset, httplib::DataSink& sink) {
      static const std::string filler(65536, 'x');
      if (!endless && offset >= total) {
        sink.done();
        return true;
      }
      return sink.write(filler.data(), endless ? filler.size() : std::min(filler.size(), total - offset));
    });
  } else if (fault == "huge") {
    const std::size_t total = static_cast<std::size_t>(std::stoull(req.has_param("bytes") ? req.get_param_value("bytes") : "1073741824"));
    res.set_content_provider(total, type, [total](std::size_t offset, std::size_t, httplib::DataSink& sink) {
      static const std::string filler(65536, 'x');
      sink.write(filler.data(), std::min(filler.size(), total - offset));
      return true;
    });
  }
}

}  // namespace

OfficeServer::OfficeServer() : m_impl(std::make_unique<Impl>()) {
  Impl& impl = *m_impl;
  httplib::Server& s = impl.server;
  s.set_payload_max_length(std::size_t{512} << 20);
  s.Get("/files/(.*)", [&impl](const httplib::Request& req, httplib::Response& res) {
    impl.Record(req);
    std::string bytes, type, cookie;
    bool found = false;
    {
      std::lock_guard<std::mutex> lock(impl.mutex);
      auto it = impl.files.find(req.matches[1].str());
      if (it != impl.files.end()) {
        found = true;
        bytes = it->second.first;
        type = it->second.second;
      }
      cookie = impl.cookie;
    }
    const std::string fault = req.has_param("fault") ? req.get_param_value("fault") : std::string();
    if (!fault.empty()) {
      if (bytes.empty()) bytes.assign(4096, 'x');
      ServeFault(fault, req, bytes, type.empty() ? "application/octet-stream" : type, res);
      return;
    }
    if (!cookie.empty() && req.get_header_value("Cookie").find(cookie) == std::string::npos) {
      res.status = 403;
      res.set_content("<html><body>please log in</body></html>", "text/html");
    } else if (!found) {
      res.status = 404;
      res.set_content("<html><body>no such file</body></html>", "text/html");
    } else {
      res.set_content(bytes, type);
    }
  });
  s.Get("/pages/(.*)", [&impl](const httplib::Request& req, httplib::Response& res) {
    impl.Record(req);
    std::lock_guard<std::mutex> lock(impl.mutex);
    auto it = impl.pages.find(req.matches[1].str());
    if (it == impl.pages.end()) {
      res.status = 404;
      res.set_content("<html><body>no such page</body></html>", "text/html");
    } else {
      res.set_content(it->second, "text/html");
    }
  });
  // What arrives at /store/NAME also becomes /files/NAME, so that a test can
  // fetch back what it uploaded.
  s.Post("/store/(.*)", [&impl](const httplib::Request& req, httplib::Response& res) {
    impl.Record(req);
    std::string bytes;
    if (req.is_multipart_form_data()) {
      for (const auto& [name, part] : req.files) {
        if (!part.filename.empty()) bytes = part.content;
      }
    } else {
      bytes = RawUploadFile(req.body);
    }
    {
      std::lock_guard<std::mutex> lock(impl.mutex);
      impl.files[req.matches[1].str()] = {std::move(bytes), "application/octet-stream"};
    }
    res.set_content("<html><body>stored</body></html>", "text/html");
  });
  // An upload page's target: every file part is kept under its own file
  // name, as the office server files the documents a desk sends in.
  s.Post("/inbox", [&impl](const httplib::Request& req, httplib::Response& res) {
    impl.Record(req);
    if (req.is_multipart_form_data()) {
      std::lock_guard<std::mutex> lock(impl.mutex);
      for (const auto& [name, part] : req.files)
        if (!part.filename.empty()) impl.files[part.filename] = {part.content, part.content_type};
    }
    res.set_content("<html><body>stored</body></html>", "text/html");
  });
  s.Post(".*", [&impl](const httplib::Request& req, httplib::Response& res) {
    impl.Record(req);
    res.set_content("<html><body>received</body></html>", "text/html");
  });
  s.Get(".*", [&impl](const httplib::Request& req, httplib::Response& res) {
    impl.Record(req);
    res.status = 404;
    res.set_content("<html><body>not found</body></html>", "text/html");
  });
}

OfficeServer::~OfficeServer() { Stop(); }

int OfficeServer::Start(const std::string& host, int port) {
  if (m_thread.joinable()) return m_port;
  if (port == 0) {
    m_port = m_impl->server.bind_to_any_port(host);
  } else {
    m_port = m_impl->server.bind_to_port(host, port) ? port : -1;
  }
  if (m_port <= 0) return m_port = -1;
  m_thread = std::thread([this] { m_impl->server.listen_after_bind(); });
  // A stop before the loop runs would be lost, and the join would wait for ever.
  while (!m_impl->server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return m_port;
}

void OfficeServer::Stop() {
  if (!m_thread.joinable()) return;
  m_impl->server.stop();
  m_thread.join();
}

std::string OfficeServer::BaseUrl() const { return "http://127.0.0.1:" + std::to_string(m_port); }

void OfficeServer::PutFile(const std::string& name, std::string bytes, const std::string& contentType) {
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  m_impl->files[name] = {std::move(bytes), contentType};
}

void OfficeServer::PutPage(const std::string& name, std::string html) {
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  m_impl->pages[name] = std::move(html);
}

std::string OfficeServer::File(const std::string& name) const {
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  auto it = m_impl->files.find(name);
  return it == m_impl->files.end() ? std::string() : it->second.first;
}

bool OfficeServer::HasFile(const std::string& name) const {
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  return m_impl->files.count(name) != 0;
}

void OfficeServer::RequireCookie(std::string cookie) {
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  m_impl->cookie = std::move(cookie);
}

void OfficeServer::SetMaxUpload(std::size_t bytes) { m_impl->server.set_payload_max_length(bytes); }

std::vector<ReceivedRequest> OfficeServer::Received() const {
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  return m_impl->received;
}

void OfficeServer::ClearReceived() {
  std::lock_guard<std::mutex> lock(m_impl->mutex);
  m_impl->received.clear();
}

CuttingListener::CuttingListener(std::size_t keep) : m_keep(keep) {
  m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(m_fd, 4) != 0 ||
      ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    return;
  }
  m_port = ntohs(addr.sin_port);
  m_thread = std::thread([this] { Serve(); });
}

CuttingListener::~CuttingListener() {
  if (m_fd >= 0) ::shutdown(m_fd, SHUT_RDWR);
  if (m_thread.joinable()) m_thread.join();
  if (m_fd >= 0) ::close(m_fd);
}

void CuttingListener::Serve() {
  for (;;) {
    const int c = ::accept(m_fd, nullptr, nullptr);
    if (c < 0) return;
    std::string got;
    char buf[4096];
    while (got.size() < m_keep) {
      pollfd p{c, POLLIN, 0};
      if (::poll(&p, 1, 500) <= 0) break;  // the client has stopped sending
      const ssize_t n = ::recv(c, buf, std::min(sizeof buf, m_keep - got.size()), 0);
      if (n <= 0) break;
      got.append(buf, static_cast<std::size_t>(n));
    }
    // Closing with unread data resets the connection.
    linger off{1, 0};
    ::setsockopt(c, SOL_SOCKET, SO_LINGER, &off, sizeof off);
    ::close(c);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.push_back(std::move(got));
  }
}

std::vector<std::string> CuttingListener::Received() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_received;
}

std::string RawUploadFile(const std::string& body) {
  const std::size_t end = body.find("\r\n\r\n");
  return end == std::string::npos ? body : body.substr(end + 4);
}

namespace {
std::string Escaped(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}
}  // namespace

std::string Describe(const ReceivedRequest& r) {
  std::string line = r.method + " " + r.path + (r.query.empty() ? "" : "?" + r.query);
  const std::string cookie = r.Header("Cookie"), agent = r.Header("User-Agent");
  line += " cookie=" + (cookie.empty() ? std::string("-") : cookie);
  if (r.method == "POST") {
    line += " agent=" + (agent.empty() ? std::string("-") : agent);
    line += " length=" + r.Header("Content-Length");
    for (const ReceivedPart& p : r.parts) {
      line += " part[" + p.name + (p.file_name.empty() ? "" : " file=" + p.file_name) +
              (p.content_type.empty() ? "" : " type=" + p.content_type) + " " + std::to_string(p.content.size()) +
              " bytes]";
    }
    if (r.parts.empty()) {
      const std::string file = RawUploadFile(r.body);
      line += " block=" + Escaped(r.body.substr(0, r.body.size() - file.size())) + " file=" +
              std::to_string(file.size()) + " bytes";
    }
  }
  return line;
}

}  // namespace kit::office
