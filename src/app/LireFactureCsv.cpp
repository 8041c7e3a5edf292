#include "app/LireFactureCsv.h"

#include "platform/Windows1252.h"

#include <QList>
#include <QStringView>

#include <cmath>
#include <limits>
#include <memory>

namespace brivane {

namespace {

constexpr qsizetype kChampsClient = 18;
constexpr qsizetype kChampsDetail = 4;

QString sansCaracteres(QString texte, QStringView aSupprimer) {
  texte.removeIf([aSupprimer](QChar c) { return aSupprimer.contains(c); });
  return texte;
}

QString nettoyerCodePostal(const QString& texte) { return sansCaracteres(texte, u"_() "); }

QString nettoyerTelephone(const QString& texte) { return sansCaracteres(texte, u"()- _"); }

QString sansGuillemets(const QString& texte) { return sansCaracteres(texte, u"\""); }

// The lines of the file: each ends at LF, with or without CR before it; no
// empty line follows the last terminator.
QList<QString> decouperLignes(const QString& texte) {
  QList<QString> lignes = texte.split(u'\n');
  if (!lignes.isEmpty() && lignes.constLast().isEmpty()) {
    lignes.removeLast();
  }
  for (QString& ligne : lignes) {
    if (ligne.endsWith(u'\r')) {
      ligne.chop(1);
    }
  }
  return lignes;
}

bool estBlanc(QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; }

int valeurChiffre(QChar c) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  return 99;
}

// Reads a whole number in base 8 or 16, from position i after its prefix.
// These notations write 32-bit values: a wider one is too large, as a
// quantity of 10^12 from "&HFFFFFFFFFF" would be no quantity at all.
std::optional<double> lireEntierBase(QStringView texte, qsizetype i, int base) {
  constexpr double kMaximum = 4294967295.0;  // &HFFFFFFFF
  double valeur = 0;
  for (; i < texte.size(); ++i) {
    if (estBlanc(texte[i])) {
      continue;
    }
    const int chiffre = valeurChiffre(texte[i]);
    if (chiffre >= base) {
      break;
    }
    valeur = valeur * base + chiffre;
    if (valeur > kMaximum) {
      return std::nullopt;
    }
  }
  return valeur;
}

// A value from the file as a message quotes it: whole when short, else its
// beginning and its length, so that a message never carries megabytes.
QString citer(const QString& texte) {
  constexpr qsizetype kLongueurCitee = 40;
  constexpr qsizetype kDebut = 20;
  if (texte.size() <= kLongueurCitee) {
    return QStringLiteral("« %1 »").arg(texte);
  }
  return QStringLiteral("« %1… » (%2 caractères)")
      .arg(texte.left(kDebut), QString::number(texte.size()));
}

bool estChiffreAscii(QChar c) { return c >= u'0' && c <= u'9'; }

}  // namespace

ErreurLecture::ErreurLecture(QString chemin, int ligne, QString raison)
    : std::runtime_error("invoice file cannot be read"),
      chemin_(std::move(chemin)),
      ligne_(ligne),
      raison_(std::move(raison)) {}

QString ErreurLecture::Texte() const {
  if (ligne_ > 0) {
    return QStringLiteral("Le fichier « %1 » ne peut pas être lu à la ligne %2 : %3.")
        .arg(chemin_, QString::number(ligne_), raison_);
  }
  return QStringLiteral("Le fichier « %1 » ne peut pas être lu : %2.").arg(chemin_, raison_);
}

std::optional<double> LireNombre(const QString& texte) {
  const QStringView t(texte);
  qsizetype i = 0;
  while (i < t.size() && estBlanc(t[i])) {
    ++i;
  }
  if (i + 1 < t.size() && t[i] == u'&') {
    const QChar prefixe = t[i + 1].toUpper();
    if (prefixe == u'H') {
      return lireEntierBase(t, i + 2, 16);
    }
    if (prefixe == u'O') {
      return lireEntierBase(t, i + 2, 8);
    }
    return 0.0;
  }

  // Gather the characters that form the number, without the blanks, then let
  // the C locale convert them: the decimal point is always ".".
  QString nombre;
  bool pointVu = false;
  bool chiffreVu = false;
  auto suivant = [&]() {
    while (i < t.size() && estBlanc(t[i])) {
      ++i;
    }
    return i < t.size() ? t[i] : QChar();
  };
  QChar c = suivant();
  if (c == u'+' || c == u'-') {
    nombre += c;
    ++i;
  }
  for (c = suivant(); i < t.size(); c = suivant()) {
    if (estChiffreAscii(c)) {
      chiffreVu = true;
    } else if (c == u'.' && !pointVu) {
      pointVu = true;
    } else {
      break;
    }
    nombre += c;
    ++i;
  }
  if (!chiffreVu) {
    return 0.0;
  }
  if (c == u'e' || c == u'E') {
    // The exponent counts only when digits follow it.
    const qsizetype debut = i;
    QString exposant = QStringLiteral("e");
    ++i;
    c = suivant();
    if (c == u'+' || c == u'-') {
      exposant += c;
      ++i;
    }
    bool chiffreExposant = false;
    for (c = suivant(); i < t.size() && estChiffreAscii(c); c = suivant()) {
      exposant += c;
      chiffreExposant = true;
      ++i;
    }
    if (chiffreExposant) {
      nombre += exposant;
    } else {
      i = debut;
    }
  }
  bool ok = false;
  const double valeur = QLocale::c().toDouble(nombre, &ok);
  if (!ok || !std::isfinite(valeur)) {
    // Digits were read, so the only failure left is a value beyond a double;
    // an underflow to zero is fine.
    if (std::isfinite(valeur) && valeur == 0.0) {
      return 0.0;
    }
    return std::nullopt;
  }
  return valeur;
}

