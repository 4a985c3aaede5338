// Page text that the control places into a request line or a header: an
// address, a cookie. Every request the control makes passes its page text
// through one check, and each method fails its own way when it is refused.
#pragma once
#include <cstddef>
#include <string>

namespace kit::exchange {

// Far beyond what any server takes in a request line or header, and well
// inside what the HTTP layers can build: longer text is a page's mistake,
// reported as such rather than as the layer running out of room.
constexpr std::size_t kMaxRequestText = std::size_t{256} << 10;

enum class RequestTextFault {
  None,
  ControlCharacter,  // CR, LF or any other byte below 0x20, or DEL: it
                     // would end the line and start headers or requests of
                     // the page's own
  TooLong,           // more than kMaxRequestText bytes
};

RequestTextFault CheckRequestText(const std::string& text);
inline bool FitsRequest(const std::string& text) { return CheckRequestText(text) == RequestTextFault::None; }

// "The <what> holds a control character" / "The <what> is N bytes long, more
// than the M a request takes", for an automation error.
std::string RequestTextProblem(const std::string& what, const std::string& text);

}  // namespace kit::exchange
