#include "company/BaseCompagnie.h"
#include "company/CompagnieDemo.h"
#include "company/FabriqueParDefaut.h"
#include "company/InventaireCompagnie.h"
#include "document/ComSoum.h"
#include "document/Item.h"
#include "document/ServicesDocument.h"
#include "platform/Horloge.h"
#include "targets/Targets.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>

#include <cstring>
#include <optional>

namespace brivane::fuzz {

namespace {

constexpr const char* kCible = "company_db";
using company::BaseCompagnie;
using company::ErreurBase;
using company::InventaireCompagnie;

[[noreturn]] void Echec(const QString& quoi) { fuzz::Echec(kCible, quoi); }

class HorlogeFixe final : public platform::Horloge {
 public:
  QDate aujourdhui() const override { return QDate(2026, 12, 8); }
};

// The file of a sound demo company, made once.
const QByteArray& Origine() {
  static const QByteArray octets = [] {
    const QString dossier = DossierTemporaire() + QStringLiteral("/origine");
    QDir().mkpath(dossier);
    QFile::remove(BaseCompagnie::CheminFichier(dossier));
    company::CompagnieDemo::Creer(dossier, QString::fromUtf16(company::CompagnieDemo::kUtilisateur),
                                  QString::fromUtf16(company::CompagnieDemo::kMotDePasse));
    QFile f(BaseCompagnie::CheminFichier(dossier));
    if (!f.open(QIODevice::ReadOnly)) {
      Echec(QStringLiteral("compagnie de démonstration illisible"));
    }
    return f.readAll();
  }();
  return octets;
}

// The input, four bytes at a time: a 24-bit offset into the file and the byte
// to put there. Three bytes left over give the length the file is cut to.
QByteArray Endommager(const std::uint8_t* data, std::size_t size) {
  QByteArray fichier = Origine();
  const auto position = [&](std::size_t i) {
    return static_cast<qsizetype>(
        (std::size_t{data[i]} << 16 | std::size_t{data[i + 1]} << 8 | data[i + 2]) %
        static_cast<std::size_t>(fichier.size()));
  };
  std::size_t i = 0;
  for (; i + 4 <= size; i += 4) {
    fichier[position(i)] = static_cast<char>(data[i + 3]);
  }
  if (size - i == 3) {
    fichier.truncate(position(i));
  }
  return fichier;
}

std::unique_ptr<ComSoum> Facture(const QString& dossier) {
  ServicesDocument services;
  services.horloge = std::make_shared<HorlogeFixe>();
  services.acomba = company::FabriqueParDefaut();
  auto doc = std::make_unique<ComSoum>(services);
  doc->SystemeComptable(1);
  doc->cheminCie(dossier);
  doc->Utilisateur(QString::fromUtf16(company::CompagnieDemo::kUtilisateur));
  doc->MotDePasse(QString::fromUtf16(company::CompagnieDemo::kMotDePasse));
  auto client = std::make_shared<Client>();
  client->Numero(QStringLiteral("C0042"));
  client->Nom(QStringLiteral("Atelier Nord"));
  client->Vendeur(QStringLiteral("ML"));
  client->pays(QStringLiteral("Ca"));
  client->paysl(QStringLiteral("Ca"));
  doc->Client(client);
  for (int n = 0; n < 2; ++n) {
    auto ligne = std::make_shared<Item>();
    ligne->code(n == 0 ? QStringLiteral("VIS-10") : QStringLiteral("INFO"));
    ligne->Description(QStringLiteral("Vis 10 mm"));
    ligne->Quantite(100);
    ligne->Cout(0.05);
    ligne->TaxableFederal(true);
    ligne->TaxableProvincial(true);
    ligne->Format(QStringLiteral("9"));
    ligne->SousGroupe(QStringLiteral("Mat"));
    ligne->GroupeProduit(2);
    doc->AddItem(ligne);
  }
  return doc;
}

bool Intacte(const QString& dossier) {
  sqlite3* db = nullptr;
  bool intacte = false;
  if (sqlite3_open_v2(BaseCompagnie::CheminFichier(dossier).toUtf8().constData(), &db,
                      SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
      intacte = std::strcmp(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "ok") == 0;
    }
    sqlite3_finalize(stmt);
  }
  sqlite3_close(db);
  return intacte;
}

}  // namespace

void BaseCompagnieEndommagee(const std::uint8_t* data, std::size_t size) {
  const QByteArray fichier = Endommager(data, size);
  const QString dossier = DossierTemporaire() + QStringLiteral("/cie");
  QDir(dossier).removeRecursively();
  QDir().mkpath(dossier);
  {
    QFile f(BaseCompagnie::CheminFichier(dossier));
    if (!f.open(QIODevice::WriteOnly) || f.write(fichier) != fichier.size()) {
      Echec(QStringLiteral("écriture impossible de la compagnie"));
    }
  }

  // The opening checks only the company's identity and table definitions:
  // damaged pages show when a statement reads them, and an index that no
  // longer matches its table may never show. Such a company may then be
  // unreadable whatever the posting does. Only a company that is sound
  // through and through must read back with the posted invoice in it.
  std::optional<std::size_t> avant;
  try {
    const std::size_t transactions = InventaireCompagnie::Lire(dossier).transactions.size();
    if (Intacte(dossier)) {
      avant = transactions;
    }
  } catch (const ErreurBase&) {
  }
  const auto doc = Facture(dossier);
  const bool posee = doc->Enregistrer();
  if (!posee && doc->Message().isEmpty()) {
    Echec(QStringLiteral("refus sans message"));
  }
  if (posee && avant) {
    // What was reported as posted is there, and the company still reads.
    try {
      const InventaireCompagnie apres = InventaireCompagnie::Lire(dossier);
      if (apres.transactions.size() != *avant + 1) {
        Echec(QStringLiteral("facture annoncée comme transférée mais absente"));
      }
    } catch (const ErreurBase& e) {
      Echec(QStringLiteral("compagnie illisible après un transfert réussi : ") + e.detail());
    }
  }
}

}  // namespace brivane::fuzz
