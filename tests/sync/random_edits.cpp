#include "random_edits.h"

#include <QThread>

namespace synctest {

namespace {

// Kana, kanji of the garden and a few ASCII letters, all in windows-31j.
const QString kLetters = QStringLiteral(
    "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん"
    "アイウエオカキクケコサシスセソバラパンジー"
    "花庭鉢土水肥料芽葉根種苗咲枯剪定植替日陰晴雨風朝夕春夏秋冬赤白黄青紫桃"
    "abcXYZ0123456789");

const QStringList kPlaces = {QStringLiteral("南の花壇"), QStringLiteral("ベランダ"), QStringLiteral("裏庭"),
                             QStringLiteral("温室"), QStringLiteral("東の鉢")};
const QStringList kKinds = {QStringLiteral("ビオラ"), QStringLiteral("クレマチス"), QStringLiteral("ミニトマト"),
                            QStringLiteral("ラベンダー"), QStringLiteral("紫陽花")};

}  // namespace

QString RandomEdits::text(int min_len, int max_len) {
  const int len = min_len + below(max_len - min_len + 1);
  QString out;
  for (int i = 0; i < len; ++i) out += kLetters.at(below(static_cast<int>(kLetters.size())));
  return out;
}

QString RandomEdits::date() {
  return QStringLiteral("20%1/%2/%3")
      .arg(20 + below(6))
      .arg(1 + below(12), 2, 10, QLatin1Char('0'))
      .arg(1 + below(28), 2, 10, QLatin1Char('0'));
}

std::vector<store::ImageEntry> RandomEdits::pictures() {
  std::vector<store::ImageEntry> out;
  if (!chance(40)) return out;
  const int n = 1 + below(3);
  for (int i = 0; i < n; ++i) {
    out.push_back({QStringLiteral("/home/hana/Pictures/20%1/IMG_%2.JPG")
                       .arg(20 + below(6))
                       .arg(below(10000), 4, 10, QLatin1Char('0')),
                   chance(30) ? QString() : text(2, 8)});
  }
  return out;
}

QString RandomEdits::body() {
  if (chance(8)) return {};
  QStringList lines;
  const int n = 1 + below(4);
  for (int i = 0; i < n; ++i) lines << text(0, 30);
  return lines.join(QStringLiteral("\r\n"));
}

QString RandomEdits::fresh_name(bool location) {
  const QStringList& stems = location ? kPlaces : kKinds;
  return stems.at(below(static_cast<int>(stems.size()))) + QString::number(++serial_);
}

QString RandomEdits::existing_or_fresh(const store::CategoryList& list, bool location) {
  if (list.count() == 0 || chance(25)) return fresh_name(location);
  return list.names.at(below(list.count()));
}

store::MemoInput RandomEdits::new_memo(const store::AppState& state) {
  store::MemoInput in;
  in.date = date();
  in.location = existing_or_fresh(state.location_list, true);
  in.variety = existing_or_fresh(state.variety_list, false);
  in.title = text(3, 12);
  in.body = body();
  in.images = pictures();
  return in;
}

store::MemoInput RandomEdits::correction(const store::AppState& state, const Memo& current) {
  store::MemoInput in{current.date, current.location, current.variety, current.title, current.body, current.images};
  // A changed body tells two versions of one memo apart.
  in.body = current.body + (current.body.isEmpty() ? QString() : QStringLiteral("\r\n")) + QStringLiteral("追記 ") +
            text(4, 20);
  if (chance(40)) in.title = text(3, 12);
  if (chance(30)) in.images = pictures();
  if (chance(20)) in.date = date();
  if (chance(20)) in.location = existing_or_fresh(state.location_list, true);
  return in;
}

QDateTime StampClock::take(int side) {
  while (true) {
    QDateTime now = QDateTime::currentDateTime();
    now.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    const qint64 second = now.toSecsSinceEpoch();
    if (!seconds_[1 - side].contains(second)) {
      seconds_[side].insert(second);
      return now;
    }
    QThread::msleep(static_cast<unsigned long>(std::max<qint64>(1, 1000 - QDateTime::currentMSecsSinceEpoch() % 1000)));
  }
}

}  // namespace synctest
