#include "settings/frmAcomba.h"

#include "platform/gui/Images.h"
#include "platform/gui/Twips.h"
#include "settings/ConfigurationTransfert.h"

#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace brivane {

namespace {

using gui::Px;
using gui::RectTwips;

QLineEdit* ligne(QWidget* parent, const char* nom, QStringView libelle, int hautLibelle,
                 int hautBoite) {
  auto* etiquette = new QLabel(libelle.toString(), parent);
  etiquette->setGeometry(RectTwips(120, hautLibelle, 2040, 255));
  auto* boite = new QLineEdit(parent);
  boite->setObjectName(QLatin1StringView(nom));
  boite->setGeometry(RectTwips(2160, hautBoite, 3345, 330));
  etiquette->setBuddy(boite);
  return boite;
}

QPushButton* bouton(QWidget* parent, const char* nom, const QIcon& image, const QString& bulle,
                    int gauche) {
  auto* b = new QPushButton(parent);
  b->setObjectName(QLatin1StringView(nom));
  b->setGeometry(RectTwips(gauche, 3240, 735, 615));
  b->setIcon(image);
  b->setIconSize(QSize(32, 32));
  b->setToolTip(bulle);
  b->setAccessibleName(bulle);
  b->setAutoDefault(false);
  return b;
}

}  // namespace

frmAcomba::frmAcomba(platform::SettingsStore& store, platform::BoiteMessage& messages,
                     QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      store_(store),
      messages_(messages) {
  setObjectName(QStringLiteral("frmAcomba"));
  setWindowTitle(QStringLiteral("Configuration Acomba"));
  setFixedSize(Px(5790), Px(4050));
  setFont(gui::PoliceFenetre(8));

  txtPatchAcomba = ligne(this, "txtPatchAcomba", u"Dossier de la compagnie :", 360, 240);
  txtPathAcomba = ligne(this, "txtPathAcomba", u"Dossier de acomba :", 840, 720);
  txtUserAcomba = ligne(this, "txtUserAcomba", u"Utilisateur :", 1320, 1200);
  txtPWDAcomba = ligne(this, "txtPWDAcomba", u"Mot de passe : ", 1800, 1680);
  txtGroupeProd = ligne(this, "txtGroupeProd", u"Groupe de produit si absent : ", 2280, 2160);
  txtDossier = ligne(this, "txtDossier", u"Dossier fichier traité : ", 2760, 2640);

  cmdEnregistrer = bouton(this, "cmdEnregistrer",
                          QIcon::fromTheme(QStringLiteral("document-save"),
                                           style()->standardIcon(QStyle::SP_DialogSaveButton)),
                          QStringLiteral("Enregistrer"), 3840);
  cmdQuitter = bouton(this, "cmdQuitter", gui::ImageSortie(), QStringLiteral("Quitter"), 4800);

  // Tab order: rows 2, 5, 4, 3, 1, the two buttons, row 6.
  QWidget* const ordre[] = {txtPathAcomba,  txtGroupeProd,  txtPWDAcomba, txtUserAcomba,
                            txtPatchAcomba, cmdEnregistrer, cmdQuitter,   txtDossier};
  for (std::size_t i = 0; i + 1 < std::size(ordre); ++i) {
    setTabOrder(ordre[i], ordre[i + 1]);
  }

  connect(cmdEnregistrer, &QPushButton::clicked, this, &frmAcomba::cmdEnregistrer_Click);
  // Leaving by the button or the title bar keeps nothing that was not saved.
  connect(cmdQuitter, &QPushButton::clicked, this, &QDialog::reject);

  Form_Load();
  txtPathAcomba->setFocus();
}

void frmAcomba::Form_Load() {
  const ConfigurationTransfert c = ConfigurationTransfert::Lire(store_);
  txtPatchAcomba->setText(c.PathCie);
  txtPathAcomba->setText(c.PathAcomba);
  txtUserAcomba->setText(c.UserAcomba);
  txtPWDAcomba->setText(c.PWDAcomba);
  txtGroupeProd->setText(c.GroupeProd);
  txtDossier->setText(c.DossierTraite);
}

void frmAcomba::cmdEnregistrer_Click() {
  const ConfigurationTransfert c{txtPatchAcomba->text(), txtPathAcomba->text(),
                                 txtUserAcomba->text(),  txtPWDAcomba->text(),
                                 txtGroupeProd->text(),  txtDossier->text()};
  // Saving is silent; only a store that refused a value is worth a word.
  if (!c.Enregistrer(store_)) {
    messages_.AfficherMessage(
        QStringLiteral("La configuration n'a pas pu être enregistrée. Vérifiez que le dossier "
                       "de configuration est accessible en écriture, puis réessayez."),
        QStringLiteral("Configuration Acomba"));
  }
}

}  // namespace brivane
