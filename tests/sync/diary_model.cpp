#include "diary_model.h"

#include <algorithm>

#include "store/diary/memo_files.h"
#include "store/diary/memo_index.h"

namespace synctest {

namespace {

const QString kSuffix = QStringLiteral("（別の端末の版）");

Memo memo_of(const store::MemoRecord& r) {
  Memo m;
  m.created = r.created;
  m.date = r.date;
  m.location = r.location;
  m.variety = r.variety;
  m.title = r.title;
  m.corrected = r.corrected;
  return m;
}

// A total order on memos by what same_as compares, to match two lists.
QString sort_key(const Memo& m) {
  QString key = m.created + QChar(1) + m.title + QChar(1) + m.body + QChar(1) + m.date + QChar(1) + m.location +
                QChar(1) + m.variety;
  for (const store::ImageEntry& e : m.images) key += QChar(2) + e.path + QChar(3) + e.title;
  return key;
}

}  // namespace

QString Memo::describe() const {
  QString pictures;
  for (const store::ImageEntry& e : images) pictures += QStringLiteral(" [%1 | %2]").arg(e.path, e.title);
  return QStringLiteral("「%1」 made %2, %3 %4/%5, body 「%6」, pictures:%7")
      .arg(title, created, date, location, variety, QString(body).replace(QStringLiteral("\r\n"), QStringLiteral("⏎")),
           pictures.isEmpty() ? QStringLiteral(" none") : pictures);
}

QString other_version_title(const QString& title) { return title.endsWith(kSuffix) ? title : title + kSuffix; }

std::vector<DiskMemo> read_disk_memos(const QString& data_dir, QStringList& problems) {
  store::MemoTable table;
  qint64 highest = 0;
  const store::LoadIndexResult loaded = store::load_memo_index(data_dir + QStringLiteral("flower.dat"), table, highest);
  if (loaded.status != store::ReadStatus::Read)
    problems << QStringLiteral("flower.dat of %1 unreadable: %2").arg(data_dir, loaded.message);
  if (loaded.truncated) problems << QStringLiteral("flower.dat of %1 ends inside a record").arg(data_dir);
  std::vector<DiskMemo> out;
  for (const store::MemoRecord& r : table) {
    DiskMemo d{store::numeric_value(r.memo_no), memo_of(r)};
    const store::BodyResult body = store::load_memo_body(data_dir, r.memo_no);
    const store::ImageListResult images = store::read_image_list(data_dir, r.memo_no);
    if (!body.message.isEmpty()) problems << body.message;
    if (!images.message.isEmpty()) problems << images.message;
    d.memo.body = body.text;
    d.memo.images = images.images;
    out.push_back(d);
  }
  return out;
}

std::vector<Memo> memory_memos(const store::AppState& state) {
  std::vector<Memo> out;
  for (const store::MemoRecord& r : state.memo_table) {
    Memo m = memo_of(r);
    m.body = store::load_memo_body(state.data_dir, r.memo_no).text;
    m.images = store::read_image_list(state.data_dir, r.memo_no).images;
    out.push_back(m);
  }
  return out;
}

RoundModel::RoundModel(const std::vector<DiskMemo>& agreed) {
  for (const DiskMemo& d : agreed) {
    const int id = static_cast<int>(memos_.size());
    memos_.push_back({d.memo, {}, {}, -1});
    for (auto& numbers : numbers_) numbers.emplace_back(d.no, id);
  }
  agreed_count_ = static_cast<int>(memos_.size());
}

int RoundModel::id_of(int side, qint64 no) const {
  for (const auto& [n, id] : numbers_[side]) {
    if (n == no) return id;
  }
  return -1;
}

void RoundModel::made(int side, qint64 no, const Memo& memo) {
  const int id = static_cast<int>(memos_.size());
  memos_.push_back({memo, {}, {}, side});
  numbers_[side].emplace_back(no, id);
}

void RoundModel::corrected(int side, int id, const Memo& memo) {
  Tracked& t = memos_[static_cast<size_t>(id)];
  t.fate[side] = Fate::Corrected;
  t.version[side] = memo;
}

void RoundModel::deleted(int side, int id) {
  Tracked& t = memos_[static_cast<size_t>(id)];
  t.fate[side] = Fate::Deleted;
  t.version[side].reset();
  auto& numbers = numbers_[side];
  numbers.erase(std::remove_if(numbers.begin(), numbers.end(), [id](const auto& p) { return p.second == id; }),
                numbers.end());
}

std::vector<Memo> RoundModel::expected() const {
  std::vector<Memo> out;
  for (const Tracked& t : memos_) {
    if (t.maker >= 0) {
      if (t.fate[t.maker] != Fate::Deleted) out.push_back(t.version[t.maker].value_or(t.original));
      continue;
    }
    const Fate a = t.fate[0];
    const Fate b = t.fate[1];
    if (a == Fate::Corrected && b == Fate::Corrected) {
      const bool a_later = t.version[0]->corrected > t.version[1]->corrected;
      Memo kept = a_later ? *t.version[0] : *t.version[1];
      Memo other = a_later ? *t.version[1] : *t.version[0];
      other.title = other_version_title(other.title);
      out.push_back(kept);
      out.push_back(other);
    } else if (a == Fate::Corrected) {
      out.push_back(*t.version[0]);
    } else if (b == Fate::Corrected) {
      out.push_back(*t.version[1]);
    } else if (a == Fate::Untouched && b == Fate::Untouched) {
      out.push_back(t.original);
    }
  }
  return out;
}

QStringList compare_memos(const std::vector<Memo>& expected, const std::vector<Memo>& actual) {
  auto sorted = [](std::vector<Memo> memos) {
    std::sort(memos.begin(), memos.end(), [](const Memo& x, const Memo& y) { return sort_key(x) < sort_key(y); });
    return memos;
  };
  const std::vector<Memo> want = sorted(expected);
  const std::vector<Memo> have = sorted(actual);
  QStringList lines;
  size_t i = 0;
  size_t j = 0;
  while (i < want.size() || j < have.size()) {
    if (j == have.size() || (i < want.size() && sort_key(want[i]) < sort_key(have[j]))) {
      lines << QStringLiteral("missing: ") + want[i++].describe();
    } else if (i == want.size() || sort_key(have[j]) < sort_key(want[i])) {
      lines << QStringLiteral("unexpected: ") + have[j++].describe();
    } else {
      ++i;
      ++j;
    }
  }
  return lines;
}

}  // namespace synctest
