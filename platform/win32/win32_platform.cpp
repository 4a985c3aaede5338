// platform/win32: what ships on the desktops, over the Win32 API; nothing for tests alone.
#include "platform/win32/win32_adapters.h"
#include "ports/platform.h"

namespace kit {

Platform& DefaultPlatform() {
  static win32::Win32FileSystem files;
  static win32::Win32ScreenMetrics screen;
  static win32::Win32MetafileFactory metafiles;
  static win32::Win32CodePage codepage;
  static Platform platform{&files, &screen, &metafiles, &codepage};
  return platform;
}

}  // namespace kit
