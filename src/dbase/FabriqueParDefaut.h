#pragma once

#include "document/ServicesDocument.h"

namespace brivane::dbase {

// The dBASE back end over this program's own table engine, with the machine's
// name and regional settings.
ServicesDocument::FabriqueBackEnd FabriqueParDefaut();

}  // namespace brivane::dbase
