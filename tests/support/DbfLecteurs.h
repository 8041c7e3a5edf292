#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace brivane::testing {

// The live rows of every table of several folders as Perl's XBase
// (DBD::XBase) counts them: { folder: { table: live rows or error text } },
// or the text "absent" when it is not installed. python3-dbf's count comes
// with EtatDbf.
inline QJsonValue ComptesXBase(const QStringList& dossiers) {
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
  QProcess perl;
  perl.start(QStringLiteral("/usr/bin/perl"),
             QStringList{QStringLiteral("-e"), QString::fromLatin1(kPerl)} + dossiers);
  if (!perl.waitForFinished(120000) || perl.exitCode() != 0) {
    return QJsonValue(QString::fromUtf8(perl.readAllStandardError()));
  }
  return QJsonDocument::fromJson(QByteArray("[") + perl.readAllStandardOutput() + "]")
      .array()
      .at(0);
}

}  // namespace brivane::testing
