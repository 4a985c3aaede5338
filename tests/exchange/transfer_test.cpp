#include "exchange/transfer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "apps/office-server/office_server.h"
#include "exchange/local_files.h"
#include "exchange/word_documents.h"
#include "platform/posix/exchange/posix_exchange.h"
#include "platform/posix/exchange/posix_http.h"
#include "ports/memory_stream.h"
#include "remark/remark_file.h"
#include "tests/common/golden.h"
#include "tests/common/wait_for.h"
#include "tests/exchange/message_log.h"
#include "tests/platform/temp_kit_root.h"

namespace kit::exchange {
namespace {

using automation::AutomationError;
using automation::InvokeByName;
using automation::InvokeKind;
using automation::Variant;

// The header blocks as the upload servlets parse them, written out in full.
const std::string kCookieBlock =
    "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"\"\r\nContent-Type: Application/pdf\r\n\r\n";
const std::string kJavaBlockHead = "\r\nContent-Disposition: form-data; name=\"file\"; otherparameter= ";
const std::string kBlockTail = "\"\r\nContent-Type: Application/pdf\r\n\r\n";

using RecordingDialogs = MessageLog;

// The real client, except that the desktop's own download only records the
// address it was given.
class MonikerRecorder : public posix::CurlHttpClient {
 public:
  using CurlHttpClient::CurlHttpClient;
  std::vector<std::string> moniker_urls;
  bool UrlDownloadToFile(const std::string& url, const std::string&, std::uint64_t) override {
    moniker_urls.push_back(url);
    return true;
  }
};

// A lookup that can lose the remark file between storing and posting.
class VanishingLookup : public posix::PosixFileLookup {
 public:
  bool vanish = false;
  std::optional<FoundFile> FindFirst(const std::string& pattern) override {
    if (vanish) return std::nullopt;
    return PosixFileLookup::FindFirst(pattern);
  }
};

struct FormCall {
  std::string url, cookie, path, name;
  bool remove;
  std::string bytes;  // the local file when the upload ran
};

std::string Bytes(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + 7) & 0xFF);
  return s;
}

class TransferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GT(server.Start(), 0);
    base = server.BaseUrl();
    ports.http = &http;
    ports.files = DefaultPlatform().files;
    ports.lookup = &lookup;
    ports.dialogs = &dialogs;
    ports.status = &status;
    ports.form_upload = [this](const std::string& url, const std::string& cookie, const std::string& path,
                               const std::string& name, bool remove) {
      if (form_throws) throw HttpError("connection reset");
      form_calls.push_back({url, cookie, path, name, remove, root.ReadFile("c/temp/qzdesk/" + name)});
    };
  }

  // A remark file of a document with this pen.
  static std::string RemarkBytes(std::uint32_t color, long width) {
    remark::CNotaroCtrl ctrl;
    ctrl.SetPenColor(color);
    ctrl.SetPenWidth(width);
    MemoryStream out;
    remark::StoreDocument(ctrl.document(), out);
    return std::string(out.bytes().begin(), out.bytes().end());
  }

  CTransfer Transfer() { return CTransfer(ports); }

  // The transfer members and the document downloads, as the control has them.
  void Install(remark::CNotaroCtrl& ctrl) {
    ctrl.AddMembers(TransferMembers(ports));
    WordDocumentPorts documents;
    documents.lookup = &lookup;
    TransferPorts transfer = ports;
    documents.download_to_file = [transfer](const std::string& url, const std::string& cookie,
                                            const std::string& path) {
      return CTransfer(transfer).DownloadToFile(url, cookie, path);
    };
    ctrl.AddMembers(WordDocumentMembers(documents));
  }

  testing::TempKitRoot root;
  office::OfficeServer server;
  std::string base;
  MonikerRecorder http{posix::HttpLimits{5, 100, 1, 5}};
  VanishingLookup lookup;
  RecordingDialogs dialogs;
  StatusLog status;
  TransferPorts ports;
  std::vector<FormCall> form_calls;
  bool form_throws = false;
};

