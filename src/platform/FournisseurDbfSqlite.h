#pragma once

// The table engine lives in src/dbf; its provider keeps this name too.
#include "dbf/FournisseurDbfSqlite.h"

namespace brivane::platform {
using FournisseurDbfSqlite = dbf::FournisseurDbfSqlite;
}  // namespace brivane::platform
