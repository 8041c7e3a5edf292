#include "app/frmPrincipale.h"

#include "app/ImportParLots.h"
#include "app/frmHistorique.h"
#include "app/frmResume.h"
#include "platform/gui/Bouton.h"
#include "platform/gui/InterfaceQt.h"
#include "platform/gui/Twips.h"
#include "settings/ConfigurationTransfert.h"
#include "settings/frmAcomba.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
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

// Below the original controls, which keep their places.
constexpr int kHautHistorique = 2100;

// The local .csv files the data holds; empty when it holds anything else.
QStringList FichiersCsvDeposes(const QMimeData* donnees) {
  if (donnees == nullptr || !donnees->hasUrls()) {
    return {};
  }
  QStringList chemins;
  for (const QUrl& url : donnees->urls()) {
    const QString chemin = QDir::toNativeSeparators(url.toLocalFile());
    if (!url.isLocalFile() || !chemin.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ||
        QFileInfo(chemin).isDir()) {
      return {};
    }
    chemins << chemin;
  }
  return chemins;
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
  setFixedSize(Px(5745), Px(kHautHistorique + 600));
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
  cmdHistorique = bouton(this, "cmdHistorique", QStringLiteral("Historique des importations"),
                         RectTwips(240, kHautHistorique, 2295, 375));

  setTabOrder(txtFichier, cmdParcourir);
  setTabOrder(cmdParcourir, cmdImporter);
  setTabOrder(cmdImporter, cmdQuitter);
  setTabOrder(cmdQuitter, cmdConfigurer);
  setTabOrder(cmdConfigurer, cmdHistorique);

  connect(cmdParcourir, &QPushButton::clicked, this, &frmPrincipale::cmdParcourir_Click);
  connect(cmdImporter, &QPushButton::clicked, this, &frmPrincipale::cmdImporter_Click);
  connect(cmdConfigurer, &QPushButton::clicked, this, &frmPrincipale::cmdConfigurer_Click);
  connect(cmdHistorique, &QPushButton::clicked, this, &frmPrincipale::cmdHistorique_Click);
  connect(cmdQuitter, &QPushButton::clicked, this, &QWidget::close);
  // Typing replaces a list of files: the box imports what it shows.
  connect(txtFichier, &QLineEdit::textChanged, this, [this](const QString& texte) {
    if (!fichiers_.isEmpty() && texte != TexteFichiers(fichiers_)) {
      fichiers_.clear();
      txtFichier->setToolTip(QString());
    }
  });

  if (!services_.choisirFichiers) {
    if (dynamic_cast<platform::DialogueFichierQt*>(&services_.dialogue) != nullptr) {
      services_.choisirFichiers = [](const QString& filtre,
                                     const QString& initial) -> std::optional<QStringList> {
        QStringList choisis = QFileDialog::getOpenFileNames(
            QApplication::activeWindow(), QStringLiteral("Ouvrir"), initial, filtre);
        if (choisis.isEmpty()) {
          return std::nullopt;
        }
        for (QString& c : choisis) {
          c = QDir::toNativeSeparators(c);
        }
        return choisis;
      };
    } else {
      services_.choisirFichiers = [this](const QString& filtre,
                                         const QString& initial) -> std::optional<QStringList> {
        const std::optional<QString> choisi = services_.dialogue.ChoisirFichier(filtre, initial);
        return choisi ? std::optional<QStringList>(QStringList{*choisi}) : std::nullopt;
      };
    }
  }

  if (const QScreen* ecran = screen()) {
    move(ecran->availableGeometry().center() - rect().center());
  }
  txtFichier->setFocus();
}

void frmPrincipale::cmdParcourir_Click() {
  const std::optional<QStringList> choisis = services_.choisirFichiers(kFiltre, dernierFichier_);
  // A cancelled dialog leaves whatever the user typed.
  if (choisis && !choisis->isEmpty()) {
    Choisir(*choisis);
  }
}

