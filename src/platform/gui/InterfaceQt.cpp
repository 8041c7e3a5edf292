#include "platform/gui/InterfaceQt.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <memory>

namespace brivane::platform {

namespace {

// A box over the active window that shows its text as it is, never as markup
// (file names and document texts), with Windows line ends made plain.
std::unique_ptr<QMessageBox> Boite(QMessageBox::Icon icone, const QString& texte,
                                   const QString& titre, QMessageBox::StandardButtons boutons) {
  QString lignes = texte;
  lignes.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  auto boite =
      std::make_unique<QMessageBox>(icone, titre, lignes, boutons, QApplication::activeWindow());
  boite->setTextFormat(Qt::PlainText);
  return boite;
}

}  // namespace

void BoiteMessageQt::AfficherMessage(const QString& texte, const QString& titre) {
  Boite(QMessageBox::Information, texte, titre, QMessageBox::Ok)->exec();
}

bool BoiteMessageQt::Demander(const QString& texte, const QString& titre) {
  const auto boite = Boite(QMessageBox::Question, texte, titre, QMessageBox::NoButton);
  QPushButton* oui = boite->addButton(QStringLiteral("Oui"), QMessageBox::YesRole);
  QPushButton* non = boite->addButton(QStringLiteral("Non"), QMessageBox::NoRole);
  boite->setDefaultButton(non);
  boite->setEscapeButton(non);
  boite->exec();
  return boite->clickedButton() == oui;
}

PointeurOccupeQt::~PointeurOccupeQt() {
  if (actif_) {
    QApplication::restoreOverrideCursor();
  }
}

void PointeurOccupeQt::IndiquerOccupe(bool occupe) {
  // Override cursors stack: set and restore exactly once each.
  if (occupe && !actif_) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (!occupe && actif_) {
    QApplication::restoreOverrideCursor();
  }
  actif_ = occupe;
}

std::optional<QString> DialogueFichierQt::ChoisirFichier(const QString& filtre,
                                                         const QString& fichierInitial) {
  const QString choisi = QFileDialog::getOpenFileName(
      QApplication::activeWindow(), QStringLiteral("Ouvrir"), fichierInitial, filtre);
  if (choisi.isEmpty()) {
    return std::nullopt;
  }
  // Qt gives "/" everywhere; the import run finds the file name by the
  // platform's own separator.
  return QDir::toNativeSeparators(choisi);
}

}  // namespace brivane::platform
