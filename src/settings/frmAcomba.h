#pragma once

#include "platform/Interface.h"
#include "platform/SettingsStore.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace brivane {

// The configuration window: the six settings of the transfer, loaded from the
// store when the window opens and written back by the save button.
class frmAcomba final : public QDialog {
  Q_OBJECT

 public:
  frmAcomba(platform::SettingsStore& store, platform::BoiteMessage& messages,
            QWidget* parent = nullptr);

  QLineEdit* txtPatchAcomba;
  QLineEdit* txtPathAcomba;
  QLineEdit* txtUserAcomba;
  QLineEdit* txtPWDAcomba;
  QLineEdit* txtGroupeProd;
  QLineEdit* txtDossier;
  QPushButton* cmdEnregistrer;
  QPushButton* cmdQuitter;

 private:
  void Form_Load();
  void cmdEnregistrer_Click();

  platform::SettingsStore& store_;
  platform::BoiteMessage& messages_;
};

}  // namespace brivane
