#pragma once

#include "document/DocumentServices.h"

namespace brivane::dbase {

// The dBASE back end over this program's own table engine, with the machine's
// name and regional settings.
DocumentServices::BackEndFactory FabriqueParDefaut();

}  // namespace brivane::dbase
