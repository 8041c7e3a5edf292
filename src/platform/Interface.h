#pragma once

#include <QString>

#include <optional>

namespace brivane::platform {

// A modal information message with a single OK button; returns when closed.
class BoiteMessage {
 public:
  virtual ~BoiteMessage() = default;
  virtual void AfficherMessage(const QString& texte, const QString& titre) = 0;
  // A modal question with Oui and Non, Non by default; true for Oui.
  virtual bool Demander(const QString& texte, const QString& titre) = 0;
};

// The application's busy pointer.
class PointeurOccupe {
 public:
  virtual ~PointeurOccupe() = default;
  virtual void IndiquerOccupe(bool occupe) = 0;
};

// A file-open dialog.
class DialogueFichier {
 public:
  virtual ~DialogueFichier() = default;
  // The chosen file, or nothing when the user cancelled. filtre is in Qt's
  // form ("Nom (*.ext)"); fichierInitial is where the dialog starts.
  virtual std::optional<QString> ChoisirFichier(const QString& filtre,
                                                const QString& fichierInitial) = 0;
};

}  // namespace brivane::platform