void frmPrincipale::Choisir(const QStringList& chemins) {
  dernierFichier_ = chemins.constFirst();
  fichiers_ = chemins.size() > 1 ? chemins : QStringList();
  txtFichier->setText(TexteFichiers(chemins));
  txtFichier->setToolTip(fichiers_.join(u'\n'));
  txtFichier->setCursorPosition(0);
}

void frmPrincipale::cmdImporter_Click() {
  if (fichiers_.size() > 1) {
    ImporterPlusieurs(fichiers_);
  } else if (ImporterUn(txtFichier->text()) == ResultatImport::FichierNonIndique) {
    txtFichier->setFocus();
  }
}

ServicesImport frmPrincipale::ServicesAvecQuestions() {
  ServicesImport services = services_.import;
  if (!services.demander) {
    services.demander = [this](const QString& constat, const QString& question,
                               const QString& titre) {
      return services_.messages.Demander(constat + QStringLiteral("\r\n\r\n") + question, titre);
    };
  }
  return services;
}

ResultatImport frmPrincipale::ImporterUn(const QString& chemin) {
  const ServicesImport services = ServicesAvecQuestions();
  // After the empty path, as an incomplete configuration would be.
  QString raison;
  if (!chemin.isEmpty() && !services_.store.Lisible(kApplication, raison)) {
    services_.messages.AfficherMessage(raison, QStringLiteral("Configuration"));
    return ResultatImport::ConfigurationIncomplete;
  }
  ResultatImport resultat = ResultatImport::Refuse;
  try {
    resultat = ImporterFichier(
        chemin, ConfigurationTransfert::Lire(services_.store),
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
  if (historique) {
    historique->Rafraichir();
  }
  return resultat;
}

void frmPrincipale::ImporterPlusieurs(const QStringList& chemins) {
  // What would stop every file is told once, before any is read.
  QString raison;
  if (!services_.store.Lisible(kApplication, raison)) {
    services_.messages.AfficherMessage(raison, QStringLiteral("Configuration"));
    return;
  }
  const ConfigurationTransfert configuration = ConfigurationTransfert::Lire(services_.store);
  if (!configuration.EstComplete()) {
    services_.messages.AfficherMessage(configuration.MessageIncomplete(),
                                       QStringLiteral("Validation"));
    return;
  }
  std::vector<IssueFichier> issues = ImporterParLots(
      chemins, configuration, [this](bool occupe) { services_.occupe.IndiquerOccupe(occupe); },
      ServicesAvecQuestions(), [this] { return services_.import.journal; });
  if (resume) {
    resume->close();
  }
  resume = new frmResume(std::move(issues), this);
  resume->show();
  resume->raise();
  resume->activateWindow();
  if (historique) {
    historique->Rafraichir();
  }
}

void frmPrincipale::cmdHistorique_Click() {
  if (!historique) {
    historique = new frmHistorique(
        {[this] { return services_.import.journal; }, services_.store, services_.messages,
         [this](const QString& chemin) { ImporterUn(chemin); }, services_.ouvrirDossier},
        this);
  }
  historique->show();
  historique->raise();
  historique->activateWindow();
}

void frmPrincipale::cmdConfigurer_Click() {
  frmAcomba configuration(services_.store, services_.messages, this);
  configuration.exec();
}

void frmPrincipale::closeEvent(QCloseEvent* evenement) {
  for (QWidget* fenetre : {static_cast<QWidget*>(resume), static_cast<QWidget*>(historique)}) {
    if (fenetre != nullptr) {
      fenetre->close();
    }
  }
  QWidget::closeEvent(evenement);
}

bool frmPrincipale::AccepterDepot(QDropEvent* evenement) {
  if (FichiersCsvDeposes(evenement->mimeData()).isEmpty()) {
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
    Choisir(FichiersCsvDeposes(evenement->mimeData()));
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
