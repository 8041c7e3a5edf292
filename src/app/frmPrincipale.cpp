#include "app/frmPrincipale.h"

#include "platform/gui/Bouton.h"
#include "platform/gui/Twips.h"
#include "settings/ConfigurationTransfert.h"
#include "settings/frmAcomba.h"

#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>

#include <exception>

namespace brivane {

namespace {

using gui::Px;
using gui::RectTwips;

QPushButton* bouton(QWidget* parent, const char* nom, const QString& libelle, const QRect& zone) {
  auto* b = new gui::Bouton(libelle, parent);
  b->setObjectName(QLatin1StringView(nom));
  b->setGeometry(zone);
  b->setAutoDefault(false);
  return b;
}

// The one local .csv file the data holds; empty when it holds anything else.
QString FichierCsvDepose(const QMimeData* donnees) {
  if (donnees == nullptr || !donnees->hasUrls() || donnees->urls().size() != 1) {
    return {};
  }
  const QUrl url = donnees->urls().constFirst();
  if (!url.isLocalFile()) {
    return {};
  }
  const QString chemin = QDir::toNativeSeparators(url.toLocalFile());
  if (!chemin.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) || QFileInfo(chemin).isDir()) {
    return {};
  }
  return chemin;
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
  // The box would take a dropped file as text (its URL); the window takes it as a path.
  txtFichier->installEventFilter(this);
  setAcceptDrops(true);

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
        QStringLiteral("L'importation s'est arrêtée sur une erreur inattendue\u00a0: %1")
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

bool frmPrincipale::AccepterDepot(QDropEvent* evenement) {
  if (FichierCsvDepose(evenement->mimeData()).isEmpty()) {
    evenement->ignore();
    return false;
  }
  evenement->setDropAction(Qt::CopyAction);
  evenement->accept();
  return true;
}

void frmPrincipale::dragEnterEvent(QDragEnterEvent* evenement) { AccepterDepot(evenement); }

void frmPrincipale::dragMoveEvent(QDragMoveEvent* evenement) { AccepterDepot(evenement); }

void frmPrincipale::dropEvent(QDropEvent* evenement) {
  if (AccepterDepot(evenement)) {
    dernierFichier_ = FichierCsvDepose(evenement->mimeData());
    txtFichier->setText(dernierFichier_);
    activateWindow();
    txtFichier->setFocus();
  }
}

bool frmPrincipale::eventFilter(QObject* objet, QEvent* evenement) {
  const QEvent::Type type = evenement->type();
  if (objet == txtFichier &&
      (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop)) {
    auto* depot = static_cast<QDropEvent*>(evenement);
    // Files are the window's business (a path, never a URL typed into the box);
    // plain text dragged into the box stays the box's.
    if (depot->mimeData() != nullptr && depot->mimeData()->hasUrls()) {
      if (type == QEvent::Drop) {
        dropEvent(depot);
      } else {
        AccepterDepot(depot);
      }
      return true;
    }
  }
  return QWidget::eventFilter(objet, evenement);
}

}  // namespace brivane
