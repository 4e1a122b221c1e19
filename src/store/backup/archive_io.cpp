#include "store/backup/archive_io.h"

#include <archive.h>

namespace store {

void ArchiveWriteFree::operator()(archive* a) const { archive_write_free(a); }
void ArchiveReadFree::operator()(archive* a) const { archive_read_free(a); }

Utf8Names::Utf8Names() {
  utf8_ = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
  if (utf8_ != locale_t(0)) previous_ = ::uselocale(utf8_);
}

Utf8Names::~Utf8Names() {
  if (utf8_ == locale_t(0)) return;
  ::uselocale(previous_);
  ::freelocale(utf8_);
}

QString archive_reason(archive* a) {
  // A system error (a full disk, a missing file) says more than the text
  // of the format's own checks.
  if (const QString known = known_errno_text(archive_errno(a)); !known.isEmpty()) return known;
  const char* text = archive_error_string(a);
  return QStringLiteral("アーカイブが壊れています（%1）").arg(QString::fromLocal8Bit(text ? text : "?"));
}

}  // namespace store
