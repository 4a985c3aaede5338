// notaro.js as the bridge serves it, built in from apps/notaro-bridge/notaro.js.
#pragma once
#include <string_view>

namespace kit::bridge {
extern const std::string_view kNotaroJs;
}
