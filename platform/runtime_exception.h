// The framework's exceptions: every error the layer reports is one of these.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

namespace platform {

class RuntimeException : public std::exception {
 public:
  explicit RuntimeException(std::string message = {}, int32_t errorNumber = 0);

  // The class name the user sees when nothing caught the exception.
  virtual const char* ClassName() const noexcept { return "RuntimeException"; }
  const std::string& Message() const noexcept { return message_; }
  int32_t ErrorNumber() const noexcept { return errorNumber_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
  int32_t errorNumber_;
};

// Raised on any use of a nil object reference.
class NilObjectException : public RuntimeException {
 public:
  NilObjectException();
  const char* ClassName() const noexcept override { return "NilObjectException"; }
};

// Raised when a file cannot be opened, read or positioned; ErrorNumber is the errno.
class IOException : public RuntimeException {
 public:
  IOException(std::string message, int32_t errorNumber);
  const char* ClassName() const noexcept override { return "IOException"; }
};

// Raised when a byte buffer is asked for a byte it does not hold.
class OutOfBoundsException : public RuntimeException {
 public:
  explicit OutOfBoundsException(std::string message);
  const char* ClassName() const noexcept override { return "OutOfBoundsException"; }
};

[[noreturn]] void RaiseNilObjectException();

// The object behind reference; a nil reference raises NilObjectException.
template <class T>
T& NotNil(const std::shared_ptr<T>& reference) {
  if (!reference) {
    RaiseNilObjectException();
  }
  return *reference;
}

}  // namespace platform
