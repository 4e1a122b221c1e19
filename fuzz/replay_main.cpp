// Feeds every file of the given directories (or the given files) to the
// fuzz target once, in name order: the corpus replay that CI runs, built
// with any compiler.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    const QString arg = QString::fromLocal8Bit(argv[i]);
    QStringList files;
    if (QFileInfo(arg).isDir()) {
      for (const QString& name : QDir(arg).entryList(QDir::Files, QDir::Name)) files << QDir(arg).filePath(name);
    } else {
      files << arg;
    }
    for (const QString& path : files) {
      QFile f(path);
      if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return 1;
      }
      const QByteArray bytes = f.readAll();
      std::fprintf(stderr, "replaying %s\n", qPrintable(path));
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size()));
      ++count;
    }
  }
  std::printf("replayed %d inputs\n", count);
  return count > 0 ? 0 : 1;
}
