#pragma once
// ZIP archives written entry by entry with libarchive, for the archives a
// restore must refuse: odd names, links, devices, patched headers.

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <archive.h>
#include <archive_entry.h>
#include <vector>

#include "store_test_util.h"

// An archive written entry by entry, for the hostile cases.
struct Craft {
  struct Item {
    Item(QByteArray n, QByteArray d, int t = AE_IFREG, QByteArray l = {})
        : name(std::move(n)), data(std::move(d)), type(t), link(std::move(l)) {}
    QByteArray name;
    QByteArray data;
    int type = AE_IFREG;
    QByteArray link;
  };
  static QByteArray zip(const std::vector<Item>& items) {
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath("x.zip"));
    archive* a = archive_write_new();
    archive_write_set_format_zip(a);
    archive_write_zip_set_compression_store(a);
    archive_write_open_filename(a, path.constData());
    for (const Item& i : items) {
      archive_entry* e = archive_entry_new();
      archive_entry_set_pathname_utf8(e, i.name.constData());
      archive_entry_set_filetype(e, static_cast<unsigned>(i.type));
      archive_entry_set_perm(e, 0644);
      if (!i.link.isEmpty()) archive_entry_set_symlink(e, i.link.constData());
      archive_entry_set_size(e, i.data.size());
      archive_write_header(a, e);
      archive_write_data(a, i.data.constData(), static_cast<size_t>(i.data.size()));
      archive_entry_free(e);
    }
    archive_write_close(a);
    archive_write_free(a);
    return testutil::read_raw(QFile::decodeName(path));
  }
  // Sets a 32-bit field of the n-th central directory record, or of the
  // n-th local header.
  static void patch_central(QByteArray& zip, int n, int offset, quint32 value, const char* record = "PK\x01\x02") {
    qsizetype at = -1;
    for (int i = 0; i <= n; ++i) at = zip.indexOf(QByteArray(record, 4), at + 1);
    QVERIFY(at >= 0);
    for (int b = 0; b < 4; ++b) zip[at + offset + b] = char((value >> (8 * b)) & 0xFF);
  }
};