// Only the whole body of a 2xx answer within the limit is taken: as remark
// data into the control, or as a document; anything else leaves the control
// and the old file as they were.
TEST_F(TransferTest, DownloadsTakeOnlyTheWholeBodyOfA2xxAnswer) {
  const std::string good = RemarkBytes(0x00FF00, 4);
  server.PutFile("good.dat", good);
  server.PutFile("half.dat", good.substr(0, good.size() - 3));
  ports.max_remark_bytes = ports.max_document_bytes = 1 << 20;
  const struct {
    const char* file;
    const char* query;
    bool loads;
    std::size_t stored;  // the document's size, 0: not stored
  } cases[] = {
      {"good.dat", "", true, good.size()},
      {"half.dat", "", false, good.size() - 3},
      {"good.dat", "?fault=404", false, 0},
      {"good.dat", "?fault=302-body", false, 0},
      {"good.dat", "?fault=302", false, 0},
      {"good.dat", "?fault=500", false, 0},
      {"good.dat", "?fault=reset", false, 0},
      {"good.dat", "?fault=slow", false, 0},
      {"good.dat", "?fault=huge&bytes=3000000", false, 0},
      {"good.dat", "?fault=unsized&bytes=100000", false, 100000},
      {"good.dat", "?fault=unsized&bytes=3000000", false, 0},
      {"good.dat", "?fault=unsized", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + c.query);
    const std::string url = base + "/files/" + c.file + c.query;
    server.ClearReceived();
    remark::CNotaroCtrl ctrl;
    ctrl.SetPenColor(0x123456);
    ctrl.SetModifiedFlag(false);
    if (c.loads) {
      EXPECT_EQ(Transfer().Download(ctrl, url, "a=b"), 0);
      EXPECT_EQ(ctrl.GetPenWidth(), 4);
      EXPECT_TRUE(ctrl.IsModified());
    } else {
      EXPECT_THROW(Transfer().Download(ctrl, url, "a=b"), AutomationError);
    }
    EXPECT_EQ(ctrl.GetPenColor(), c.loads ? 0x00FF00u : 0x123456u);
    EXPECT_EQ(ctrl.transfer_state(), remark::kTransferReady);
    ASSERT_FALSE(server.Received().empty());
    EXPECT_EQ(server.Received()[0].Header("Cookie"), "a=b");

    Install(ctrl);
    for (const char* method : {"DownloadWordDoc", "DownloadWordFile", "DownloadWordGW"}) {
      SCOPED_TRACE(method);
      const bool gw = std::string(method) == "DownloadWordGW";
      const std::string file = gw ? "c/temp/qzexch/doc.doc" : "c/temp/qzdesk/doc.doc";
      root.MakeFile(file, "previous");
      const std::string target = std::string(method) == "DownloadWordFile" ? "c:\\temp\\qzdesk\\doc.doc" : "doc.doc";
      EXPECT_EQ(InvokeByName(ctrl, method, InvokeKind::Method, {Variant::Str(url), Variant::Str(""), Variant::Str(target)}),
                Variant::Error(c.stored != 0 ? 0 : -1));
      const std::string now = root.ReadFile(file);
      EXPECT_EQ(now.size(), c.stored != 0 ? c.stored : std::string("previous").size());
      EXPECT_FALSE(std::filesystem::exists(root.Native(file + ".part~")));
    }
    EXPECT_TRUE(dialogs.shown.empty());
  }
  // No cookie, no Cookie header.
  server.ClearReceived();
  remark::CNotaroCtrl ctrl;
  Transfer().Download(ctrl, base + "/files/good.dat", "");
  ASSERT_EQ(server.Received().size(), 1u);
  EXPECT_EQ(server.Received()[0].headers.count("Cookie"), 0u);
}

