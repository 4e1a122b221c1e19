#include "seasons/season_model.h"

#include "seasons/tile_delegate.h"

namespace seasons {

void SeasonModel::set_rows(std::vector<SeasonRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

void SeasonModel::set_first_pictures(const QStringList& paths) {
  if (paths.size() != static_cast<qsizetype>(rows_.size())) return;
  for (size_t i = 0; i < rows_.size(); ++i) rows_[i].first_picture = paths[static_cast<qsizetype>(i)];
  if (!rows_.empty()) Q_EMIT dataChanged(index(0, Picture), index(rowCount() - 1, Picture));
}

int SeasonModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int SeasonModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant SeasonModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const SeasonRow& r = rows_[static_cast<size_t>(index.row())];
  if (role == kPathRole) return index.column() == Picture ? r.first_picture : QString();
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  switch (index.column()) {
    case Date:
      return r.date;
    case Location:
      return r.location;
    case Variety:
      return r.variety;
    case Title:
      return r.title;
    default:
      return {};
  }
}

QVariant SeasonModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kNames[] = {"写真", "年/月/日", "場所", "品種", "タイトル"};
  return section >= 0 && section < kColumns ? QString::fromUtf8(kNames[section]) : QVariant();
}

}  // namespace seasons
