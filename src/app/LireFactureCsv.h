#pragma once

#include "document/ComSoum.h"
#include "platform/Erreur.h"
#include "platform/FichierTexte.h"

#include <QLocale>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace brivane {

// Why an invoice file could not be read. The document is then incomplete and
// must not be posted. Its description is Texte().
class ErreurLecture : public platform::Erreur {
 public:
  // Numbers of our own, as each layer keeps its range.
  static constexpr std::int32_t kFichierIllisible = -3001;

  // ligne counts from 1; 0 when the failure concerns the whole file.
  ErreurLecture(QString chemin, int ligne, QString raison);

  const QString& chemin() const { return chemin_; }
  int ligne() const { return ligne_; }
  const QString& raison() const { return raison_; }
  // One French sentence naming the file, the line when there is one, and why.
  QString Texte() const;

 private:
  QString chemin_;
  int ligne_;
  QString raison_;
};

// Reads one invoice file (Windows-1252, ";"-separated, roles by line position)
// into document: line 2 becomes its customer, every line from the 4th one
// detail line whose product group is groupeProd. Validates nothing. Throws
// ErreurLecture when the file cannot be read or a line is too short.
void LireFactureCsv(const QString& chemin, const QString& groupeProd, ComSoum& document,
                    const platform::LecteurFichier& lecteur,
                    const QLocale& regional = QLocale::system());
void LireFactureCsv(const QString& chemin, const QString& groupeProd, ComSoum& document);

// How the amounts of a detail line are read: from the left, blanks skipped
// anywhere, "." as decimal point whatever the regional settings, &H and &O
// for hexadecimal and octal, stopping at the first character that does not
// fit; 0 when the text does not begin with a number. Nothing when the number
// is too large for a double.
std::optional<double> LireNombre(const QString& texte);
std::optional<double> LireNombre(QStringView texte);

// The product group setting as a 32-bit whole number, read with the regional
// settings: surrounding blanks allowed, halves rounded to even. Nothing when
// it is not a number or lies outside the 32-bit range.
std::optional<std::int32_t> ConvertirGroupeProd(const QString& texte, const QLocale& regional);

}  // namespace brivane
