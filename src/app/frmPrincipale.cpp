#include "app/frmPrincipale.h"

#include "platform/gui/Twips.h"
#include "settings/ConfigurationTransfert.h"
#include "settings/frmAcomba.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <exception>

namespace brivane {

namespace {

using gui::Px;
using gui::RectTwips;

QPushButton* bouton(QWidget* parent, const char* nom, const QString& libelle, const QRect& zone) {
  auto* b = new QPushButton(libelle, parent);
  b->setObjectName(QLatin1StringView(nom));
  b->setGeometry(zone);
  b->setAutoDefault(false);
  return b;
}

}  // namespace

// One entry shown as "CSV " that matches *.csv.
const QString frmPrincipale::kFiltre = QStringLiteral("CSV (*.csv)");

frmPrincipale::frmPrincipale(Services services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      services_(std::move(services)) {
  setObjectName(QStringLiteral("frmPrincipale"));
  setWindowTitle(QStringLiteral("Brivane - Ostrel"));
  setFixedSize(Px(5745), Px(2220));
  setFont(gui::PoliceFenetre(8));

  Label = new QLabel(QStringLiteral("Indiquez l'emplacement de votre ficher CSV"), this);
  Label->setObjectName(QStringLiteral("Label"));
  Label->setFont(gui::PoliceFenetre(12));
  Label->setGeometry(RectTwips(240, 240, 5175, 375));

  txtFichier = new QLineEdit(this);
  txtFichier->setObjectName(QStringLiteral("txtFichier"));
  txtFichier->setGeometry(RectTwips(240, 840, 3735, 285));
  Label->setBuddy(txtFichier);

  cmdParcourir =
      bouton(this, "cmdParcourir", QStringLiteral("Parcourir"), RectTwips(4200, 840, 1335, 375));
  cmdImporter = bouton(this, "cmdImporter", QStringLiteral("Importer le fichier"),
                       RectTwips(240, 1440, 1455, 495));
  cmdQuitter =
      bouton(this, "cmdQuitter", QStringLiteral("Quitter"), RectTwips(4080, 1440, 1455, 495));
  cmdConfigurer = bouton(this, "cmdConfigurer", QStringLiteral("Configuration Acomba"),
                         RectTwips(2160, 1440, 1455, 495));

  setTabOrder(txtFichier, cmdParcourir);
  setTabOrder(cmdParcourir, cmdImporter);
  setTabOrder(cmdImporter, cmdQuitter);
  setTabOrder(cmdQuitter, cmdConfigurer);

  connect(cmdParcourir, &QPushButton::clicked, this, &frmPrincipale::cmdParcourir_Click);
  connect(cmdImporter, &QPushButton::clicked, this, &frmPrincipale::cmdImporter_Click);
  connect(cmdConfigurer, &QPushButton::clicked, this, &frmPrincipale::cmdConfigurer_Click);
  connect(cmdQuitter, &QPushButton::clicked, this, &QWidget::close);

  if (const QScreen* ecran = screen()) {
    move(ecran->availableGeometry().center() - rect().center());
  }
  txtFichier->setFocus();
}

void frmPrincipale::cmdParcourir_Click() {
  const std::optional<QString> choisi = services_.dialogue.ChoisirFichier(kFiltre, dernierFichier_);
  // A cancelled dialog leaves whatever the user typed.
  if (choisi) {
    dernierFichier_ = *choisi;
    txtFichier->setText(*choisi);
  }
}

void frmPrincipale::cmdImporter_Click() {
  ServicesImport services = services_.import;
  if (!services.demander) {
    services.demander = [this](const QString& constat, const QString& question,
                               const QString& titre) {
      return services_.messages.Demander(constat + QStringLiteral("\r\n\r\n") + question, titre);
    };
  }
  // After the empty path, as an incomplete configuration would be.
  QString raison;
  if (!txtFichier->text().isEmpty() && !services_.store.Lisible(kApplication, raison)) {
    services_.messages.AfficherMessage(raison, QStringLiteral("Configuration"));
    return;
  }
  ResultatImport resultat = ResultatImport::Refuse;
  try {
    resultat = ImporterFichier(
        txtFichier->text(), ConfigurationTransfert::Lire(services_.store),
        [this](const QString& texte, const QString& titre) {
          services_.messages.AfficherMessage(texte, titre);
        },
        [this](bool occupe) { services_.occupe.IndiquerOccupe(occupe); }, services);
  } catch (const std::exception& e) {
    services_.messages.AfficherMessage(
        QStringLiteral("L'importation s'est arrêtée sur une erreur inattendue : %1")
            .arg(QString::fromUtf8(e.what())),
        QStringLiteral("Erreur"));
  }
  if (resultat == ResultatImport::FichierNonIndique) {
    txtFichier->setFocus();
  }
}

void frmPrincipale::cmdConfigurer_Click() {
  frmAcomba configuration(services_.store, services_.messages, this);
  configuration.exec();
}

}  // namespace brivane
