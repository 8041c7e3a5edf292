#include "company/CompagnieDemo.h"

#include "acomba/BackEndAcomba.h"
#include "company/BaseCompagnie.h"
#include "company/MotDePasse.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace brivane::company {

namespace {

struct Groupe {
  std::int32_t numero;
  const char16_t* description;
};
constexpr Groupe kGroupes[] = {
    {1, u"Général"}, {2, u"Quincaillerie"}, {3, u"Matériaux"}, {4, u"Services"}, {5, u"Transport"}};

struct Taxe {
  const char16_t* code;
  std::int32_t reference;
  std::int32_t valeur;
  std::int32_t taux;  // ten-thousandths
  const char16_t* description;
};
constexpr Taxe kTaxes[] = {
    {acomba::BackEndAcomba::kTaxeFederale, 1, 1, 500, u"Taxe fédérale (5 %)"},
    {acomba::BackEndAcomba::kTaxeProvinciale, 2, 2, 950, u"Taxe provinciale (9,5 %)"}};

struct Vendeur {
  std::int32_t numero;
  const char16_t* code;
  const char16_t* nom;
};
constexpr Vendeur kVendeurs[] = {
    {1, u"ML", u"Marie Lavoie"}, {2, u"JD", u"Jean Dubois"}, {3, u"SB", u"Sophie Bernier"}};

QString S(const char16_t* texte) { return QString::fromUtf16(texte); }

}  // namespace

QStringList CompagnieDemo::Creer(const QString& dossier, const QString& utilisateur,
                                 const QString& motDePasse) {
  if (utilisateur.isEmpty() || motDePasse.isEmpty()) {
    throw ErreurBase(statuts::kOperationRefusee,
                     QStringLiteral("Le nom d'utilisateur et le mot de passe sont obligatoires."));
  }
  QStringList fait;
  if (!QFileInfo(dossier).isDir()) {
    if (!QDir().mkpath(dossier)) {
      throw ErreurBase(statuts::kOperationRefusee,
                       QStringLiteral("Impossible de créer le dossier « %1 ».").arg(dossier));
    }
    fait << QStringLiteral("Dossier créé : %1").arg(QDir(dossier).absolutePath());
  }
  const QString fichier = BaseCompagnie::CheminFichier(dossier);
  if (QFileInfo::exists(fichier)) {
    throw ErreurBase(statuts::kOperationRefusee,
                     QStringLiteral("Le dossier « %1 » contient déjà une compagnie ; elle n'a pas "
                                    "été touchée.")
                         .arg(dossier));
  }

  try {
    auto base = BaseCompagnie::Creer(dossier, S(kNom));
    base->Transaction([&] {
      Requete u(base->db(), QStringLiteral("INSERT INTO utilisateur (numero, code, nom, "
                                           "mot_de_passe) VALUES (1, ?, ?, ?)"));
      u.Lier(1, utilisateur)
          .Lier(2, QStringLiteral("Utilisateur de démonstration"))
          .Lier(3, EmpreinteMotDePasse(motDePasse));
      u.Executer();
      for (const Groupe& g : kGroupes) {
        Requete r(base->db(),
                  QStringLiteral("INSERT INTO groupe_produit (numero, description) VALUES (?, ?)"));
        r.Lier(1, g.numero).Lier(2, S(g.description));
        r.Executer();
      }
      for (const Taxe& t : kTaxes) {
        Requete r(base->db(), QStringLiteral("INSERT INTO taxe (code, reference, valeur, taux_1, "
                                             "description) VALUES (?, ?, ?, ?, ?)"));
        r.Lier(1, S(t.code)).Lier(2, t.reference).Lier(3, t.valeur).Lier(4, t.taux);
        r.Lier(5, S(t.description));
        r.Executer();
      }
      for (const Vendeur& v : kVendeurs) {
        Requete r(base->db(),
                  QStringLiteral("INSERT INTO vendeur (numero, code, nom) VALUES (?, ?, ?)"));
        r.Lier(1, v.numero).Lier(2, S(v.code)).Lier(3, S(v.nom));
        r.Executer();
      }
    });
  } catch (...) {
    QFile::remove(fichier);
    throw;
  }

  fait << QStringLiteral("Compagnie créée : %1").arg(QFileInfo(fichier).absoluteFilePath());
  fait << QStringLiteral("Utilisateur : %1 (mot de passe : %2)").arg(utilisateur, motDePasse);
  for (const Groupe& g : kGroupes) {
    fait << QStringLiteral("Groupe de produit %1 : %2")
                .arg(QString::number(g.numero), S(g.description));
  }
  for (const Taxe& t : kTaxes) {
    fait << QStringLiteral("Taxe « %1 » : taux %2 dix-millièmes (%3)")
                .arg(S(t.code), QString::number(t.taux), S(t.description));
  }
  for (const Vendeur& v : kVendeurs) {
    fait << QStringLiteral("Vendeur %1 (%2) : %3")
                .arg(QString::number(v.numero), S(v.code), S(v.nom));
  }
  return fait;
}

}  // namespace brivane::company
