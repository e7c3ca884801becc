// Tells which Kontakt version saved an instrument, multi or bank file, from its name, its first
// 256 bytes and its last 512 bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/folder_item.h"
#include "platform/memory_block.h"

namespace basKontaktVersion {

// Version result codes of ShowKontaktVersion.
// kNotFound: no file, missing file, another extension, no signature in the head, or no tag in
//            the tail; the answer text keeps what the caller passed.
// kFound: the version was found and the answer text written.
inline constexpr int32_t kNotFound = 1;
inline constexpr int32_t kFound = 2;

// Writes the answer text into s only when it returns kFound. A file that cannot be opened,
// read or positioned raises platform::IOException instead of returning.
int32_t ShowKontaktVersion(const std::shared_ptr<platform::FolderItem>& f, std::string& s);

// The last four characters of name, lower-cased.
std::string GetExt(const std::string& name);

// The file's name, " is Kontakt Version " and the four bytes at offset as decimal numbers
// joined by "."; inOrder false prints the bytes from offset + 3 down to offset.
std::string GetVerStr(const std::shared_ptr<platform::FolderItem>& f,
                      const std::shared_ptr<platform::MemoryBlock>& mb, int32_t offset,
                      bool inOrder);

// Scans the tail block for the first "5noK" or "6noK" tag and phrases the version field in the
// four bytes before it into s. Returns false, s untouched, when no tag starts at 0 to Size - 5.
bool GetVerK56(const std::shared_ptr<platform::FolderItem>& f,
               const std::shared_ptr<platform::MemoryBlock>& mb, std::string& s);

}  // namespace basKontaktVersion
