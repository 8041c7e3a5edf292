#include "dbf/CrochetsShapelib.h"

#include "platform/os/Fichier.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace brivane::dbf {

namespace {

// shapelib reports through a hook without context; keep its last word for our message.
thread_local QString lastShapelibError;
void RecordShapelibError(const char* message) {
  lastShapelibError = QString::fromLocal8Bit(message);
}

// A read-only file seen through a window of its bytes. shapelib seeks before
// every record, and through stdio each seek costs system calls and the
// buffer: a lookup in a large product table would pay that on every row.
// The window starts small, for the header and the few records a keyed
// lookup reads, and grows while the reads follow each other, as in a pass
// over the whole table.
struct WindowFile {
  static constexpr SAOffset kWindow = 64 * 1024;
  static constexpr SAOffset kFirstWindow = 4 * 1024;
  std::unique_ptr<os::Fichier> file;
  SAOffset position = 0;
  SAOffset start = 0;            // file offset of window[0]
  SAOffset filled = 0;           // valid bytes in the window
  SAOffset next = kFirstWindow;  // bytes the next read asks for
  // Not cleared: only bytes read into it are ever copied out, and a table is
  // opened for every statement.
  std::unique_ptr<char[]> window{new char[kWindow]};
};

WindowFile* Window(SAFile file) { return reinterpret_cast<WindowFile*>(file); }

SAFile WindowOpen(const char* name, const char* access) noexcept {
  if (std::strpbrk(access, "wa+") != nullptr) {
    return nullptr;
  }
  try {
    auto file = std::make_unique<WindowFile>();
    file->file = os::Fichier::Ouvrir(name, os::Fichier::Mode::Lecture);
    return reinterpret_cast<SAFile>(file.release());
  } catch (...) {
    return nullptr;  // shapelib reports a table it cannot open
  }
}

SAOffset WindowRead(void* buffer, SAOffset size, SAOffset count, SAFile handle) noexcept {
  WindowFile* file = Window(handle);
  const SAOffset wanted = size * count;
  SAOffset done = 0;
  while (done < wanted) {
    if (file->position < file->start || file->position >= file->start + file->filled) {
      if (file->filled > 0 && file->position == file->start + file->filled) {
        file->next = std::min(file->next * 2, WindowFile::kWindow);
      }
      std::size_t got = 0;
      try {
        got = file->file->LireA(file->position, file->window.get(), file->next);
      } catch (...) {
        break;  // a short read: shapelib says the record cannot be read
      }
      if (got == 0) {
        break;
      }
      file->start = file->position;
      file->filled = static_cast<SAOffset>(got);
    }
    const SAOffset at = file->position - file->start;
    const SAOffset n = std::min(wanted - done, file->filled - at);
    std::memcpy(static_cast<char*>(buffer) + done, file->window.get() + at, n);
    done += n;
    file->position += n;
  }
  return size == 0 ? 0 : done / size;
}

SAOffset WindowWrite(void*, SAOffset, SAOffset, SAFile) noexcept { return 0; }

SAOffset WindowSeek(SAFile handle, SAOffset offset, int whence) noexcept {
  WindowFile* file = Window(handle);
  switch (whence) {
    case SEEK_SET:
      file->position = offset;
      return 0;
    case SEEK_CUR:
      file->position += offset;
      return 0;
    case SEEK_END:
      try {
        file->position = static_cast<SAOffset>(file->file->Taille()) + offset;
        return 0;
      } catch (...) {
        return static_cast<SAOffset>(-1);
      }
    default:
      return static_cast<SAOffset>(-1);
  }
}

SAOffset WindowTell(SAFile handle) { return Window(handle)->position; }
int WindowFlush(SAFile) { return 0; }

int WindowClose(SAFile handle) noexcept {
  delete Window(handle);
  return 0;
}

}  // namespace

SAHooks CrochetsLecture() {
  SAHooks hooks;
  SASetupDefaultHooks(&hooks);
  hooks.Error = RecordShapelibError;
  hooks.FOpen = WindowOpen;
  hooks.FRead = WindowRead;
  hooks.FWrite = WindowWrite;
  hooks.FSeek = WindowSeek;
  hooks.FTell = WindowTell;
  hooks.FFlush = WindowFlush;
  hooks.FClose = WindowClose;
  return hooks;
}

const QString& DerniereErreurShapelib() { return lastShapelibError; }
void OublierErreurShapelib() { lastShapelibError.clear(); }

}  // namespace brivane::dbf
