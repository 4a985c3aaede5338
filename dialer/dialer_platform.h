// The dialer's ports over the system, as the Win32 adapters provide them
// (POSIX hosts have no such system: their programs put together a simulated
// desktop). The main window passes its message boxes and shell; the objects
// live for the whole program.
#pragma once
#include "dialer/dialer.h"

namespace kit::dialer {

DialerPorts DefaultDialerPorts(IDialogs* dialogs, IShell* shell);

}  // namespace kit::dialer
