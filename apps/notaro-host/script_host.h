// A command-line host for page scripts: the WScript and ActiveXObject globals
// a page script uses, on an embedded ECMAScript engine, driving the objects of
// a ClassRegistry through their dispatch tables.
#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "ports/class_registry.h"
#include "ports/codepage.h"
#include "ports/hresult.h"

namespace kit::script {

// Errors the host raises itself, numbered as the Windows script engine
// numbers them so that a page's catch blocks test the same values.
constexpr HResult kCantCreateObject = static_cast<HResult>(0x800A01ADu);  // -2146827859
constexpr HResult kNoSuchMember = static_cast<HResult>(0x800A01B6u);      // -2146827850
constexpr HResult kSubscriptOutOfRange = static_cast<HResult>(0x800A0009u);

// Exit status of a script that threw and did not catch.
constexpr int kUncaughtExitStatus = 1;

class ScriptHost {
 public:
  // `codepage` converts the strings crossing to and from the objects, which
  // see the system code page; the script itself works in Unicode.
  ScriptHost(const ICodePage& codepage, const ClassRegistry& registry, std::ostream& out, std::ostream& err);

  // Runs `source` (UTF-8) as the script at `script_path`, with `args` (UTF-8)
  // as WScript.Arguments. Returns 0 when the script ran to its end,
  // kUncaughtExitStatus after an uncaught exception (reported on `err` as
  // "SCRIPT:LINE: message"), or the value given to WScript.Quit.
  int Run(const std::string& source, const std::string& script_path, const std::vector<std::string>& args);

  // Reads the script file as the Windows host does: in the system code page
  // unless it starts with a UTF-8 byte order mark.
  int RunFile(const std::string& script_path, const std::vector<std::string>& args);

 private:
  const ICodePage& codepage_;
  const ClassRegistry& registry_;
  std::ostream& out_;
  std::ostream& err_;
};

}  // namespace kit::script
