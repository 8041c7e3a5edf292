#pragma once

#include "app/ImportParLots.h"

#include <QDialog>

#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace brivane {

// The summary of a batch: each file with its outcome, its invoice number and
// what to do about it; the messages of the file chosen in the list below it.
class frmResume final : public QDialog {
  Q_OBJECT

 public:
  explicit frmResume(std::vector<IssueFichier> issues, QWidget* parent = nullptr);

  // The summary as plain text, one paragraph per file (what Copier gives).
  QString Texte() const;

  QLabel* lblBilan;
  QTableWidget* grdFichiers;
  QPlainTextEdit* txtDetails;
  QPushButton* cmdCopier;
  QPushButton* cmdFermer;

  enum Colonne { kFichier, kResultat, kNumero, kConseil, kColonnes };

 private:
  void AfficherDetails();

  std::vector<IssueFichier> issues_;
};

}  // namespace brivane
