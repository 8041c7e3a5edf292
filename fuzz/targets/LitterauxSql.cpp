#include "app/LireFactureCsv.h"
#include "dbase/LitteralSql.h"
#include "dbase/ModeleSql.h"
#include "document/ErreurInattendue.h"
#include "platform/Windows1252.h"
#include "targets/Targets.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace brivane::fuzz {

namespace {

constexpr const char* kCible = "sql_literal";
namespace lit = dbase::literal;

[[noreturn]] void Echec(const QString& quoi) { fuzz::Echec(kCible, quoi); }

sqlite3* Connexion() {
  static sqlite3* db = [] {
    sqlite3* d = nullptr;
    if (sqlite3_open(":memory:", &d) != SQLITE_OK ||
        sqlite3_exec(d, "CREATE TABLE t(a, b, c, d, e, f)", nullptr, nullptr, nullptr) !=
            SQLITE_OK) {
      Echec(QStringLiteral("base en mémoire impossible"));
    }
    return d;
  }();
  return db;
}

struct Requete {
  sqlite3_stmt* stmt = nullptr;
  ~Requete() { sqlite3_finalize(stmt); }
};

QString TexteColonne(sqlite3_stmt* stmt, int i) {
  return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)),
                           sqlite3_column_bytes(stmt, i));
}

std::int64_t Compter(const char* sql) {
  Requete r;
  if (sqlite3_prepare_v2(Connexion(), sql, -1, &r.stmt, nullptr) != SQLITE_OK ||
      sqlite3_step(r.stmt) != SQLITE_ROW) {
    Echec(QStringLiteral("comptage impossible"));
  }
  return sqlite3_column_int64(r.stmt, 0);
}

// A number form: its text, or nothing when the form refused the value.
std::optional<QString> Forme(QString (*forme)(double), double valeur) {
  try {
    return forme(valeur);
  } catch (const ErreurInattendue& e) {
    if (std::isfinite(valeur) && std::fabs(valeur) < 1e15) {
      Echec(QStringLiteral("nombre ordinaire refusé : ") + e.description());
    }
    return std::nullopt;
  }
}

bool Proches(double a, double b, double ecart) {
  return std::fabs(a - b) <= ecart + std::max(std::fabs(a), std::fabs(b)) * 1e-14 + 1e-300;
}

// The column holds the number its text says, and that text is within `ecart`
// of the value written.
void VerifierNombre(sqlite3_stmt* stmt, int colonne, const QString& texte, double valeur,
                    double ecart, const char* nom) {
  const int type = sqlite3_column_type(stmt, colonne);
  if (type != SQLITE_INTEGER && type != SQLITE_FLOAT) {
    Echec(QStringLiteral("%1 n'est pas rangé comme un nombre : %2").arg(QLatin1String(nom), texte));
  }
  const double range = sqlite3_column_double(stmt, colonne);
  const double dit = std::strtod(texte.toLatin1().constData(), nullptr);
  if (!Proches(range, dit, 0) || !Proches(dit, valeur, ecart)) {
    Echec(QStringLiteral("%1 écrit %2 pour %3, relu %4")
              .arg(QLatin1String(nom), texte, QString::number(valeur, 'g', 17),
                   QString::number(range, 'g', 17)));
  }
}

}  // namespace

