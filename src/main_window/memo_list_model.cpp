#include "main_window/memo_list_model.h"

#include <algorithm>

MemoListModel::MemoListModel(const store::MemoTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {}

void MemoListModel::set_slots(std::vector<int> slots) {
  beginResetModel();
  slots_ = std::move(slots);
  endResetModel();
}

void MemoListModel::append_slot(int slot) {
  const int at = memo_rows();
  beginInsertRows(QModelIndex(), at, at);
  slots_.push_back(slot);
  endInsertRows();
}

QString MemoListModel::cell(int row, int column) const {
  if (row < 0 || row >= memo_rows()) return {};
  const int slot = slots_[static_cast<size_t>(row)];
  if (slot < 1 || slot > static_cast<int>(table_.size())) return {};
  // Only the five listed fields of the rows on view are ever decoded.
  if (column < 0 || column >= kColumns) return {};
  static constexpr store::MemoField kShown[] = {store::MemoField::Date, store::MemoField::Location,
                                                store::MemoField::Variety, store::MemoField::Title,
                                                store::MemoField::MemoNo};
  return table_.text(static_cast<size_t>(slot - 1), kShown[column]);
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

int MemoListModel::row_of_slot(int slot) const {
  const auto it = std::find(slots_.begin(), slots_.end(), slot);
  return it == slots_.end() ? -1 : static_cast<int>(it - slots_.begin());
}
