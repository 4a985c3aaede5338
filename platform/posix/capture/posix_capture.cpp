// DefaultCapturePorts() for POSIX hosts.
#include "platform/posix/capture/inprocess_automation.h"
#include "platform/posix/capture/inprocess_clipboard.h"
#include "remark/page_capture.h"

namespace kit::remark {

CapturePorts DefaultCapturePorts() {
  CapturePorts p;
  p.automation = &posix::ProcessAutomation();
  p.clipboard = &posix::ProcessClipboard();
  p.cursor = nullptr;  // no pointer to change without a display
  return p;
}

}  // namespace kit::remark
