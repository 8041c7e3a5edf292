#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <string>
#include <vector>

namespace brivane::dbf {

// One literal taken out of a statement text, to be bound in its place with
// the type SQLite gives that literal.
struct LitteralSql {
  enum class Sorte { Entier, Reel, Texte, Nul };
  Sorte sorte = Sorte::Nul;
  std::int64_t entier = 0;   // Entier: the value, sign included
  bool negatif = false;      // Reel: a unary minus came before it
  std::size_t debut = 0;     // Reel: the number as written; Texte: the unquoted bytes,
  std::size_t longueur = 0;  // both within FormeInstruction::octets
};

// A statement text as its shape (the text with each literal replaced by ?)
// and its literals. Two texts of one shape differ only by their literals, so
// one compiled statement serves both.
struct FormeInstruction {
  QByteArray forme;
  std::vector<LitteralSql> litteraux;
  std::string octets;

  QByteArrayView Octets(const LitteralSql& l) const {
    return QByteArrayView(octets.data() + l.debut, static_cast<qsizetype>(l.longueur));
  }
};

// Puts into `forme` the shape of a SELECT, INSERT or UPDATE text; false when the text is
// better compiled as it is: it holds parameters of its own, a NUL byte, a
// token SQLite refuses, or starts with another verb. Literals stay in the
// shape where taking them out could change the statement: result columns
// (their names are the literal's text), ORDER BY and GROUP BY terms (a number
// there names a column), RETURNING, IS NULL, a number after an ambiguous
// minus, integers beyond 64 bits, blobs and hexadecimal numbers. true and
// false are taken out only when `vraiFauxLibres` (no column bears those
// names) and never from a SELECT.
bool DecouperInstruction(QByteArrayView texte, bool vraiFauxLibres, FormeInstruction& forme);

}  // namespace brivane::dbf
