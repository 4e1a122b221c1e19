#pragma once
// Small pieces shared by writing and restoring backups: owning handles for
// libarchive objects, the chunk size of copying, UTF-8 entry names and the
// Japanese reasons for the archive's errors.

#include <QByteArray>
#include <QString>
#include <clocale>
#include <locale.h>
#include <memory>

#include "store/files/error_texts.h"
#include "store/files/posix_file.h"

struct archive;

namespace store {

// Files are copied in chunks of this size, so memory stays bounded
// whatever the size of a picture.
inline constexpr qsizetype kArchiveChunk = 1 << 20;

struct ArchiveWriteFree {
  void operator()(archive* a) const;
};
struct ArchiveReadFree {
  void operator()(archive* a) const;
};
using ArchiveWriter = std::unique_ptr<archive, ArchiveWriteFree>;
using ArchiveReader = std::unique_ptr<archive, ArchiveReadFree>;

// Entry names are UTF-8. libarchive converts them through the character
// locale of the calling thread, and in the "C" locale (LANG unset, as in a
// service or a bare session) it cannot convert a Japanese name at all. The
// guard gives the thread a UTF-8 character locale while it lives.
class Utf8Names {
 public:
  Utf8Names();
  ~Utf8Names();
  Utf8Names(const Utf8Names&) = delete;
  Utf8Names& operator=(const Utf8Names&) = delete;

 private:
  locale_t utf8_ = locale_t(0);
  locale_t previous_ = locale_t(0);
};

// The reason for the archive's last error while it is written, in
// Japanese: the system's error where it is known.
QString archive_reason(archive* a);

// The readers' failures, told by the step that failed rather than by
// libarchive's English text. Opening: "" when `path` is open as a ZIP,
// else the whole message (not there, not readable, not a ZIP, a ZIP cut
// short).
QString open_zip_for_reading(ArchiveReader& reader, const QString& path);
// The reason when the header after the entry `previous` ("" for the
// first) cannot be read.
QString archive_header_failure(archive* a, const QString& previous);
// The reason when the data of the entry `entry` cannot be read.
QString archive_data_failure(archive* a, const QString& entry);

}  // namespace store
