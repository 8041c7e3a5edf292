#include "dbase/ModeleSql.h"

#include <algorithm>

namespace brivane::dbase {

ModeleSql::ModeleSql(const QStringList& pieces) : modele_(pieces.join(QString())) {
  for (qsizetype i = 0; i < modele_.size(); ++i) {
    if (modele_[i] == u'@') {
      arobases_.push_back(i);
    }
  }
  segments_.push_back({0, modele_.size(), -1});
}

// A statement is built from a dozen placeholders over a text of a thousand
// characters, for every row: only the places where a '@' stands are tried.
qsizetype ModeleSql::Chercher(const Segment& segment, qsizetype depuis,
                              const QString& repere) const {
  const qsizetype fin = segment.debut + segment.longueur;
  if (!repere.startsWith(u'@')) {
    const qsizetype trouve =
        QStringView(modele_).sliced(segment.debut, segment.longueur).indexOf(repere, depuis);
    return trouve < 0 ? -1 : segment.debut + trouve;
  }
  for (auto it = std::lower_bound(arobases_.begin(), arobases_.end(), segment.debut + depuis);
       it != arobases_.end() && *it + repere.size() <= fin; ++it) {
    if (QStringView(modele_).sliced(*it, repere.size()) == repere) {
      return *it;
    }
  }
  return -1;
}

ModeleSql& ModeleSql::Remplacer(const QString& repere, const QString& litteral) {
  if (repere.isEmpty()) {
    return *this;
  }
  int indice = -1;
  std::vector<Segment> resultat;
  resultat.reserve(segments_.size() + 4);
  for (const Segment& segment : segments_) {
    if (segment.valeur >= 0) {
      resultat.push_back(segment);
      continue;
    }
    qsizetype debut = 0;  // within the segment
    for (qsizetype trouve = Chercher(segment, 0, repere); trouve >= 0;
         trouve = Chercher(segment, debut, repere)) {
      if (indice < 0) {
        valeurs_.push_back(litteral);
        indice = static_cast<int>(valeurs_.size() - 1);
      }
      resultat.push_back({segment.debut + debut, trouve - segment.debut - debut, -1});
      resultat.push_back({0, 0, indice});
      debut = trouve - segment.debut + repere.size();
    }
    resultat.push_back({segment.debut + debut, segment.longueur - debut, -1});
  }
  segments_ = std::move(resultat);
  return *this;
}

QString ModeleSql::Texte() const {
  qsizetype taille = 0;
  for (const Segment& segment : segments_) {
    taille += segment.valeur >= 0 ? valeurs_[static_cast<std::size_t>(segment.valeur)].size()
                                  : segment.longueur;
  }
  QString texte;
  texte.reserve(taille);
  for (const Segment& segment : segments_) {
    if (segment.valeur >= 0) {
      texte += valeurs_[static_cast<std::size_t>(segment.valeur)];
    } else {
      texte += QStringView(modele_).sliced(segment.debut, segment.longueur);
    }
  }
  return texte;
}

}  // namespace brivane::dbase
