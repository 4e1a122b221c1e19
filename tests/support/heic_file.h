#pragma once
// HEIC test pictures made the way a user's would be: by Debian's heif-enc
// (package libheif-examples) from a picture written by Qt.

#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace testing_support {

inline bool heif_enc_found() { return !QStandardPaths::findExecutable(QStringLiteral("heif-enc")).isEmpty(); }

// Writes `image` to `path` as a HEIC (through a PNG, so that transparency
// is kept); `args` go to heif-enc before the file names. False when it failed.
inline bool write_heic(const QImage& image, const QString& path, const QStringList& args = {}) {
  QTemporaryDir dir;
  const QString png = dir.path() + QStringLiteral("/in.png");
  if (!image.save(png)) return false;
  QProcess p;
  p.start(QStringLiteral("heif-enc"), args + QStringList{QStringLiteral("-o"), path, png});
  return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

}  // namespace testing_support
