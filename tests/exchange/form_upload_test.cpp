#include "exchange/form_upload.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "exchange/form_scan.h"
#include "exchange/local_files.h"
#include "tests/common/golden.h"
#include "tests/exchange/message_log.h"
#include "tests/remark/fakes.h"

namespace kit::exchange {
namespace {

using R = FormScanResult;
using kit::testing::FakeFiles;
using kit::testing::NullCodePage;

// ---------------------------------------------------------------- scanner

const std::string kBoxes =
    "<input type=\"checkbox\" name=\"d1\" value=\"a.doc\"><input type=\"checkbox\" name=\"d2\" value=\"b.doc\">";

TEST(FormScan, ReadsTheFirstFormAsTheServerWritesIt) {
  kit::testing::ExpectTable(KIT_TESTS_DIR "/exchange/form_scans.table", [](const std::string& in) {
    const std::vector<std::string> f = kit::testing::Fields(in);
    std::string page = f.at(0);
    ReplaceAll(page, "\\n", "\n");
    NormalisePageText(page);
    const FormScan scan = ScanUploadForm(page, f.at(1));
    const char* results[] = {"NoForm", "Unclosed", "NoFileField", "Found"};
    return std::string(results[static_cast<int>(scan.result)]) + "\t" + (scan.has_action ? scan.action : "(no action)") +
           "\t" + scan.file_field + "\t" + scan.check_box_name + "\t" + scan.check_box_value;
  });
}

TEST(FormScan, ManyCheckBoxesAreScannedInLinearTime) {
  // Bare boxes only: a search for the quoted form must not rescan the page
  // for every box.
  std::string page = "<form><input type=file name=f>";
  for (int i = 0; i < 200000; ++i) page += "<input type=checkbox name=x value=y>";
  page += "<input type=\"checkbox\" name=\"last\" value=\"z.doc\"></form>";
  const FormScan scan = ScanUploadForm(page, "z.doc");
  EXPECT_EQ(scan.check_box_name, "last");
}

// A word or tag at any place of the page, next to a near miss or to a word
// it overlaps, is read as the five replacements and the tag walk read it
// (ACTION is lowered before NAME, so "ACTIONAME" keeps "AME").
TEST(FormScan, WordsAndTagsNextToNearMisses) {
  for (const std::string near : {"", "F", "FO", "FOR", "ACTIO", "NAM", "<for>", "<fo>", "TYP", "<FORMAT>", "<formx>"}) {
    for (std::size_t offset = 0; offset < 80; ++offset) {
      SCOPED_TRACE(near + " at " + std::to_string(offset));
      const std::string pad(offset, 'x'), gap(offset % 37, 'y');
      std::string page = pad + near + "<FORM ACTIONAME=\"FILEFORM\" ACTION=\"up.jsp\"><INPUT TYPE=FILE NAME=ACTIONAME>" +
                         gap + "<INPUT TYPE=\"checkbox\" NAME=\"b\" VALUE=\"r.doc\"></FORM>";
      NormalisePageText(page);
      std::string lowered = near;
      ReplaceAll(lowered, "FORM", "form");
      ASSERT_EQ(page, pad + lowered + "<form actionAME=\"fileform\" action=\"up.jsp\"><INPUT type=file name=actionAME>" +
                          gap + "<INPUT type=\"checkbox\" name=\"b\" VALUE=\"r.doc\"></form>");
      const FormScan scan = ScanUploadForm(page, "r.doc");
      EXPECT_EQ(scan.result, R::Found);
      EXPECT_EQ(scan.action, "ME=\"fileform\"");
      EXPECT_EQ(scan.file_field, "actionAME");
      EXPECT_EQ(scan.check_box_name, "b");
    }
  }
}

TEST(FormScan, ResolvesTheActionAgainstThePage) {
  kit::testing::ExpectTable(KIT_TESTS_DIR "/exchange/form_actions.table", [](const std::string& in) {
    const std::vector<std::string> f = kit::testing::Fields(in);
    FormScan scan;
    scan.result = R::Found;
    scan.has_action = f.size() > 1;
    if (scan.has_action) scan.action = f[1];
    return ResolveAction(f.at(0), scan);
  });
  EXPECT_EQ(PlainHttpAddress("https://srv/a?b=https"), "http://srv/a?b=http");
  EXPECT_EQ(PlainHttpAddress("HTTPS://srv/Https"), "http://srv/Https");
}

TEST(FormScan, PageTextTakesEachChunkUpToItsFirstNul) {
  g_pageText.clear();
  // Exactly sized heap blocks: a NUL written after one would be caught.
  const std::string pieces[] = {std::string("<form>", 6), std::string("ab\0cd", 5), std::string("\0x", 2)};
  for (const std::string& piece : pieces) {
    std::unique_ptr<char[]> chunk(new char[piece.size()]);
    std::memcpy(chunk.get(), piece.data(), piece.size());
    EXPECT_EQ(AppendPageText(chunk.get(), 1, piece.size(), nullptr), piece.size());
    EXPECT_EQ(std::memcmp(chunk.get(), piece.data(), piece.size()), 0);
  }
  EXPECT_EQ(g_pageText, "<form>ab");
  char one = 'x';
  const std::size_t half = std::numeric_limits<std::size_t>::max() / 2 + 1;
  EXPECT_EQ(AppendPageText(&one, half, 2, nullptr), 0u);  // size * count overflows
  g_pageText.assign(kMaxPageText - 1, 'a');
  EXPECT_EQ(AppendPageText(&one, 1, 1, nullptr), 1u);
  EXPECT_EQ(AppendPageText(&one, 1, 1, nullptr), 0u);  // the page is full: the fetch stops
  EXPECT_EQ(g_pageText.size(), kMaxPageText);
  g_pageText.clear();
}

TEST(FormScan, FileNamesAndContentTypes) {
  const struct {
    std::string path, name, type;
  } cases[] = {
      {"C:\\TEMP\\qzdesk\\a.gif", "a.gif", "image/gif"},
      {"c:\\temp\\qzdesk\\Quillpad.JPG", "Quillpad.JPG", "image/jpeg"},
      {"c:/x/b.jpeg", "b.jpeg", "image/jpeg"},
      {"c:\\x\\remark.doc", "remark.doc", "text/plain"},
      {"c:\\x\\page.htm", "page.htm", "text/plain"},
      {"c:\\x\\gif", "gif", "text/plain"},
      {"plain.txt", "plain.txt", "text/plain"},
      // 0xB1 0x5C is one character whose second byte is no backslash.
      {"c:\\x\\\xB1\x5C.gif", "\xB1\x5C.gif", "image/gif"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(FormFileName(c.path), c.name);
    EXPECT_EQ(FormContentType(c.name), c.type);
  }
}

// ------------------------------------------------------- with fake ports

class FilesLookup : public IFileLookup {
 public:
  explicit FilesLookup(FakeFiles& files) : files_(files) {}
  std::optional<FoundFile> FindFirst(const std::string& path) override {
    if (!files_.Exists(path)) return std::nullopt;
    return FoundFile{files_.Size(path), false};
  }
  bool OpenSharedRead(const std::string& path) override { return files_.Exists(path); }
  bool CreateFolder(const std::string&) override { return true; }

 private:
  FakeFiles& files_;
};

using RecordingDialogs = MessageLog;

class FakePoster : public IFormPoster {
 public:
  std::string page;
  long post_status = 200;
  std::vector<std::string> fetched;
  std::vector<FormPostRequest> posts;
  FormPostOutcome FetchPage(const std::string& url, const std::string& cookie, PageWriter writer,
                            void* context) override {
    fetched.push_back(url + " " + cookie);
    std::vector<char> body(page.begin(), page.end());
    if (!body.empty()) writer(body.data(), 1, body.size(), context);
    return {true, 200};
  }
  FormPostOutcome PostForm(const FormPostRequest& request) override {
    posts.push_back(request);
    return {post_status != 0, post_status};
  }
};

// As the upload methods form it; the user reads it as "C:\TEMP\qzdesk\b.doc".
const char* kPath = "c:\\temp\\qzdesk\\b.doc";
const std::string kUploadPage =
    "<FORM ACTION=\"up.jsp\" METHOD=post><input type=\"file\" name=\"attach\">" + kBoxes + "</FORM>";

struct UploadCase {
  const char* what;
  bool file_exists;
  std::string cookie, page;
  long post_status;
  int delete_flag;
  FormUploadResult result;
  std::vector<std::string> messages;
  bool fetched, posted, file_left;
};

TEST(UploadThroughForm, TellsTheUserAndKeepsTheFileUnlessTheServerTookIt) {
  const std::string failed = kMsgUploadFailed;
  const UploadCase cases[] = {
      {"posted and deleted", true, "s=1", kUploadPage, 200, 1, FormUploadResult::Posted, {}, true, true, false},
      {"posted and kept", true, "s=1", kUploadPage, 200, 0, FormUploadResult::Posted, {}, true, true, true},
      {"a redirect after the post counts", true, "", kUploadPage, 302, 1, FormUploadResult::Posted, {}, true, true, false},
      {"file missing", false, "s=1", kUploadPage, 200, 1, FormUploadResult::FileMissing,
       {std::string(kMsgFileNotFound) + "C:\\TEMP\\qzdesk\\b.doc"}, false, false, false},
      {"login page", true, "s=1", "<html>login</html>", 200, 1, FormUploadResult::Failed, {failed}, true, false, true},
      {"failed fetch", true, "s=1", "", 200, 1, FormUploadResult::Failed, {failed}, true, false, true},
      {"unclosed form", true, "s=1", "<form action=u><input type=file name=f>", 200, 1, FormUploadResult::Failed,
       {failed}, true, false, true},
      {"no file input", true, "s=1", "<form action=u><input name=f></form>", 200, 1, FormUploadResult::NoFileField, {},
       true, false, true},
      {"server error", true, "s=1", kUploadPage, 500, 1, FormUploadResult::Failed, {failed}, true, true, true},
      {"no answer", true, "s=1", kUploadPage, 0, 1, FormUploadResult::Failed, {failed}, true, true, true},
      {"cookie with a line break", true, "s=1\r\nX-Evil: 1", kUploadPage, 200, 1, FormUploadResult::Failed, {failed},
       false, false, true},
  };
  for (const UploadCase& c : cases) {
    SCOPED_TRACE(c.what);
    FakeFiles files;
    if (c.file_exists) files.files[kPath] = {'d', 'o', 'c'};
    FilesLookup lookup(files);
    RecordingDialogs dialogs;
    NullCodePage codepage;
    FakePoster poster;
    poster.page = c.page;
    poster.post_status = c.post_status;
    const FormUploadPorts ports{&poster, &lookup, &files, &dialogs, &codepage, 0};
    EXPECT_EQ(UploadThroughForm(ports, "https://srv/oa/page.jsp?x=1", c.cookie, kPath, "b.doc", c.delete_flag),
              c.result);
    EXPECT_EQ(dialogs.shown, c.messages);
    EXPECT_EQ(!poster.fetched.empty(), c.fetched);
    if (c.fetched) {
      EXPECT_EQ(poster.fetched[0], "http://srv/oa/page.jsp?x=1 " + c.cookie);
    }
    ASSERT_EQ(!poster.posts.empty(), c.posted);
    EXPECT_EQ(files.Exists(kPath), c.file_left);
    if (!c.posted) continue;
    const FormPostRequest& post = poster.posts[0];
    EXPECT_EQ(post.url, "http://srv/oa/up.jsp");
    EXPECT_EQ(post.cookie, c.cookie);
    ASSERT_EQ(post.parts.size(), 3u);
    EXPECT_EQ(post.parts[0].name, "__Click");
    EXPECT_EQ(post.parts[0].contents, "0");
    EXPECT_FALSE(post.parts[0].is_file());
    EXPECT_EQ(post.parts[1].name, "d2");
    EXPECT_EQ(post.parts[1].contents, "b.doc");
    EXPECT_EQ(post.parts[2].name, "attach");
    EXPECT_EQ(post.parts[2].file_path, kPath);
    EXPECT_EQ(post.parts[2].file_name, "b.doc");
    EXPECT_EQ(post.parts[2].content_type, "text/plain");
  }
}

}  // namespace
}  // namespace kit::exchange