// Page text that would end the request line or a header is sent nowhere;
// each method fails its own way.
TEST_F(TransferTest, NoRequestTakesAControlCharacterFromThePage) {
  server.PutFile("doc.doc", "the document");
  root.MakeFile("c/up.bin", "data");
  const std::string evil = "a=b\r\nX-Injected: yes\r\n\r\nGET /smuggled HTTP/1.1\r\nHost: x";
  const std::string doc = base + "/files/doc.doc";
  struct Case {
    const char* method;
    std::vector<Variant> args;
    std::optional<Variant> result;  // nullopt: an automation error
  };
  const Case cases[] = {
      {"Download", {Variant::Str(doc), Variant::Str(evil)}, std::nullopt},
      {"Download", {Variant::Str(doc + "\r\nX-Injected: yes"), Variant::Str("")}, std::nullopt},
      {"Download", {Variant::Str(doc), Variant::Str("a=b\tc")}, std::nullopt},
      {"DownloadWordDoc", {Variant::Str(doc), Variant::Str(evil), Variant::Str("doc.doc")}, Variant::Error(-1)},
      {"DownloadWordFile", {Variant::Str(doc), Variant::Str(evil), Variant::Str("c:\\temp\\qzdesk\\doc.doc")},
       Variant::Error(-1)},
      {"DownloadWordGW", {Variant::Str(doc), Variant::Str(evil), Variant::Str("doc.doc")}, Variant::Error(-1)},
      {"DownloadWordDoc", {Variant::Str(doc + "\nX-Injected: yes"), Variant::Str(""), Variant::Str("doc.doc")},
       Variant::Error(-1)},
      {"UploadFileWithCookie", {Variant::Str(base + "/u"), Variant::Str(evil), Variant::Str("c:\\up.bin")},
       Variant::I4(-1)},
      {"UploadFileJava",
       {Variant::Str(base + "/u?id=1 HTTP/1.1\r\nX-Injected: yes\r\n\r\nGET /smuggled"), Variant::Str("c:\\up.bin")},
       Variant::Error(-1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.method) + " " + c.args[0].AsStr());
    server.ClearReceived();
    root.MakeFile("c/temp/qzdesk/doc.doc", "previous");
    root.MakeFile("c/temp/qzexch/doc.doc", "previous");
    remark::CNotaroCtrl ctrl;
    Install(ctrl);
    if (c.result) {
      EXPECT_EQ(InvokeByName(ctrl, c.method, InvokeKind::Method, c.args), *c.result);
    } else {
      EXPECT_THROW(InvokeByName(ctrl, c.method, InvokeKind::Method, c.args), AutomationError);
    }
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(root.ReadFile("c/temp/qzdesk/doc.doc"), "previous");
    EXPECT_EQ(root.ReadFile("c/temp/qzexch/doc.doc"), "previous");
    for (const office::ReceivedRequest& r : server.Received()) ADD_FAILURE() << office::Describe(r);
  }
}

// A megabyte of address or cookie is the page's mistake, and the error says
// which argument it was.
TEST_F(TransferTest, AnOverlongArgumentIsNamed) {
  const std::string huge(1 << 20, 'a');
  const struct {
    std::string url, cookie;
    const char* named;
  } cases[] = {{base + "/files/x.dat?q=" + huge, "", "pszURL"}, {base + "/files/x.dat", "k=" + huge, "pszCookie"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.named);
    remark::CNotaroCtrl ctrl;
    try {
      Transfer().Download(ctrl, c.url, c.cookie);
      ADD_FAILURE() << "no error";
    } catch (const AutomationError& e) {
      EXPECT_NE(std::string(e.what()).find(c.named), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("1048"), std::string::npos) << e.what();
      EXPECT_EQ(e.code(), hr::InvalidArg) << e.what();
    }
    EXPECT_TRUE(server.Received().empty());
  }
}

