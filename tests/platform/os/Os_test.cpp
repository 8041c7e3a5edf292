// The operating-system layer's behaviour, the same on every system: this file
// is built for Linux in the ordinary suite and cross-compiled for Windows, run
// under Wine (scripts/test-windows.sh). It knows nothing of Qt.
//
// Run with "--child ..." it is the other process of the lock tests:
//   --child hold FILE READY RELEASE  takes the table lock, creates READY, and
//                                    holds the lock until RELEASE exists
//   --child try FILE                 exit 0 when the table lock is granted,
//                                    1 when refused, 2 on an error
#include "dbf/VerrouFichier.h"
#include "platform/os/Fichier.h"
#include "platform/os/Systeme.h"
#include "support/SystemeAvecPannes.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX  // std::min, not the macro
#endif
#include <windows.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace brivane::os {
namespace {

using dbf::kFileLockLength;
using dbf::kLockBase;
using dbf::VerrouFichier;
using std::chrono::milliseconds;
using testing::Pannes;
using testing::SystemeAvecPannes;
namespace fs = std::filesystem;

SystemeFichiers& Reel() { return SystemeFichiers::Reel(); }

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

fs::path PathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

// A folder of its own for each test, removed afterwards.
class Folder {
 public:
  Folder() {
    std::random_device random;
    path_ = fs::temp_directory_path() / ("brivane-os-" + std::to_string(random()));
    fs::create_directories(path_);
  }
  ~Folder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  std::string operator/(const std::string& name) const { return Utf8(path_) + "/" + name; }
  std::string path() const { return Utf8(path_); }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_)) {
      names.push_back(Utf8(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  fs::path path_;
};

void Write(const std::string& path, const std::string& content) {
  const auto file = Fichier::Ouvrir(path, Fichier::Mode::CreationNouveau);
  file->EcrireA(0, content.data(), content.size());
}

std::string Read(const std::string& path) {
  const auto file = Fichier::Ouvrir(path, Fichier::Mode::Lecture);
  std::string content(static_cast<std::size_t>(file->Taille()), '\0');
  content.resize(file->LireA(0, content.data(), content.size()));
  return content;
}

// What an operation throws; fails the test when it throws nothing.
template <typename F>
ErreurOs Failure(F&& operation) {
  try {
    operation();
  } catch (const ErreurOs& e) {
    return e;
  }
  ADD_FAILURE() << "no error";
  return ErreurOs(ErreurOs::Kind::Other, 0, "", "");
}

// Another process of this program, started with "--child" and `arguments`.
class Child {
 public:
  explicit Child(const std::vector<std::string>& arguments) {
#ifdef _WIN32
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(self) + L"\" --child";
    for (const std::string& a : arguments) {
      line += L" \"" + PathOf(a).wstring() + L"\"";
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    started_ = CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info) != 0;
    if (started_) {
      CloseHandle(info.hThread);
      process_ = info.hProcess;
    }
#else
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    std::vector<std::string> all{self, "--child"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : all) {
      argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    started_ = ::posix_spawn(&pid_, self.c_str(), nullptr, nullptr, argv.data(), environ) == 0;
#endif
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    if (started_ && !waited_) {
      Wait();
    }
  }

  // The child's exit code; -1 when it could not be started.
  int Wait() {
    if (!started_) {
      return -1;
    }
    waited_ = true;
#ifdef _WIN32
    WaitForSingleObject(process_, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    CloseHandle(process_);
    return static_cast<int>(code);
#else
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  }

 private:
  bool started_ = false;
  bool waited_ = false;
#ifdef _WIN32
  HANDLE process_ = nullptr;
#else
  pid_t pid_ = 0;
#endif
};

// Waits until a file appears; false after `limit`.
bool Appears(const std::string& path, milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!Existe(path)) {
    if (std::chrono::steady_clock::now() > end) {
      return false;
    }
    std::this_thread::sleep_for(milliseconds(10));
  }
  return true;
}

TEST(FichierOs, WritesAndReadsAtPositionsAndKnowsItsSize) {
  Folder folder;
  const std::string path = folder / "table.dbf";
  {
    const auto file = Fichier::Ouvrir(path, Fichier::Mode::CreationNouveau);
    file->EcrireA(0, "abc", 3);
    file->EcrireA(10, "xyz", 3);
    file->Synchroniser();
    EXPECT_EQ(file->Taille(), 13U);
    char buffer[20] = {};
    ASSERT_EQ(file->LireA(0, buffer, 13), 13U);
    EXPECT_EQ(std::string(buffer, 13), std::string("abc\0\0\0\0\0\0\0xyz", 13));
    // Fewer bytes only at the end; none past it.
    EXPECT_EQ(file->LireA(11, buffer, 10), 2U);
    EXPECT_EQ(file->LireA(100, buffer, 10), 0U);
    file->Tronquer(5);
    EXPECT_EQ(file->Taille(), 5U);
    EXPECT_EQ(file->Etat().type, TypeEntree::Regular);
  }
  EXPECT_EQ(Read(path), std::string("abc\0\0", 5));
  // A file opened for reading refuses writes, and a second writer sees the first's bytes.
  const auto reader = Fichier::Ouvrir(path, Fichier::Mode::Lecture);
  EXPECT_THROW(reader->EcrireA(0, "z", 1), ErreurOs);
  const auto writer = Fichier::Ouvrir(path, Fichier::Mode::LectureEcriture);
  writer->EcrireA(1, "B", 1);
  char b = 0;
  EXPECT_EQ(reader->LireA(1, &b, 1), 1U);
  EXPECT_EQ(b, 'B');
}

TEST(FichierOs, FailuresSayWhatHappenedInFrench) {
  Folder folder;
  const ErreurOs missing =
      Failure([&] { Fichier::Ouvrir(folder / "absent.dbf", Fichier::Mode::Lecture); });
  EXPECT_EQ(missing.kind(), ErreurOs::Kind::NotFound);
  EXPECT_EQ(missing.code(), ENOENT);
  EXPECT_EQ(missing.operation(), "open");
  EXPECT_EQ(TexteErreurFrancais(missing.code()), "le fichier ou le dossier n'existe pas");
  EXPECT_FALSE(DescriptionErreurNative(missing.native()).empty());

  const ErreurOs noFolder = Failure(
      [&] { Fichier::Ouvrir(folder / "absent/table.dbf", Fichier::Mode::CreationNouveau); });
  EXPECT_EQ(noFolder.kind(), ErreurOs::Kind::NotFound);

  Write(folder / "table.dbf", "x");
  const ErreurOs exists =
      Failure([&] { Fichier::Ouvrir(folder / "table.dbf", Fichier::Mode::CreationNouveau); });
  EXPECT_EQ(exists.kind(), ErreurOs::Kind::Exists);
  EXPECT_EQ(TexteErreurFrancais(exists.code()), "un fichier de ce nom existe déjà");
  EXPECT_EQ(Read(folder / "table.dbf"), "x");

  // A folder is no file to write in.
  EXPECT_THROW(Fichier::Ouvrir(folder.path(), Fichier::Mode::LectureEcriture), ErreurOs);

  EXPECT_EQ(TexteErreurFrancais(kWindowsErrorBase + 1234), "erreur du système Windows n° 1234");
  EXPECT_EQ(TexteErreurFrancais(9999), "erreur du système n° 9999");
}

TEST(FichierOs, NamesBeyondAsciiAreKept) {
  Folder folder;
  const std::string name = "Facture été № 7 – 東京.csv";
  Write(folder / name, "contenu");
  EXPECT_TRUE(Existe(folder / name));
  EXPECT_EQ(EtatChemin(folder / name).size, 7U);
  EXPECT_EQ(Read(folder / name), "contenu");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{name});
}

TEST(FichierOs, IdentityNamesOneFileAndChangesWithEveryWrite) {
  Folder folder;
  Write(folder / "a.dbf", "12345");
  Write(folder / "b.dbf", "12345");
  const auto first = Fichier::Ouvrir(folder / "a.dbf", Fichier::Mode::LectureEcriture);
  const auto second = Fichier::Ouvrir(folder / "a.dbf", Fichier::Mode::Lecture);
  const IdentiteFichier before = first->Identite();
  EXPECT_EQ(second->Identite(), before);
  EXPECT_EQ(IdentiteChemin(folder / "a.dbf"), before);
  const IdentiteFichier other = *IdentiteChemin(folder / "b.dbf");
  EXPECT_EQ(other.device, before.device);
  EXPECT_NE(other.file, before.file);

  first->EcrireA(5, "6", 1);
  EXPECT_NE(second->Identite(), before);
  EXPECT_EQ(second->Identite().size, 6U);
  EXPECT_FALSE(IdentiteChemin(folder / "absent.dbf").has_value());
}

#ifdef _WIN32
TEST(FichierOs, AFileAnotherProgramKeepsToItselfIsBusyButStillSeen) {
  // A Windows program may open a file sharing nothing: the table is then busy,
  // which the user must hear in those words, and its state can still be read.
  Folder folder;
  Write(folder / "factma.dbf", "data");
  const HANDLE exclusive =
      CreateFileW(PathOf(folder / "factma.dbf").wstring().c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
  const ErreurOs busy =
      Failure([&] { Fichier::Ouvrir(folder / "factma.dbf", Fichier::Mode::LectureEcriture); });
  EXPECT_EQ(busy.code(), EBUSY);
  EXPECT_EQ(TexteErreurFrancais(busy.code()), "le fichier est occupé par un autre programme");
  EXPECT_EQ(busy.native(), ERROR_SHARING_VIOLATION);
  EXPECT_TRUE(IdentiteChemin(folder / "factma.dbf").has_value());
  EXPECT_EQ(EtatChemin(folder / "factma.dbf").size, 4U);
  CloseHandle(exclusive);
}
#endif

TEST(EtatFichierOs, TellsFilesFromFoldersAndFindsTheFolderOfAPath) {
  Folder folder;
  Write(folder / "facture.csv", "abc");
  fs::create_directory(PathOf(folder / "traites"));

  EXPECT_EQ(EtatChemin(folder / "facture.csv").type, TypeEntree::Regular);
  EXPECT_EQ(EtatChemin(folder / "facture.csv").size, 3U);
  const EtatFichier traites = EtatChemin(folder / "traites");
  EXPECT_EQ(traites.type, TypeEntree::Directory);
  // Two spellings of one folder are one folder.
  const EtatFichier again = EtatChemin(folder / "traites/.");
  EXPECT_EQ(again.device, traites.device);
  EXPECT_EQ(again.file, traites.file);
  EXPECT_NE(EtatChemin(folder.path()).file, traites.file);

  EXPECT_EQ(Failure([&] { EtatChemin(folder / "absent"); }).kind(), ErreurOs::Kind::NotFound);
  EXPECT_TRUE(EntreeExiste(folder / "facture.csv"));
  EXPECT_FALSE(EntreeExiste(folder / "absent"));
  EXPECT_NO_THROW(VerifierDossierInscriptible(folder / "traites"));
  EXPECT_THROW(VerifierDossierInscriptible(folder / "facture.csv"), ErreurOs);
  EXPECT_EQ(Failure([&] { VerifierDossierInscriptible(folder / "absent"); }).code(), ENOENT);

  EXPECT_TRUE(Supprimer(folder / "facture.csv"));
  EXPECT_FALSE(Supprimer(folder / "facture.csv"));
  EXPECT_NO_THROW(SynchroniserDossier(folder.path()));

  EXPECT_EQ(DossierParent("dossier/facture.csv"), "dossier");
  EXPECT_EQ(DossierParent("facture.csv"), ".");
  EXPECT_EQ(DossierParent("/facture.csv"), "/");
  if (kWindows) {
    EXPECT_EQ(DossierParent("C:\\factures\\a.csv"), "C:\\factures");
    EXPECT_EQ(DossierParent("C:\\a.csv"), "C:\\");
  }
}

TEST(VerrouOs, TwoHandlesOfOneProcessExcludeEachOther) {
  Folder folder;
  Write(folder / "factma.dbf", "data");
  const auto one = Fichier::Ouvrir(folder / "factma.dbf", Fichier::Mode::LectureEcriture);
  const auto two = Fichier::Ouvrir(folder / "factma.dbf", Fichier::Mode::LectureEcriture);

  ASSERT_TRUE(one->Verrouiller(kLockBase, kFileLockLength, Fichier::GenreVerrou::Exclusif,
                               milliseconds(0)));
  EXPECT_FALSE(two->Verrouiller(kLockBase, kFileLockLength, Fichier::GenreVerrou::Exclusif,
                                milliseconds(0)));
  EXPECT_FALSE(two->Verrouiller(kLockBase, kFileLockLength, Fichier::GenreVerrou::Partage,
                                milliseconds(30)));
  // A record's byte lies inside the whole-table range.
  EXPECT_FALSE(
      two->Verrouiller(kLockBase + 40, 1, Fichier::GenreVerrou::Exclusif, milliseconds(0)));
  one->Deverrouiller(kLockBase, kFileLockLength);
  ASSERT_TRUE(two->Verrouiller(kLockBase + 40, 1, Fichier::GenreVerrou::Exclusif, milliseconds(0)));
  EXPECT_FALSE(one->Verrouiller(kLockBase, kFileLockLength, Fichier::GenreVerrou::Exclusif,
                                milliseconds(0)));
  EXPECT_TRUE(one->Verrouiller(kLockBase + 41, 1, Fichier::GenreVerrou::Exclusif, milliseconds(0)));
  two->Deverrouiller(kLockBase + 40, 1);
  one->Deverrouiller(kLockBase + 41, 1);

  // Readers share; a writer waits for them all.
  const auto three = Fichier::Ouvrir(folder / "factma.dbf", Fichier::Mode::Lecture);
  ASSERT_TRUE(
      one->Verrouiller(kLockBase, kFileLockLength, Fichier::GenreVerrou::Partage, milliseconds(0)));
  ASSERT_TRUE(three->Verrouiller(kLockBase, kFileLockLength, Fichier::GenreVerrou::Partage,
                                 milliseconds(0)));
  EXPECT_FALSE(two->Verrouiller(kLockBase, kFileLockLength, Fichier::GenreVerrou::Exclusif,
                                milliseconds(0)));
  one->Deverrouiller(kLockBase, kFileLockLength);
  EXPECT_FALSE(two->Verrouiller(kLockBase, kFileLockLength, Fichier::GenreVerrou::Exclusif,
                                milliseconds(0)));
  three->Deverrouiller(kLockBase, kFileLockLength);
  EXPECT_TRUE(two->Verrouiller(kLockBase, kFileLockLength, Fichier::GenreVerrou::Exclusif,
                               milliseconds(0)));
}

TEST(VerrouOs, AWaiterGetsTheTableWhenItsHolderLetsGo) {
  Folder folder;
  Write(folder / "factma.dbf", "data");
  auto held = VerrouFichier::Take(Reel(), folder / "factma.dbf", milliseconds(0));
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(VerrouFichier::Take(Reel(), folder / "factma.dbf", milliseconds(50)), nullptr);
  std::thread release([&] {
    std::this_thread::sleep_for(milliseconds(100));
    held.reset();
  });
  EXPECT_NE(VerrouFichier::Take(Reel(), folder / "factma.dbf", milliseconds(20000)), nullptr);
  release.join();
  // A table that cannot be opened for writing is an error, not a busy table.
  EXPECT_THROW(VerrouFichier::Take(Reel(), folder / "absent.dbf", milliseconds(0)), ErreurOs);
}

TEST(VerrouOs, TheTableLockNeverBlocksReadersOrWritersOfTheData) {
  // Windows locks are mandatory: the lock bytes must lie past the data.
  Folder folder;
  const std::string data(4096, 'r');
  Write(folder / "factma.dbf", data);
  const auto held = VerrouFichier::Take(Reel(), folder / "factma.dbf", milliseconds(0));
  ASSERT_NE(held, nullptr);
  const auto other = Fichier::Ouvrir(folder / "factma.dbf", Fichier::Mode::LectureEcriture);
  std::string read(data.size(), '\0');
  EXPECT_EQ(other->LireA(0, read.data(), read.size()), data.size());
  EXPECT_EQ(read, data);
  EXPECT_NO_THROW(other->EcrireA(4096, "w", 1));
  EXPECT_NO_THROW(held->file().EcrireA(4097, "h", 1));
  EXPECT_EQ(other->Taille(), 4098U);
}

TEST(VerrouOs, ATableHeldByAnotherProcessIsRefusedUntilReleased) {
  Folder folder;
  // The other process takes the name from its command line, whatever its characters.
  const std::string table = folder / "table Ω été.dbf";
  Write(table, "data");
  {
    Child holder({"hold", table, folder / "ready", folder / "release"});
    ASSERT_TRUE(Appears(folder / "ready", milliseconds(60000)));
    EXPECT_EQ(VerrouFichier::Take(Reel(), table, milliseconds(100)), nullptr);
    const auto file = Fichier::Ouvrir(table, Fichier::Mode::LectureEcriture);
    EXPECT_FALSE(
        file->Verrouiller(kLockBase + 40, 1, Fichier::GenreVerrou::Exclusif, milliseconds(0)));
    Write(folder / "release", "");
    EXPECT_EQ(holder.Wait(), 0);
  }
  auto mine = VerrouFichier::Take(Reel(), table, milliseconds(0));
  ASSERT_NE(mine, nullptr);
  EXPECT_EQ(Child({"try", table}).Wait(), 1);
  mine.reset();
  EXPECT_EQ(Child({"try", table}).Wait(), 0);
}

TEST(DeplacementOs, ARenameNeverReplacesAFile) {
  Folder folder;
  Write(folder / "a.csv", "A");
  Write(folder / "c.csv", "C");
  RenommerSansRemplacer(folder / "a.csv", folder / "b.csv");
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"b.csv", "c.csv"}));
  const ErreurOs exists =
      Failure([&] { RenommerSansRemplacer(folder / "c.csv", folder / "b.csv"); });
  EXPECT_EQ(exists.kind(), ErreurOs::Kind::Exists);
  EXPECT_EQ(Read(folder / "b.csv"), "A");
  EXPECT_EQ(Read(folder / "c.csv"), "C");
  EXPECT_EQ(
      Failure([&] { DeplacerSansRemplacer(Reel(), folder / "c.csv", folder / "b.csv"); }).kind(),
      ErreurOs::Kind::Exists);
  DeplacerSansRemplacer(Reel(), folder / "c.csv", folder / "d.csv");
  EXPECT_EQ(Read(folder / "d.csv"), "C");
}

