#include "platform/gui/QtInterface.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace brivane::platform {

void QtBoiteMessage::AfficherMessage(const QString& texte, const QString& titre) {
  QString lignes = texte;
  lignes.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox boite(QMessageBox::Information, titre, lignes, QMessageBox::Ok,
                    QApplication::activeWindow());
  // File names and document texts are shown as they are, never as markup.
  boite.setTextFormat(Qt::PlainText);
  boite.exec();
}

bool QtBoiteMessage::Demander(const QString& texte, const QString& titre) {
  QString lignes = texte;
  lignes.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox boite(QMessageBox::Question, titre, lignes, QMessageBox::NoButton,
                    QApplication::activeWindow());
  boite.setTextFormat(Qt::PlainText);
  QPushButton* oui = boite.addButton(QStringLiteral("Oui"), QMessageBox::YesRole);
  QPushButton* non = boite.addButton(QStringLiteral("Non"), QMessageBox::NoRole);
  boite.setDefaultButton(non);
  boite.setEscapeButton(non);
  boite.exec();
  return boite.clickedButton() == oui;
}

QtPointeurOccupe::~QtPointeurOccupe() {
  if (actif_) {
    QApplication::restoreOverrideCursor();
  }
}

void QtPointeurOccupe::IndiquerOccupe(bool occupe) {
  // Override cursors stack: set and restore exactly once each.
  if (occupe && !actif_) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (!occupe && actif_) {
    QApplication::restoreOverrideCursor();
  }
  actif_ = occupe;
}

std::optional<QString> QtDialogueFichier::ChoisirFichier(const QString& filtre,
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
