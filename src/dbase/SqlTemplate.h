#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace brivane::dbase {

// A statement template: pieces joined as given, whose placeholders ("@nom")
// are replaced one after the other. Only the template's own text is searched:
// a value already put in, even one holding "@adresse", is never touched again.
class SqlTemplate final {
 public:
  explicit SqlTemplate(const QStringList& pieces);

  // Replaces every occurrence of the placeholder (exact case) by the literal.
  SqlTemplate& Remplacer(const QString& placeholder, const QString& literal);
  QString Texte() const;

 private:
  struct Segment {
    QString texte;
    bool valeur = false;  // a literal put in by Remplacer
  };
  std::vector<Segment> segments_;
};

}  // namespace brivane::dbase
