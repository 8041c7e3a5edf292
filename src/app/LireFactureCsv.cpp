#include "app/LireFactureCsv.h"

#include "platform/Windows1252.h"

#include <QStringView>

#include <charconv>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace brivane {

namespace {

constexpr qsizetype kChampsClient = 18;
constexpr qsizetype kChampsDetail = 4;

QString sansCaracteres(QStringView texte, QStringView aSupprimer) {
  QString resultat = texte.toString();
  resultat.removeIf([aSupprimer](QChar c) { return aSupprimer.contains(c); });
  return resultat;
}

QString nettoyerCodePostal(QStringView texte) { return sansCaracteres(texte, u"_() "); }

QString nettoyerTelephone(QStringView texte) { return sansCaracteres(texte, u"()- _"); }

QString sansGuillemets(QStringView texte) {
  return texte.contains(u'"') ? sansCaracteres(texte, u"\"") : texte.toString();
}

// Walks the lines of a text: each ends at LF, with or without CR before it;
// no empty line follows the last terminator.
class Lignes {
 public:
  explicit Lignes(QStringView texte) : texte_(texte) {}

  // The next line, or false at the end of the text.
  bool Suivante(QStringView& ligne) {
    if (debut_ >= texte_.size()) {
      return false;
    }
    qsizetype fin = texte_.indexOf(u'\n', debut_);
    if (fin < 0) {
      fin = texte_.size();
    }
    ligne = texte_.sliced(debut_, fin - debut_);
    if (ligne.endsWith(u'\r')) {
      ligne.chop(1);
    }
    debut_ = fin + 1;
    return true;
  }

 private:
  QStringView texte_;
  qsizetype debut_ = 0;
};

// The ";"-separated fields of a line, into champs (kept from line to line so
// that its storage is reused).
void decouperChamps(QStringView ligne, std::vector<QStringView>& champs) {
  champs.clear();
  qsizetype debut = 0;
  for (;;) {
    const qsizetype fin = ligne.indexOf(u';', debut);
    if (fin < 0) {
      champs.push_back(ligne.sliced(debut));
      return;
    }
    champs.push_back(ligne.sliced(debut, fin - debut));
    debut = fin + 1;
  }
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
QString citer(QStringView texte) {
  constexpr qsizetype kLongueurCitee = 40;
  constexpr qsizetype kDebut = 20;
  if (texte.size() <= kLongueurCitee) {
    return QStringLiteral("« %1 »").arg(texte);
  }
  return QStringLiteral("« %1… » (%2 caractères)")
      .arg(texte.left(kDebut), QString::number(texte.size()));
}

bool estChiffreAscii(QChar c) { return c >= u'0' && c <= u'9'; }

// The sentence the user reads: the file, the line when there is one, and why.
QString TexteLecture(const QString& chemin, int ligne, const QString& raison) {
  if (ligne > 0) {
    return QStringLiteral("Le fichier « %1 » ne peut pas être lu à la ligne %2 : %3.")
        .arg(chemin, QString::number(ligne), raison);
  }
  return QStringLiteral("Le fichier « %1 » ne peut pas être lu : %2.").arg(chemin, raison);
}

}  // namespace

ErreurLecture::ErreurLecture(QString chemin, int ligne, QString raison)
    : platform::Erreur(kFichierIllisible, TexteLecture(chemin, ligne, raison)),
      chemin_(std::move(chemin)),
      ligne_(ligne),
      raison_(std::move(raison)) {}

QString ErreurLecture::Texte() const { return description(); }

std::optional<double> LireNombre(const QString& texte) { return LireNombre(QStringView(texte)); }

std::optional<double> LireNombre(QStringView t) {
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

  // Gather the characters that form the number, without the blanks, then
  // convert them as the C locale would: the decimal point is always ".".
  std::string nombre;
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
    if (c == u'-') {
      nombre += '-';
    }
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
    nombre += static_cast<char>(c.unicode());
    ++i;
  }
  if (!chiffreVu) {
    return 0.0;
  }
  if (c == u'e' || c == u'E') {
    // The exponent counts only when digits follow it.
    const qsizetype debut = i;
    std::string exposant = "e";
    ++i;
    c = suivant();
    if (c == u'+' || c == u'-') {
      exposant += static_cast<char>(c.unicode());
      ++i;
    }
    bool chiffreExposant = false;
    for (c = suivant(); i < t.size() && estChiffreAscii(c); c = suivant()) {
      exposant += static_cast<char>(c.unicode());
      chiffreExposant = true;
      ++i;
    }
    if (chiffreExposant) {
      nombre += exposant;
    } else {
      i = debut;
    }
  }
  double valeur = 0;
  const auto [fin, erreur] = std::from_chars(nombre.data(), nombre.data() + nombre.size(), valeur);
  if (erreur == std::errc() && fin == nombre.data() + nombre.size()) {
    return valeur;
  }
  // Beyond a double, one way or the other: the C locale tells which.
  bool ok = false;
  valeur = QLocale::c().toDouble(QString::fromLatin1(nombre), &ok);
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
  const platform::LecteurFichierQt lecteur;
  LireFactureCsv(chemin, groupeProd, document, lecteur);
}