TEST(DeplacementOs, TheCopyingMoveLeavesTheFileExactlyOnceWhateverFails) {
  Folder from;
  Folder to;
  std::string content(200000, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) {
    content[i] = static_cast<char>(i * 7);
  }
  Write(from / "facture.csv", content);
  Write(to / "deja.csv", "D");

  EXPECT_EQ(Failure([&] {
              DeplacerSansRemplacer(Reel(), from / "facture.csv", to / "deja.csv", true);
            }).kind(),
            ErreurOs::Kind::Exists);
  EXPECT_EQ(Failure([&] {
              DeplacerSansRemplacer(Reel(), from / "absent.csv", to / "b.csv", true);
            }).kind(),
            ErreurOs::Kind::NotFound);

  // Each write, rename, removal and sync on the way fails in turn.
  for (int n = 0; n < 8; ++n) {
    for (const bool sync : {false, true}) {
      SCOPED_TRACE((sync ? "sync " : "write ") + std::to_string(n));
      SystemeAvecPannes pannes(Reel(), sync ? Pannes{.synchro = n} : Pannes{.ecriture = n});
      bool moved = true;
      try {
        DeplacerSansRemplacer(pannes, from / "facture.csv", to / "facture.csv", true);
      } catch (const ErreurOs&) {
        moved = false;
      }
      if (moved) {
        EXPECT_EQ(from.Names(), std::vector<std::string>{});
        EXPECT_EQ(Read(to / "facture.csv"), content);
        RenommerSansRemplacer(to / "facture.csv", from / "facture.csv");
      } else {
        EXPECT_EQ(from.Names(), std::vector<std::string>{"facture.csv"});
        EXPECT_EQ(Read(from / "facture.csv"), content);
      }
      EXPECT_EQ(to.Names(), std::vector<std::string>{"deja.csv"});
    }
  }
  DeplacerSansRemplacer(Reel(), from / "facture.csv", to / "facture.csv", true);
  EXPECT_EQ(Read(to / "facture.csv"), content);
  EXPECT_EQ(from.Names(), std::vector<std::string>{});
}

