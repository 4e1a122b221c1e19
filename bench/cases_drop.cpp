// The drop case: 60 photos dropped from a file manager on the editor's
// picture list appear there within 200 ms; the first picture is shown
// after the titles, and that time is printed beside.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QListWidget>
#include <QMimeData>
#include <QDropEvent>

#include "cases.h"
#include "editor/f_kinyu.h"
#include "main_window/main_form.h"
#include "support.h"

namespace bench {

namespace {

// Sixty photos in a folder of the data set (listing them does not decode
// them; only the first one shown is).
QList<QUrl> make_photos(const QString& dir) {
  const QString folder = dir + QStringLiteral("drop/");
  QDir().mkpath(folder);
  QImage photo(1600, 1200, QImage::Format_RGB32);
  photo.fill(QColor(60, 140, 60));
  QList<QUrl> urls;
  for (int i = 1; i <= 60; ++i) {
    const QString path = folder + QStringLiteral("IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
    if (!QFile::exists(path)) photo.save(path, "JPG", 90);
    urls << QUrl::fromLocalFile(path);
  }
  return urls;
}

}  // namespace

Result bench_drop(const QString& dir, int reps) {
  Result r{QStringLiteral("drop"), 0, 200.0, 1.0, {}};
  const QList<QUrl> urls = make_photos(dir);
  store::AppState state(dir);
  SilentMessages messages;
  Main_form form(state, messages);
  form.Form_Load();
  std::vector<double> listed, shown;
  for (int i = 0; i < reps; ++i) {
    state.EditMode = QStringLiteral("sinki");
    F_kinyu editor(state, messages, form);
    editor.show();
    QCoreApplication::processEvents();
    QWidget* target = editor.List1->viewport();
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QElapsedTimer t;
    t.start();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    if (editor.List1->count() != urls.size()) qFatal("drop: %d of %d titles listed", editor.List1->count(), int(urls.size()));
    listed.push_back(ms_since(t));
    spin_until([&] { return !state.current_image_path.isEmpty(); });
    shown.push_back(ms_since(t));
    state.current_image_path.clear();
  }
  r.ours = median(listed);
  r.note = QStringLiteral("first_picture_shown_ms %1 (floor column: the 200 ms target)").arg(median(shown), 0, 'f', 1);
  return r;
}

}  // namespace bench
