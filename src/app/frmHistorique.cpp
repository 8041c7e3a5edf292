#include "app/frmHistorique.h"

#include "app/ImportParLots.h"
#include "app/ImporterFichier.h"
#include "platform/gui/Bouton.h"
#include "platform/gui/Twips.h"
#include "settings/ConfigurationTransfert.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace brivane {

namespace {

const QString kTitre = QStringLiteral("Historique des importations");

QPushButton* bouton(QWidget* parent, const char* nom, const QString& libelle,
                    const QString& bulle) {
  auto* b = new gui::Bouton(libelle, parent);
  b->setObjectName(QLatin1StringView(nom));
  b->setAutoDefault(false);
  b->setToolTip(bulle);
  return b;
}

// The folder that holds the file of an entry now: the processed folder once
// it was moved there, its own folder otherwise.
QString DossierDe(const EntreeJournal& e, const QString& dossierTraite) {
  if (e.etat == EtatImport::Deplacee && !dossierTraite.isEmpty()) {
    return dossierTraite;
  }
  return QFileInfo(e.fichier).absolutePath();
}

}  // namespace

frmHistorique::frmHistorique(Services services, QWidget* parent)
    : QDialog(parent), services_(std::move(services)) {
  if (!services_.ouvrir) {
    services_.ouvrir = [](const QUrl& dossier) { return QDesktopServices::openUrl(dossier); };
  }
  setObjectName(QStringLiteral("frmHistorique"));
  setWindowTitle(kTitre);
  setFont(gui::PoliceFenetre(8));
  setAttribute(Qt::WA_DeleteOnClose);

  txtRecherche = new QLineEdit(this);
  txtRecherche->setObjectName(QStringLiteral("txtRecherche"));
  txtRecherche->setAccessibleName(QStringLiteral("Rechercher"));
  txtRecherche->setPlaceholderText(QStringLiteral("fichier, compagnie, n° de facture…"));
  txtRecherche->setClearButtonEnabled(true);
  auto* lblRecherche = new QLabel(QStringLiteral("&Rechercher\u00a0:"), this);
  lblRecherche->setBuddy(txtRecherche);

  cboEtat = new QComboBox(this);
  cboEtat->setObjectName(QStringLiteral("cboEtat"));
  cboEtat->setAccessibleName(QStringLiteral("État"));
  cboEtat->addItem(QStringLiteral("tous"), -1);
  for (const EtatImport etat :
       {EtatImport::Deplacee, EtatImport::Transferee, EtatImport::Refusee, EtatImport::EnCours}) {
    cboEtat->addItem(Libelle(etat), static_cast<int>(etat));
  }
  auto* lblEtat = new QLabel(QStringLiteral("É&tat\u00a0:"), this);
  lblEtat->setBuddy(cboEtat);

  grdImportations = new QTableWidget(0, kColonnes, this);
  grdImportations->setObjectName(QStringLiteral("grdImportations"));
  grdImportations->setAccessibleName(QStringLiteral("Importations, les plus récentes d'abord"));
  grdImportations->setHorizontalHeaderLabels(
      {QStringLiteral("Date"), QStringLiteral("Fichier"), QStringLiteral("Compagnie"),
       QStringLiteral("Système"), QStringLiteral("État"), QStringLiteral("N° de facture"),
       QStringLiteral("N° du journal")});
  grdImportations->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grdImportations->setSelectionBehavior(QAbstractItemView::SelectRows);
  grdImportations->setSelectionMode(QAbstractItemView::SingleSelection);
  grdImportations->setTabKeyNavigation(false);
  grdImportations->verticalHeader()->hide();
  const int largeurs[kColonnes] = {150, 170, 190, 110, 80, 90, 90};
  for (int c = 0; c < kColonnes; ++c) {
    grdImportations->setColumnWidth(c, largeurs[c]);
  }
  // The company folder is the longest text: it takes what room is left.
  grdImportations->horizontalHeader()->setSectionResizeMode(kCompagnie, QHeaderView::Stretch);

  lblNombre = new QLabel(this);
  lblNombre->setObjectName(QStringLiteral("lblNombre"));
  lblNombre->setWordWrap(true);

  cmdOuvrirDossier = bouton(this, "cmdOuvrirDossier", QStringLiteral("&Ouvrir le dossier"),
                            QStringLiteral("Ouvre le dossier où se trouve le fichier de "
                                           "l'importation choisie."));
  cmdReimporter = bouton(this, "cmdReimporter", QStringLiteral("&Importer de nouveau"),
                         QStringLiteral("Importe de nouveau le fichier choisi, s'il est "
                                        "toujours à sa place."));
  cmdRafraichir = bouton(this, "cmdRafraichir", QStringLiteral("Ra&fraîchir"),
                         QStringLiteral("Relit le journal des importations (F5)."));
  cmdFermer = bouton(this, "cmdFermer", QStringLiteral("Fermer"), QString());
  for (QPushButton* b : {cmdOuvrirDossier, cmdReimporter, cmdRafraichir}) {
    b->setAccessibleDescription(b->toolTip());
  }

  auto* filtres = new QHBoxLayout;
  filtres->addWidget(lblRecherche);
  filtres->addWidget(txtRecherche, 1);
  filtres->addSpacing(12);
  filtres->addWidget(lblEtat);
  filtres->addWidget(cboEtat);
  auto* boutons = new QHBoxLayout;
  boutons->addWidget(cmdOuvrirDossier);
  boutons->addWidget(cmdReimporter);
  boutons->addWidget(cmdRafraichir);
  boutons->addStretch();
  boutons->addWidget(cmdFermer);
  auto* colonne = new QVBoxLayout(this);
  colonne->addLayout(filtres);
  colonne->addWidget(grdImportations, 1);
  colonne->addWidget(lblNombre);
  colonne->addLayout(boutons);
  resize(980, 440);

  setTabOrder(txtRecherche, cboEtat);
  setTabOrder(cboEtat, grdImportations);
  setTabOrder(grdImportations, cmdOuvrirDossier);
  setTabOrder(cmdOuvrirDossier, cmdReimporter);
  setTabOrder(cmdReimporter, cmdRafraichir);
  setTabOrder(cmdRafraichir, cmdFermer);

  connect(txtRecherche, &QLineEdit::textChanged, this, &frmHistorique::Filtrer);
  connect(cboEtat, &QComboBox::currentIndexChanged, this, &frmHistorique::Filtrer);
  connect(grdImportations, &QTableWidget::itemSelectionChanged, this,
          &frmHistorique::ActualiserBoutons);
  connect(cmdOuvrirDossier, &QPushButton::clicked, this, &frmHistorique::cmdOuvrirDossier_Click);
  connect(cmdReimporter, &QPushButton::clicked, this, &frmHistorique::cmdReimporter_Click);
  connect(cmdRafraichir, &QPushButton::clicked, this, &frmHistorique::Rafraichir);
  connect(cmdFermer, &QPushButton::clicked, this, &QDialog::reject);
  connect(new QShortcut(QKeySequence::Refresh, this), &QShortcut::activated, this,
          &frmHistorique::Rafraichir);

  Rafraichir();
  txtRecherche->setFocus();
}

