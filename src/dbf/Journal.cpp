#include "dbf/Journal.h"

#include "dbf/FormatDbf.h"
#include "platform/ErreurBaseDonnees.h"
#include "platform/os/Fichier.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace brivane::dbf {

namespace {

constexpr std::string_view kMagic = "BRVJNL01";

std::string PathOf(const std::string& folder, const std::string& file) {
  return folder + "/" + file;
}

// FNV-1a: enough to tell a whole journal from one cut short.
std::uint64_t Checksum(std::string_view bytes) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ULL;
  }
  return hash;
}

void Put(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  }
}
void PutBytes(std::string& out, std::string_view bytes) {
  Put(out, bytes.size(), 4);
  out.append(bytes);
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool ok() const { return ok_; }
  std::uint64_t Get(int bytes) {
    if (!Need(static_cast<std::size_t>(bytes))) {
      return 0;
    }
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) {
      value |= std::uint64_t{static_cast<unsigned char>(bytes_[at_ + i])} << (8 * i);
    }
    at_ += static_cast<std::size_t>(bytes);
    return value;
  }
  std::string GetBytes() {
    const auto size = static_cast<std::size_t>(Get(4));
    if (!Need(size)) {
      return {};
    }
    std::string out(bytes_.substr(at_, size));
    at_ += size;
    return out;
  }
  std::size_t at() const { return at_; }

 private:
  bool Need(std::size_t size) {
    ok_ = ok_ && size <= bytes_.size() - at_;
    return ok_;
  }
  std::string_view bytes_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

static_assert(std::tuple_size_v<decltype(TableJournal::originalHeader)> == kTailleEntete);

}  // namespace

ConflitJournal::ConflitJournal(std::string file)
    : Erreur(platform::ErreurBaseDonnees::kChangedMeanwhile,
             QStringLiteral(
                 "Le dossier contient le journal %1 d'une saisie interrompue, mais la table "
                 "%2 a été modifiée depuis par un autre programme : ce programme ne la "
                 "remet pas en état lui-même. Rien n'a été changé.")
                 .arg(QString::fromUtf8(Journal::kFileName), QString::fromUtf8(file))),
      file_(std::move(file)) {}

std::string Journal::Encode() const {
  std::string out(kMagic);
  Put(out, tables.size(), 4);
  for (const TableJournal& t : tables) {
    PutBytes(out, t.file);
    Put(out, t.originalSize, 8);
    out.append(reinterpret_cast<const char*>(t.originalHeader.data()), t.originalHeader.size());
    Put(out, t.finalCount, 4);
    Put(out, t.tailOffset, 8);
    PutBytes(out, t.tail);
    Put(out, t.records.size(), 4);
    for (const auto& [number, bytes] : t.records) {
      Put(out, number, 4);
      PutBytes(out, bytes);
    }
  }
  Put(out, Checksum(out), 8);
  return out;
}

std::optional<Journal> Journal::Decode(std::string_view bytes) {
  if (bytes.size() < kMagic.size() + 12 || bytes.substr(0, kMagic.size()) != kMagic) {
    return std::nullopt;
  }
  const std::string_view body = bytes.substr(0, bytes.size() - 8);
  Reader sum(bytes.substr(body.size()));
  if (sum.Get(8) != Checksum(body)) {
    return std::nullopt;
  }
  Reader in(body.substr(kMagic.size()));
  Journal journal;
  const auto tables = in.Get(4);
  for (std::uint64_t i = 0; in.ok() && i < tables; ++i) {
    TableJournal t;
    t.file = in.GetBytes();
    t.originalSize = in.Get(8);
    for (auto& b : t.originalHeader) {
      b = static_cast<unsigned char>(in.Get(1));
    }
    t.finalCount = static_cast<std::uint32_t>(in.Get(4));
    t.tailOffset = in.Get(8);
    t.tail = in.GetBytes();
    const auto records = in.Get(4);
    for (std::uint64_t r = 0; in.ok() && r < records; ++r) {
      const auto number = static_cast<std::uint32_t>(in.Get(4));
      t.records.emplace_back(number, in.GetBytes());
    }
    journal.tables.push_back(std::move(t));
  }
  if (!in.ok() || in.at() != body.size() - kMagic.size()) {
    return std::nullopt;
  }
  return journal;
}

