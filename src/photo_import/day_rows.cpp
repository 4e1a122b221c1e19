#include "photo_import/day_rows.h"

#include <QComboBox>
#include <QPainter>
#include <QTableWidget>
#include <algorithm>

#include "seasons/thumbnail_loader.h"
#include "seasons/tile_delegate.h"

namespace photo_import {

namespace {

constexpr int kStripTiles = 8;

// A cell's text or check as the window proposed it, so that a later update
// changes only what the user has left as it was.
constexpr int kProposed = Qt::UserRole + 1;

QComboBox* category_box(QAbstractItemModel* names, const QString& text, QWidget* parent) {
  auto* combo = new QComboBox(parent);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  // One list for every row: a thousand names are not copied into each box.
  combo->setModel(names);
  combo->setEditText(text);
  return combo;
}

QTableWidgetItem* fixed_item() {
  auto* item = new QTableWidgetItem;
  item->setFlags(Qt::ItemIsEnabled);
  return item;
}

void propose_check(QTableWidgetItem& item, Qt::CheckState state) {
  if (item.data(kProposed).isNull() || item.checkState() == item.data(kProposed).value<Qt::CheckState>()) {
    item.setCheckState(state);
  }
  item.setData(kProposed, state);
}

void propose_text(QTableWidgetItem& item, const QString& text) {
  if (item.data(kProposed).isNull() || item.text() == item.data(kProposed).toString()) item.setText(text);
  item.setData(kProposed, text);
}

}  // namespace

PhotoStrip::PhotoStrip(seasons::ThumbnailLoader& loader, QWidget* parent) : QWidget(parent), loader_(loader) {
  connect(&loader_, &seasons::ThumbnailLoader::ready, this, [this](const QString& path) {
    if (paths_.contains(path)) update();
  });
}

void PhotoStrip::set_paths(QStringList paths) {
  paths_ = std::move(paths);
  const int side = loader_.side();
  setMinimumSize((side + 4) * std::min<int>(kStripTiles, static_cast<int>(paths_.size())), side + 4);
  update();
}

void PhotoStrip::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int side = loader_.side();
  for (int i = 0; i < std::min<int>(kStripTiles, static_cast<int>(paths_.size())); ++i) {
    seasons::paint_tile(painter, QRect(2 + i * (side + 4), 2, side, side), loader_, paths_[i]);
  }
}

void insert_day_row(QTableWidget& grid, int row, const store::ImportDay& day, const CategoryModels& categories,
                    seasons::ThumbnailLoader& thumbnails) {
  grid.insertRow(row);
  auto* take = new QTableWidgetItem;
  take->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
  grid.setItem(row, Take, take);
  grid.setItem(row, Day, fixed_item());
  grid.setItem(row, Count, fixed_item());
  grid.setCellWidget(row, Photos, new PhotoStrip(thumbnails, &grid));
  grid.setCellWidget(row, Location, category_box(categories.locations, categories.location, &grid));
  grid.setCellWidget(row, Variety, category_box(categories.varieties, categories.variety, &grid));
  grid.setItem(row, Title, new QTableWidgetItem);
  update_day_row(grid, row, day);
}

void update_day_row(QTableWidget& grid, int row, const store::ImportDay& day) {
  const int fresh = day.fresh();
  const int known = static_cast<int>(day.photos.size()) - fresh;
  propose_check(*grid.item(row, Take), fresh > 0 ? Qt::Checked : Qt::Unchecked);
  const bool file_time = std::any_of(day.photos.begin(), day.photos.end(), [](const store::ImportPhoto& p) { return p.from_file; });
  grid.item(row, Day)->setText(day.day.toString(QStringLiteral("yyyy/MM/dd")) +
                               (file_time ? QStringLiteral("（ファイルの日時）") : QString()));
  grid.item(row, Count)->setText(known > 0 ? QStringLiteral("%1 枚（%2 枚は登録済み）").arg(day.photos.size()).arg(known)
                                           : QStringLiteral("%1 枚").arg(day.photos.size()));
  QStringList paths;
  for (const store::ImportPhoto& p : day.photos) {
    if (!p.already) paths << p.path;
  }
  static_cast<PhotoStrip*>(grid.cellWidget(row, Photos))->set_paths(std::move(paths));
  propose_text(*grid.item(row, Title), store::day_title(fresh));
}

}  // namespace photo_import