void frmHistorique::Rafraichir() {
  const EntreeJournal* avant = EntreeChoisie();
  const qint64 choisie = avant != nullptr ? avant->numero : 0;
  entrees_.clear();
  raison_.clear();
  {
    // Opened, read and closed here: never held while the window stays open.
    const std::shared_ptr<JournalImport> journal = services_.journal();
    if (!journal) {
      raison_ = QStringLiteral("aucun journal des importations n'est disponible");
    } else {
      try {
        entrees_ = journal->Lister();
      } catch (const ErreurJournal& e) {
        raison_ = e.description();
      }
    }
  }
  const QSignalBlocker bloque(grdImportations);
  grdImportations->clearSelection();
  grdImportations->setRowCount(static_cast<int>(entrees_.size()));
  int ligneChoisie = -1;
  for (int ligne = 0; ligne < grdImportations->rowCount(); ++ligne) {
    const EntreeJournal& e = entrees_[static_cast<std::size_t>(ligne)];
    const QString cellules[kColonnes] = {DateLisible(e.debut),
                                         QFileInfo(e.fichier).fileName(),
                                         e.compagnie,
                                         LibelleSysteme(e.systeme),
                                         Libelle(e.etat),
                                         e.numeroDocument,
                                         QString::number(e.numero)};
    for (int c = 0; c < kColonnes; ++c) {
      auto* cellule = new QTableWidgetItem(cellules[c]);
      if (c == kFichier) {
        cellule->setToolTip(e.fichier);
      }
      if (c == kNumero || c == kJournal) {
        cellule->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      }
      grdImportations->setItem(ligne, c, cellule);
    }
    if (e.numero == choisie) {
      ligneChoisie = ligne;
    }
  }
  Filtrer();
  if (ligneChoisie < 0 || grdImportations->isRowHidden(ligneChoisie)) {
    // The newest shown, so that the buttons work as soon as the window opens.
    ligneChoisie = 0;
    while (ligneChoisie < grdImportations->rowCount() &&
           grdImportations->isRowHidden(ligneChoisie)) {
      ++ligneChoisie;
    }
  }
  if (ligneChoisie < grdImportations->rowCount()) {
    grdImportations->selectRow(ligneChoisie);
  }
  ActualiserBoutons();
}

