// The posting: the tables it holds, the journal that undoes it, and the
// statements within it.
#include "dbf/BaseDbf.h"

#include "dbf/Journal.h"
#include "dbf/ModuleSqlite.h"
#include "dbf/VerrouFichier.h"
#include "platform/os/Fichier.h"
#include "platform/os/Systeme.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <exception>
#include <system_error>
#include <thread>

namespace brivane::dbf {
using platform::ErreurBaseDonnees;

namespace {

// Syncs the files at once rather than one after the other: the disk takes
// them together, and each is on the disk when this returns (or throws, with
// `current` naming a file that failed). The list is emptied.
void SyncTogether(std::vector<std::pair<QString, os::Fichier*>>& files, QString& current) {
  std::vector<std::exception_ptr> errors(files.size());
  std::vector<std::thread> threads;
  const auto sync = [&](std::size_t i) noexcept {
    try {
      files[i].second->Synchroniser();
    } catch (...) {
      errors[i] = std::current_exception();
    }
  };
  for (std::size_t i = 1; i < files.size(); ++i) {
    try {
      threads.emplace_back(sync, i);
    } catch (const std::system_error&) {
      sync(i);  // no thread to spare: this one waits its turn
    }
  }
  if (!files.empty()) {
    sync(0);
  }
  for (std::thread& t : threads) {
    t.join();
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (errors[i]) {
      current = files[i].first;
      std::rethrow_exception(errors[i]);
    }
  }
  files.clear();
}

}  // namespace

EcrituresEnAttente& BaseDbf::Take(std::size_t index, milliseconds wait) {
  if (EcrituresEnAttente* pending = PendingOf(index)) {
    return *pending;
  }
  const InfoTable& info = tables_[index];
  EcrituresEnAttente p;
  try {
    if (held_->count(info.name.toLower()) > 0) {
      p.file = fichiers_.Ouvrir(CheminSysteme(info.path), os::Fichier::Mode::LectureEcriture);
    } else {
      p.lock = VerrouFichier::Take(fichiers_, CheminSysteme(info.path), wait);
      if (!p.lock) {
        throw ErreurBaseDonnees(ErreurBaseDonnees::kLocked, Occupied(info.name));
      }
    }
    const std::optional<EnteteDbf> header = EnteteDbf::LireFichier(p.io());
    if (!header) {
      throw ErreurBaseDonnees(
          ErreurBaseDonnees::kCorruptTable,
          QStringLiteral("La table %1 est endommagée : l'en-tête est incomplet.").arg(info.name));
    }
    if (header->indexProduction()) {
      throw RefusIndexProduction(info.path);
    }
    p.count = header->nombreLignes();
    p.headerLength = header->longueurEntete();
    p.recordLength = std::max(1, header->longueurLigne());
  } catch (const os::ErreurOs& e) {
    throw FromSystem(e, info.name, kNothingWritten);
  }
  EcrituresEnAttente& taken = tx_->tables.emplace(index, std::move(p)).first->second;
  try {
    // Read again now that no one else may write it, and checked against its columns.
    cache_.Forget(index);
    const IndexCles::Stamp stamp = StampOf(info.path);
    for (auto& [key, column] : indexes_) {
      if (key.first == index && !column.current(stamp)) {
        column.Forget();
      }
    }
    if (Reader(index).nombreLignes() != static_cast<int>(taken.count)) {
      throw ErreurBaseDonnees(ErreurBaseDonnees::kChangedMeanwhile,
                              QStringLiteral("La table %1 change pendant sa lecture. %2")
                                  .arg(info.name, kNothingWritten));
    }
  } catch (...) {
    tx_->tables.erase(index);
    throw;
  }
  return taken;
}

void BaseDbf::Begin(const QStringList& names, milliseconds wait) {
  if (tx_) {
    throw ErreurBaseDonnees(ErreurBaseDonnees::kStatementRefused,
                            QStringLiteral("Une saisie est déjà en cours sur cette connexion."));
  }
  std::vector<std::size_t> wanted;
  for (const QString& name : names) {
    if (const auto index = Find(name)) {
      wanted.push_back(*index);
    }
  }
  // A journal left by a dead connection names the tables to lock as well.
  std::optional<dbf::Journal> journal;
  try {
    journal = dbf::LireJournal(fichiers_, FolderPath());
  } catch (const os::ErreurOs& e) {
    throw FromSystem(e, QString::fromUtf8(dbf::Journal::kFileName), kNothingWritten);
  }
  if (journal) {
    for (const dbf::TableJournal& t : journal->tables) {
      if (const auto index = Find(QFileInfo(QString::fromUtf8(t.file)).completeBaseName())) {
        wanted.push_back(*index);
      }
    }
  }
  // One order for every posting, so that two of them never wait for each other.
  std::sort(wanted.begin(), wanted.end(), [this](std::size_t a, std::size_t b) {
    return tables_[a].name.toLower() < tables_[b].name.toLower();
  });
  wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
  tx_.emplace();
  try {
    for (const std::size_t index : wanted) {
      Take(index, wait);
    }
    if (journal) {
      Recover(true, wait);
    }
  } catch (...) {
    End();
    throw;
  }
}

void BaseDbf::Recover(bool tablesHeld, milliseconds wait) {
  const std::string folder = FolderPath();
  std::vector<std::unique_ptr<VerrouFichier>> locks;
  try {
    auto journal = dbf::LireJournal(fichiers_, folder);
    if (!journal) {
      return;
    }
    if (!tablesHeld) {
      std::vector<std::string> files;
      for (const dbf::TableJournal& t : journal->tables) {
        files.push_back(t.file);
      }
      std::sort(files.begin(), files.end());
      for (const std::string& file : files) {
        auto lock = VerrouFichier::Take(fichiers_, folder + "/" + file, wait);
        if (!lock) {
          return;  // a live posting's: it removes its journal itself
        }
        locks.push_back(std::move(lock));
      }
      journal = dbf::LireJournal(fichiers_, folder);
      if (!journal) {
        return;
      }
    }
    dbf::DefaireJournal(fichiers_, folder, *journal);
  } catch (const dbf::ConflitJournal& c) {
    throw ErreurBaseDonnees(c.numero(), c.description());
  } catch (const os::ErreurOs& e) {
    throw FromSystem(e, QString::fromUtf8(e.path()),
                     QStringLiteral("La saisie interrompue n'a pas pu être défaite."));
  }
  cache_.ForgetAll();
  for (std::size_t i = 0; i < tables_.size(); ++i) {
    Distrust(i);
  }
}

BaseDbf::TablesChangees BaseDbf::Changees() {
  TablesChangees changed;
  for (auto& [index, pending] : tx_->tables) {
    if (pending.changed()) {
      changed.emplace_back(index, &pending);
    }
  }
  std::sort(changed.begin(), changed.end(), [this](const auto& a, const auto& b) {
    return tables_[a.first].name.toLower() < tables_[b.first].name.toLower();
  });
  return changed;
}

dbf::Journal BaseDbf::Instantane(const TablesChangees& changed) const {
  // What each table is now, checked against what the posting read.
  dbf::Journal journal;
  for (const auto& [index, p] : changed) {
    const InfoTable& info = tables_[index];
    try {
      dbf::TableJournal t;
      t.file = CheminSysteme(QFileInfo(info.path).fileName());
      os::Fichier& file = p->io();
      t.originalSize = file.Taille();
      const std::optional<EnteteDbf> lu = EnteteDbf::LireFichier(file);
      if (!lu || lu->nombreLignes() != p->count || lu->longueurEntete() != p->headerLength ||
          lu->longueurLigne() != p->recordLength) {
        throw ErreurBaseDonnees(
            ErreurBaseDonnees::kChangedMeanwhile,
            QStringLiteral("La table %1 a été modifiée par un autre programme pendant la saisie. "
                           "%2")
                .arg(info.name, kNothingWritten));
      }
      t.originalHeader = lu->octets;
      t.finalCount = static_cast<std::uint32_t>(p->total());
      t.tailOffset = lu->positionLigne(p->count);
      if (!p->rows.isEmpty() && t.originalSize > t.tailOffset) {
        const auto covered = static_cast<std::size_t>(std::min<std::uint64_t>(
            t.originalSize - t.tailOffset, static_cast<std::uint64_t>(p->rows.size()) + 1));
        t.tail.resize(covered);
        t.tail.resize(file.LireA(t.tailOffset, t.tail.data(), covered));
      }
      for (const auto& [n, bytes] : p->rewritten) {
        std::string original(static_cast<std::size_t>(p->recordLength), '\0');
        file.LireA(lu->positionLigne(static_cast<std::uint64_t>(n)), original.data(),
                   original.size());
        t.records.emplace_back(static_cast<std::uint32_t>(n), std::move(original));
      }
      journal.tables.push_back(std::move(t));
    } catch (const os::ErreurOs& e) {
      throw FromSystem(e, info.name, kNothingWritten);
    }
  }
  return journal;
}

void BaseDbf::EcrireJournalSaisie(const TablesChangees& changed,
                                  const dbf::Journal& journal) const {
  const std::string folder = FolderPath();
  try {
    dbf::EcrireJournal(fichiers_, folder, journal);
  } catch (const os::ErreurOs& e) {
    if (e.kind() == os::ErreurOs::Kind::Exists) {
      throw ErreurBaseDonnees(ErreurBaseDonnees::kLocked,
                              Occupied(tables_[changed.front().first].name));
    }
    try {
      dbf::SupprimerJournal(fichiers_, folder);
    } catch (const os::ErreurOs&) {
      // Left for the next connection, which finds it whole or cut short.
    }
    throw FromSystem(e, QString::fromUtf8(dbf::Journal::kFileName), kNothingWritten);
  }
}

void BaseDbf::Appliquer(const TablesChangees& changed, const dbf::Journal& journal) {
  const std::string folder = FolderPath();
  const QDate today = QDate::currentDate();
  QString current;
  std::vector<std::pair<QString, os::Fichier*>> toSync;
  try {
    // The new rows past the counted ones, marked deleted: readers that go by
    // the count and readers that go to the end mark both pass them over...
    for (std::size_t i = 0; i < changed.size(); ++i) {
      const auto& [index, p] = changed[i];
      current = tables_[index].name;
      // A table that another program left without its end mark gets one.
      if (!p->rows.isEmpty() || journal.tables[i].originalSize <= journal.tables[i].tailOffset) {
        QByteArray bytes = p->rows;
        for (qsizetype at = 0; at < bytes.size(); at += p->recordLength) {
          bytes[at] = '*';
        }
        bytes.append(kFinFichier);
        p->io().EcrireA(journal.tables[i].tailOffset, bytes.constData(),
                        static_cast<std::size_t>(bytes.size()));
        toSync.emplace_back(current, &p->io());
      }
    }
    SyncTogether(toSync, current);
    // ...then the rewritten records, the counts, and the new rows made live.
    for (std::size_t i = 0; i < changed.size(); ++i) {
      const auto& [index, p] = changed[i];
      current = tables_[index].name;
      EnteteDbf header = EnteteDbf::Lire(journal.tables[i].originalHeader.data());
      for (const auto& [n, bytes] : p->rewritten) {
        p->io().EcrireA(header.positionLigne(static_cast<std::uint64_t>(n)), bytes.constData(),
                        static_cast<std::size_t>(bytes.size()));
      }
      header.MettreAJour(static_cast<std::uint32_t>(p->total()), today);
      p->io().EcrireA(0, header.octets.data(), header.octets.size());
      if (!p->rows.isEmpty()) {
        p->io().EcrireA(journal.tables[i].tailOffset, p->rows.constData(),
                        static_cast<std::size_t>(p->rows.size()));
      }
      toSync.emplace_back(current, &p->io());
    }
    SyncTogether(toSync, current);
    current = QString::fromUtf8(dbf::Journal::kFileName);
    dbf::SupprimerJournal(fichiers_, folder);
  } catch (const os::ErreurOs& e) {
    QString outcome = kNothingWritten;
    try {
      dbf::DefaireJournal(fichiers_, folder, journal);
    } catch (...) {
      outcome = QStringLiteral(
          "Rien de cette saisie ne sera gardé : elle sera défaite à la "
          "prochaine ouverture du dossier.");
    }
    throw FromSystem(e, current, outcome);
  }
}

void BaseDbf::WriteAll() {
  const TablesChangees changed = Changees();
  if (changed.empty()) {
    return;
  }
  const dbf::Journal journal = Instantane(changed);
  EcrireJournalSaisie(changed, journal);
  Appliquer(changed, journal);
}

void BaseDbf::End() noexcept {
  if (!tx_) {
    return;
  }
  for (auto& [index, pending] : tx_->tables) {
    if (pending.changed()) {
      cache_.Forget(index);
    }
  }
  tx_.reset();  // releases the locks
}

void BaseDbf::Commit() {
  if (!tx_) {
    return;
  }
  try {
    WriteAll();
  } catch (...) {
    Rollback();
    throw;
  }
  // The indexes hold the new rows under the numbers they now have in the file.
  for (auto& [index, pending] : tx_->tables) {
    if (pending.changed()) {
      const IndexCles::Stamp stamp = StampOf(tables_[index].path);
      for (auto& [key, column] : indexes_) {
        if (key.first == index) {
          column.Seen(stamp);
        }
      }
    }
  }
  End();
}

void BaseDbf::Rollback() noexcept {
  if (!tx_) {
    return;
  }
  for (auto& [index, pending] : tx_->tables) {
    if (pending.changed()) {
      Distrust(index);
    }
  }
  End();
}

void BaseDbf::StatementBegins(std::size_t index) {
  if (!tx_) {
    tx_.emplace();
    tx_->implicit = true;
  }
  try {
    EcrituresEnAttente& p = Take(index, writeWait_);
    p.statementRows = p.rows.size();
    p.statementRewritten = p.rewritten;
  } catch (...) {
    if (tx_->implicit) {
      End();
    }
    throw;
  }
}

void BaseDbf::StatementFailed(std::size_t index) {
  if (!tx_) {
    return;
  }
  if (tx_->implicit) {
    Rollback();
    return;
  }
  if (EcrituresEnAttente* p = PendingOf(index)) {
    if (p->rows.size() != p->statementRows || p->rewritten != p->statementRewritten) {
      p->rows.truncate(p->statementRows);
      p->rewritten = p->statementRewritten;
      Distrust(index);
    }
  }
}

void BaseDbf::StatementCommit() {
  if (tx_ && tx_->implicit) {
    Commit();
  }
}

void BaseDbf::StatementEnds() {
  if (tx_ && tx_->implicit) {
    End();
  }
}

}  // namespace brivane::dbf