void EcrireJournal(os::SystemeFichiers& fichiers, const std::string& folder,
                   const Journal& journal) {
  const std::string path = PathOf(folder, Journal::kFileName);
  const std::string bytes = journal.Encode();
  {
    const auto file = fichiers.Ouvrir(path, os::Fichier::Mode::CreationNouveau);
    file->EcrireA(0, bytes.data(), bytes.size());
    file->Synchroniser();
  }
  fichiers.SynchroniserDossier(folder);
}

std::optional<Journal> LireJournal(os::SystemeFichiers& fichiers, const std::string& folder) {
  const std::string path = PathOf(folder, Journal::kFileName);
  std::unique_ptr<os::Fichier> file;
  try {
    file = os::Fichier::Ouvrir(path, os::Fichier::Mode::Lecture);
  } catch (const os::ErreurOs& e) {
    if (e.kind() == os::ErreurOs::Kind::NotFound) {
      return std::nullopt;
    }
    throw;
  }
  std::string bytes(file->Taille(), '\0');
  bytes.resize(file->LireA(0, bytes.data(), bytes.size()));
  file.reset();
  auto journal = Journal::Decode(bytes);
  if (!journal) {
    // Cut short while being written: no table had been touched yet.
    SupprimerJournal(fichiers, folder);
  }
  return journal;
}

void DefaireJournal(os::SystemeFichiers& fichiers, const std::string& folder,
                    const Journal& journal) {
  std::vector<std::unique_ptr<os::Fichier>> files;
  // Every table is checked before any is touched.
  for (const TableJournal& t : journal.tables) {
    auto file = fichiers.Ouvrir(PathOf(folder, t.file), os::Fichier::Mode::LectureEcriture);
    const std::uint64_t size = file->Taille();
    const std::optional<EnteteDbf> lu = EnteteDbf::LireFichier(*file);
    const EnteteDbf original = EnteteDbf::Lire(t.originalHeader.data());
    if (!lu || lu->longueurEntete() != original.longueurEntete() ||
        lu->longueurLigne() != original.longueurLigne()) {
      throw ConflitJournal(t.file);
    }
    const EnteteDbf& header = *lu;
    const std::uint32_t count = header.nombreLignes();
    const std::uint32_t before = original.nombreLignes();
    const std::uint64_t added = t.finalCount > before ? t.finalCount - before : 0;
    const std::uint64_t largest =
        std::max(t.originalSize,
                 t.tailOffset + added * static_cast<std::uint64_t>(header.longueurLigne()) + 1);
    if ((count != before && count != t.finalCount) || size > largest) {
      throw ConflitJournal(t.file);
    }
    files.push_back(std::move(file));
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    const TableJournal& t = journal.tables[i];
    os::Fichier& file = *files[i];
    const EnteteDbf original = EnteteDbf::Lire(t.originalHeader.data());
    for (const auto& [number, bytes] : t.records) {
      file.EcrireA(original.positionLigne(number), bytes.data(), bytes.size());
    }
    if (!t.tail.empty()) {
      file.EcrireA(t.tailOffset, t.tail.data(), t.tail.size());
    }
    if (file.Taille() > t.originalSize) {
      file.Tronquer(t.originalSize);
    }
    file.EcrireA(0, t.originalHeader.data(), t.originalHeader.size());
    file.Synchroniser();
  }
  SupprimerJournal(fichiers, folder);
}

void SupprimerJournal(os::SystemeFichiers& fichiers, const std::string& folder) {
  if (fichiers.Supprimer(PathOf(folder, Journal::kFileName))) {
    fichiers.SynchroniserDossier(folder);
  }
}

}  // namespace brivane::dbf