void frmHistorique::Filtrer() {
  const QString texte = txtRecherche->text().trimmed();
  const int etat = cboEtat->currentData().toInt();
  int affichees = 0;
  for (int ligne = 0; ligne < grdImportations->rowCount(); ++ligne) {
    const EntreeJournal& e = entrees_[static_cast<std::size_t>(ligne)];
    bool visible = etat < 0 || static_cast<int>(e.etat) == etat;
    if (visible && !texte.isEmpty()) {
      visible = false;
      for (const QString& champ :
           {e.fichier, e.compagnie, e.numeroDocument, QString::number(e.numero),
            DateLisible(e.debut), Libelle(e.etat), LibelleSysteme(e.systeme)}) {
        visible = visible || champ.contains(texte, Qt::CaseInsensitive);
      }
    }
    grdImportations->setRowHidden(ligne, !visible);
    affichees += visible ? 1 : 0;
  }
  const int total = grdImportations->rowCount();
  if (!raison_.isEmpty()) {
    lblNombre->setText(
        QStringLiteral("Le journal des importations ne peut pas être lu\u00a0: %1.").arg(raison_));
  } else if (total == 0) {
    lblNombre->setText(QStringLiteral("Aucune importation n'est inscrite au journal."));
  } else {
    QString texteNombre =
        total == 1 ? QStringLiteral("1 importation") : QStringLiteral("%1 importations").arg(total);
    if (affichees != total) {
      texteNombre += affichees <= 1 ? QStringLiteral(", %1 affichée").arg(affichees)
                                    : QStringLiteral(", %1 affichées").arg(affichees);
    }
    lblNombre->setText(texteNombre + u'.');
  }
  if (const EntreeJournal* e = EntreeChoisie()) {
    const int ligne = static_cast<int>(e - entrees_.data());
    if (grdImportations->isRowHidden(ligne)) {
      grdImportations->clearSelection();
    }
  }
  ActualiserBoutons();
}

const EntreeJournal* frmHistorique::EntreeChoisie() const {
  const QList<QTableWidgetItem*> choisis = grdImportations->selectedItems();
  if (choisis.isEmpty()) {
    return nullptr;
  }
  const int ligne = choisis.constFirst()->row();
  if (ligne < 0 || static_cast<std::size_t>(ligne) >= entrees_.size()) {
    return nullptr;
  }
  return &entrees_[static_cast<std::size_t>(ligne)];
}

void frmHistorique::ActualiserBoutons() {
  const EntreeJournal* e = EntreeChoisie();
  cmdOuvrirDossier->setEnabled(e != nullptr);
  // Only a file still where it was imported from can be imported again.
  cmdReimporter->setEnabled(e != nullptr && QFileInfo(e->fichier).isFile());
}

void frmHistorique::cmdOuvrirDossier_Click() {
  const EntreeJournal* e = EntreeChoisie();
  if (e == nullptr) {
    return;
  }
  const QString dossier =
      DossierDe(*e, ConfigurationTransfert::Lire(services_.store).DossierTraite);
  if (!QFileInfo(dossier).isDir()) {
    services_.messages.AfficherMessage(
        QStringLiteral("Le dossier «\u00a0%1\u00a0» n'existe pas.").arg(dossier), kTitre);
  } else if (!services_.ouvrir(QUrl::fromLocalFile(QDir::fromNativeSeparators(dossier)))) {
    services_.messages.AfficherMessage(
        QStringLiteral("Le dossier «\u00a0%1\u00a0» n'a pas pu être ouvert.").arg(dossier), kTitre);
  }
}

void frmHistorique::cmdReimporter_Click() {
  const EntreeJournal* e = EntreeChoisie();
  if (e == nullptr || !services_.importer) {
    return;
  }
  const QString chemin = e->fichier;
  services_.importer(chemin);
  Rafraichir();
}

}  // namespace brivane
