#pragma once

// The table engine lives in src/dbf; its table class keeps this name too.
#include "dbf/TableDbf.h"

namespace brivane::platform {
using ChampDbf = dbf::ChampDbf;
using TableDbf = dbf::TableDbf;
}  // namespace brivane::platform
