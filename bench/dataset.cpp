#include "dataset.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <random>

#include "store/diary/category_list.h"
#include "store/diary/memo_files.h"
#include "store/diary/memo_index.h"

namespace bench {

namespace {

constexpr unsigned kRandomStart = 20261208;
const QString kHitWord = QStringLiteral("ハマナス");
const QString kMissWord = QStringLiteral("存在しない語");

const QStringList kWords = {
    QStringLiteral("水やり"), QStringLiteral("植え付け"), QStringLiteral("剪定"),   QStringLiteral("肥料"),
    QStringLiteral("開花"),   QStringLiteral("種まき"),   QStringLiteral("収穫"),   QStringLiteral("害虫"),
    QStringLiteral("日当たり"), QStringLiteral("土づくり"), QStringLiteral("芽"),   QStringLiteral("葉"),
    QStringLiteral("つぼみ"), QStringLiteral("移植"),     QStringLiteral("霜よけ"), QStringLiteral("mulch"),
    QStringLiteral("compost"), QStringLiteral("は"),      QStringLiteral("を"),     QStringLiteral("が"),
    QStringLiteral("、"),     QStringLiteral("。"),       QStringLiteral("今日"),   QStringLiteral("少し")};

class Text {
 public:
  explicit Text(std::mt19937& random) : random_(random) {}

  QString sentence(int min_chars, int max_chars) {
    std::uniform_int_distribution<int> length(min_chars, max_chars);
    std::uniform_int_distribution<int> word(0, static_cast<int>(kWords.size()) - 1);
    const int wanted = length(random_);
    QString text;
    text.reserve(wanted + 8);
    int since_break = 0;
    while (text.size() < wanted) {
      text += kWords[word(random_)];
      if (++since_break > 30) {
        text += QStringLiteral("\r\n");
        since_break = 0;
      }
    }
    return text;
  }

 private:
  std::mt19937& random_;
};

QString big_jpeg(const QString& path) {
  QImage image(4000, 3000, QImage::Format_RGB32);
  QPainter painter(&image);
  for (int i = 0; i < 40; ++i) {
    painter.fillRect(i * 100, 0, 100, 3000, QColor::fromHsv((i * 9) % 360, 160, 200));
  }
  painter.end();
  image.save(path, "JPEG", 85);
  return path;
}

}  // namespace

namespace {

// What a finished data set was made with, so that a later run over the same
// directory can use it again instead of writing tens of thousands of files.
QString marker_path(const QString& dir) { return dir + QStringLiteral("bench-dataset.txt"); }

QString marker_text(const DatasetInfo& info) {
  return QStringLiteral("%1 %2 %3 %4\n")
      .arg(info.memos)
      .arg(info.flower_dat_bytes)
      .arg(info.body_bytes)
      .arg(info.picture_entries);
}

}  // namespace

DatasetInfo prepare_dataset(const QString& dir, int memos) {
  QFile marker(marker_path(dir));
  if (marker.open(QIODevice::ReadOnly)) {
    const QStringList f = QString::fromLatin1(marker.readAll()).split(u' ');
    DatasetInfo info;
    info.memos = f.value(0).toInt();
    info.flower_dat_bytes = f.value(1).toLongLong();
    info.body_bytes = f.value(2).toLongLong();
    info.picture_entries = f.value(3).trimmed().toInt();
    info.hit_word = kHitWord;
    info.miss_word = kMissWord;
    info.big_picture = dir + QStringLiteral("big.jpg");
    marker.close();
    if (info.memos == memos && QFileInfo(dir + QStringLiteral("flower.dat")).size() == info.flower_dat_bytes &&
        QFileInfo::exists(info.big_picture)) {
      return info;
    }
  }
  QFile::remove(marker_path(dir));
  const DatasetInfo info = make_dataset(dir, memos);
  QFile out(marker_path(dir));
  if (out.open(QIODevice::WriteOnly)) out.write(marker_text(info).toLatin1());
  return info;
}

DatasetInfo make_dataset(const QString& dir, int memos) {
  std::mt19937 random(kRandomStart);
  Text text(random);
  DatasetInfo info;
  info.memos = memos;
  info.hit_word = kHitWord;
  info.miss_word = kMissWord;
  QDir().mkpath(dir + QStringLiteral("memo"));

  store::CategoryList locations, varieties;
  for (int i = 1; i <= 60; ++i) locations.names << QStringLiteral("場所%1").arg(i);
  for (int i = 1; i <= 250; ++i) varieties.names << QStringLiteral("品種%1").arg(i);
  store::save_category_list(dir + QStringLiteral("basyo.dat"), locations);
  store::save_category_list(dir + QStringLiteral("hinsyu.dat"), varieties);

  const QDate first(2011, 1, 1);
  std::uniform_int_distribution<int> day(0, 15 * 365);
  std::uniform_int_distribution<int> location(0, 59), variety(0, 249), pictures(0, 4), percent(0, 99);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  store::MemoTable table;
  table.reserve(static_cast<size_t>(memos));
  for (int n = 1; n <= memos; ++n) {
    const QString date = first.addDays(day(random)).toString(QStringLiteral("yyyy/MM/dd"));
    const QString no = store::format_number_field(static_cast<qint64>(n));
    const QString stamp = date + QStringLiteral(" 12:00:00");
    table.push_back({date, locations.names[location(random)], varieties.names[variety(random)],
                     text.sentence(6, 20), no, stamp, stamp});
    // Bodies of 200 to 3000 characters, most of them short.
    const double u = unit(random);
    QString body = text.sentence(200, 200 + static_cast<int>(2800 * u * u * u));
    if (percent(random) == 0) body += info.hit_word;
    store::save_memo_body(dir, no, body);
    info.body_bytes += body.size() * 2;
    std::vector<store::ImageEntry> images;
    for (int p = pictures(random); p > 0; --p) {
      images.push_back({QStringLiteral("/home/gardener/写真/%1/IMG_%2.jpg").arg(date.left(4)).arg(n * 10 + p),
                        text.sentence(4, 12)});
    }
    info.picture_entries += static_cast<int>(images.size());
    if (!images.empty()) store::save_image_list(dir, no, images);
  }
  store::sort_memo_table(table);
  store::save_memo_index(dir + QStringLiteral("flower.dat"), table);
  info.flower_dat_bytes = QFileInfo(dir + QStringLiteral("flower.dat")).size();
  info.big_picture = big_jpeg(dir + QStringLiteral("big.jpg"));
  return info;
}

}  // namespace bench
