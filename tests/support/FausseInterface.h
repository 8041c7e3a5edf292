#pragma once

#include "platform/Interface.h"

#include <QStringList>

namespace brivane::testing {

// Records every message as "titre : texte" instead of showing it.
class FausseBoiteMessage final : public platform::BoiteMessage {
 public:
  void AfficherMessage(const QString& texte, const QString& titre) override {
    messages << titre + QStringLiteral(" : ") + texte;
  }
  // Records the question with the messages and gives the next planned answer (Non when none).
  bool Demander(const QString& texte, const QString& titre) override {
    messages << QStringLiteral("? ") + titre + QStringLiteral(" : ") + texte;
    return !reponses.empty() && reponses.takeFirst();
  }
  QStringList messages;
  QList<bool> reponses;
};

class FauxPointeurOccupe final : public platform::PointeurOccupe {
 public:
  void IndiquerOccupe(bool occupe) override { etats.push_back(occupe); }
  std::vector<bool> etats;
};

// Answers each opening with the next planned choice (nothing = cancelled).
class FauxDialogueFichier final : public platform::DialogueFichier {
 public:
  std::optional<QString> ChoisirFichier(const QString& filtre,
                                        const QString& fichierInitial) override {
    filtres << filtre;
    initiaux << fichierInitial;
    if (choix.empty()) {
      return std::nullopt;
    }
    const QString c = choix.takeFirst();
    if (c.isNull()) {
      return std::nullopt;
    }
    return c;
  }
  // A null QString stands for a cancelled dialog.
  QStringList choix;
  QStringList filtres;
  QStringList initiaux;
};

}  // namespace brivane::testing