TEST(SystemeOs, TheComputerHasAName) {
  const std::string name = NomOrdinateur();
  EXPECT_FALSE(name.empty());
  EXPECT_EQ(name.find('\0'), std::string::npos);
}

// The other process of the lock tests.
int RunChild(const std::vector<std::string>& a) {
  const std::string action = a.size() > 1 ? a[1] : "";
  try {
    if (action == "hold" && a.size() == 5) {
      const auto lock = VerrouFichier::Take(Reel(), a[2], milliseconds(20000));
      if (!lock) {
        return 1;
      }
      Write(a[3], "");
      if (!Appears(a[4], milliseconds(120000))) {
        return 3;
      }
      return 0;
    }
    if (action == "try" && a.size() == 3) {
      return VerrouFichier::Take(Reel(), a[2], milliseconds(0)) ? 0 : 1;
    }
  } catch (const ErreurOs& e) {
    std::fprintf(stderr, "%s (%s)\n", e.what(), DescriptionErreurNative(e.native()).c_str());
    return 2;
  }
  std::fprintf(stderr, "usage: --child hold FILE READY RELEASE | --child try FILE\n");
  return 2;
}

}  // namespace
}  // namespace brivane::os

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--child") == 0) {
    return brivane::os::RunChild(brivane::os::Arguments(argc, argv));
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
