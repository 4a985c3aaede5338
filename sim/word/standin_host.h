// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
// The Word and WPS stand-in offered to a POSIX host: registered with the
// process's automation client, copying pictures to the process clipboard.
#pragma once
#include <string>

#include "ports/codepage.h"
#include "sim/capture/inprocess_automation.h"
#include "sim/capture/inprocess_clipboard.h"
#include "sim/word/word_standin.h"

namespace kit::sim {

// Writes to the clipboard as a server does: open, empty, set, close.
class InProcessClipboardSink : public IPictureSink {
 public:
  explicit InProcessClipboardSink(sim::InProcessClipboard& cb) : cb_(cb) {}
  void PutMetafile(std::vector<std::uint8_t> bits) override;
  void PutBitmap(ClipboardBitmap bitmap) override;

 private:
  sim::InProcessClipboard& cb_;
};

class StandInHost {
 public:
  explicit StandInHost(sim::InProcessClipboard& clipboard = sim::ProcessClipboard())
      : sink_(clipboard), word_(&sink_) {}

  // "Word.Application" (running once created), "WPS.Document" and "WPSFile";
  // .doc files open as Word documents, .wps files as WPS documents.
  void Install(sim::InProcessAutomation& automation = sim::ProcessAutomation());
  WordStandIn& word() { return word_; }
  // Word as a user's desktop has it: the command bars of a Chinese Word,
  // captions in the system code page.
  void SeedCommandBars(const ICodePage& codepage);
  // Word already running with `path` open, as when the user is editing it.
  void OpenForUser(sim::InProcessAutomation& automation, const std::string& path);
  // One line per call the stand-in was given; false when the file cannot be written.
  // The calls, one per line, as UTF-8.
  bool WriteLog(const std::string& path, const ICodePage& codepage) const;

 private:
  InProcessClipboardSink sink_;
  WordStandIn word_;
};

}  // namespace kit::sim
