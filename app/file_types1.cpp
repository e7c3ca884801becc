#include "app/file_types1.h"

#include <string>
#include <utility>

namespace app::FileTypes1 {
namespace {

std::shared_ptr<FileType> pNIKontaktInstrument;
std::shared_ptr<FileType> pNIKontaktMulti;
std::shared_ptr<FileType> pNIKontaktBank;

// Stores a new type in property before setting it up, so a failure part-way leaves it there
// for shut-down to release.
void Make(std::shared_ptr<FileType>& property, std::string name, std::string extensions,
          std::string macType) {
  property = std::make_shared<FileType>();
  property->Name(std::move(name));
  property->Extensions(std::move(extensions));
  property->MacType(std::move(macType));
  property->MacCreator("????");
  property->Operator_Convert();
}

}  // namespace

std::shared_ptr<FileType> NIKontaktInstrument() {
  return pNIKontaktInstrument;
}
std::shared_ptr<FileType> NIKontaktMulti() {
  return pNIKontaktMulti;
}
std::shared_ptr<FileType> NIKontaktBank() {
  return pNIKontaktBank;
}

void Initialize() {
  Make(pNIKontaktInstrument, "NI Kontakt Instrument", "nki", "tNKI");
  Make(pNIKontaktMulti, "NI Kontakt Multi", "nkm", "tNKM");
  Make(pNIKontaktBank, "NI Kontakt Bank", "nkb", "tNKB");
}

void pNIKontaktInstrument_Exit() {
  pNIKontaktInstrument.reset();
}
void pNIKontaktMulti_Exit() {
  pNIKontaktMulti.reset();
}
void pNIKontaktBank_Exit() {
  pNIKontaktBank.reset();
}

}  // namespace app::FileTypes1
