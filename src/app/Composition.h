#pragma once

#include "app/ImporterFichier.h"
#include "document/ServicesDocument.h"

namespace brivane {

// Where the programs are wired: the real services, built here and nowhere
// else, then handed down to the import run and the windows. Tests build
// their own instead.
class Composition {
 public:
  // The system clock and the back ends this build carries: the built-in
  // company for code 1, the dBASE tables for code 2.
  static ServicesDocument Document();
  // The file system, Document() and the user's import journal; nothing to
  // ask questions with (the caller adds its own).
  static ServicesImport Import();
};

}  // namespace brivane
