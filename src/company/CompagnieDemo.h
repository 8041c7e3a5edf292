#pragma once

#include <QString>
#include <QStringList>

namespace brivane::company {

// What a demo company holds besides its user.
struct CompagnieDemo {
  static constexpr auto kUtilisateur = u"demo";
  static constexpr auto kMotDePasse = u"demo";
  static constexpr auto kNom = u"Compagnie de démonstration";

  // Creates a built-in company in dossier (made if missing): one user with
  // its password, product groups 1 to 5, the federal and provincial tax
  // records, three sales reps. Never touches an existing company: refuses a
  // folder that holds one. Returns, in French, one line per thing created.
  // Throws ErreurBase (kOperationRefusee with a French reason for a refusal
  // of its own); a company left half-made is removed first.
  static QStringList Creer(const QString& dossier, const QString& utilisateur,
                           const QString& motDePasse);
};

}  // namespace brivane::company
