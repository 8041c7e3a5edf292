#pragma once

#include "platform/Erreur.h"
#include "platform/os/Fichier.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brivane::dbf {

// The rollback journal of one commit: for every table the commit changes,
// what the table was before it, so that a commit cut short (a kill, a full
// disk, a power cut) can be undone by the next connection. Written and made
// durable before the first byte of a table changes; removed once the commit
// is whole. Its format is described in docs/dbase-tables.md.
struct TableJournal {
  std::string file;  // the table's file name, in the journal's folder
  std::uint64_t originalSize = 0;
  std::array<unsigned char, 32> originalHeader{};
  std::uint32_t finalCount = 0;  // the record count the commit writes
  std::uint64_t tailOffset = 0;  // where the commit's new rows start
  std::string tail;              // the original bytes the new rows cover
  // Records the commit rewrites, with their original bytes.
  std::vector<std::pair<std::uint32_t, std::string>> records;

  bool operator==(const TableJournal&) const = default;
};

struct Journal {
  static constexpr const char* kFileName = "brivane.jnl";

  std::vector<TableJournal> tables;

  std::string Encode() const;
  // Nothing when the bytes are not a whole journal (one cut short while being
  // written: no table had changed yet).
  static std::optional<Journal> Decode(std::string_view bytes);

  bool operator==(const Journal&) const = default;
};

// A table that changed after the journal was written, in a way the journal
// cannot account for: undoing would destroy another program's rows. Its
// description is what the user reads.
class ConflitJournal : public platform::Erreur {
 public:
  explicit ConflitJournal(std::string file);
  // The table's file name, in the journal's folder.
  const std::string& file() const { return file_; }

 private:
  std::string file_;
};

// Every write, sync and removal below goes through `fichiers`.

// Writes the journal into `folder` and makes it durable; throws os::ErreurOs.
void EcrireJournal(os::SystemeFichiers& fichiers, const std::string& folder,
                   const Journal& journal);

// Reads the folder's journal: nothing when there is none, or when the one
// there was cut short while being written (it is then removed).
std::optional<Journal> LireJournal(os::SystemeFichiers& fichiers, const std::string& folder);

// Puts every table of the journal back as it was, makes it durable, then
// removes the journal. The caller holds the locks of those tables. Throws
// ConflitJournal (leaving everything as found) or os::ErreurOs.
void DefaireJournal(os::SystemeFichiers& fichiers, const std::string& folder,
                    const Journal& journal);

// Removes the journal and makes its removal durable: the commit's end.
void SupprimerJournal(os::SystemeFichiers& fichiers, const std::string& folder);

}  // namespace brivane::dbf