std::optional<std::int32_t> ConvertirGroupeProd(const QString& texte, const QLocale& regional) {
  bool ok = false;
  const double valeur = regional.toDouble(texte.trimmed(), &ok);
  if (!ok || !std::isfinite(valeur)) {
    return std::nullopt;
  }
  // nearbyint rounds halves to even under the default rounding mode.
  const double arrondi = std::nearbyint(valeur);
  if (arrondi < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
      arrondi > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(arrondi);
}

void LireFactureCsv(const QString& chemin, const QString& groupeProd, ComSoum& document) {
  const platform::QtLecteurFichier lecteur;
  LireFactureCsv(chemin, groupeProd, document, lecteur);
}

void LireFactureCsv(const QString& chemin, const QString& groupeProd, ComSoum& document,
                    const platform::LecteurFichier& lecteur, const QLocale& regional) {
  QString raison;
  const std::optional<QByteArray> octets = lecteur.LireOctets(chemin, raison);
  if (!octets) {
    throw ErreurLecture(chemin, 0, raison);
  }
  const QList<QString> lignes = decouperLignes(platform::DecoderWindows1252(*octets));

  std::optional<std::int32_t> groupe;
  // Line 1 is skipped; the counter is 0 on line 2.
  for (qsizetype n = 1; n < lignes.size(); ++n) {
    const qsizetype compteur = n - 1;
    const int numeroLigne = static_cast<int>(n + 1);
    if (compteur == 1) {
      continue;
    }
    const QList<QString> champs = lignes[n].split(u';');
    if (compteur == 0) {
      if (champs.size() < kChampsClient) {
        throw ErreurLecture(
            chemin, numeroLigne,
            QStringLiteral("la ligne du client compte %1 champs séparés par « ; » au lieu "
                           "d'au moins %2")
                .arg(QString::number(champs.size()), QString::number(kChampsClient)));
      }
      auto client = std::make_shared<Client>();
      client->Vendeur(champs[1]);
      client->Condition(champs[3]);
      client->Livraison(champs[4]);
      client->Numero(champs[5]);
      client->Nom(champs[6]);
      client->Adresse(champs[7]);
      client->Ville(champs[8]);
      client->Province(champs[9].left(2));
      client->CP(nettoyerCodePostal(champs[10]));
      client->NoTelephone(nettoyerTelephone(champs[11]));
      client->NoTelephonel(nettoyerTelephone(champs[11]));
      client->NoFax(nettoyerTelephone(champs[12]));
      client->NoFaxl(nettoyerTelephone(champs[12]));
      client->Noml(champs[13]);
      client->Adressel(champs[14]);
      client->Villel(champs[15]);
      client->Provincel(champs[16].left(2));
      client->CPl(nettoyerCodePostal(champs[17]));
      client->Courriel(QString());
      client->pays(QStringLiteral("Ca"));
      client->paysl(QStringLiteral("Ca"));
      document.Client(std::move(client));
      continue;
    }

    if (champs.size() < kChampsDetail) {
      throw ErreurLecture(
          chemin, numeroLigne,
          champs.size() == 1 && champs[0].isEmpty()
              ? QStringLiteral("la ligne de détail est vide")
              : QStringLiteral("la ligne de détail compte %1 champs séparés "
                               "par « ; » au lieu d'au moins %2")
                    .arg(QString::number(champs.size()), QString::number(kChampsDetail)));
    }
    if (!groupe) {
      groupe = ConvertirGroupeProd(groupeProd, regional);
      if (!groupe) {
        throw ErreurLecture(chemin, numeroLigne,
                            QStringLiteral("le groupe de produit « %1 » de la configuration "
                                           "n'est pas un nombre entier valide")
                                .arg(groupeProd));
      }
    }
    const std::optional<double> quantite = LireNombre(champs[2]);
    const std::optional<double> cout = LireNombre(champs[3]);
    if (!quantite || !cout) {
      throw ErreurLecture(chemin, numeroLigne,
                          QStringLiteral("le nombre %1 est trop grand")
                              .arg(citer(quantite ? champs[3] : champs[2])));
    }
    auto ligne = std::make_shared<Item>();
    QString code = sansGuillemets(champs[0]);
    ligne->code(code.isEmpty() ? QStringLiteral("INFO") : code);
    ligne->Description(sansGuillemets(champs[1]));
    ligne->Quantite(*quantite);
    ligne->Cout(*cout);
    ligne->TaxableFederal(true);
    ligne->TaxableProvincial(true);
    ligne->Format(QStringLiteral("9"));
    ligne->SousGroupe(QStringLiteral("Mat"));
    ligne->Localisation(QString());
    ligne->GroupeProduit(*groupe);
    document.AddItem(std::move(ligne));
  }
}

}  // namespace brivane
