#include "ui/file_drop.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFrame>
#include <QListWidget>
#include <QMimeData>

#include "store/pictures/dropped_pictures.h"

namespace ui {

namespace {

const QString kGnomeCopiedFiles = QStringLiteral("x-special/gnome-copied-files");

}  // namespace

QList<QUrl> file_urls(const QMimeData& data) {
  if (data.hasFormat(kGnomeCopiedFiles)) {
    const QList<QUrl> urls = store::urls_of_copied_files(data.data(kGnomeCopiedFiles));
    if (!urls.isEmpty()) return urls;
  }
  return data.urls();
}

FileDropTarget::FileDropTarget(QWidget* widget, Drop drop, QListWidget* rows)
    : QObject(widget), widget_(widget), drop_(std::move(drop)), rows_(rows) {
  widget_->setAcceptDrops(true);
  if (rows_) rows_->setAcceptDrops(true);
  widget_->installEventFilter(this);
}

int FileDropTarget::row_at(const QPoint& where) const {
  const QModelIndex index = rows_->indexAt(where);
  if (!index.isValid()) return rows_->count();
  const QRect item = rows_->visualRect(index);
  return where.y() < item.center().y() ? index.row() : index.row() + 1;
}

void FileDropTarget::show_line(int row) {
  if (!line_) {
    line_ = new QFrame(widget_);
    line_->setObjectName(QStringLiteral("drop_line"));
    line_->setFrameShape(QFrame::NoFrame);
    // Filled in the text colour, which stands out from the white rows and
    // from the selected one alike (a child of a view's viewport would
    // otherwise take the viewport's white).
    line_->setBackgroundRole(QPalette::Text);
    line_->setAutoFillBackground(true);
    line_->setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  int y = 0;
  if (rows_->count() > 0) {
    const bool after_last = row >= rows_->count();
    const QRect item = rows_->visualRect(rows_->model()->index(after_last ? rows_->count() - 1 : row, 0));
    y = after_last ? item.bottom() : item.top();
  }
  line_->setGeometry(0, std::max(0, y - 1), widget_->width(), 3);
  line_->show();
  line_->raise();
}

void FileDropTarget::hide_line() {
  if (line_) line_->hide();
}

bool FileDropTarget::eventFilter(QObject* watched, QEvent* event) {
  if (watched != widget_) return false;
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (!drag->mimeData() || file_urls(*drag->mimeData()).isEmpty()) return false;
      // A copy, never a move: the dragged files stay where they are.
      drag->setDropAction(Qt::CopyAction);
      drag->accept();
      if (rows_) show_line(row_at(drag->position().toPoint()));
      return true;
    }
    case QEvent::DragLeave:
      hide_line();
      return false;
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      hide_line();
      if (!drop->mimeData()) return false;
      const QList<QUrl> urls = file_urls(*drop->mimeData());
      if (urls.isEmpty()) return false;
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      const int at = rows_ ? row_at(drop->position().toPoint()) : -1;
      drop_(urls, at);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace ui
