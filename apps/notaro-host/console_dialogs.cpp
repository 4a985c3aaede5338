#include "apps/notaro-host/console_dialogs.h"

namespace kit::script {

int ConsoleDialogs::MessageBox(std::uintptr_t, const std::string& text, const std::string& caption,
                               unsigned style) {
  m_out << "[message box" << (caption.empty() ? "" : ": " + caption) << "] " << text << std::endl;
  return DefaultAnswer(style);
}

}  // namespace kit::script
