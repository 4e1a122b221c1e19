#pragma once
// Reading a freshly written backup archive back before it takes its final
// name.

#include <QString>
#include <atomic>
#include <vector>

namespace store {

struct WrittenEntry {
  QString name;  // the full entry name, top folder included
  qint64 size = 0;
};

struct VerifyResult {
  bool ok = false;
  bool cancelled = false;
  QString why;  // what did not match, for the message
};

// Reads the whole archive back: it must hold exactly `entries`, in order,
// each with its size. The reader checks each entry's bytes against the CRC
// that the writer computed from the source bytes, so a byte that reached
// the file wrong fails here.
VerifyResult verify_archive(const QString& path, const std::vector<WrittenEntry>& entries,
                            const std::atomic_bool& cancel);

}  // namespace store
