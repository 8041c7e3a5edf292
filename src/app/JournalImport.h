#pragma once

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

struct sqlite3;

namespace brivane {

// Where an import stands.
enum class EtatImport {
  EnCours,     // written before posting; stays so when the posting was cut short
  Transferee,  // posted; the file not moved yet
  Deplacee,    // posted and the file moved
  Refusee,     // the accounting system refused the document
};

// The word the journal stores and shows for a state.
QString Libelle(EtatImport etat);

// One import of one file.
struct EntreeJournal {
  qint64 numero = 0;       // given by the journal, growing
  QString empreinte;       // SHA-256 of the file's bytes, in hexadecimal
  QString fichier;         // the path as given
  QString compagnie;       // the company folder
  int systeme = 0;         // accounting-system code
  QString numeroDocument;  // empty when not known
  EtatImport etat = EtatImport::EnCours;
  QDateTime debut;  // UTC
  QDateTime fin;    // UTC; null while en cours
};

// Every import, so that a file is never posted twice without the user knowing.
// Every operation returns false (or 0) with a French reason in raison when the
// journal cannot be opened, read or written.
class JournalImport {
 public:
  virtual ~JournalImport() = default;
  // The latest import of that content into that company that was not
  // refused, or nothing.
  virtual bool Chercher(const QString& empreinte, const QString& compagnie, int systeme,
                        std::optional<EntreeJournal>& trouvee, QString& raison) = 0;
  // Writes the entry as en cours, on disk when this returns; its number, or 0.
  virtual qint64 Commencer(const EntreeJournal& entree, QString& raison) = 0;
  // Moves the entry to a new state, on disk when this returns.
  virtual bool Marquer(qint64 numero, EtatImport etat, QString& raison) = 0;
  // Every entry, newest first.
  virtual bool Lister(std::vector<EntreeJournal>& entrees, QString& raison) = 0;
};

// The journal as an SQLite file, opened at first use and kept open. Safe to
// share between programs: each write is one transaction, synced to disk.
class SqliteJournalImport final : public JournalImport {
 public:
  // ":memory:" gives a journal that lives as long as the object (tests).
  explicit SqliteJournalImport(QString chemin);
  ~SqliteJournalImport() override;
  SqliteJournalImport(const SqliteJournalImport&) = delete;
  SqliteJournalImport& operator=(const SqliteJournalImport&) = delete;

  bool Chercher(const QString& empreinte, const QString& compagnie, int systeme,
                std::optional<EntreeJournal>& trouvee, QString& raison) override;
  qint64 Commencer(const EntreeJournal& entree, QString& raison) override;
  bool Marquer(qint64 numero, EtatImport etat, QString& raison) override;
  bool Lister(std::vector<EntreeJournal>& entrees, QString& raison) override;

  const QString& Chemin() const { return chemin_; }

  // The user's journal: beside the settings (BRIVANE_CONFIG_DIR moves both).
  static QString CheminParDefaut();

 private:
  bool Ouvrir(QString& raison);
  QString Raison(int code) const;

  QString chemin_;
  sqlite3* db_ = nullptr;
};

}  // namespace brivane
