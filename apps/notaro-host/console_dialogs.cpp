#include "apps/notaro-host/console_dialogs.h"

namespace kit::script {

int ConsoleDialogs::MessageBox(std::uintptr_t, const std::string& text, const std::string& caption,
                               unsigned style) {
  m_out << "[message box" << (caption.empty() ? "" : ": " + caption) << "] " << text << std::endl;
  switch (style & 0xF) {
    case mb::kYesNo:
    case mb::kYesNoCancel:
      return (style & mb::kDefButton2) ? id::kNo : id::kYes;
    default:
      return (style & mb::kDefButton2) && (style & 0xF) == mb::kOkCancel ? id::kCancel : id::kOk;
  }
}

}  // namespace kit::script
