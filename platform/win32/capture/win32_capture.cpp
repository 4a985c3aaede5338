// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
// DefaultCapturePorts() for Win32: COM, the desktop clipboard, the cursor.
#include "platform/win32/capture/win32_capture.h"
#include "remark/page_capture.h"

namespace kit::remark {

CapturePorts DefaultCapturePorts() {
  static win32::ComAutomation automation;
  static win32::Win32Clipboard clipboard;
  static win32::Win32Cursor cursor;
  CapturePorts p;
  p.automation = &automation;
  p.clipboard = &clipboard;
  p.cursor = &cursor;
  return p;
}

}  // namespace kit::remark
