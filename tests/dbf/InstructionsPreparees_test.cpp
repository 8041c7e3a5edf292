// A text run through the statement compiled for its shape must write and
// answer exactly what the same text compiled on its own does.
#include "dbase/BackEndDbf.h"
#include "dbase/DossierDemoDbf.h"
#include "dbase/LitteralSql.h"
#include "dbf/BaseDbf.h"
#include "document/ComSoum.h"
#include "platform/ErreurBaseDonnees.h"
#include "support/HorlogeFixe.h"
#include "support/LigneDbf.h"
#include "support/NomOrdinateurFixe.h"
#include "support/ParametresRegionauxFixes.h"
#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cmath>

namespace brivane::dbf {
namespace {

namespace lit = dbase::literal;
using std::chrono::milliseconds;

const QStringList kTextes = {u""_qs,
                             u" "_qs,
                             u"O'Neil"_qs,
                             u"''"_qs,
                             u"L'Érable à Québec"_qs,
                             u"  tête"_qs,
                             u"fin "_qs,
                             u"007"_qs,
                             u"-5"_qs,
                             u"1e5"_qs,
                             u"null"_qs,
                             u"true"_qs,
                             u"?1 :x @y"_qs,
                             u"-- /*"_qs,
                             u"é\tç"_qs,
                             u"123456789012345"_qs};
const std::vector<double> kNombres = {0,
                                      -0.0,
                                      1,
                                      -1,
                                      0.1,
                                      -12.5,
                                      2.675,
                                      1.005,
                                      1e15 - 1,
                                      -123456789012345,
                                      0.000123456789012345,
                                      9.87654321098765e-7,
                                      12345678.1234567,
                                      1e20};

// One posting's worth of texts in every shape the back end writes, over the corpus.
QStringList Textes() {
  QStringList t;
  int ligne = 0;
  for (const QString& texte : kTextes) {
    for (const double x : kNombres) {
      const QString code =
          lit::TexteCite(lit::CodeProduitApres(texte.left(12) + QString::number(++ligne)));
      const QString montant = std::abs(x) < 1e9 ? lit::Montant(x) : lit::Nombre(x);
      t << u"select * from produi where pnum="_qs + code
        << u"insert into produi(pnum,pnom,pnoma,pfrn,ptxp,ptxf,pcou,pfmt) values("_qs + code +
               u","_qs + lit::TexteCite(texte) + u",'',"_qs + lit::TexteCite(texte.left(10)) +
               u","_qs + lit::Drapeau(x < 0) + u",0,"_qs + lit::Nombre(x) + u","_qs +
               lit::TexteCite(texte) + u")"_qs
        << u"select * from produi where pnum="_qs + code
        << u"insert into client(CNUM,CNOM,CADR,cpays) VALUES("_qs + lit::TexteCite(texte.left(10)) +
               u","_qs + lit::TexteCite(texte) + u","_qs + lit::TexteOptionnel(texte) + u",null)"_qs
        << u"insert into factit (finofact,filigne,fipnum,fipnom,fipqtec,fipprix,fipvent,ficode) values ("_qs +
               lit::NumeroDocument(x < 0, ligne) + u","_qs + QString::number(ligne) + u","_qs +
               code + u","_qs + lit::TexteCite(texte) + u","_qs + montant + u","_qs + montant +
               u","_qs + montant + u",'F')"_qs
        << u"insert into factma (FFCNUM,FFNOFACT,FFDATE,FFPRCTXP,FFCredit) values("_qs +
               lit::TexteCite(texte.left(10)) + u","_qs + lit::NumeroDocument(true, ligne) +
               u","_qs + lit::Date(QDate(2026, 12, 9), u"-"_qs) + u","_qs + lit::Nombre(x / 1e6) +
               u",false)"_qs;
    }
  }
  // Forms beyond what the back end writes today.
  t << u"update solde set snexts = snexts + 1"_qs << u"update solde set snexts = snexts -1"_qs
    << u"insert into produi(pnum,pcou,pqte) values('R1', -0.0, - 5)"_qs
    << u"insert into produi(pnum,pcou,pqte) values('R2', 1E3, .5e-1)"_qs
    << u"insert into produi(pnum,pcou) values('R3', 99999999999999999999)"_qs
    << u"update produi set pqte = pqte - -2.5, pnoma = 'x''y' where pnum = 'R1' or pnum = 'R2'"_qs
    << u"select 'a', 1.50, null, -2 from solde"_qs
    << u"select count(*) from produi where pnum = 'R2'"_qs
    << u"select * from produi where pnoma is null and pnum='R3'"_qs
    << u"insert into produi(pnum) values('a' 'b')"_qs << u"insert into produi(pnum) values(?)"_qs
    << u"select * from produi; select 1"_qs << u"delete from produi where pnum = 'R1'"_qs;
  return t;
}

QString Decrire(const platform::ValeurColonne& v) {
  if (const auto* n = std::get_if<qlonglong>(&v)) return u"int "_qs + QString::number(*n);
  if (const auto* x = std::get_if<double>(&v)) return u"real "_qs + QString::number(*x, 'g', 17);
  if (const auto* s = std::get_if<QString>(&v)) return u"text "_qs + *s;
  return u"null"_qs;
}

// What a run answered, statement by statement, and the bytes of every table after it.
QStringList Executer(const QString& dossier, bool parForme, const QStringList& textes) {
  QStringList vu;
  BaseDbf base(os::SystemeFichiers::Reel(), dossier, milliseconds(100));
  base.CompilerParForme(parForme);
  base.Begin({u"client"_qs, u"produi"_qs, u"factma"_qs, u"factit"_qs, u"solde"_qs},
             milliseconds(100));
  for (const QString& texte : textes) {
    try {
      auto r = base.Execute(texte);
      QString ligne = r->IsOpen() && !r->Eof() ? u"row"_qs : u"none"_qs;
      for (const char* c :
           {"PNOM", "PCOU", "PQTE", "PNOMA", "'a'", "1.50", "null", "-2", "count(*)"}) {
        try {
          ligne += u' ' + Decrire(r->Field(QString::fromLatin1(c)));
        } catch (const platform::ErreurBaseDonnees&) {
        }
      }
      vu << ligne;
    } catch (const platform::ErreurBaseDonnees& e) {
      vu << QString::number(e.numero()) + u' ' + e.description();
    }
  }
  base.Commit();
  for (const QFileInfo& f : QDir(dossier).entryInfoList({u"*.dbf"_qs}, QDir::Files, QDir::Name)) {
    QFile file(f.absoluteFilePath());
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    vu << f.fileName() + u' ' + QString::fromLatin1(file.readAll().toHex());
  }
  return vu;
}

TEST(InstructionsPreparees, EveryShapeOverHostileValuesWritesAndAnswersAsTextsCompiledOneByOne) {
  QTemporaryDir dir;
  const QString seul = dir.filePath(u"seul"_qs), forme = dir.filePath(u"forme"_qs);
  dbase::DossierDemoDbf().Creer(seul);
  dbase::DossierDemoDbf().Creer(forme);
  const QStringList textes = Textes();
  const QStringList attendu = Executer(seul, false, textes);
  const QStringList obtenu = Executer(forme, true, textes);
  ASSERT_EQ(attendu.size(), obtenu.size());
  for (qsizetype i = 0; i < attendu.size(); ++i) {
    EXPECT_EQ(attendu[i], obtenu[i]) << (i < textes.size() ? textes[i] : u"file"_qs).toStdString();
  }
  // The corpus reaches the tables and the refusals alike.
  EXPECT_GT(attendu.filter(QRegularExpression(u"^row "_qs)).size(), 100);
  EXPECT_GT(attendu.filter(QRegularExpression(u"^-2"_qs)).size(), 10);
}

class Connexions final : public platform::FournisseurBaseDonnees {
 public:
  explicit Connexions(bool parForme) : parForme_(parForme) {}
  std::unique_ptr<platform::BaseDonnees> Open(const QString& chaine) override {
    auto base = std::make_unique<BaseDbf>(os::SystemeFichiers::Reel(),
                                          chaine.section(u"Data Source="_qs, 1), milliseconds(100));
    base->CompilerParForme(parForme_);
    return base;
  }

