// The program's three document file types, made and registered at start-up and released,
// which withdraws their registrations, at shut-down.
#pragma once

#include <memory>

#include "app/file_type.h"

namespace app::FileTypes1 {

// Each gives the module's current value, nil before Initialize and after its release; an
// accessor never makes a type.
std::shared_ptr<FileType> NIKontaktInstrument();
std::shared_ptr<FileType> NIKontaktMulti();
std::shared_ptr<FileType> NIKontaktBank();

// Makes and registers the instrument, multi and bank types, in this order.
void Initialize();

// Shut-down's releases: each drops the module's reference and leaves the value nil.
void pNIKontaktInstrument_Exit();
void pNIKontaktMulti_Exit();
void pNIKontaktBank_Exit();

}  // namespace app::FileTypes1