// The input: a separator byte, then up to four values it separates, each
// read as Windows-1252 like an invoice file. The numbers are the values read
// as amounts, and the raw bits of the first eight bytes.
void LitterauxSql(const std::uint8_t* data, std::size_t size) {
  if (size < 1) {
    return;
  }
  const QByteArray octets(reinterpret_cast<const char*>(data + 1),
                          static_cast<qsizetype>(size - 1));
  QList<QByteArray> morceaux = octets.split(static_cast<char>(data[0]));
  while (morceaux.size() < 4) {
    morceaux.append(QByteArray());
  }
  QStringList v;
  for (int i = 0; i < 4; ++i) {
    v << platform::DecoderWindows1252(morceaux[i]);
  }
  double brut = 0;
  if (octets.size() >= 8) {
    std::memcpy(&brut, octets.constData(), sizeof brut);
  }
  const double quantite = LireNombre(v[2]).value_or(0);

  // Written as the back end writes them; a value holding "@b" stays itself.
  const std::optional<QString> nombre = Forme(lit::Nombre, brut);
  const std::optional<QString> montant = Forme(lit::Montant, quantite);
  dbase::ModeleSql insert(
      {QStringLiteral("insert into t(a,b,c,d,e,f) "), QStringLiteral("values(@a,@b,@c,@d,@e,@f)")});
  insert.Remplacer(QStringLiteral("@a"), lit::TexteCite(v[0]))
      .Remplacer(QStringLiteral("@b"), lit::TexteOptionnel(v[1]))
      .Remplacer(QStringLiteral("@c"), lit::TexteCite(lit::CodeProduitApres(v[2])))
      .Remplacer(QStringLiteral("@d"), lit::TexteCite(lit::CodeProduitAvant(v[3])))
      .Remplacer(QStringLiteral("@e"), nombre.value_or(QStringLiteral("0")))
      .Remplacer(QStringLiteral("@f"), montant.value_or(QStringLiteral("0")));
  const QByteArray sql = insert.Texte().toUtf8();

  sqlite3* db = Connexion();
  sqlite3_exec(db, "DELETE FROM t", nullptr, nullptr, nullptr);
  {
    Requete r;
    const char* reste = nullptr;
    const int code =
        sqlite3_prepare_v2(db, sql.constData(), static_cast<int>(sql.size()), &r.stmt, &reste);
    if (code != SQLITE_OK || r.stmt == nullptr) {
      Echec(QStringLiteral("instruction refusée (%1) : %2")
                .arg(QString::fromUtf8(sqlite3_errmsg(db)), QString::fromUtf8(sql)));
    }
    if (reste != sql.constData() + sql.size()) {
      Echec(QStringLiteral("plus d'une instruction : ") + QString::fromUtf8(sql));
    }
    if (sqlite3_step(r.stmt) != SQLITE_DONE || sqlite3_changes(db) != 1) {
      Echec(QStringLiteral("l'insertion n'a pas écrit une ligne : ") + QString::fromUtf8(sql));
    }
  }
  if (Compter("SELECT count(*) FROM t") != 1 ||
      Compter("SELECT count(*) FROM sqlite_schema") != 1) {
    Echec(QStringLiteral("l'instruction a touché autre chose que sa ligne : ") +
          QString::fromUtf8(sql));
  }

  Requete r;
  if (sqlite3_prepare_v2(db, "SELECT a, b, c, d, e, f FROM t", -1, &r.stmt, nullptr) != SQLITE_OK ||
      sqlite3_step(r.stmt) != SQLITE_ROW) {
    Echec(QStringLiteral("ligne illisible"));
  }
  const auto texte = [&](int i, const QString& attendu) {
    if (sqlite3_column_type(r.stmt, i) != SQLITE_TEXT || TexteColonne(r.stmt, i) != attendu) {
      Echec(QStringLiteral("colonne %1 : « %2 » écrit, « %3 » relu")
                .arg(QString::number(i), attendu, TexteColonne(r.stmt, i)));
    }
  };
  texte(0, v[0]);
  if (v[1].isEmpty()) {
    if (sqlite3_column_type(r.stmt, 1) != SQLITE_NULL) {
      Echec(QStringLiteral("un texte vide optionnel n'est pas null"));
    }
  } else {
    texte(1, v[1]);
  }
  texte(2, v[2].leftJustified(21, u'.'));
  texte(3, v[3].rightJustified(21, u'.'));
  if (nombre) {
    VerifierNombre(r.stmt, 4, *nombre, brut, 0, "Nombre");
  }
  if (montant) {
    VerifierNombre(r.stmt, 5, *montant, quantite, 0.005, "Montant");
  }
}

}  // namespace brivane::fuzz
