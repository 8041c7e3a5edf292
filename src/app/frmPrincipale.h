#pragma once

#include "app/ImporterFichier.h"
#include "platform/Interface.h"
#include "platform/StockageReglages.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QUrl;
class QLineEdit;
class QPushButton;

namespace brivane {

class frmHistorique;
class frmResume;

// The main window: the path of the invoice file (or a choice of several), and
// the buttons that import them, configure the transfer, show the history of
// the imports and quit.
class frmPrincipale final : public QWidget {
  Q_OBJECT

 public:
  // What the window uses of the platform; all of it outlives the window.
  struct Services {
    platform::StockageReglages& store;
    platform::BoiteMessage& messages;
    platform::PointeurOccupe& occupe;
    platform::DialogueFichier& dialogue;
    ServicesImport import;
    // Chooses one or more files; nothing when cancelled. Without it, the
    // platform's dialog takes several files and any other dialog one.
    std::function<std::optional<QStringList>(const QString& filtre, const QString& initial)>
        choisirFichiers = {};
    // Shows a folder in the file manager (the history's); the desktop's without it.
    std::function<bool(const QUrl& dossier)> ouvrirDossier = {};
  };

  explicit frmPrincipale(Services services, QWidget* parent = nullptr);

  QLabel* Label;
  QLineEdit* txtFichier;
  QPushButton* cmdParcourir;
  QPushButton* cmdImporter;
  QPushButton* cmdQuitter;
  QPushButton* cmdConfigurer;
  QPushButton* cmdHistorique;

  // The summary of the latest batch and the history, while they are open.
  QPointer<frmResume> resume;
  QPointer<frmHistorique> historique;

  // What the file dialog is given to filter on.
  static const QString kFiltre;

 protected:
  // .csv files dropped on the window (or on its path box) are chosen, as in
  // the file dialog.
  void dragEnterEvent(QDragEnterEvent* evenement) override;
  void dragMoveEvent(QDragMoveEvent* evenement) override;
  void dropEvent(QDropEvent* evenement) override;
  bool eventFilter(QObject* objet, QEvent* evenement) override;
  // The summary and the history go with the window: the program ends with it.
  void closeEvent(QCloseEvent* evenement) override;

 private:
  void cmdParcourir_Click();
  void cmdImporter_Click();
  void cmdConfigurer_Click();
  void cmdHistorique_Click();
  // Whatever event carries the drop: accepted when it holds only .csv files.
  bool AccepterDepot(QDropEvent* evenement);
  // Puts the files in the path box: one path, or the list of several.
  void Choisir(const QStringList& chemins);
  // One file, every message in its own box, as always.
  ResultatImport ImporterUn(const QString& chemin);
  // Several files, one after the other; then the summary.
  void ImporterPlusieurs(const QStringList& chemins);
  // The import services, asking their questions in a box.
  ServicesImport ServicesAvecQuestions();

  Services services_;
  // The last file chosen in the dialog, where the next one starts.
  QString dernierFichier_;
  // The files chosen together, while the path box shows their list.
  QStringList fichiers_;
};

}  // namespace brivane
