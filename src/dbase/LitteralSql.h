#pragma once

#include <QDate>
#include <QString>

#include <cstdint>

// The forms in which values are written into statement texts. Every form
// throws ErreurInattendue when its value cannot be written.
namespace brivane::dbase::literal {

// 'O''Neil': apostrophes doubled, between single quotes. A text holding a
// NUL character is written as cast(x'<its UTF-8 bytes in hex>' as text), so
// that the statement's text holds none.
QString TexteCite(const QString& valeur);
// Quoted text, or the bare word null for the empty string.
QString TexteOptionnel(const QString& valeur);
// 1 or 0.
QString Drapeau(bool valeur);
// Up to 15 significant digits, "." as decimal point whatever the locale.
QString Nombre(double valeur);
// Rounded to two decimals (exact halves to the even neighbour), then as Nombre.
QString Montant(double valeur);
// '!00042' (Soumission) or '?00042'; a counter outside 0..99999 is refused.
QString NumeroDocument(bool soumission, std::int32_t compteur);
// 'YYYY<sep>MM<sep>dd' with the regional date separator.
QString Date(QDate date, const QString& separateur);
// The product code followed by the full stops that bring it to 21 characters.
QString CodeProduitApres(const QString& code);
// The full stops that bring the code to 21 characters, then the code.
QString CodeProduitAvant(const QString& code);

}  // namespace brivane::dbase::literal
