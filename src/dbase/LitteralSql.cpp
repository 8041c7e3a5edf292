#include "dbase/LitteralSql.h"

#include "document/ErreurInattendue.h"
#include "platform/ErreurBaseDonnees.h"
#include "platform/TexteDecimal.h"

namespace brivane::dbase::literal {

namespace {

constexpr qsizetype kLongueurCodeProduit = 21;

[[noreturn]] void PasUnNombre(double valeur) {
  throw ErreurInattendue(
      platform::ErreurBaseDonnees::kValueDoesNotFit,
      QStringLiteral("Le montant %1 ne peut pas être écrit.").arg(QString::number(valeur)));
}

}  // namespace

QString TexteCite(const QString& valeur) {
  if (valeur.contains(QChar(u'\0'))) {
    // SQLite ends a statement's text at a NUL character: written as it is, it
    // would cut the statement inside the quotes. The text's bytes in hex keep it.
    return QStringLiteral("cast(x'%1' as text)").arg(QString::fromLatin1(valeur.toUtf8().toHex()));
  }
  QString double_ = valeur;
  double_.replace(u'\'', QStringLiteral("''"));
  return u'\'' + double_ + u'\'';
}

QString TexteOptionnel(const QString& valeur) {
  return valeur.isEmpty() ? QStringLiteral("null") : TexteCite(valeur);
}

QString Drapeau(bool valeur) { return valeur ? QStringLiteral("1") : QStringLiteral("0"); }

QString Nombre(double valeur) {
  const auto texte = platform::decimal::NombreSimple(valeur);
  if (!texte) {
    PasUnNombre(valeur);
  }
  return *texte;
}

QString Montant(double valeur) {
  const auto arrondi = platform::decimal::ArrondiAuPair(valeur, 2);
  if (!arrondi) {
    PasUnNombre(valeur);
  }
  return Nombre(*arrondi);
}

QString NumeroDocument(bool soumission, std::int32_t compteur) {
  if (compteur < 0 || compteur > 99999) {
    throw ErreurInattendue(
        platform::ErreurBaseDonnees::kValueDoesNotFit,
        QStringLiteral("Le compteur de factures (%1) ne tient pas dans un numéro de cinq chiffres.")
            .arg(compteur));
  }
  return u'\'' + QString(soumission ? u'!' : u'?') +
         QString::number(compteur).rightJustified(5, u'0') + u'\'';
}

QString Date(QDate date, const QString& separateur) {
  return TexteCite(date.toString(QStringLiteral("yyyy")) + separateur +
                   date.toString(QStringLiteral("MM")) + separateur +
                   date.toString(QStringLiteral("dd")));
}

QString CodeProduitApres(const QString& code) {
  return code.leftJustified(kLongueurCodeProduit, u'.');
}

QString CodeProduitAvant(const QString& code) {
  return code.rightJustified(kLongueurCodeProduit, u'.');
}

}  // namespace brivane::dbase::literal