 private:
  bool parForme_;
};

// The whole posting as the back end runs it, with hostile customer and lines.
QString Poster(const QString& dossier, bool parForme, int n) {
  ServicesDocument services;
  services.horloge = std::make_shared<testing::HorlogeFixe>(QDate(2026, 12, 9));
  services.dbase = [parForme](ComSoum& d) -> std::unique_ptr<BackEnd> {
    return std::make_unique<dbase::BackEndDbf>(
        d, dbase::ServicesDbf{std::make_shared<Connexions>(parForme),
                              std::make_shared<testing::NomOrdinateurFixe>(u"POSTE 'É'"_qs),
                              std::make_shared<testing::ParametresRegionauxFixes>(u"/"_qs),
                              os::SystemeFichiers::Reel()});
  };
  ComSoum document(services);
  document.SystemeComptable(2);
  document.cheminCie(dossier);
  auto client = std::make_shared<Client>();
  client->Numero(kTextes[n % kTextes.size()].left(9) + u"C"_qs);
  client->Nom(kTextes[(n + 2) % kTextes.size()] + u"N"_qs);
  client->Adresse(kTextes[(n + 5) % kTextes.size()]);
  document.Client(client);
  for (qsizetype i = 0; i < kTextes.size(); ++i) {
    // Amounts that a cost and a line's total can hold, signs and decimals kept.
    const auto montant = [](std::size_t k) {
      const double x = kNombres[k % kNombres.size()];
      return std::abs(x) < 1e6 ? x : x / 1e15;
    };
    auto ligne = testing::LigneDbf(
        kTextes[i].left(8) + QString::number(i % 3), montant(static_cast<std::size_t>(i + n)),
        std::round(std::abs(montant(static_cast<std::size_t>(i))) * 1e4) / 1e4);
    ligne->Description(kTextes[(i + n) % kTextes.size()] + u"D"_qs);
    document.AddItem(ligne);
  }
  return document.Enregistrer() ? u"ok"_qs : document.Message();
}

TEST(InstructionsPreparees, PostingsOfTheBackEndWriteTheSameBytesEitherWay) {
  QTemporaryDir dir;
  const QString seul = dir.filePath(u"seul"_qs), forme = dir.filePath(u"forme"_qs);
  dbase::DossierDemoDbf().Creer(seul);
  dbase::DossierDemoDbf().Creer(forme);
  int postees = 0;
  for (int n = 0; n < 6; ++n) {
    const QString attendu = Poster(seul, false, n);
    EXPECT_EQ(attendu, Poster(forme, true, n));
    postees += attendu == u"ok"_qs;
  }
  EXPECT_GE(postees, 3);
  EXPECT_EQ(Executer(seul, false, {}), Executer(forme, true, {}));
}

}  // namespace
}  // namespace brivane::dbf
