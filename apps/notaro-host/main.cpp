// notaro-host [--word-standin] [--word-log FILE] [--word-open DOC]
//             [--word-fail OBJECT:DISPID] [--ui EVENTS] [--ui-log FILE]
//             [--print-pdf FILE] [--transfer-ready]
//             [--site URL [--site-list LIST]] [--] SCRIPT.js [args...]
// A script whose name begins with '-' follows "--".
// Runs a page script against the control. With the stand-in, "Word.Application"
// and the WPS classes are answered by a recording Word; --word-log writes down
// what it was told once the script has ended, and --word-fail makes the first
// call to that member of that kind of object fail (e.g. Range:0xA7); with
// --word-open Word is already running with that document open.
// OpenRemark shows the remark window headless: the user is the UI event
// script in the file EVENTS (or in KIT_UI_EVENTS, events separated by ';'),
// and --ui-log writes down what the window showed and did; its "snapshot
// FILE.png" events write the window as it looks. The window's print command
// prints to the PDF file named by --print-pdf (or KIT_PRINT_PDF) on the paper
// its "print PAPER" event names (A4 when none); without one the printer only
// writes its brackets to the log. --transfer-ready
// opens the control's transfer gate at creation, for pages tried without a
// server. A signature pad the script creates while EVENTS still holds events
// opens in a frame of its own first, and the events sign on it until
// "close" (toolbar buttons 1 to 7; the pen and colour pop-ups answered by
// "popup N", N counting the menu's items from 1).
// --site URL plays a page at that address hosting the controls, judged by the
// site lock as on a desktop: a loopback or private-network address is the
// intranet, and LIST stands for the office's site list (origins separated by
// ';'). Without --site the controls are on no page, as under a script host.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <memory>
#include <sstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "apps/notaro-host/console_dialogs.h"
#include "apps/notaro-host/host_controls.h"
#include "apps/notaro-host/script_host.h"
#include "platform/posix/exchange/posix_exchange.h"
#include "platform/posix/posix_page_site.h"
#include "platform/posix/posix_processes.h"
#include "platform/posix/view/pdf_printer.h"
#include "ports/class_registry.h"
#include "ports/platform.h"
#include "remark/notaro_ctrl.h"
#include "sigpad/quillpad_ctrl.h"
#ifdef KIT_HAVE_OFFICE_PAGES
#include "sim/capture/office_pages.h"
#endif
#include "sim/ui/cairo_screen.h"
#include "sim/ui/headless_ui.h"
#include "sim/word/standin_host.h"
#include "sitelock/site_lock.h"

namespace {

void Usage(std::ostream& o) {
  o << "usage: notaro-host [--word-standin] [--word-log FILE] [--word-open DOC] [--word-fail OBJECT:DISPID]\n"
       "                   [--ui EVENTS] [--ui-log FILE] [--print-pdf FILE] [--transfer-ready]\n"
       "                   [--site URL [--site-list LIST]] [--] SCRIPT.js [args...]\n"
       "  runs the page script SCRIPT.js against the control; --help shows this\n";
}

}  // namespace

