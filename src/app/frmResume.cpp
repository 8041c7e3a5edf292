#include "app/frmResume.h"

#include "platform/gui/Bouton.h"
#include "platform/gui/Twips.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QVBoxLayout>

namespace brivane {

namespace {

// "1 facture transférée", "2 factures transférées".
QString Nombre(qsizetype n, const QString& singulier, const QString& pluriel) {
  return QString::number(n) + u'\u00a0' + (n > 1 ? pluriel : singulier);
}

QString Bilan(const std::vector<IssueFichier>& issues) {
  qsizetype transferees = 0;
  qsizetype deja = 0;
  for (const IssueFichier& i : issues) {
    if (i.Transferee()) {
      ++transferees;
    } else if (!i.erreurInattendue && i.resultat == ResultatImport::DejaTransfere) {
      ++deja;
    }
  }
  const qsizetype autres = static_cast<qsizetype>(issues.size()) - transferees - deja;
  QStringList parties{Nombre(transferees, QStringLiteral("facture transférée"),
                             QStringLiteral("factures transférées"))};
  if (deja > 0) {
    parties << Nombre(deja, QStringLiteral("déjà transférée"), QStringLiteral("déjà transférées"));
  }
  if (autres > 0) {
    parties << Nombre(autres, QStringLiteral("non transférée"), QStringLiteral("non transférées"));
  }
  return Nombre(static_cast<qsizetype>(issues.size()), QStringLiteral("fichier"),
                QStringLiteral("fichiers")) +
         QStringLiteral("\u00a0: ") + parties.join(QStringLiteral(", ")) + u'.';
}

// Nothing to do about the file: the summary starts on the first one that needs the user.
bool Regle(const IssueFichier& i) {
  return i.Transferee() && i.resultat != ResultatImport::DeplacementImpossible &&
         i.messages.size() <= 1;
}

}  // namespace

frmResume::frmResume(std::vector<IssueFichier> issues, QWidget* parent)
    : QDialog(parent), issues_(std::move(issues)) {
  setObjectName(QStringLiteral("frmResume"));
  setWindowTitle(QStringLiteral("Résumé de l'importation"));
  setFont(gui::PoliceFenetre(8));
  setAttribute(Qt::WA_DeleteOnClose);

  lblBilan = new QLabel(Bilan(issues_), this);
  lblBilan->setObjectName(QStringLiteral("lblBilan"));
  lblBilan->setFont(gui::PoliceFenetre(10));
  lblBilan->setWordWrap(true);

  grdFichiers = new QTableWidget(static_cast<int>(issues_.size()), kColonnes, this);
  grdFichiers->setObjectName(QStringLiteral("grdFichiers"));
  grdFichiers->setAccessibleName(QStringLiteral("Fichiers importés"));
  grdFichiers->setHorizontalHeaderLabels({QStringLiteral("Fichier"), QStringLiteral("Résultat"),
                                          QStringLiteral("N° de facture"),
                                          QStringLiteral("À faire")});
  grdFichiers->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grdFichiers->setSelectionBehavior(QAbstractItemView::SelectRows);
  grdFichiers->setSelectionMode(QAbstractItemView::SingleSelection);
  grdFichiers->setTabKeyNavigation(false);
  grdFichiers->setWordWrap(true);
  grdFichiers->verticalHeader()->hide();
  grdFichiers->horizontalHeader()->setStretchLastSection(true);
  for (int ligne = 0; ligne < grdFichiers->rowCount(); ++ligne) {
    const IssueFichier& i = issues_[static_cast<std::size_t>(ligne)];
    const QString cellules[kColonnes] = {QFileInfo(i.chemin).fileName(), i.Libelle(),
                                         i.numeroDocument, i.Conseil()};
    for (int colonne = 0; colonne < kColonnes; ++colonne) {
      auto* cellule = new QTableWidgetItem(cellules[colonne]);
      cellule->setToolTip(colonne == kFichier ? i.chemin : cellules[colonne]);
      grdFichiers->setItem(ligne, colonne, cellule);
    }
  }
  grdFichiers->setColumnWidth(kFichier, 170);
  grdFichiers->setColumnWidth(kResultat, 200);
  grdFichiers->setColumnWidth(kNumero, 90);
  grdFichiers->resizeRowsToContents();

  auto* lblDetails = new QLabel(QStringLiteral("&Messages du fichier choisi\u00a0:"), this);
  txtDetails = new QPlainTextEdit(this);
  txtDetails->setObjectName(QStringLiteral("txtDetails"));
  txtDetails->setAccessibleName(QStringLiteral("Messages du fichier choisi"));
  txtDetails->setReadOnly(true);
  txtDetails->setTabChangesFocus(true);
  lblDetails->setBuddy(txtDetails);

  cmdCopier = new gui::Bouton(QStringLiteral("&Copier le résumé"), this);
  cmdCopier->setObjectName(QStringLiteral("cmdCopier"));
  cmdCopier->setAutoDefault(false);
  cmdFermer = new gui::Bouton(QStringLiteral("Fermer"), this);
  cmdFermer->setObjectName(QStringLiteral("cmdFermer"));
  cmdFermer->setDefault(true);

  auto* boutons = new QHBoxLayout;
  boutons->addWidget(cmdCopier);
  boutons->addStretch();
  boutons->addWidget(cmdFermer);
  auto* colonne = new QVBoxLayout(this);
  colonne->addWidget(lblBilan);
  colonne->addWidget(grdFichiers, 3);
  colonne->addWidget(lblDetails);
  colonne->addWidget(txtDetails, 2);
  colonne->addLayout(boutons);
  resize(780, 460);

  setTabOrder(grdFichiers, txtDetails);
  setTabOrder(txtDetails, cmdCopier);
  setTabOrder(cmdCopier, cmdFermer);

  connect(grdFichiers, &QTableWidget::itemSelectionChanged, this, &frmResume::AfficherDetails);
  connect(cmdCopier, &QPushButton::clicked, this,
          [this] { QApplication::clipboard()->setText(Texte()); });
  connect(cmdFermer, &QPushButton::clicked, this, &QDialog::accept);

  int premiere = 0;
  while (premiere + 1 < grdFichiers->rowCount() &&
         Regle(issues_[static_cast<std::size_t>(premiere)])) {
    ++premiere;
  }
  if (grdFichiers->rowCount() > 0) {
    grdFichiers->selectRow(premiere);
  }
  grdFichiers->setFocus();
}

void frmResume::AfficherDetails() {
  const QList<QTableWidgetItem*> choisis = grdFichiers->selectedItems();
  if (choisis.isEmpty()) {
    txtDetails->clear();
    return;
  }
  const IssueFichier& i = issues_[static_cast<std::size_t>(choisis.constFirst()->row())];
  txtDetails->setPlainText(QStringLiteral("%1\n\n%2").arg(i.chemin, i.messages.join(u'\n')));
}

QString frmResume::Texte() const {
  QStringList paragraphes{lblBilan->text()};
  for (const IssueFichier& i : issues_) {
    QString p = i.chemin + QStringLiteral("\n  ") + i.Libelle();
    if (!i.numeroDocument.isEmpty()) {
      p += QStringLiteral(" (facture n°\u00a0%1)").arg(i.numeroDocument);
    }
    for (const QString& m : i.messages) {
      p += QStringLiteral("\n  ") + QString(m).replace(u'\n', QStringLiteral("\n  "));
    }
    p += QStringLiteral("\n  À faire\u00a0: ") + i.Conseil();
    paragraphes << p;
  }
  return paragraphes.join(QStringLiteral("\n\n")) + u'\n';
}

}  // namespace brivane
