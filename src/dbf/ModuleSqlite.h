#pragma once

#include <sqlite3.h>

namespace brivane::dbf {

// The virtual-table module over the tables of a BaseDbf (its client data):
// CREATE VIRTUAL TABLE name USING module(index of the table). No C++ exception
// leaves any of its callbacks.
const sqlite3_module& Module();

// The authorizer of the connection: lets through only what a posting runs,
// reading, adding and updating rows of the folder's tables, and counting.
int Authorize(void*, int action, const char*, const char* name, const char*, const char*) noexcept;

}  // namespace brivane::dbf
