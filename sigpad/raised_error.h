// Errors the pad's classes raise to their caller: a number, a source and a
// description, which reach the page as an automation error.
#pragma once
#include <stdexcept>
#include <string>

namespace kit::sigpad {

constexpr int kErrOverflow = 6;
constexpr int kErrSubscriptOutOfRange = 9;
constexpr int kErrJpegLibrary = 26001;

class RaisedError : public std::runtime_error {
 public:
  RaisedError(int number, std::string source, const std::string& description)
      : std::runtime_error(description), number_(number), source_(std::move(source)) {}
  int number() const { return number_; }
  const std::string& source() const { return source_; }
  std::string description() const { return what(); }

 private:
  int number_;
  std::string source_;
};

}  // namespace kit::sigpad