void LireFactureCsv(const QString& chemin, const QString& groupeProd, ComSoum& document,
                    const platform::LecteurFichier& lecteur, const QLocale& regional) {
  QString raison;
  std::optional<QByteArray> octets = lecteur.LireOctets(chemin, raison);
  if (!octets) {
    throw ErreurLecture(chemin, 0, raison);
  }
  const QString texte = platform::DecoderWindows1252(*octets);
  octets.reset();

  std::optional<std::int32_t> groupe;
  std::vector<QStringView> champs;
  Lignes lignes(texte);
  QStringView ligneLue;
  // Line 1 is skipped; the counter is 0 on line 2.
  lignes.Suivante(ligneLue);
  for (qsizetype n = 1; lignes.Suivante(ligneLue); ++n) {
    const qsizetype compteur = n - 1;
    const int numeroLigne = static_cast<int>(n + 1);
    if (compteur == 1) {
      continue;
    }
    decouperChamps(ligneLue, champs);
    const auto champ = [&champs](std::size_t k) { return champs[k].toString(); };
    if (compteur == 0) {
      if (champs.size() < static_cast<std::size_t>(kChampsClient)) {
        throw ErreurLecture(
            chemin, numeroLigne,
            QStringLiteral("la ligne du client compte %1 champs séparés par « ; » au lieu "
                           "d'au moins %2")
                .arg(QString::number(champs.size()), QString::number(kChampsClient)));
      }
      auto client = std::make_shared<Client>();
      client->Vendeur(champ(1));
      client->Condition(champ(3));
      client->Livraison(champ(4));
      client->Numero(champ(5));
      client->Nom(champ(6));
      client->Adresse(champ(7));
      client->Ville(champ(8));
      client->Province(champs[9].left(2).toString());
      client->CP(nettoyerCodePostal(champs[10]));
      client->NoTelephone(nettoyerTelephone(champs[11]));
      client->NoTelephonel(nettoyerTelephone(champs[11]));
      client->NoFax(nettoyerTelephone(champs[12]));
      client->NoFaxl(nettoyerTelephone(champs[12]));
      client->Noml(champ(13));
      client->Adressel(champ(14));
      client->Villel(champ(15));
      client->Provincel(champs[16].left(2).toString());
      client->CPl(nettoyerCodePostal(champs[17]));
      client->Courriel(QString());
      client->pays(QStringLiteral("Ca"));
      client->paysl(QStringLiteral("Ca"));
      document.Client(std::move(client));
      continue;
    }

    if (champs.size() < static_cast<std::size_t>(kChampsDetail)) {
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
    const QString code = sansGuillemets(champs[0]);
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
