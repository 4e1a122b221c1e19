// verdalis_md2rtf SOURCE.md OUTPUT: writes the usage guide as Rich Text
// Format. Used by the build to make hana.doc from docs/hana.md.

#include <QFile>
#include <QSaveFile>
#include <QString>
#include <cstdio>

#include "markdown_rtf.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: verdalis_md2rtf SOURCE.md OUTPUT\n");
    return 2;
  }
  QFile source(QFile::decodeName(argv[1]));
  if (!source.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "verdalis_md2rtf: cannot read %s\n", argv[1]);
    return 1;
  }
  const QString markdown = QString::fromUtf8(source.readAll());
  QSaveFile out(QFile::decodeName(argv[2]));
  if (!out.open(QIODevice::WriteOnly) || out.write(rtfdoc::markdown_to_rtf(markdown)) < 0 || !out.commit()) {
    std::fprintf(stderr, "verdalis_md2rtf: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
