#include "platform/runtime_exception.h"

#include <utility>

namespace platform {

RuntimeException::RuntimeException(std::string message, int32_t errorNumber)
    : message_(std::move(message)), errorNumber_(errorNumber) {}

NilObjectException::NilObjectException() : RuntimeException("an object reference is nil") {}

IOException::IOException(std::string message, int32_t errorNumber)
    : RuntimeException(std::move(message), errorNumber) {}

OutOfBoundsException::OutOfBoundsException(std::string message)
    : RuntimeException(std::move(message)) {}

void RaiseNilObjectException() {
  throw NilObjectException();
}

}  // namespace platform
