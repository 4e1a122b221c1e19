#pragma once
// Files dropped from a file manager onto a window: a widget takes drags
// that carry URLs (text/uri-list) and hands the URLs on when they are
// dropped. Over a list, a line shows between which rows they will land. The
// drop is always taken as a copy, so that a file manager never removes the
// files it dragged: Verdalis refers to pictures where they lie.

#include <QList>
#include <QObject>
#include <QUrl>
#include <functional>

class QFrame;
class QListWidget;
class QMimeData;
class QWidget;

namespace ui {

class FileDropTarget : public QObject {
  Q_OBJECT

 public:
  // `at` is the 0-based row the files go before in the list (its row count
  // for the end); -1 when the drop landed elsewhere than a list.
  using Drop = std::function<void(const QList<QUrl>& urls, int at)>;

  // Drops on `widget` (for a view, its viewport) are handed to `drop`. When
  // `rows` is given, the drop lands between its rows.
  FileDropTarget(QWidget* widget, Drop drop, QListWidget* rows = nullptr);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int row_at(const QPoint& where) const;
  void show_line(int row);
  void hide_line();

  QWidget* widget_;
  Drop drop_;
  QListWidget* rows_;
  QFrame* line_ = nullptr;
};

// The files on the clipboard or in a drag: GNOME's own list of copied files
// when it is there, otherwise the URL list.
QList<QUrl> file_urls(const QMimeData& data);

}  // namespace ui
