#pragma once

// The table engine lives in src/dbf; its table class keeps this name too.
#include "dbf/DbfTable.h"

namespace brivane::platform {
using DbfField = dbf::DbfField;
using DbfTable = dbf::DbfTable;
}  // namespace brivane::platform
