#include "exchange/word_upload.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "exchange/local_files.h"
#include "exchange/word_documents.h"
#include "platform/posix/exchange/posix_exchange.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/posix_paths.h"
#include "ports/platform.h"
#include "sim/word/word_standin.h"
#include "tests/exchange/message_log.h"
#include "tests/platform/temp_kit_root.h"

namespace kit::exchange {
namespace {

namespace fs = std::filesystem;
using sim::StandInAutomation;
using sim::WordStandIn;

using Messages = MessageLog;

struct Rig {
  kit::testing::TempKitRoot root;
  StandInAutomation automation;
  WordStandIn word;
  Messages messages;
  StatusLog status;
  posix::PosixFileSystem files;
  posix::PosixFileLookup lookup;
  ICodePage& cp = *DefaultPlatform().codepage;
  remark::CNotaroCtrl ctrl;
  WordUploadPorts ports;
  std::vector<std::string> uploads;  // path|name|delete, and what the file held

  Rig() {
    g_intohtml = "1";
    g_savedUserName.clear();
    ports.word.automation = &automation;
    ports.word.dialogs = &messages;
    ports.word.codepage = &cp;
    ports.files = &files;
    ports.lookup = &lookup;
    ports.listing = &lookup;
    ports.status = &status;
    ports.upload_through_form = [this](const std::string& url, const std::string& cookie, const std::string& path,
                                       const std::string& name, int del) {
      EXPECT_EQ(url, "http://oa/upload.jsp");
      EXPECT_EQ(cookie, "sid=7");
      const std::string native = posix::NativePath(path);
      std::ifstream in(native, std::ios::binary);
      uploads.push_back(path + "|" + name + "|" + std::to_string(del) + "|" +
                        std::string(std::istreambuf_iterator<char>(in), {}));
      if (del == 1) fs::remove(native);
    };
    automation.classes[kWordProgId] = [this] { return word.Application(); };
    word.map_path = [](const std::string& p) { return posix::NativePath(p); };
  }
  void Upload(const std::string& name) {
    ASSERT_EQ(UploadWordDoc(ports, ctrl, "http://oa/upload.jsp", "sid=7", name), 0);
  }
  std::string Desk(const std::string& name) const { return "c/TEMP/qzdesk/" + name; }
};

TEST(WordUploadTest, WebPagePathsAndTheImageLinkRewrite) {
  const struct {
    std::string path, name, page, images, pageName;
  } table[] = {
      {"C:\\TEMP\\qzdesk\\a.doc", "a.doc", "C:\\TEMP\\qzdesk\\a.htm", "C:\\TEMP\\qzdesk\\a.files", "a.htm"},
      {"C:\\TEMP\\qzdesk\\report.DOC", "report.DOC", "C:\\TEMP\\qzdesk\\report.DOC.htm",
       "C:\\TEMP\\qzdesk\\report.DOC.files", "report.DOC.htm"},
      {"C:\\TEMP\\qzdesk\\x.docx", "x.docx", "C:\\TEMP\\qzdesk\\x.htm", "C:\\TEMP\\qzdesk\\x.files", "x.htm"},
      {"C:\\TEMP\\qzdesk\\a.doc.doc", "a.doc.doc", "C:\\TEMP\\qzdesk\\a.htm", "C:\\TEMP\\qzdesk\\a.files", "a.htm"},
  };
  for (const auto& t : table) {
    const WebPagePaths w = WebPageOf(t.path, t.name);
    EXPECT_EQ(w.page, t.page);
    EXPECT_EQ(w.images, t.images);
    EXPECT_EQ(w.name, t.pageName);
  }

  kit::testing::TempKitRoot root;
  posix::PosixFileSystem files;
  root.MakeFile("c/w/myword.htm",
                "<img src=\"myword.files/image001.jpg\">\n<a href=\"/myword.files/image001.jpg\">x</a>\r\n"
                "other.files/image001.jpg myword.files/myword.files/\nlast");
  RewriteImageLinks(files, "c:\\w\\myword.htm");
  EXPECT_EQ(root.ReadFile("c/w/myword.htm"),
            "<img src=\"./image001.jpg\">\r\n<a href=\"/image001.jpg\">x</a>\r\n"
            "other.files/image001.jpg ./\r\nlast\r\n");
  EXPECT_FALSE(fs::exists(root.Native("c/w/myword.htm.bak")));
}

TEST(WordUploadTest, UserNameBackNoPicturesNoWordAndRefusals) {
  Rig r;
  r.root.MakeFile(r.Desk("a.doc"), "t");
  // An edit gave Word the page's user; the upload gives the saved name back.
  g_savedUserName = "Original";
  r.word.user_name = "zhang";
  g_intohtml = "0";
  r.Upload("a.doc");
  EXPECT_EQ(r.word.user_name, "Original");
  EXPECT_EQ(r.word.Log().front(), "Application 52 put STR:Original");

  // Without pictures Word makes no folder: the Word file and the page.
  r.root.MakeFile(r.Desk("plain.doc"), "Text");
  g_intohtml = "1";
  r.uploads.clear();
  r.Upload("plain.doc");
  ASSERT_EQ(r.uploads.size(), 2u);
  EXPECT_EQ(r.uploads[0], "C:\\TEMP\\qzdesk\\plain.doc|plain.doc|0|Text");
  EXPECT_EQ(r.uploads[1].rfind("C:\\TEMP\\qzdesk\\plain.htm|plain.htm|1|", 0), 0u);

  // No Word: the message, the window closed, nothing sent, and a failure.
  r.uploads.clear();
  r.status.seen.clear();
  r.automation.classes.clear();
  EXPECT_EQ(UploadWordDoc(r.ports, r.ctrl, "http://oa/upload.jsp", "sid=7", "a.doc"), -1);
  EXPECT_EQ(r.messages.shown, std::vector<std::string>{kMsgCreateFailed});
  EXPECT_EQ(r.status.seen, (std::vector<std::string>{"open", kMsgConvertingHtm, "closed"}));
  EXPECT_TRUE(r.uploads.empty());

  // A name that would leave the folder is not sent, but opens the gate; the
  // user is told why.
  remark::CNotaroCtrl fresh;
  r.status.seen.clear();
  r.messages.shown.clear();
  EXPECT_EQ(UploadWordDoc(r.ports, fresh, "http://oa/upload.jsp", "sid=7", "..\\..\\secret.doc"), -1);
  EXPECT_EQ(fresh.transfer_state(), remark::kTransferReady);
  EXPECT_EQ(r.messages.shown, std::vector<std::string>{NameFaultMessage(NameFault::DotComponent)});
  EXPECT_TRUE(r.status.seen.empty());
  EXPECT_TRUE(r.uploads.empty());
}

}  // namespace
}  // namespace kit::exchange
