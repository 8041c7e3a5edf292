#include "dbf/TableDbf.h"
#include "dbf/FournisseurDbfSqlite.h"
#include "platform/ErreurBaseDonnees.h"
#include "platform/os/Fichier.h"
#include "targets/Targets.h"

#include <QDate>
#include <QDir>
#include <QFile>

namespace brivane::fuzz {

namespace {

constexpr const char* kCible = "dbf_table";
using dbf::TableDbf;
using platform::ErreurBaseDonnees;

[[noreturn]] void Echec(const QString& quoi) { fuzz::Echec(kCible, quoi); }

void Ecrire(const QString& chemin, const std::uint8_t* data, std::size_t size) {
  QFile f(chemin);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) !=
          static_cast<qint64>(size)) {
    Echec(QStringLiteral("écriture impossible de ") + chemin);
  }
}

// Every value of every row, as the provider reads them.
void LireTout(const TableDbf& table) {
  for (int n = 0; n < table.nombreLignes(); ++n) {
    const QByteArray ligne = table.record(n);
    for (int i = 0; i < static_cast<int>(table.fields().size()); ++i) {
      (void)table.value(ligne, i);
      (void)table.texteStocke(ligne, i);
    }
  }
}

void Requeter(const QString& dossier) {
  try {
    const auto base =
        dbf::FournisseurDbfSqlite(os::SystemeFichiers::Reel(), std::chrono::milliseconds(0))
            .Open(QStringLiteral("Data Source=") + dossier);
    base->Execute(QStringLiteral("select count(*) from t"));
    base->Execute(QStringLiteral("select * from t"));
  } catch (const ErreurBaseDonnees&) {
  }
}

}  // namespace

// The input is the whole .dbf file.
void TableDbf(const std::uint8_t* data, std::size_t size) {
  const QString dossier = DossierTemporaire() + QStringLiteral("/dbf");
  QDir().mkpath(dossier);
  const QString chemin = dossier + QStringLiteral("/t.dbf");
  Ecrire(chemin, data, size);

  int lignes = 0;
  try {
    const auto table = TableDbf::Ouvrir(chemin);
    lignes = table->nombreLignes();
    LireTout(*table);
  } catch (const ErreurBaseDonnees& e) {
    if (e.description().isEmpty()) {
      Echec(QStringLiteral("refus sans message"));
    }
    Requeter(dossier);
    return;
  }
  Requeter(dossier);

  // A table that reads can take one more row, and still reads after it.
  std::optional<QByteArray> ajoutee;
  try {
    const auto table = TableDbf::OuvrirEcriture(chemin, os::SystemeFichiers::Reel());
    ajoutee = table->composer({}, nullptr);
    table->write(table->nombreLignes(), *ajoutee);
    table->terminer(QDate(2026, 12, 8));
  } catch (const ErreurBaseDonnees&) {
    ajoutee.reset();
  }
  if (!ajoutee) {
    return;
  }
  try {
    const auto table = TableDbf::Ouvrir(chemin);
    if (table->nombreLignes() != lignes + 1 || table->record(lignes) != *ajoutee) {
      Echec(QStringLiteral("la ligne ajoutée n'est pas relue : %1 lignes au lieu de %2")
                .arg(table->nombreLignes())
                .arg(lignes + 1));
    }
    LireTout(*table);
  } catch (const ErreurBaseDonnees& e) {
    Echec(QStringLiteral("la table ne se relit plus après un ajout : ") + e.description());
  }
}

}  // namespace brivane::fuzz
