// sim: stand-ins for Windows and its programs, for the POSIX hosts, the demo and the tests; ships nowhere.
// DefaultCapturePorts() for POSIX hosts.
#include "sim/capture/inprocess_automation.h"
#include "sim/capture/inprocess_clipboard.h"
#include "remark/page_capture.h"

namespace kit::remark {

CapturePorts DefaultCapturePorts() {
  CapturePorts p;
  p.automation = &sim::ProcessAutomation();
  p.clipboard = &sim::ProcessClipboard();
  p.cursor = nullptr;  // no pointer to change without a display
  return p;
}

}  // namespace kit::remark
