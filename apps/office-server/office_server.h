// A stand-in for the office web server on a loopback port: it serves stored
// files (remark data, documents, upload pages), receives multipart posts and
// raw uploads, and keeps exactly what arrived for a test or a developer to
// look at. Faults are asked for in the query of a file request:
//   fault=404 | fault=500       that status with a short error page
//   fault=reset                 half the body, then the connection is closed
//   fault=slow                  one byte every 300 ms
//   fault=huge&bytes=N          N bytes of filler instead of the file
//   fault=unsized[&bytes=N]     filler sent chunked without a length: N
//                               bytes, or without end
//   fault=302 | fault=302-body  a redirection to /pages/login.jsp, with an
//                               empty body or with the file as its body
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kit::office {

struct ReceivedPart {
  std::string name;
  std::string file_name;
  std::string content_type;
  std::string content;
};

struct ReceivedRequest {
  std::string method;
  std::string path;   // without the query
  std::string query;  // after "?", as sent
  std::multimap<std::string, std::string> headers;
  std::string body;  // the raw body of a post that is not multipart
  std::vector<ReceivedPart> parts;

  std::string Header(const std::string& name) const;  // empty when absent
};

class OfficeServer {
 public:
  OfficeServer();
  ~OfficeServer();
  OfficeServer(const OfficeServer&) = delete;
  OfficeServer& operator=(const OfficeServer&) = delete;

  // Listens on `host`; port 0 picks a free one. Returns the port, or -1.
  int Start(const std::string& host = "127.0.0.1", int port = 0);
  void Stop();
  int port() const { return m_port; }
  // "http://127.0.0.1:PORT"
  std::string BaseUrl() const;

  // Served at /files/NAME (any query) with the content type given.
  void PutFile(const std::string& name, std::string bytes,
               const std::string& contentType = "application/octet-stream");
  // Text served at /pages/NAME as text/html.
  void PutPage(const std::string& name, std::string html);
  std::string File(const std::string& name) const;  // empty when none
  bool HasFile(const std::string& name) const;
  // When set, /files answers 403 unless the Cookie header holds this text.
  void RequireCookie(std::string cookie);

  // A request body longer than this is refused with 413 before it is read,
  // and the connection closed.
  void SetMaxUpload(std::size_t bytes);

  // Every request so far, oldest first.
  std::vector<ReceivedRequest> Received() const;
  void ClearReceived();

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
  std::thread m_thread;
  int m_port = -1;
};

// A bare TCP listener on a loopback port that reads `keep` bytes of each
// connection (request head and body alike, or what came before the client
// paused for half a second), records them and resets the
// connection: a server that drops an upload midway.
class CuttingListener {
 public:
  explicit CuttingListener(std::size_t keep);
  ~CuttingListener();
  CuttingListener(const CuttingListener&) = delete;
  CuttingListener& operator=(const CuttingListener&) = delete;
  int port() const { return m_port; }
  std::vector<std::string> Received() const;

 private:
  void Serve();
  std::size_t m_keep;
  int m_fd = -1;
  int m_port = -1;
  mutable std::mutex m_mutex;
  std::vector<std::string> m_received;
  std::thread m_thread;
};

// The bytes of a raw upload after its header block (everything up to and
// including the first empty line); the whole body when it has none.
std::string RawUploadFile(const std::string& body);

// A line a person can read about one request, without the port:
// METHOD PATH?QUERY cookie=... agent=... length=... and the parts or the
// header block of a raw upload with CR and LF written as \r and \n.
std::string Describe(const ReceivedRequest& request);

}  // namespace kit::office
