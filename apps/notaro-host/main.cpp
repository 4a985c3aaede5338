// notaro-host [--word-standin] [--word-log FILE] [--word-open DOC]
//             [--word-fail OBJECT:DISPID] SCRIPT.js [args...]
// Runs a page script against the control. With the stand-in, "Word.Application"
// and the WPS classes are answered by a recording Word; --word-log writes down
// what it was told once the script has ended, and --word-fail makes the first
// call to that member of that kind of object fail (e.g. Range:0xA7); with
// --word-open Word is already running with that document open.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "apps/notaro-host/console_dialogs.h"
#include "apps/notaro-host/script_host.h"
#include "apps/word-standin/standin_host.h"
#include "exchange/exchange_members.h"
#include "exchange/form_upload.h"
#include "exchange/word_members.h"
#include "platform/posix/capture/posix_processes.h"
#ifdef KIT_HAVE_OFFICE_PAGES
#include "platform/posix/capture/office_pages.h"
#endif
#include "platform/posix/exchange/curl_form_poster.h"
#include "platform/posix/exchange/posix_exchange.h"
#include "ports/class_registry.h"
#include "ports/platform.h"
#include "remark/notaro_ctrl.h"

int main(int argc, char** argv) {
  static kit::testing::StandInHost word;
  bool standIn = false;
  std::string wordLog, userDocument;
  int first = 1;
  for (; first < argc; ++first) {
    const std::string arg = argv[first];
    if (arg == "--word-standin") {
      standIn = true;
    } else if (arg == "--word-log" && first + 1 < argc) {
      standIn = true;
      wordLog = argv[++first];
    } else if (arg == "--word-open" && first + 1 < argc) {
      standIn = true;
      userDocument = argv[++first];
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
    } else {
      break;
    }
  }
  if (first >= argc) {
    std::cerr << "usage: notaro-host [--word-standin] [--word-log FILE] [--word-open DOC] [--word-fail OBJECT:DISPID] SCRIPT.js [args...]" << std::endl;
    return 2;
  }
  try {
    kit::ClassRegistry& registry = kit::ClassRegistry::Instance();
    // The choosers ask on the terminal; message boxes go to the transcript.
    static kit::script::ConsoleDialogs messages(std::cout);
    static kit::posix::PosixProcesses processes;
    static kit::posix::PosixFileLookup lookup;
    static kit::posix::PosixShell shell;
    static kit::posix::TerminalDialogs dialogs(stdin, stderr);
    static kit::posix::CurlFormPoster formPoster;
    kit::remark::RegisterNotaroControl(registry, [](kit::remark::CNotaroCtrl& ctrl) {
      kit::exchange::InstallExchange(ctrl, lookup, shell, dialogs);
      kit::exchange::InstallFormUpload(ctrl, formPoster, lookup, messages);
      kit::exchange::WordPorts word;
      word.automation = ctrl.capture_ports().automation;
      word.dialogs = &messages;
      word.processes = &processes;
      word.codepage = ctrl.platform().codepage;
      ctrl.AddExtension(std::make_shared<kit::exchange::WordMembers>(word));
    });
    if (standIn) {
      word.Install();
      word.SeedCommandBars(*kit::DefaultPlatform().codepage);
      if (!userDocument.empty()) word.OpenForUser(kit::posix::ProcessAutomation(), userDocument);
    } else {
#ifdef KIT_HAVE_OFFICE_PAGES
      kit::posix::RegisterOfficeRenderer(kit::posix::ProcessAutomation(), kit::posix::ProcessClipboard());
#endif
    }
    kit::script::ScriptHost host(*kit::DefaultPlatform().codepage, registry, std::cout, std::cerr);
    const int status = host.RunFile(argv[first], std::vector<std::string>(argv + first + 1, argv + argc));
    if (!wordLog.empty() && !word.WriteLog(wordLog)) {
      std::cerr << "notaro-host: cannot write " << wordLog << std::endl;
      return status == 0 ? 1 : status;
    }
    return status;
  } catch (const std::exception& e) {
    std::cerr << "notaro-host: " << e.what() << std::endl;
    return kit::script::kUncaughtExitStatus;
  }
}
