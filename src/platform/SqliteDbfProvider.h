#pragma once

// The table engine lives in src/dbf; its provider keeps this name too.
#include "dbf/SqliteDbfProvider.h"

namespace brivane::platform {
using SqliteDbfProvider = dbf::SqliteDbfProvider;
}  // namespace brivane::platform
