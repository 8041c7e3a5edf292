#include "platform/os/Systeme.h"

#include <gtest/gtest.h>

#include <QString>

#include <cerrno>
#include <cstring>
#include <set>

namespace brivane::platform {
namespace {

TEST(TexteErreurSysteme, EveryMappedErrorHasItsOwnFrenchTextAndNoneSpeaksEnglish) {
  std::set<std::string> textes;
  for (const int erreur : os::ErreursTraduites()) {
    const std::string texte = os::TexteErreurFrancais(erreur);
    SCOPED_TRACE(::testing::Message() << "errno " << erreur << ": " << texte);
    EXPECT_FALSE(texte.empty());
    EXPECT_TRUE(QString::fromUtf8(texte).toUtf8() == QByteArray::fromStdString(texte));
    // The C library's words, in whatever language it runs, never reach the user.
    EXPECT_NE(texte, std::string(std::strerror(erreur)));
    EXPECT_EQ(texte.find("rror"), std::string::npos);
    EXPECT_TRUE(textes.insert(texte).second) << "two errors share a text";
  }
  for (const int attendue :
       {ENOSPC, EACCES, EROFS, EIO, ENOENT, ENAMETOOLONG, EXDEV, EEXIST, EPIPE}) {
    EXPECT_NE(os::TexteErreurFrancais(attendue).rfind("erreur du système", 0), 0U) << attendue;
  }
  EXPECT_EQ(os::TexteErreurFrancais(ENOSPC), "le disque est plein");
  EXPECT_EQ(os::TexteErreurFrancais(EACCES), "permission refusée");
  EXPECT_EQ(os::TexteErreurFrancais(EROFS), "le disque est en lecture seule");
  EXPECT_EQ(os::TexteErreurFrancais(9999), "erreur du système n° 9999");
}

}  // namespace
}  // namespace brivane::platform
