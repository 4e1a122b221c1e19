// The pdf case: memos with two large photos each (4000 × 3000 JPEGs)
// written to a PDF, against the floor of decoding those photos once at
// their printed size; the resident memory's growth is printed beside and
// must stay within 150 MB. The window's preview shows its first page
// within 300 ms.

#include <QBuffer>
#include <QElapsedTimer>
#include <algorithm>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPdfWriter>

#include "cases.h"
#include "measures.h"
#include "printing/f_print.h"
#include "printing/print_document.h"
#include "store/diary/memo_files.h"
#include "support.h"

namespace bench {

namespace {

// One photo written once and copied: the copies decode alike, and the
// data set builds in seconds.
QStringList make_photos(const QString& folder, int count) {
  QDir().mkpath(folder);
  const QString first = folder + QStringLiteral("P0001.jpg");
  if (!QFile::exists(first)) {
    QImage photo(4000, 3000, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
      for (int x = 0; x < photo.width(); ++x) line[x] = qRgb(x % 256, (y / 12) % 256, 90);
    }
    photo.save(first, "JPG", 85);
  }
  QStringList paths;
  for (int i = 1; i <= count; ++i) {
    const QString path = folder + QStringLiteral("P%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
    if (!QFile::exists(path)) QFile::copy(first, path);
    paths << path;
  }
  return paths;
}

}  // namespace

Result bench_pdf(const QString& dir, int memos, int reps) {
  Result r{QStringLiteral("pdf"), 0, 0, 1.5, {}};
  const int count = std::clamp(memos, 1, 300);
  const QString data = dir + QStringLiteral("print/");
  QDir().mkpath(data + QStringLiteral("memo"));
  const QStringList photos = make_photos(data + QStringLiteral("photos/"), count * 2);
  std::vector<store::PrintMemo> list;
  for (int i = 1; i <= count; ++i) {
    const QString no = QString::number(i);
    store::save_memo_body(data, no, QStringLiteral("水やりと追肥。花がらを摘んだ。\r\n雨の後に支柱を立て直した。"));
    store::save_image_list(data, no, {{photos[2 * i - 2], QStringLiteral("朝")}, {photos[2 * i - 1], QStringLiteral("夕方")}});
    list.push_back({no, QStringLiteral("2026/05/%1").arg(1 + i % 28, 2, 10, QLatin1Char('0')), QStringLiteral("花壇"),
                    QStringLiteral("バラ"), QStringLiteral("記録%1").arg(i), QString()});
  }
  const printing::PaperChoice choice;

  // The printed size of a photo, as the layout gives it.
  QBuffer scratch;
  scratch.open(QIODevice::WriteOnly);
  QPdfWriter probe(&scratch);
  probe.setResolution(printing::kPageDpi);
  printing::set_up_paper(probe, choice);
  const printing::LayoutOptions o = printing::layout_options(probe, probe, choice);
  const QSize printed = printing::picture_box(QSize(4000, 3000), o.body, 1.0, o.body.height() * o.picture_height_share).size().toSize();

  std::vector<double> floors, ours;
  qint64 growth_kb = 0;
  bool written = true;
  for (int rep = 0; rep < reps; ++rep) {
    QElapsedTimer t;
    t.start();
    for (const QString& path : photos) {
      QImageReader reader(path);
      reader.setAutoTransform(true);
      reader.setScaledSize(printed);
      if (reader.read().isNull()) qFatal("pdf: %s did not decode", qPrintable(path));
    }
    floors.push_back(ms_since(t));

    const QString pdf = dir + QStringLiteral("print/diary.pdf");
    PeakGrowth peak;
    t.restart();
    const auto plans = printing::plan_memos(data, list, choice.pictures);
    const auto result = printing::save_pdf(pdf, plans, choice, QStringLiteral("場所: 花壇　品種: すべて"), {});
    ours.push_back(ms_since(t));
    growth_kb = std::max(growth_kb, peak.finish_kb());
    written = written && result.written;
    QFile::remove(pdf);
  }
  // The window over those memos: until its preview has painted its first
  // page (the target is 300 ms).
  store::AppState state(data);
  std::vector<int> slots;
  for (const store::PrintMemo& m : list) {
    state.memo_table.push_back({m.date, m.location, m.variety, m.title, m.memo_no, m.date + QStringLiteral(" 10:00:00"),
                                m.date + QStringLiteral(" 10:00:00")});
    slots.push_back(state.memo_count());
  }
  SilentMessages messages;
  std::vector<double> previews;
  for (int rep = 0; rep < reps; ++rep) {
    QElapsedTimer t;
    t.start();
    F_print window(state, messages, slots, QStringLiteral("花壇"), QString());
    window.show();
    spin_until([&] { return window.preview_pages() > 0; });
    previews.push_back(ms_since(t));
  }
  const double preview_ms = median(previews);

  r.ours = median(ours);
  r.floor = median(floors);
  r.extra_ok = written && growth_kb <= 150 * 1024 && preview_ms <= 300;
  r.note = QStringLiteral("memory_growth_mb %1 preview_first_page_ms %5 pictures %2 printed_px %3x%4")
               .arg(growth_kb / 1024.0, 0, 'f', 1)
               .arg(photos.size())
               .arg(printed.width())
               .arg(printed.height())
               .arg(preview_ms, 0, 'f', 1);
  return r;
}

}  // namespace bench
