// The control's HTTP transfers through the office server stand-in on
// loopback, against the curl command line sending the same requests to the
// same server in the same run: Download of a 50 MB remark data file, and
// UploadFile of a 50 MB file through the upload page.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "apps/office-server/office_server.h"
#include "exchange/form_upload.h"
#include "exchange/transfer.h"
#include "platform/common/curl_form_poster.h"
#include "platform/posix/posix_paths.h"
#include "platform/posix/exchange/posix_exchange.h"
#include "platform/posix/exchange/posix_http.h"
#include "ports/emf.h"
#include "ports/memory_stream.h"
#include "ports/platform.h"
#include "remark/notaro_ctrl.h"
#include "remark/remark_file.h"

extern char** environ;

namespace {

// Local paths as the host maps them, under the kit root.
std::optional<std::string> KitRootPath(const std::string& path) {
  try {
    return kit::posix::NativePath(path);
  } catch (const kit::FileError&) {
    return std::nullopt;
  }
}

constexpr std::size_t kFileBytes = std::size_t{50} << 20;
constexpr const char* kCookie = "JSESSIONID=bench42";
constexpr const char* kUploadName = "bench.doc";

struct Setup {
  std::filesystem::path root;
  kit::office::OfficeServer server;
  std::string base;
  std::size_t remark_bytes = 0;
  std::string upload_native;  // the local file, as curl is given it
};
Setup* g_setup = nullptr;

// Counts what the upload would have told the user: any message is a failure.
class CountingDialogs : public kit::IDialogs {
 public:
  int shown = 0;
  int MessageBox(std::uintptr_t, const std::string& text, const std::string&, unsigned) override {
    ++shown;
    std::cerr << "message: " << text << "\n";
    return kit::id::kOk;
  }
  std::optional<std::vector<std::string>> FileDialog(const kit::FileDialogRequest&) override { return std::nullopt; }
  std::optional<std::string> BrowseForFolder(std::uintptr_t, const std::string&) override { return std::nullopt; }
  std::optional<kit::ColorRef> ChooseColor(std::uintptr_t, kit::ColorRef) override { return std::nullopt; }
};

// A document of scanned pages whose stored form is about 50 MB.
std::string RemarkFile() {
  kit::remark::CNotaroCtrl ctrl;
  kit::IMetafileFactory& factory = *kit::DefaultPlatform().metafiles;
  std::vector<kit::EnhMetaFilePtr> pictures;
  std::size_t total = 0;
  for (int i = 0; total < kFileBytes - (300u << 10); ++i) {
    const std::size_t extra = (100 + static_cast<std::size_t>(i) * 7919 % 201) * 1024;
    std::vector<std::uint8_t> bits = kit::MakeEmfBits({0, 0, 21000, 29700}, u"Page", extra);
    total += bits.size();
    pictures.push_back(factory.FromBits(bits.data(), bits.size()));
  }
  ctrl.document().ReplacePages(std::move(pictures));
  kit::MemoryStream out;
  kit::remark::StoreDocument(ctrl.document(), out);
  return std::string(out.bytes().begin(), out.bytes().end());
}

// Runs curl with these arguments and waits; true when it exited 0.
bool RunCurl(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  std::string program = "curl";
  argv.push_back(program.data());
  std::vector<std::string> copies = args;
  for (std::string& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, "curl", nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string FileUrl() { return g_setup->base + "/files/remark.dat"; }
std::string PageUrl() { return g_setup->base + "/pages/upload.jsp"; }
std::string ActionUrl() { return g_setup->base + "/pages/receive.jsp"; }

// Whether the last request the server saw carried the whole file in its
// "attach" part; looked at with the clock stopped, and the run ends with an
// error when it did not.
bool ServerGotUpload(benchmark::State& state) {
  state.PauseTiming();
  const std::vector<kit::office::ReceivedRequest> got = g_setup->server.Received();
  g_setup->server.ClearReceived();
  bool arrived = false;
  if (!got.empty()) {
    for (const kit::office::ReceivedPart& part : got.back().parts) {
      arrived = arrived || (part.name == "attach" && part.file_name == kUploadName && part.content.size() == kFileBytes);
    }
  }
  state.ResumeTiming();
  if (!arrived) state.SkipWithError("the server did not get the file");
  return arrived;
}

void SetBytes(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
}

void Download_Kit(benchmark::State& state) {
  kit::posix::CurlHttpClient http;
  kit::exchange::TransferPorts ports;
  ports.http = &http;
  kit::exchange::CTransfer transfer(ports);
  for (auto _ : state) {
    kit::remark::CNotaroCtrl ctrl;
    if (transfer.Download(ctrl, FileUrl(), kCookie) != kit::remark::kScodeOk) {
      state.SkipWithError("Download failed");
      break;
    }
    benchmark::DoNotOptimize(ctrl.document());
    state.PauseTiming();
    g_setup->server.ClearReceived();
    state.ResumeTiming();
  }
  SetBytes(state, g_setup->remark_bytes);
}

// The HTTP part of Download alone, without loading the document.
void Download_KitHttpOnly(benchmark::State& state) {
  kit::posix::CurlHttpClient http;
  for (auto _ : state) {
    kit::HttpGetRequest request;
    request.url = FileUrl();
    request.headers = std::string("Cookie: ") + kCookie + "\r\n";
    request.flags = kit::exchange::kDownloadFlags;
    request.max_body = kit::exchange::kDefaultMaxRemarkBytes;
    kit::HttpResponse response = http.Get(request);
    if (response.status != 200 || response.body.size() != g_setup->remark_bytes) {
      state.SkipWithError("GET failed");
      break;
    }
    benchmark::DoNotOptimize(response.body.data());
    state.PauseTiming();
    g_setup->server.ClearReceived();
    state.ResumeTiming();
  }
  SetBytes(state, g_setup->remark_bytes);
}

void Download_Curl(benchmark::State& state) {
  for (auto _ : state) {
    if (!RunCurl({"-s", "-f", "-o", "/dev/null", "-H", std::string("Cookie: ") + kCookie, FileUrl()})) {
      state.SkipWithError("curl failed");
      break;
    }
    state.PauseTiming();
    g_setup->server.ClearReceived();
    state.ResumeTiming();
  }
  SetBytes(state, g_setup->remark_bytes);
}

void UploadFile_Kit(benchmark::State& state) {
  static kit::CurlFormPoster poster({}, KitRootPath);
  static kit::posix::PosixFileLookup lookup;
  CountingDialogs dialogs;
  kit::exchange::FormUploadPorts form;
  form.poster = &poster;
  form.lookup = &lookup;
  form.files = kit::DefaultPlatform().files;
  form.dialogs = &dialogs;
  form.codepage = kit::DefaultPlatform().codepage;
  kit::exchange::TransferPorts ports;
  ports.lookup = &lookup;
  ports.files = kit::DefaultPlatform().files;
  ports.dialogs = &dialogs;
  ports.form_upload = [form](const std::string& url, const std::string& cookie, const std::string& path,
                             const std::string& name, bool deleteAfterwards) {
    kit::exchange::UploadThroughForm(form, url, cookie, path, name, deleteAfterwards ? 1 : 0);
  };
  kit::exchange::CTransfer transfer(ports);
  kit::remark::CNotaroCtrl ctrl;
  for (auto _ : state) {
    if (!transfer.UploadFile(ctrl, PageUrl(), kCookie, kUploadName) || dialogs.shown != 0) {
      state.SkipWithError("UploadFile failed");
      break;
    }
    if (!ServerGotUpload(state)) break;
  }
  SetBytes(state, kFileBytes);
}

// The form post of UploadFile alone, without the page and its scan.
void UploadFile_KitPostOnly(benchmark::State& state) {
  kit::CurlFormPoster poster({}, KitRootPath);
  kit::FormPostRequest post;
  post.url = ActionUrl();
  post.cookie = kCookie;
  post.parts.resize(3);
  post.parts[0].name = "__Click";
  post.parts[0].contents = "0";
  post.parts[1].name = "d2";
  post.parts[1].contents = kUploadName;
  post.parts[2].name = "attach";
  post.parts[2].file_path = std::string("c:\\temp\\qzdesk\\") + kUploadName;
  post.parts[2].file_name = kUploadName;
  post.parts[2].content_type = "text/plain";
  for (auto _ : state) {
    if (!poster.PostForm(post).ok()) {
      state.SkipWithError("PostForm failed");
      break;
    }
    if (!ServerGotUpload(state)) break;
  }
  SetBytes(state, kFileBytes);
}

// What the upload does, as two curl runs: the page, then the form post.
void UploadFile_Curl(benchmark::State& state) {
  for (auto _ : state) {
    const bool ok =
        RunCurl({"-s", "-f", "-o", "/dev/null", "-b", kCookie, PageUrl()}) &&
        RunCurl({"-s", "-f", "-o", "/dev/null", "-b", kCookie, "-F", "__Click=0", "-F",
                 std::string("d2=") + kUploadName, "-F",
                 "attach=@" + g_setup->upload_native + ";filename=" + kUploadName + ";type=text/plain", ActionUrl()});
    if (!ok) {
      state.SkipWithError("curl failed");
      break;
    }
    if (!ServerGotUpload(state)) break;
  }
  SetBytes(state, kFileBytes);
}

// Kit and curl alternate, so that a change in the machine's load hits both.
BENCHMARK(Download_Kit)->Iterations(6)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Download_Curl)->Iterations(6)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Download_KitHttpOnly)->Iterations(6)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(UploadFile_Kit)->Iterations(6)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(UploadFile_Curl)->Iterations(6)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(UploadFile_KitPostOnly)->Iterations(6)->UseRealTime()->Unit(benchmark::kMillisecond);

std::map<std::string, double> g_seconds;

class Recorder : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (!run.error_occurred) g_seconds[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

bool CurlPresent() { return RunCurl({"--version", "-s", "-o", "/dev/null"}); }

void Ratio(const char* label, const std::string& kit, const std::string& curl) {
  const auto k = g_seconds.find(kit), c = g_seconds.find(curl);
  if (k != g_seconds.end() && c != g_seconds.end()) {
    std::cout << label << ": kit at " << c->second / k->second << "x of curl's throughput\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!CurlPresent()) {
    std::cerr << "the curl command line is not installed; nothing to compare with\n";
    return 1;
  }
  Setup setup;
  g_setup = &setup;
  char pattern[] = "/tmp/kit-transfer-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  setup.root = pattern;
  setenv("KIT_ROOT", pattern, 1);

  const std::string remark = RemarkFile();
  setup.remark_bytes = remark.size();
  setup.server.PutFile("remark.dat", remark);
  setup.server.RequireCookie(kCookie);
  // The shape of the office server's upload pages: file field, then the
  // check boxes of the documents it expects.
  setup.server.PutPage("upload.jsp",
                       "<html><body><form action=\"receive.jsp\" method=\"post\" enctype=\"multipart/form-data\">"
                       "<input type=\"file\" name=\"attach\">"
                       "<input type=\"checkbox\" name=\"d1\" value=\"other.doc\">"
                       "<input type=\"checkbox\" name=\"d2\" value=\"bench.doc\">"
                       "</form></body></html>");
  if (setup.server.Start() <= 0) return 1;
  setup.base = setup.server.BaseUrl();

  const std::filesystem::path folder = setup.root / "c" / "temp" / "qzdesk";
  std::filesystem::create_directories(folder);
  setup.upload_native = (folder / kUploadName).string();
  {
    std::string bytes(kFileBytes, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 131 + 7) & 0xFF);
    std::ofstream(setup.upload_native, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  std::cout << "remark data file: " << remark.size() << " bytes; upload file: " << kFileBytes << " bytes\n";

  Recorder reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  Ratio("Download (whole, with loading the document)", "Download_Kit/iterations:6/real_time",
        "Download_Curl/iterations:6/real_time");
  Ratio("Download (HTTP alone)", "Download_KitHttpOnly/iterations:6/real_time",
        "Download_Curl/iterations:6/real_time");
  Ratio("UploadFile through the upload page", "UploadFile_Kit/iterations:6/real_time",
        "UploadFile_Curl/iterations:6/real_time");
  Ratio("UploadFile (the form post alone)", "UploadFile_KitPostOnly/iterations:6/real_time",
        "UploadFile_Curl/iterations:6/real_time");
  setup.server.Stop();
  std::filesystem::remove_all(setup.root);
  benchmark::Shutdown();
  return 0;
}