TEST_F(TransferTest, RawUploadsSendTheHeaderBlockAndTheFileByteForByte) {
  const std::size_t sizes[] = {0, 1, 1023, 1024, 1025, 5000};
  // Long and with format marks: sent whole as plain text.
  const std::string cookie = std::string(100, 'c') + "%s%n";
  for (std::size_t size : sizes) {
    for (bool java : {false, true}) {
      SCOPED_TRACE(std::to_string(size) + (java ? " java" : " cookie"));
      server.ClearReceived();
      const std::string file = Bytes(size);
      root.MakeFile("c/up.bin", file);
      CTransfer transfer = Transfer();
      const std::int32_t rc = java ? transfer.UploadFileJava(base + "/Store/Up.jsp?id=5&x=y", "c:\\up.bin")
                                   : transfer.UploadFileWithCookie(base + "/Store/Up.jsp?A=1", cookie, "c:\\up.bin");
      EXPECT_EQ(rc, 0);
      EXPECT_TRUE(dialogs.shown.empty());
      const auto received = server.Received();
      ASSERT_EQ(received.size(), 1u);
      const office::ReceivedRequest& r = received[0];
      const std::string block = java ? kJavaBlockHead + "id=5&x=y" + kBlockTail : kCookieBlock;
      EXPECT_EQ(r.body, block + file);
      EXPECT_EQ(r.Header("Content-Length"), std::to_string(block.size() + size));
      EXPECT_EQ(r.Header("User-Agent"), "HttpSendRequestEx");
      // The cookie route lower-cases the object name; the Java route keeps it.
      EXPECT_EQ(r.path, java ? "/Store/Up.jsp" : "/store/up.jsp");
      EXPECT_EQ(r.query, java ? "id=5&x=y" : "a=1");
      EXPECT_EQ(r.Header("Cookie"), java ? "" : "JSESSION=" + cookie);
    }
  }
}

TEST(RawUpload, AddressesParseFromTheFront) {
  kit::testing::ExpectTable(KIT_TESTS_DIR "/exchange/raw_upload_addresses.table", [](const std::string& in) {
    const std::vector<std::string> f = kit::testing::Fields(in);
    const auto target = ParseRawUploadAddress(f.at(0), f.at(1) == "lower", std::stoi(f.at(2)));
    return target ? target->host + " " + std::to_string(target->port) + " " + target->object : "refused";
  });
}

