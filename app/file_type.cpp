#include "app/file_type.h"

#include <utility>

#include "platform/file_type_registry.h"
#include "platform/runtime_exception.h"
#include "platform/runtime_string.h"

namespace app {
namespace {

std::string Join(std::string_view left, std::string_view right) {
  return platform::ReplaceAll(
      platform::RuntimeAddString(platform::RuntimeAddString(left, ";"), right), ";;", ";");
}

}  // namespace

// An exception cannot leave a destructor without ending the process, so a withdrawal the
// desktop refuses is dropped here.
FileType::~FileType() {
  try {
    Deregister();
  } catch (...) {
  }
}

void FileType::Extensions(std::string value) {
  Deregister();
  mExtension = std::move(value);
}

void FileType::MacCreator(std::string value) {
  Deregister();
  mMacCreator = std::move(value);
}

void FileType::MacType(std::string value) {
  Deregister();
  mMacType = std::move(value);
}

void FileType::Name(std::string value) {
  Deregister();
  mName = std::move(value);
}

std::string FileType::Operator_Add(const std::shared_ptr<FileType>& other) {
  Register();
  FileType& right = platform::NotNil(other);
  right.Register();
  return Join(mName, right.mName);
}

std::string FileType::Operator_Add(std::string_view s) {
  Register();
  return Join(mName, s);
}

std::string FileType::Operator_AddRight(const std::shared_ptr<FileType>& other) {
  Register();
  FileType& left = platform::NotNil(other);
  left.Register();
  return Join(left.mName, mName);
}

std::string FileType::Operator_AddRight(std::string_view s) {
  Register();
  return Join(s, mName);
}

std::string FileType::Operator_Convert() {
  Register();
  return Name();
}

// The flag is set only after the call, so a registration that raises leaves the type
// unregistered.
void FileType::Register() {
  if (!mRegistered) {
    platform::RuntimeRegisterFileType(mName, mMacCreator, mMacType, mExtension);
    mRegistered = true;
  }
}

void FileType::Deregister() {
  if (mRegistered) {
    platform::RuntimeDeregisterFileType(mName);
    mRegistered = false;
  }
}

std::string operator+(const std::shared_ptr<FileType>& a, const std::shared_ptr<FileType>& b) {
  return platform::NotNil(a).Operator_Add(b);
}

std::string operator+(const std::shared_ptr<FileType>& a, std::string_view s) {
  return platform::NotNil(a).Operator_Add(s);
}

std::string operator+(std::string_view s, const std::shared_ptr<FileType>& b) {
  return platform::NotNil(b).Operator_AddRight(s);
}

}  // namespace app
