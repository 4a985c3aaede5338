#include "platform/win32/exchange/win32_http.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
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
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
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

TEST(Win32HttpTest, RawPostSendsTheAnnouncedBodyAndReadsTheStatus) {
  struct Case {
    const char* reply;
    long status;
  };
  const Case cases[] = {{"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", 200},
                        {"HTTP/1.1 500 Oops\r\nContent-Length: 0\r\n\r\n", 500}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    OneShotServer server(c.reply);
    Win32HttpClient http;
    HttpRawPostRequest request;
    request.host = "127.0.0.1";
    request.port = server.port();
    request.object = "/store/up.jsp?id=5";
    request.agent = "HttpSendRequestEx";
    request.cookie = "JSESSION=sid42";
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
    EXPECT_EQ(post->End(), c.status);
    EXPECT_EQ(server.body, block + file);
    EXPECT_EQ(server.head.rfind("POST /store/up.jsp?id=5 HTTP/1.1\r\n", 0), 0u) << server.head;
    EXPECT_NE(server.head.find("User-Agent: HttpSendRequestEx\r\n"), std::string::npos) << server.head;
    EXPECT_NE(server.head.find("Cookie: JSESSION=sid42"), std::string::npos) << server.head;
    EXPECT_NE(server.head.find("Content-Length: " + std::to_string(request.content_length) + "\r\n"),
              std::string::npos);
  }
}

TEST(Win32HttpTest, GetSendsTheExtraHeadersAndKeepsTheStatus) {
  OneShotServer server("HTTP/1.1 404 Not Found\r\nContent-Length: 5\r\nConnection: close\r\n\r\nnope!");
  Win32HttpClient http;
  HttpGetRequest request;
  request.url = server.Url("/files/r.dat");
  request.headers = "Cookie: a=b\r\n";
  request.flags = http::kNoCacheWrite | http::kTransferBinary;
  const HttpResponse response = http.Get(request);
  EXPECT_EQ(response.status, 404);
  EXPECT_EQ(std::string(response.body.begin(), response.body.end()), "nope!");
  EXPECT_NE(server.head.find("Cookie: a=b\r\n"), std::string::npos) << server.head;

  // A redirection comes back as it is; its body is not taken for the answer.
  OneShotServer redirecting(
      "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:9/login.jsp\r\nContent-Length: 4\r\n"
      "Connection: close\r\n\r\nbody");
  request.url = redirecting.Url("/files/r.dat");
  const HttpResponse redirected = http.Get(request);
  EXPECT_EQ(redirected.status, 302);
  EXPECT_EQ(std::string(redirected.body.begin(), redirected.body.end()), "body");
}

// Both routes into a file store only the whole body of a 2xx answer within
// the limit, and leave the previous file otherwise.
TEST(Win32HttpTest, DownloadsIntoAFileTakeOnlyAWhole2xxAnswerWithinTheLimit) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string path = std::string(temp) + "kit-win32-http-test.doc";
  const std::string big(5000, 'b');
  struct Case {
    std::string reply;
    bool stored;
  };
  const Case cases[] = {
      {"HTTP/1.1 200 OK\r\nContent-Length: 8\r\nConnection: close\r\n\r\ndocument", true},
      {"HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:9/login.jsp\r\nContent-Length: 0\r\n"
       "Connection: close\r\n\r\n",
       false},
      {"HTTP/1.1 404 Not Found\r\nContent-Length: 5\r\nConnection: close\r\n\r\nnope!", false},
      {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\ncut off", false},
      {"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + big, false},
      {"HTTP/1.1 200 OK\r\nContent-Length: 5000\r\nConnection: close\r\n\r\n" + big, false},
  };
  Win32HttpClient http;
  for (bool moniker : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(moniker ? "moniker: " : "libcurl: ") + c.reply.substr(0, 40));
      {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("previous", f);
        std::fclose(f);
      }
      OneShotServer server(c.reply);
      const std::string url = server.Url("/files/d.doc");
      EXPECT_EQ(moniker ? http.UrlDownloadToFile(url, path, 4096) : http.DownloadToFile(url, "", path, 4096), c.stored);
      std::string now;
      if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[8192];
        now.assign(buf, std::fread(buf, 1, sizeof buf, f));
        std::fclose(f);
      }
      EXPECT_TRUE(now == (c.stored ? "document" : "previous")) << now.size() << " bytes: " << now.substr(0, 16);
    }
  }
  DeleteFileA(path.c_str());
}

}  // namespace
}  // namespace kit::win32
