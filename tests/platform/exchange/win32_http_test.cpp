// The raw upload's bytes as WinINet puts them on the wire. What the downloads
// store and when is the contract the POSIX transfer tests check.
#include "platform/win32/exchange/win32_http.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace kit::win32 {
namespace {

// One connection on a loopback port: reads the request head and the body
// its Content-Length announces, then answers with `reply`.
class OneShotServer {
 public:
  explicit OneShotServer(std::string reply) : reply_(std::move(reply)) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof addr;
    bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(listener_, 1);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~OneShotServer() {
    closesocket(listener_);
    if (thread_.joinable()) thread_.join();
    WSACleanup();
  }
  int port() const { return port_; }
  // What arrived; valid once the client has its answer.
  std::string head, body;

 private:
  void Serve() {
    SOCKET c = accept(listener_, nullptr, nullptr);
    if (c == INVALID_SOCKET) return;
    std::string got;
    char buf[4096];
    std::size_t end = std::string::npos;
    while ((end = got.find("\r\n\r\n")) == std::string::npos) {
      const int n = recv(c, buf, sizeof buf, 0);
      if (n <= 0) break;
      got.append(buf, n);
    }
    if (end != std::string::npos) {
      head = got.substr(0, end + 4);
      body = got.substr(end + 4);
      std::size_t length = 0;
      const std::size_t at = head.find("Content-Length: ");
      if (at != std::string::npos) length = std::stoul(head.substr(at + 16));
      while (body.size() < length) {
        const int n = recv(c, buf, sizeof buf, 0);
        if (n <= 0) break;
        body.append(buf, n);
      }
      send(c, reply_.data(), static_cast<int>(reply_.size()), 0);
    }
    shutdown(c, SD_SEND);
    closesocket(c);
  }

  std::string reply_;
  SOCKET listener_;
  int port_ = 0;
  std::thread thread_;
};

// The success and the headers are in the transfer page script under wine;
// here a failing status and a write past the announced length.
TEST(Win32HttpTest, RawPostSendsTheAnnouncedBodyAndReadsTheStatus) {
  OneShotServer server("HTTP/1.1 500 Oops\r\nContent-Length: 0\r\n\r\n");
  Win32HttpClient http;
  HttpRawPostRequest request;
  request.host = "127.0.0.1";
  request.port = server.port();
  request.object = "/store/up.jsp?id=5";
  request.agent = "HttpSendRequestEx";
  request.flags = http::kNoCacheWrite;
  const std::string block = "\r\nheader block\r\n\r\n";
  const std::string file(1500, 'f');
  request.content_length = block.size() + file.size();
  auto post = http.OpenRawPost(request);
  ASSERT_NE(post, nullptr);
  EXPECT_TRUE(post->Write(block.data(), block.size()));
  EXPECT_TRUE(post->Write(file.data(), 1024));
  EXPECT_FALSE(post->Write(file.data(), 1024));  // past the announced length
  EXPECT_TRUE(post->Write(file.data() + 1024, file.size() - 1024));
  EXPECT_EQ(post->End(), 500);
  EXPECT_EQ(server.body, block + file);
  EXPECT_EQ(server.head.rfind("POST /store/up.jsp?id=5 HTTP/1.1\r\n", 0), 0u) << server.head;
}

}  // namespace
}  // namespace kit::win32
