#pragma once

#include "app/ImporterFichier.h"
#include "platform/Interface.h"
#include "platform/StockageReglages.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace brivane {

// The main window: the path of the invoice file, and the buttons that import
// it, configure the transfer and quit.
class frmPrincipale final : public QWidget {
  Q_OBJECT

 public:
  // What the window uses of the platform; all of it outlives the window.
  struct Services {
    platform::StockageReglages& store;
    platform::BoiteMessage& messages;
    platform::PointeurOccupe& occupe;
    platform::DialogueFichier& dialogue;
    ServicesImport import = ServicesImport::Defaut();
  };

  explicit frmPrincipale(Services services, QWidget* parent = nullptr);

  QLabel* Label;
  QLineEdit* txtFichier;
  QPushButton* cmdParcourir;
  QPushButton* cmdImporter;
  QPushButton* cmdQuitter;
  QPushButton* cmdConfigurer;

  // What the file dialog is given to filter on.
  static const QString kFiltre;

 protected:
  // A single .csv file dropped on the window (or on its path box) puts its
  // path in the path box, as the file dialog would.
  void dragEnterEvent(QDragEnterEvent* evenement) override;
  void dragMoveEvent(QDragMoveEvent* evenement) override;
  void dropEvent(QDropEvent* evenement) override;
  bool eventFilter(QObject* objet, QEvent* evenement) override;

 private:
  void cmdParcourir_Click();
  void cmdImporter_Click();
  void cmdConfigurer_Click();
  // Whatever event carries the drop: accepted when it holds one .csv file.
  bool AccepterDepot(QDropEvent* evenement);

  Services services_;
  // The last file chosen in the dialog, where the next one starts.
  QString dernierFichier_;
};

}  // namespace brivane
