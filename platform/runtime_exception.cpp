#include "platform/runtime_exception.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <utility>

namespace platform {

RuntimeException::RuntimeException(std::string message, int32_t errorNumber)
    : message_(std::move(message)), errorNumber_(errorNumber) {}

NilObjectException::NilObjectException() : RuntimeException("an object reference is nil") {}

IOException::IOException(std::string message, int32_t errorNumber, std::string fileName,
                         std::string reason)
    : RuntimeException(std::move(message), errorNumber),
      fileName_(std::move(fileName)),
      reason_(std::move(reason)) {}

std::string IOException::Reason() const {
  return reason_.empty() ? PlainErrorReason(ErrorNumber()) : reason_;
}

std::string PlainErrorReason(int32_t errorNumber) {
  switch (errorNumber) {
    case EACCES:
    case EPERM:
      return "you do not have permission to read it";
    case EISDIR:
      return "it is a folder, not a file";
    case ENOENT:
    case ENOTDIR:
      return "it is no longer there";
    case EIO:
      // Said of files on no disk too (/proc, a network mount).
      return "the system reported an input/output error";
    case 0:
      return "an unexpected error occurred";
    default:
      return SystemErrorText(errorNumber);
  }
}

std::string SystemErrorText(int32_t errorNumber) {
  std::string text = std::strerror(errorNumber);
  if (!text.empty()) {
    text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  }
  return text;
}

OutOfBoundsException::OutOfBoundsException(std::string message)
    : RuntimeException(std::move(message)) {}

void RaiseNilObjectException() {
  throw NilObjectException();
}

}  // namespace platform