// Each step that fails has its message; a server that stops reading the
// body, or reads it all and hangs up, is a failure too; a refusal by the
// server's size limit or a cookie that would split the request is one
// without a message.
TEST_F(TransferTest, RawUploadFailuresReportTheirMessageAndMinusOne) {
  office::OfficeServer stopped;
  const std::string closed = "http://127.0.0.1:" + std::to_string(stopped.Start()) + "/u";
  stopped.Stop();
  office::CuttingListener cuts(3000), hangs(1 << 20);
  ASSERT_GT(cuts.port(), 0);
  ASSERT_GT(hangs.port(), 0);
  server.SetMaxUpload(4096);
  struct Case {
    std::string url, cookie, path;
    std::size_t file_bytes;
    const char* message;
  };
  const Case cases[] = {
      {base + "/u", "sid", "c:\\missing.bin", 4, kMsgOpenLocalFile},
      {"http://127.0.0.1:99999/u", "sid", "c:\\up.bin", 4, kMsgOpenRequest},
      {"http:///u", "", "c:\\up.bin", 4, kMsgOpenRequest},
      {closed, "sid", "c:\\up.bin", 4, kMsgSendRequest},
      {"http://127.0.0.1:" + std::to_string(cuts.port()) + "/u", "", "c:\\up.bin", 8u << 20, kMsgWriteFile},
      {"http://127.0.0.1:" + std::to_string(hangs.port()) + "/u", "", "c:\\up.bin", 2000, kMsgEndRequest},
      {base + "/u", "", "c:\\up.bin", 10000, nullptr},
      {base + "/u", "sid\r\nX-Evil: 1", "c:\\up.bin", 4, nullptr},
  };
  for (const Case& c : cases) {
    root.MakeFile("c/up.bin", Bytes(c.file_bytes));
    for (bool java : {false, true}) {
      if (java && !c.cookie.empty() && c.cookie != "sid") continue;  // the Java route sends no cookie
      SCOPED_TRACE(c.url + " " + c.path + (java ? " java" : " cookie"));
      dialogs.shown.clear();
      CTransfer transfer = Transfer();
      const std::int32_t rc =
          java ? transfer.UploadFileJava(c.url, c.path) : transfer.UploadFileWithCookie(c.url, c.cookie, c.path);
      EXPECT_EQ(rc, -1);
      EXPECT_EQ(dialogs.shown, c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    }
  }
  EXPECT_TRUE(server.Received().empty());
  // The listeners note a connection once they have closed it, which may come
  // after the client has given up.
  kit::testing::WaitFor([&] { return cuts.Received().size() >= 2u && hangs.Received().size() >= 2u; });
  EXPECT_EQ(cuts.Received().size(), 2u);
  EXPECT_EQ(hangs.Received().size(), 2u);
}

TEST_F(TransferTest, DownloadToFileTakesTheRouteTheAddressNames) {
  server.PutFile("doc.doc", "the document");
  struct Case {
    std::string url;
    bool secure;
    std::string moniker_prefix;
  };
  const Case cases[] = {
      {base + "/files/doc.doc?id=7", false, ""},
      {"https://server/get.jsp?id=7", true, "https://server/get.jsp?id=7&"},
      {"HTTPS://server/get.jsp", true, "HTTPS://server/get.jsp?"},
      {"http://server/get.jsp?back=https", true, "http://server/get.jsp?back=https&"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    http.moniker_urls.clear();
    server.ClearReceived();
    root.MakeFile("c/temp/qzdesk/doc.doc", "old");
    int cleared = 0;
    ports.clear_page_text = [&cleared] { ++cleared; };
    Transfer().DownloadToFile(c.url, "sid=9", "c:\\temp\\qzdesk\\doc.doc");
    EXPECT_EQ(cleared, c.secure ? 0 : 1);
    if (!c.secure) {
      EXPECT_TRUE(http.moniker_urls.empty());
      EXPECT_EQ(root.ReadFile("c/temp/qzdesk/doc.doc"), "the document");
      ASSERT_EQ(server.Received().size(), 1u);
      EXPECT_EQ(server.Received()[0].Header("Cookie"), "sid=9");
      continue;
    }
    EXPECT_TRUE(server.Received().empty());
    ASSERT_EQ(http.moniker_urls.size(), 1u);
    const std::string& got = http.moniker_urls[0];
    ASSERT_EQ(got.compare(0, c.moniker_prefix.size(), c.moniker_prefix), 0) << got;
    const std::string number = got.substr(c.moniker_prefix.size());
    ASSERT_FALSE(number.empty());
    ASSERT_EQ(number.find_first_not_of("0123456789"), std::string::npos) << number;
    EXPECT_LE(std::stol(number), 32767);
  }
}

TEST_F(TransferTest, UploadStoresTheDocumentAndPostsItThroughTheForm) {
  struct Case {
    const char* name;
    bool after_transfer;
    bool vanish;
    bool form_throws;
    std::int32_t rc;
    bool posted;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {"up.dat", false, false, false, -1, false, {}},
      {"up.dat", true, false, false, 0, true, {}},
      {"up.dat", true, true, false, 0, false, {kRemarkFileNotFound}},
      {"up.dat", true, false, true, 0, false, {kRemarkUploadFailed}},
      {"..\\up.dat", true, false, false, hr::Fail, false, {NameFaultMessage(NameFault::DotComponent)}},
      {"c:\\up.dat", true, false, false, hr::Fail, false, {NameFaultMessage(NameFault::Colon)}},
      {"", true, false, false, hr::Fail, false, {NameFaultMessage(NameFault::Empty)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + (c.after_transfer ? " ready" : "") + (c.vanish ? " vanish" : "") +
                 (c.form_throws ? " throws" : ""));
    form_calls.clear();
    dialogs.shown.clear();
    status.seen.clear();
    lookup.vanish = c.vanish;
    form_throws = c.form_throws;
    std::filesystem::remove_all(root.Native("c"));
    remark::CNotaroCtrl ctrl;
    ctrl.SetPenColor(0x00AB00);
    CTransfer transfer = Transfer();
    if (c.after_transfer) ctrl.MarkTransferStarted();
    EXPECT_EQ(transfer.Upload(ctrl, base + "/pages/upload.jsp", "sid=1", c.name), c.rc);
    EXPECT_EQ(dialogs.shown, c.messages);
    ASSERT_EQ(form_calls.size(), c.posted ? 1u : 0u);
    if (c.rc == 0) {
      EXPECT_EQ(status.seen, (std::vector<std::string>{"open", kUploadingRemarkFile, "closed"}));
    } else {
      EXPECT_TRUE(status.seen.empty());
      EXPECT_FALSE(std::filesystem::exists(root.Native("c/temp/qzdesk/up.dat")));
      EXPECT_FALSE(std::filesystem::exists(root.Native("c/up.dat")));
    }
    if (c.posted) {
      EXPECT_EQ(form_calls[0].url, base + "/pages/upload.jsp");
      EXPECT_EQ(form_calls[0].cookie, "sid=1");
      EXPECT_EQ(form_calls[0].path, "c:\\temp\\qzdesk\\up.dat");
      EXPECT_EQ(form_calls[0].name, "up.dat");
      EXPECT_TRUE(form_calls[0].remove);
      EXPECT_EQ(form_calls[0].bytes, RemarkBytes(0x00AB00, ctrl.GetPenWidth()));
    }
  }
}

// Names below the working folder are taken; anything that could leave it,
// or name something else than a plain file, is refused with the reason.
TEST_F(TransferTest, UploadFileTakesSubfoldersAndSaysWhyANameIsRefused) {
  root.MakeFile("c/temp/qzdesk/sub/a.doc", "x");
  auto upload = [this](const std::string& name) {
    form_calls.clear();
    dialogs.shown.clear();
    remark::CNotaroCtrl ctrl;
    EXPECT_TRUE(Transfer().UploadFile(ctrl, base + "/pages/up.jsp", "k=v", name));
    EXPECT_EQ(ctrl.transfer_state(), remark::kTransferReady);
    std::string seen;
    for (const FormCall& c : form_calls) seen += "posts " + c.path + " as " + c.name + (c.remove ? ", removed" : "");
    for (const std::string& m : dialogs.shown) seen += "tells " + m;
    return seen;
  };
  kit::testing::ExpectTable(KIT_TESTS_DIR "/exchange/upload_names.table", upload);
  EXPECT_EQ(upload(std::string("a\0.doc", 6)), "tells " + NameFaultMessage(NameFault::ControlCharacter));
}

TEST_F(TransferTest, MembersAnswerThroughTheControl) {
  server.PutFile("r.dat", RemarkBytes(0x000011, 2));
  root.MakeFile("c/gone.txt", "x");
  remark::CNotaroCtrl ctrl;
  ctrl.AddMembers(TransferMembers(ports));
  EXPECT_EQ(InvokeByName(ctrl, "Upload", InvokeKind::Method,
                         {Variant::Str(base + "/u"), Variant::Str(""), Variant::Str("a.dat")}),
            Variant::Error(-1));
  EXPECT_EQ(InvokeByName(ctrl, "Download", InvokeKind::Method, {Variant::Str(base + "/files/r.dat"), Variant::Str("")}),
            Variant::Error(0));
  EXPECT_EQ(ctrl.GetPenColor(), 0x000011u);
  EXPECT_EQ(InvokeByName(ctrl, "UploadFileWithCookie", InvokeKind::Method,
                         {Variant::Str(base + "/u"), Variant::Str(""), Variant::Str("c:\\none")}),
            Variant::I4(-1));
  EXPECT_EQ(InvokeByName(ctrl, "DeleteFileJava", InvokeKind::Method, {Variant::Str("c:\\gone.txt")}),
            Variant::Error(1));
  EXPECT_FALSE(std::filesystem::exists(root.Native("c/gone.txt")));
  EXPECT_EQ(InvokeByName(ctrl, "DeleteFileJava", InvokeKind::Method, {Variant::Str("c:\\gone.txt")}),
            Variant::Error(1));
}

}  // namespace
}  // namespace kit::exchange
