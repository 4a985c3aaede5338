#include "exchange/request_text.h"

namespace kit::exchange {

RequestTextFault CheckRequestText(const std::string& text) {
  if (text.size() > kMaxRequestText) return RequestTextFault::TooLong;
  for (char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) return RequestTextFault::ControlCharacter;
  }
  return RequestTextFault::None;
}

std::string RequestTextProblem(const std::string& what, const std::string& text) {
  switch (CheckRequestText(text)) {
    case RequestTextFault::ControlCharacter:
      return "The " + what + " holds a control character";
    case RequestTextFault::TooLong:
      return "The " + what + " is " + std::to_string(text.size()) + " bytes long, more than the " +
             std::to_string(kMaxRequestText) + " a request takes";
    case RequestTextFault::None:
      break;
  }
  return std::string();
}

}  // namespace kit::exchange
