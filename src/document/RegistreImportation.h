#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>

namespace brivane {

// The import a posting belongs to, as the import run hands it to the
// document: a company that keeps a record of its imports writes one with the
// invoice, in the posting's own transaction, and refuses a content it holds.
struct ReferenceImportation {
  QString empreinte;        // SHA-256 of the file's bytes, hexadecimal; empty: no import
  QString journal;          // identity of the import journal that numbered it
  std::int64_t numero = 0;  // that journal's number for this import
  // False when the user chose to post the same content again.
  bool refuserSiDejaPostee = true;
  // The posting must not go on in a company that keeps no record: without
  // one, an interrupted import cannot be told posted or not.
  bool exigerRegistre = false;
};

// What a company's record holds of one import.
struct RegistreImportation {
  QString empreinte;
  QString journal;
  std::int64_t numero = 0;
  QDateTime moment;        // UTC, when the posting was written
  QString numeroDocument;  // the invoice number the company gave
};

}  // namespace brivane