int main(int argc, char** argv) {
  static kit::sim::StandInHost word;
  bool standIn = false;
  std::string wordLog, userDocument, uiEvents, uiLog, printPdf;
  bool uiGiven = false;
  bool transferReady = false;
  std::optional<std::string> site;
  std::string siteList;
  int first = 1;
  // Options come before the script; an option with its value missing, or one
  // this host does not know, is a usage error rather than a script's name.
  auto needsValue = [&](const std::string& a) {
    return a == "--word-log" || a == "--word-open" || a == "--ui" || a == "--print-pdf" || a == "--ui-log" ||
           a == "--word-fail" || a == "--site" || a == "--site-list";
  };
  for (; first < argc; ++first) {
    const std::string arg = argv[first];
    if (arg == "--help" || arg == "-h") {
      Usage(std::cout);
      return 0;
    }
    if (needsValue(arg) && first + 1 >= argc) {
      Usage(std::cerr);
      return 2;
    }
    if (arg == "--") {
      ++first;
      break;
    }
    if (arg == "--word-standin") {
      standIn = true;
    } else if (arg == "--word-log" && first + 1 < argc) {
      standIn = true;
      wordLog = argv[++first];
    } else if (arg == "--word-open" && first + 1 < argc) {
      standIn = true;
      userDocument = argv[++first];
    } else if (arg == "--ui" && first + 1 < argc) {
      std::ifstream in(argv[++first], std::ios::binary);
      if (!in) {
        std::cerr << "notaro-host: cannot read the UI events " << argv[first] << std::endl;
        return 2;
      }
      std::ostringstream text;
      text << in.rdbuf();
      uiEvents = text.str();
      uiGiven = true;
    } else if (arg == "--transfer-ready") {
      transferReady = true;
    } else if (arg == "--site" && first + 1 < argc) {
      site = argv[++first];
    } else if (arg == "--site-list" && first + 1 < argc) {
      siteList = argv[++first];
    } else if (arg == "--print-pdf" && first + 1 < argc) {
      printPdf = argv[++first];
    } else if (arg == "--ui-log" && first + 1 < argc) {
      uiLog = argv[++first];
    } else if (arg == "--word-fail" && first + 1 < argc) {
      standIn = true;
      const std::string what = argv[++first];
      const std::size_t colon = what.find(':');
      char* end = nullptr;
      const unsigned long id = colon == std::string::npos ? 0 : std::strtoul(what.c_str() + colon + 1, &end, 0);
      if (colon == std::string::npos || end == nullptr || *end != '\0') {
        std::cerr << "notaro-host: --word-fail wants OBJECT:DISPID, not " << what << std::endl;
        return 2;
      }
      word.word().FailOn(what.substr(0, colon), static_cast<kit::automation::DispId>(id));
    } else if (arg.size() > 1 && arg[0] == '-') {
      std::cerr << "notaro-host: no option " << arg << std::endl;
      Usage(std::cerr);
      return 2;
    } else {
      break;
    }
  }
  if (first >= argc) {
    Usage(std::cerr);
    return 2;
  }
  if (!uiGiven) {
    if (const char* inline_events = std::getenv("KIT_UI_EVENTS")) uiEvents = inline_events;
  }
  if (printPdf.empty())
    if (const char* pdf = std::getenv("KIT_PRINT_PDF")) printPdf = pdf;
  static std::ofstream uiLogFile;
  if (!uiLog.empty()) {
    uiLogFile.open(uiLog, std::ios::binary | std::ios::trunc);
    if (!uiLogFile) {
      std::cerr << "notaro-host: cannot write " << uiLog << std::endl;
      return 2;
    }
  }
  static std::unique_ptr<kit::sim::HeadlessUi> ui;
  try {
    ui = std::make_unique<kit::sim::HeadlessUi>(kit::sim::ParseUiScript(uiEvents),
                                                   uiLog.empty() ? nullptr : &uiLogFile);
  } catch (const std::exception& e) {
    std::cerr << "notaro-host: " << e.what() << std::endl;
    return 2;
  }
  static kit::sim::CairoScreen screen(*ui);
  if (!printPdf.empty()) {
    ui->SetPrinterFactory([printPdf](const std::string& paperName) -> std::unique_ptr<kit::ui::IPrintJob> {
      kit::view::Paper paper;
      if (!kit::view::PaperByName(paperName, paper)) return nullptr;
      return kit::view::OpenPdfPrinter(printPdf, paper);
    });
  }
  try {
    kit::ClassRegistry& registry = kit::ClassRegistry::Instance();
    // The choosers ask on the terminal; message boxes go to the transcript.
    static kit::script::ConsoleDialogs messages(std::cout);
    static kit::posix::TerminalDialogs choosers(stdin, stderr);
    // A pad created while the UI event script still has events is the
    // user's to sign on first, unless the page is one the pad refuses.
    static kit::posix::CommandLinePageSite page(site, siteList);
    kit::hosting::HostControlPorts ports;
    ports.ui = ui.get();
    ports.messages = &messages;
    ports.choosers = &choosers;
    ports.status_out = stdout;
    ports.transfer_ready = transferReady;
    ports.pad_user_present = [] { return ui->pending_events() > 0 && kit::sitelock::IsAnswered(page); };
    static kit::hosting::HostControls controls(ports);
    controls.Register(registry);
    // Both controls answer the page through the site lock, each judging it
    // for itself as on a desktop.
    for (const auto& [progid, source] : {std::pair{kit::remark::kNotaroProgId, "Notaro"},
                                         std::pair{kit::sigpad::kQuillpadProgId, "Quillpad"}}) {
      registry.Wrap(progid, [source = source](std::shared_ptr<kit::automation::IDispatchObject> control) {
        return kit::sitelock::Locked(std::move(control), std::make_shared<kit::sitelock::SiteLock>(page), source);
      });
    }
    if (standIn) {
      word.Install();
      word.SeedCommandBars(*kit::DefaultPlatform().codepage);
      if (!userDocument.empty()) word.OpenForUser(kit::sim::ProcessAutomation(), userDocument);
    } else {
#ifdef KIT_HAVE_OFFICE_PAGES
      kit::sim::RegisterOfficeRenderer(kit::sim::ProcessAutomation(), kit::sim::ProcessClipboard());
#endif
    }
    kit::script::ScriptHost host(*kit::DefaultPlatform().codepage, registry, std::cout, std::cerr);
    const int status = host.RunFile(argv[first], std::vector<std::string>(argv + first + 1, argv + argc));
    if (!wordLog.empty() && !word.WriteLog(wordLog, *kit::DefaultPlatform().codepage)) {
      std::cerr << "notaro-host: cannot write " << wordLog << std::endl;
      return status == 0 ? 1 : status;
    }
    return status;
  } catch (const std::exception& e) {
    std::cerr << "notaro-host: " << e.what() << std::endl;
    return kit::script::kUncaughtExitStatus;
  }
}
