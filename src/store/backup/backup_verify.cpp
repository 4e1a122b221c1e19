#include "store/backup/backup_verify.h"

#include <archive.h>
#include <archive_entry.h>

#include "store/backup/archive_io.h"

namespace store {

VerifyResult verify_archive(const QString& path, const std::vector<WrittenEntry>& entries,
                            const std::atomic_bool& cancel) {
  const Utf8Names names;
  VerifyResult result;
  ArchiveReader reader;
  if (const QString why = open_zip_for_reading(reader, path); !why.isEmpty()) {
    result.why = why;
    return result;
  }
  archive* a = reader.get();
  std::vector<char> buffer(kArchiveChunk);
  QString previous;
  for (const WrittenEntry& expected : entries) {
    if (cancel.load(std::memory_order_relaxed)) {
      result.cancelled = true;
      return result;
    }
    archive_entry* entry = nullptr;
    if (archive_read_next_header(a, &entry) != ARCHIVE_OK) {
      result.why = archive_header_failure(a, previous);
      return result;
    }
    const char* name = archive_entry_pathname_utf8(entry);
    if (!name || QString::fromUtf8(name) != expected.name) {
      result.why = expected.name;
      return result;
    }
    qint64 size = 0;
    for (la_ssize_t got; (got = archive_read_data(a, buffer.data(), buffer.size())) != 0;) {
      if (got < 0) {
        result.why = archive_data_failure(a, expected.name);
        return result;
      }
      size += got;
    }
    if (size != expected.size) {
      result.why = expected.name;
      return result;
    }
    previous = expected.name;
  }
  archive_entry* extra = nullptr;
  if (archive_read_next_header(a, &extra) != ARCHIVE_EOF) {
    result.why = QStringLiteral("余分な項目");
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace store
