#include "dbf/IndexCles.h"

#include <gtest/gtest.h>

#include <QByteArray>

namespace brivane::dbf {
namespace {

os::IdentiteFichier Identite(std::uint64_t taille) { return {1, 2, taille, 3, 4}; }

TEST(IndexCles, GivesEveryRecordOfAKeyInOrderThroughGrowthAndRewrites) {
  IndexCles index;
  index.Clear();
  // Many more keys than the first table holds, a few of them repeated.
  for (int n = 0; n < 5000; ++n) {
    const QByteArray cle = QByteArray("K") + QByteArray::number(n % 1700);
    index.Add(cle, n);
  }
  EXPECT_EQ(index.indexed(), 5000);
  EXPECT_EQ(index.Candidates("K5"), (std::vector<int>{5, 1705, 3405}));
  EXPECT_EQ(index.Candidates("K1699"), (std::vector<int>{1699, 3399}));
  EXPECT_TRUE(index.Candidates("absent").empty());
  // A rewritten record keeps its old entry too, and gains the new one.
  index.Add("NOUVEAU", 5);
  EXPECT_EQ(index.Candidates("K5"), (std::vector<int>{5, 1705, 3405}));
  EXPECT_EQ(index.Candidates("NOUVEAU"), (std::vector<int>{5}));
  EXPECT_EQ(index.indexed(), 5000);
  // Keys that differ only by trailing bytes are different keys.
  EXPECT_TRUE(index.Candidates(QByteArray("K5 ")).empty());
}

TEST(IndexCles, IsTrustedOnlyForTheFileItLastSaw) {
  IndexCles index;
  EXPECT_FALSE(index.current(Identite(10)));  // never filled
  index.Clear();
  index.Seen(Identite(10));
  EXPECT_TRUE(index.current(Identite(10)));
  EXPECT_FALSE(index.current(Identite(11)));  // written by someone since
  EXPECT_FALSE(index.current(std::nullopt));  // the file cannot be read
  index.Forget();
  index.Seen(Identite(10));  // a forgotten index stays so until cleared
  EXPECT_FALSE(index.current(Identite(10)));
  index.Clear();
  index.Seen(Identite(12));
  EXPECT_TRUE(index.current(Identite(12)));
}

}  // namespace
}  // namespace brivane::dbf
