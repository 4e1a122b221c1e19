#include "main_window/memo_list_model.h"

MemoListModel::MemoListModel(QObject* parent) : QAbstractTableModel(parent) {}

void MemoListModel::set_rows(std::vector<Row> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

void MemoListModel::append_row(Row row) {
  const int at = memo_rows();
  beginInsertRows(QModelIndex(), at, at);
  rows_.push_back(std::move(row));
  endInsertRows();
}

MemoListModel::Row MemoListModel::row_of(const store::MemoRecord& r) {
  return {r.date, r.location, r.variety, r.title, r.memo_no};
}

QString MemoListModel::cell(int row, int column) const {
  if (row < 0 || row >= memo_rows() || column < 0 || column >= kColumns) return {};
  return rows_[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

int MemoListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : memo_rows() + 1;
}

int MemoListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant MemoListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
    QString text = cell(index.row(), index.column());
    // A tab or line break inside a name would break the row's look; show
    // them as blanks (the data itself is untouched).
    for (QChar& c : text) {
      if (c == u'\t' || c == u'\r' || c == u'\n') c = u' ';
    }
    if (role == Qt::ToolTipRole && (index.column() != 3 || text.isEmpty())) return {};
    return text;
  }
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

QVariant MemoListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::DisplayRole) {
    switch (section) {
      case 0: return QStringLiteral("年/月/日");
      case 1: return QStringLiteral("場所");
      case 2: return QStringLiteral("品種");
      case 3: return QStringLiteral("タイトル");
      default: return QString();
    }
  }
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}
