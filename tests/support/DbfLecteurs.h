#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace brivane::testing {

// The live rows of every table of several folders as two more independent
// readers count them: Debian's python3-dbf and Perl's XBase (DBD::XBase).
//   { "python3-dbf": { folder: { table: live rows or error text } },
//     "xbase":       { folder: { table: live rows or error text } } }
// A reader that is not installed gives { reader: "absent" }.
inline QJsonObject ComptesLecteurs(const QStringList& dossiers) {
  static const char* kPython = R"(
import json, os, sys
try:
    import dbf
except ImportError:
    print(json.dumps('absent')); sys.exit(0)
out = {}
for folder in sys.argv[1:]:
    tables = {}
    for name in sorted(os.listdir(folder)):
        if not name.lower().endswith('.dbf'):
            continue
        try:
            t = dbf.Table(os.path.join(folder, name), codepage='cp1252')
            t.open(dbf.READ_ONLY)
            try:
                tables[name[:-4].lower()] = sum(1 for r in t if not dbf.is_deleted(r))
            finally:
                t.close()
        except Exception as e:
            tables[name[:-4].lower()] = '%s: %s' % (type(e).__name__, e)
    out[folder] = tables
print(json.dumps(out))
)";
  static const char* kPerl = R"(
use strict; use warnings;
my $ok = eval { require XBase; 1 };
unless ($ok) { print "\"absent\"\n"; exit 0; }
my @out;
for my $folder (@ARGV) {
  opendir(my $d, $folder) or die; my @names = sort grep { /\.dbf$/i } readdir($d); closedir($d);
  my @tables;
  for my $name (@names) {
    my $t = XBase->new("$folder/$name");
    my $value;
    if (!$t) { $value = '"' . XBase->errstr . '"'; $value =~ s/\n/ /g; }
    else {
      my $live = 0;
      for my $i (0 .. $t->last_record) { my ($deleted) = $t->get_record($i); $live++ unless $deleted; }
      $t->close; $value = $live;
    }
    (my $key = lc $name) =~ s/\.dbf$//;
    push @tables, "\"$key\":$value";
  }
  push @out, "\"$folder\":{" . join(',', @tables) . "}";
}
print "{" . join(',', @out) . "}\n";
)";
  QJsonObject resultat;
  const auto lancer = [&](const QString& programme, const QStringList& arguments) {
    QProcess p;
    p.start(programme, arguments + dossiers);
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
      return QJsonValue(QString::fromUtf8(p.readAllStandardError()));
    }
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray("[") + p.readAllStandardOutput() + "]");
    return doc.array().at(0);
  };
  resultat[QStringLiteral("python3-dbf")] = lancer(
      QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromLatin1(kPython)});
  resultat[QStringLiteral("xbase")] =
      lancer(QStringLiteral("/usr/bin/perl"), {QStringLiteral("-e"), QString::fromLatin1(kPerl)});
  return resultat;
}

}  // namespace brivane::testing
