// notaro-host SCRIPT.js [args...]: runs a page script against the control.
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "apps/notaro-host/console_dialogs.h"
#include "apps/notaro-host/script_host.h"
#include "exchange/exchange_members.h"
#include "exchange/word_members.h"
#include "platform/posix/capture/posix_processes.h"
#include "platform/posix/exchange/posix_exchange.h"
#include "ports/class_registry.h"
#include "ports/platform.h"
#include "remark/notaro_ctrl.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: notaro-host SCRIPT.js [args...]" << std::endl;
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
    kit::remark::RegisterNotaroControl(registry, [](kit::remark::CNotaroCtrl& ctrl) {
      kit::exchange::InstallExchange(ctrl, lookup, shell, dialogs);
      kit::exchange::WordPorts word;
      word.automation = ctrl.capture_ports().automation;
      word.dialogs = &messages;
      word.processes = &processes;
      word.codepage = ctrl.platform().codepage;
      ctrl.AddExtension(std::make_shared<kit::exchange::WordMembers>(word));
    });
    kit::script::ScriptHost host(*kit::DefaultPlatform().codepage, registry, std::cout, std::cerr);
    return host.RunFile(argv[1], std::vector<std::string>(argv + 2, argv + argc));
  } catch (const std::exception& e) {
    std::cerr << "notaro-host: " << e.what() << std::endl;
    return kit::script::kUncaughtExitStatus;
  }
}
