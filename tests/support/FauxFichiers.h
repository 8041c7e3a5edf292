#pragma once

#include "app/JournalImport.h"
#include "platform/FichierTexte.h"

#include <QString>

#include <map>
#include <utility>
#include <vector>

namespace brivane::testing {

// Files held in memory, by path.
class FauxLecteurFichier final : public platform::LecteurFichier {
 public:
  std::optional<QByteArray> LireOctets(const QString& chemin, QString& raison) const override {
    const auto it = fichiers.find(chemin);
    if (it == fichiers.end()) {
      raison = QStringLiteral("le fichier n'existe pas");
      return std::nullopt;
    }
    return it->second;
  }

  std::map<QString, QByteArray> fichiers;
};

// Records each move; refuses it, or the check before posting, when told to.
class FauxDeplaceurFichier final : public platform::DeplaceurFichier {
 public:
  bool PeutRecevoir(const QString&, const QString&, QString& raison) const override {
    raison = raisonDossier;
    return raisonDossier.isEmpty();
  }
  bool Deplacer(const QString& source, const QString& cible, QString& raison) override {
    deplacements.emplace_back(source, cible);
    if (!raisonRefus.isEmpty()) {
      raison = raisonRefus;
      return false;
    }
    return true;
  }

  std::vector<std::pair<QString, QString>> deplacements;
  QString raisonRefus;
  QString raisonDossier;
};

// A journal that lives as long as the object: empty at the start of each test.
inline std::shared_ptr<JournalImport> JournalEnMemoire() {
  return std::make_shared<SqliteJournalImport>(QStringLiteral(":memory:"));
}

}  // namespace brivane::testing
