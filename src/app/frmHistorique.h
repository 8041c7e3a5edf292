#pragma once

#include "app/JournalImport.h"
#include "platform/Interface.h"
#include "platform/StockageReglages.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QUrl;

namespace brivane {

// The import history: every import of the journal, newest first, filtered by
// text and state; opens the folder of an entry's file and imports again a
// file still in place. The journal is read through the imports' own
// connection, which holds nothing between two operations, so that imports
// running meanwhile are never held up.
class frmHistorique final : public QDialog {
  Q_OBJECT

 public:
  struct Services {
    // A journal open for one reading; dropped once read.
    std::function<std::shared_ptr<JournalImport>()> journal;
    platform::StockageReglages& store;
    platform::BoiteMessage& messages;
    // Runs the import of one path, as the main window does.
    std::function<void(const QString& chemin)> importer;
    // Shows a folder in the desktop's file manager; false when it could not.
    std::function<bool(const QUrl& dossier)> ouvrir = {};
  };

  explicit frmHistorique(Services services, QWidget* parent = nullptr);

  // Reads the journal again, keeping the entry chosen.
  void Rafraichir();

  QLineEdit* txtRecherche;
  QComboBox* cboEtat;
  QLabel* lblNombre;
  QTableWidget* grdImportations;
  QPushButton* cmdOuvrirDossier;
  QPushButton* cmdReimporter;
  QPushButton* cmdRafraichir;
  QPushButton* cmdFermer;

  enum Colonne { kDate, kFichier, kCompagnie, kSysteme, kEtat, kNumero, kJournal, kColonnes };

 private:
  void Filtrer();
  void ActualiserBoutons();
  const EntreeJournal* EntreeChoisie() const;
  void cmdOuvrirDossier_Click();
  void cmdReimporter_Click();

  Services services_;
  std::vector<EntreeJournal> entrees_;
  QString raison_;
};

}  // namespace brivane
