#!/usr/bin/perl
# Perl DBD::XBase running the statement texts of one posting (SQL over .dbf
# files, the nearest peer), each run on a fresh copy of the company.
#
# Usage: dbd_xbase.pl PRISTINE STATEMENTS [REPETITIONS] -- prints a JSON object
# with the median over the repetitions (3 by default). STATEMENTS holds one
# statement per line, as the posting ran them; the literal false, which
# DBD::XBase does not parse, is given as 'F'.
use strict;
use warnings;
use DBI;
use File::Copy;
use File::Temp qw(tempdir);
use Time::HiRes qw(time);

my ($pristine, $file, $repetitions) = @ARGV;
$repetitions ||= 3;
open(my $in, '<:encoding(UTF-8)', $file) or die "$file: $!";
my @statements = grep { length } map { chomp; $_ } <$in>;
close($in);
s/,false\)$/,'F')/ for @statements;

sub once {
  my $work = tempdir(CLEANUP => 1);
  opendir(my $d, $pristine) or die "$pristine: $!";
  copy("$pristine/$_", "$work/$_") or die $! for grep { /\.dbf$/i } readdir($d);
  closedir($d);
  my $began = time;
  my $dbh = DBI->connect("dbi:XBase:$work", undef, undef, {RaiseError => 1, PrintError => 0});
  for my $sql (@statements) {
    my $sth = $dbh->prepare($sql);
    $sth->execute;
    $sth->fetchrow_arrayref if $sql =~ /^select/i;
    $sth->finish;
  }
  $dbh->disconnect;
  return time - $began;
}

my @runs = sort { $a <=> $b } map { once() } 1 .. $repetitions;
my $median = $runs[int($#runs / 2)];
printf("{\"statements\": %d, \"seconds\": %.6f, \"us_per_statement\": %.3f, \"runs\": [%s]}\n",
       scalar(@statements), $median, $median / @statements * 1e6, join(', ', @runs));
