// The dialer's ports as the platform library provides them (POSIX: probes
// real, actions recorded; Win32: the system's own). The main window passes
// its message boxes and shell; the objects live for the whole program.
#pragma once
#include "dialer/dialer.h"

namespace kit::dialer {

DialerPorts DefaultDialerPorts(IDialogs* dialogs, IShell* shell);

}  // namespace kit::dialer
