#pragma once

#include "platform/Interface.h"

namespace brivane::platform {

// A modal QMessageBox with the information icon and one OK button, over the
// active window.
class BoiteMessageQt final : public BoiteMessage {
 public:
  void AfficherMessage(const QString& texte, const QString& titre) override;
  bool Demander(const QString& texte, const QString& titre) override;
};

// The wait cursor over the whole application.
class PointeurOccupeQt final : public PointeurOccupe {
 public:
  ~PointeurOccupeQt() override;
  void IndiquerOccupe(bool occupe) override;

 private:
  bool actif_ = false;
};

// The platform's file-open dialog, over the active window.
class DialogueFichierQt final : public DialogueFichier {
 public:
  std::optional<QString> ChoisirFichier(const QString& filtre,
                                        const QString& fichierInitial) override;
};

}  // namespace brivane::platform
