#pragma once

// A dBASE company folder in a temporary directory and the back end posting
// into it, with the database calls recorded.
#include "dbase/BackEndDbf.h"
#include "dbase/DossierDemoDbf.h"
#include "dbf/FournisseurDbfSqlite.h"
#include "dbf/TableDbf.h"
#include "document/ComSoum.h"
#include "platform/ErreurBaseDonnees.h"
#include "platform/os/Fichier.h"
#include "support/HorlogeFixe.h"
#include "support/LectureDbf.h"
#include "support/LigneDbf.h"
#include "support/NomOrdinateurFixe.h"
#include "support/ParametresRegionauxFixes.h"
#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <QSet>

#include <functional>
#include <map>
#include <thread>

namespace brivane::dbase {

using std::chrono::milliseconds;
using testing::CheckDbfFile;
using testing::LectureDbf;

inline const QString kCrLf = QStringLiteral("\r\n");
inline const QString kInconnue = QStringLiteral("Une erreur inconnue s'est produite : ");
inline const char* const kTables[] = {"client", "produi", "factma", "factit", "solde", "taxpro"};

// Passes every statement on and keeps its text.
class RecordingDatabase final : public platform::BaseDonnees {
 public:
  RecordingDatabase(std::unique_ptr<platform::BaseDonnees> inner, QStringList& log)
      : inner_(std::move(inner)), log_(log) {}
  std::unique_ptr<platform::JeuLignes> Execute(const QString& sql) override {
    log_ << sql;
    return inner_->Execute(sql);
  }
  std::unique_ptr<platform::VerrouTable> Lock(const QString& table, milliseconds wait) override {
    return inner_->Lock(table, wait);
  }
  void Begin(const QStringList& tables, milliseconds wait) override {
    log_ << QStringLiteral("BEGIN ") + tables.join(u',');
    inner_->Begin(tables, wait);
  }
  void Commit() override {
    log_ << QStringLiteral("COMMIT");
    inner_->Commit();
  }
  void Rollback() noexcept override {
    log_ << QStringLiteral("ROLLBACK");
    inner_->Rollback();
  }

 private:
  std::unique_ptr<platform::BaseDonnees> inner_;
  QStringList& log_;
};

class RecordingProvider final : public platform::FournisseurBaseDonnees {
 public:
  RecordingProvider(QStringList& log, os::SystemeFichiers& fichiers)
      : log_(log), fichiers_(fichiers) {}
  std::unique_ptr<platform::BaseDonnees> Open(const QString& connectionString) override {
    log_ << connectionString;
    return std::make_unique<RecordingDatabase>(
        dbf::FournisseurDbfSqlite(fichiers_, milliseconds(100)).Open(connectionString), log_);
  }

 private:
  QStringList& log_;
  os::SystemeFichiers& fichiers_;
};

inline std::shared_ptr<Client> UnClient() {
  auto c = std::make_shared<Client>();
  c->Numero(QStringLiteral("123"));
  c->Nom(QStringLiteral("L'Érable"));
  c->Adresse(QStringLiteral("1 rue A"));
  c->Ville(QStringLiteral("Lévis"));
  c->Province(QStringLiteral("QC"));
  c->CP(QStringLiteral("G6V1A1"));
  c->NoTelephone(QStringLiteral("4185550000"));
  c->pays(QStringLiteral("CAN"));
  c->Vendeur(QStringLiteral("JT"));
  return c;
}

inline std::shared_ptr<Item> UneLigne(const QString& code, double quantite, double cout) {
  return testing::LigneDbf(code, quantite, cout);
}

class PostageTest : public ::testing::Test {
 public:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

  void Compagnie(std::int32_t compteur = 7, double taux = 0.09975) {
    DossierDemoDbf fixture;
    fixture.compteur = compteur;
    fixture.tauxProvincial = taux;
    fixture.Creer(dir_.path());
  }
  QString Chemin(const char* table) const {
    return dir_.filePath(QString::fromLatin1(table) + QStringLiteral(".dbf"));
  }

