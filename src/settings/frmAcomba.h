#pragma once

#include "platform/Interface.h"
#include "platform/StockageReglages.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace brivane {

// The configuration window: the settings of the transfer, loaded from the
// store when the window opens and written back by the save button. Below the
// six original rows, the accounting system and what the dBASE tables need of
// every detail line, then where the password is kept.
class frmAcomba final : public QDialog {
  Q_OBJECT

 public:
  frmAcomba(platform::StockageReglages& store, platform::BoiteMessage& messages,
            QWidget* parent = nullptr);

  QLineEdit* txtPatchAcomba;
  QLineEdit* txtPathAcomba;
  QLineEdit* txtUserAcomba;
  QLineEdit* txtPWDAcomba;
  QLineEdit* txtGroupeProd;
  QLineEdit* txtDossier;
  // Item 0 is the SDK ("1"), item 1 the dBASE tables ("2"); none is current
  // when the store holds another value, which is then saved back unchanged.
  QComboBox* cboSystemeComptable;
  QLineEdit* txtFournisseur;
  QLineEdit* txtPosteGlVente;
  QLineEdit* txtPosteGlAchat;
  QPushButton* cmdEnregistrer;
  QPushButton* cmdQuitter;
  // Below every row: where the password is kept, as the store tells it.
  QLabel* lblMotDePasse;

 private:
  void Form_Load();
  void cmdEnregistrer_Click();
  void cboSystemeComptable_Change();
  void MontrerEmplacementMotDePasse();

  platform::StockageReglages& store_;
  platform::BoiteMessage& messages_;
  // The stored system code, kept when the list cannot show it.
  QString systemeLu_;
};

}  // namespace brivane
