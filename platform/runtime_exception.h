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
  // For the maker: what failed, in the terms of the code.
  const std::string& Message() const noexcept { return message_; }
  // For the user: what went wrong, in plain words that can follow "Could not read the file:".
  virtual std::string Reason() const { return "an unexpected error occurred"; }
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
  // fileName: the file as the user knows it, empty when there is none.
  IOException(std::string message, int32_t errorNumber, std::string fileName = {},
              std::string reason = {});
  const char* ClassName() const noexcept override { return "IOException"; }
  const std::string& FileName() const noexcept { return fileName_; }
  // The reason given when raised, or the error number's in plain words.
  std::string Reason() const override;

 private:
  std::string fileName_;
  std::string reason_;
};

// The errno in plain words, as the end of "Could not read the file: ...".
std::string PlainErrorReason(int32_t errorNumber);
// The system's own text of the errno, lower-cased: "input/output error".
std::string SystemErrorText(int32_t errorNumber);

// Raised when a byte buffer is asked for a byte it does not hold.
class OutOfBoundsException : public RuntimeException {
 public:
  explicit OutOfBoundsException(std::string message);
  const char* ClassName() const noexcept override { return "OutOfBoundsException"; }
  std::string Reason() const override { return "a part it needs lies outside the bytes read"; }
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
