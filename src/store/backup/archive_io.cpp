#include "store/backup/archive_io.h"

#include <QFile>
#include <archive.h>
#include <cerrno>
#include <cstring>

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
  if (const QString known = known_errno_text(archive_errno(a)); !known.isEmpty()) return known;
  return QStringLiteral("ZIP 形式での書き込みに失敗しました（エラー番号 %1）").arg(archive_errno(a));
}

namespace {

// libarchive reports a format it does not recognise, and a ZIP without
// its closing directory, with EILSEQ; its own checks of a ZIP's contents
// (a CRC, a stream that does not inflate) with -1.
constexpr int kArchiveMisc = -1;

// True when the file starts as a ZIP does (a local header, or the end
// record of an empty ZIP).
bool starts_like_zip(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray head = file.read(4);
  return head == QByteArray("PK\x03\x04", 4) || head == QByteArray("PK\x05\x06", 4);
}

}  // namespace

QString open_zip_for_reading(ArchiveReader& reader, const QString& path) {
  reader.reset(archive_read_new());
  archive_read_support_format_zip_seekable(reader.get());
  if (archive_read_open_filename(reader.get(), native_path(path).constData(), kArchiveChunk) == ARCHIVE_OK) return {};
  if (const QString known = known_errno_text(archive_errno(reader.get())); !known.isEmpty())
    return QStringLiteral("バックアップ「%1」を開けません。\n理由：%2").arg(path, known);
  if (starts_like_zip(path)) {
    return QStringLiteral("「%1」は ZIP ファイルですが、終わりの部分（項目の一覧）が欠けているか壊れています。").arg(path);
  }
  return QStringLiteral("「%1」は ZIP ファイルではありません。").arg(path);
}

QString archive_header_failure(archive* a, const QString& previous) {
  if (const QString known = known_errno_text(archive_errno(a)); !known.isEmpty()) return known;
  if (previous.isEmpty()) return QStringLiteral("最初の項目の見出しが壊れています");
  return QStringLiteral("「%1」の次の項目の見出しが壊れています").arg(previous);
}

QString archive_data_failure(archive* a, const QString& entry) {
  if (const QString known = known_errno_text(archive_errno(a)); !known.isEmpty())
    return QStringLiteral("「%1」を読めません（%2）").arg(entry, known);
  // The one text looked at: a CRC that does not match is the common
  // damage (a flipped byte), and its errno is the same as for the others.
  const char* text = archive_error_string(a);
  if (archive_errno(a) == kArchiveMisc && text != nullptr && std::strstr(text, "CRC") != nullptr)
    return QStringLiteral("「%1」が壊れています（検査値が合いません）").arg(entry);
  if (archive_errno(a) == kArchiveMisc) return QStringLiteral("「%1」が壊れています（データを展開できません）").arg(entry);
  return QStringLiteral("「%1」が壊れているか、途中で切れています").arg(entry);
}

}  // namespace store