  // The document posts through `fichiers`, which outlives it.
  std::unique_ptr<ComSoum> Document(std::shared_ptr<Client> client,
                                    std::vector<std::shared_ptr<Item>> lignes,
                                    os::SystemeFichiers& fichiers = os::SystemeFichiers::Reel()) {
    ServicesDocument services;
    services.horloge = std::make_shared<testing::HorlogeFixe>(QDate(2024, 3, 5));
    services.dbase = [this, f = &fichiers](ComSoum& d) -> std::unique_ptr<BackEnd> {
      return std::make_unique<BackEndDbf>(
          d, ServicesDbf{std::make_shared<RecordingProvider>(log_, *f),
                         std::make_shared<testing::NomOrdinateurFixe>(QStringLiteral("POSTE-07")),
                         std::make_shared<testing::ParametresRegionauxFixes>(separateur_), *f,
                         milliseconds(100)});
    };
    auto document = std::make_unique<ComSoum>(services);
    document->SystemeComptable(2);
    document->cheminCie(dir_.path());
    document->Client(std::move(client));
    for (auto& l : lignes) {
      document->AddItem(std::move(l));
    }
    return document;
  }

  // The rows of a table as dbfread sees them, after checking the file itself.
  QJsonArray Lignes(const char* table) {
    const QString chemin = Chemin(table);
    const auto fichier = CheckDbfFile(chemin);
    EXPECT_TRUE(fichier.endsWith1A) << table;
    EXPECT_EQ(static_cast<std::int64_t>(fichier.headerCount), fichier.countFromSize) << table;
    const auto lu = LectureDbf(chemin);
    EXPECT_TRUE(lu.ok) << table << ": " << lu.error.toStdString();
    EXPECT_EQ(lu.headerCount, lu.rows.size() + lu.deleted) << table;
    return lu.rows;
  }
  void ToutesCoherentes() {
    for (const char* table : kTables) {
      if (QFile::exists(Chemin(table))) {
        Lignes(table);
      }
    }
    if (QFile::exists(Chemin("brivimp"))) {
      Lignes("brivimp");
    }
  }
  qint64 Compteur() {
    const QJsonArray lignes = Lignes("solde");
    return lignes.isEmpty() ? -1 : lignes[0].toObject()[u"SNEXTS"].toInteger();
  }
  QStringList Statements(const QString& debut) const {
    QStringList trouves;
    for (const QString& s : log_) {
      if (s.startsWith(debut)) {
        trouves << s;
      }
    }
    return trouves;
  }

  QTemporaryDir dir_;
  QStringList log_;
  QString separateur_ = QStringLiteral("/");
  std::unique_ptr<platform::BaseDonnees> autre_;
  std::unique_ptr<platform::VerrouTable> verrou_;
};

inline void ExpectRow(const QJsonObject& ligne, const QJsonObject& attendu) {
  EXPECT_EQ(ligne.keys(), attendu.keys());
  for (auto it = attendu.begin(); it != attendu.end(); ++it) {
    EXPECT_EQ(ligne.value(it.key()), it.value()) << it.key().toStdString();
  }
}

// Every byte of every table of the folder, to show that nothing changed.
inline std::map<QString, QByteArray> Octets(const QString& dossier) {
  std::map<QString, QByteArray> octets;
  for (const QString& nom : QDir(dossier).entryList(QDir::Files)) {
    QFile f(QDir(dossier).filePath(nom));
    if (f.open(QIODevice::ReadOnly)) {
      octets[nom] = f.readAll();
    }
  }
  return octets;
}

// The same, but for our record table: a posting that fails after its first
// step leaves it created, and empty.
inline std::map<QString, QByteArray> OctetsCompagnie(const QString& dossier) {
  auto octets = Octets(dossier);
  octets.erase(QStringLiteral("brivimp.dbf"));
  return octets;
}

}  // namespace brivane::dbase
