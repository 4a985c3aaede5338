// The Word and WPS stand-in offered to a POSIX host: registered with the
// process's automation client, copying pictures to the process clipboard.
#pragma once
#include <string>

#include "platform/posix/capture/inprocess_automation.h"
#include "platform/posix/capture/inprocess_clipboard.h"
#include "tests/support/word_standin.h"

namespace kit::testing {

// Writes to the clipboard as a server does: open, empty, set, close.
class InProcessClipboardSink : public IPictureSink {
 public:
  explicit InProcessClipboardSink(posix::InProcessClipboard& cb) : cb_(cb) {}
  void PutMetafile(std::vector<std::uint8_t> bits) override;
  void PutBitmap(ClipboardBitmap bitmap) override;

 private:
  posix::InProcessClipboard& cb_;
};

class StandInHost {
 public:
  explicit StandInHost(posix::InProcessClipboard& clipboard = posix::ProcessClipboard())
      : sink_(clipboard), word_(&sink_) {}

  // "Word.Application" (running once created), "WPS.Document" and "WPSFile";
  // .doc files open as Word documents, .wps files as WPS documents.
  void Install(posix::InProcessAutomation& automation = posix::ProcessAutomation());
  WordStandIn& word() { return word_; }
  // One line per call the stand-in was given; false when the file cannot be written.
  bool WriteLog(const std::string& path) const;

 private:
  InProcessClipboardSink sink_;
  WordStandIn word_;
};

}  // namespace kit::testing
