// A document file type: registers itself with the framework the first time it is converted to
// text or joined, and withdraws that registration whenever one of its texts changes or it dies.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace platform {
class Picture;  // the framework's image; the system never makes one
}

namespace app {

class FileType final {
 public:
  FileType() = default;
  ~FileType();
  FileType(const FileType&) = delete;
  FileType& operator=(const FileType&) = delete;

  const std::string& Extensions() const noexcept { return mExtension; }
  void Extensions(std::string value);
  const std::string& MacCreator() const noexcept { return mMacCreator; }
  void MacCreator(std::string value);
  const std::string& MacType() const noexcept { return mMacType; }
  void MacType(std::string value);
  // The key of the registration, and the text a join contributes.
  const std::string& Name() const noexcept { return mName; }
  void Name(std::string value);

  // The system gives its types no icon.
  std::shared_ptr<platform::Picture> Icon() const noexcept { return nullptr; }

  // Each join registers its file-type operands first, so every name in a filter text is
  // registered; the result has each ";;" reduced to ";".
  std::string Operator_Add(const std::shared_ptr<FileType>& other);
  std::string Operator_Add(std::string_view s);
  // This type is the right operand: other's name comes first, but this type registers first.
  std::string Operator_AddRight(const std::shared_ptr<FileType>& other);
  std::string Operator_AddRight(std::string_view s);
  // Registers the type and gives its name.
  std::string Operator_Convert();

 private:
  void Register();
  void Deregister();

  std::string mExtension;
  std::string mMacCreator;
  std::string mMacType;
  std::string mName;
  bool mRegistered = false;
};

// The + expressions; a nil file-type operand raises NilObjectException.
std::string operator+(const std::shared_ptr<FileType>& a, const std::shared_ptr<FileType>& b);
std::string operator+(const std::shared_ptr<FileType>& a, std::string_view s);
std::string operator+(std::string_view s, const std::shared_ptr<FileType>& b);

}  // namespace app
