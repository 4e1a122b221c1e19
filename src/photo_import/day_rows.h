#pragma once
// The rows of the import window's table, one per shooting day: a check box,
// the date, the number of photos, a strip of thumbnails, the location and
// variety boxes and the title. Rows come while the folder is still being
// read and are brought up to date as its days grow; what the user changed
// in a row (the check, the title) is kept.

#include <QStringList>
#include <QWidget>

#include "store/pictures/photo_import.h"

class QAbstractItemModel;
class QTableWidget;

namespace seasons {
class ThumbnailLoader;
}

namespace photo_import {

enum Column { Take, Day, Count, Photos, Location, Variety, Title, kColumns };

// The location and variety lists offered in every row's boxes.
struct CategoryModels {
  QAbstractItemModel* locations = nullptr;
  QAbstractItemModel* varieties = nullptr;
  QString location;  // the first guess of each new row
  QString variety;
};

// A day's photos as a row of thumbnails, redrawn as they arrive.
class PhotoStrip : public QWidget {
 public:
  PhotoStrip(seasons::ThumbnailLoader& loader, QWidget* parent);
  void set_paths(QStringList paths);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QStringList paths_;
  seasons::ThumbnailLoader& loader_;
};

// Inserts a row for `day` at `row`.
void insert_day_row(QTableWidget& grid, int row, const store::ImportDay& day, const CategoryModels& categories,
                    seasons::ThumbnailLoader& thumbnails);
// Brings row `row` up to `day` (the same date, perhaps more photos).
void update_day_row(QTableWidget& grid, int row, const store::ImportDay& day);

}  // namespace photo_import
