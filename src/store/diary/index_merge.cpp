#include "store/diary/index_merge.h"

#include <QSet>
#include <unordered_map>

#include "store/diary/app_state.h"
#include "store/diary/memo_index.h"

#include <algorithm>

namespace store {

namespace {

// A key into one table's memos without copying their bytes.
struct Key {
  qint64 no;
  QByteArrayView created;
  bool operator==(const Key& o) const { return no == o.no && created == o.created; }
};
struct KeyHash {
  size_t operator()(const Key& k) const { return qHash(k.created, static_cast<size_t>(k.no)); }
};
using Index = std::unordered_map<Key, size_t, KeyHash>;

Key key_of(const MemoTable& t, size_t i) {
  return {numeric_value(t.bytes(i, MemoField::MemoNo)), t.bytes(i, MemoField::Created)};
}

// The position of each identity; a repeated identity (a damaged file) keeps
// its first position.
Index index_of(const MemoTable& t) {
  Index index;
  index.reserve(t.size() * 2);
  for (size_t i = 0; i < t.size(); ++i) index.emplace(key_of(t, i), i);
  return index;
}

const size_t* find(const Index& index, const Key& key) {
  const auto it = index.find(key);
  return it == index.end() ? nullptr : &it->second;
}

void append_record(QByteArray& out, const MemoTable& t, size_t i) {
  for (int f = 0; f < kMemoFieldCount; ++f) {
    out += t.bytes(i, static_cast<MemoField>(f));
    out += "\r\n";
  }
}

// The later-corrected of two versions; ours on a tie.
bool theirs_is_newer(const MemoTable& ours, size_t o, const MemoTable& theirs, size_t t) {
  return theirs.bytes(t, MemoField::Corrected) > ours.bytes(o, MemoField::Corrected);
}

}  // namespace

MemoIdentity identity_of(const MemoTable& table, size_t i) {
  return {numeric_value(table.bytes(i, MemoField::MemoNo)), table.bytes(i, MemoField::Created).toByteArray()};
}

bool same_record(const MemoTable& a, size_t i, const MemoTable& b, size_t j) {
  if (a.record_view(i) == b.record_view(j)) return true;  // the usual case, in one comparison
  for (int f = 0; f < kMemoFieldCount; ++f) {
    if (a.bytes(i, static_cast<MemoField>(f)) != b.bytes(j, static_cast<MemoField>(f))) return false;
  }
  return true;
}

MemoTable merge_memo_tables(const MemoTable& base, const MemoTable& ours, const MemoTable& theirs,
                            std::vector<MemoRecord>* other_versions) {
  const Index in_base = index_of(base);
  const Index in_theirs = index_of(theirs);
  QByteArray out;
  out.reserve(static_cast<qsizetype>(std::max(ours.size(), theirs.size()) + 16) * 96);
  auto lost = [&](const MemoTable& t, size_t i) {
    if (other_versions) other_versions->push_back(t[i]);
  };

  std::vector<bool> theirs_taken(theirs.size(), false);
  for (size_t o = 0; o < ours.size(); ++o) {
    const Key key = key_of(ours, o);
    const size_t* b = find(in_base, key);
    const size_t* t = find(in_theirs, key);
    if (t && theirs_taken[*t]) t = nullptr;  // a repeated identity of ours
    if (t) theirs_taken[*t] = true;
    if (!t) {
      // Not on disk: added here, or deleted there (kept when changed here).
      if (!b || !same_record(ours, o, base, *b)) append_record(out, ours, o);
      continue;
    }
    const bool ours_changed = !b || !same_record(ours, o, base, *b);
    const bool theirs_changed = !b || !same_record(theirs, *t, base, *b);
    if (!theirs_changed || same_record(ours, o, theirs, *t)) {
      append_record(out, ours, o);
    } else if (!ours_changed) {
      append_record(out, theirs, *t);
    } else if (theirs_is_newer(ours, o, theirs, *t)) {
      append_record(out, theirs, *t);
      lost(ours, o);
    } else {
      append_record(out, ours, o);
      lost(theirs, *t);
    }
  }
  for (size_t t = 0; t < theirs.size(); ++t) {
    if (theirs_taken[t]) continue;
    const Key key = key_of(theirs, t);
    if (*find(in_theirs, key) != t) {
      // A repeated identity on disk (a damaged file): kept as it is.
      append_record(out, theirs, t);
      continue;
    }
    const size_t* b = find(in_base, key);
    // Added there, or deleted here but changed there: kept.
    if (!b || !same_record(theirs, t, base, *b)) append_record(out, theirs, t);
  }
  MemoTable merged;
  merged.reserve(kMemoCapacity);
  merged.adopt_file_bytes(std::move(out));
  merged.sort_display_order();
  return merged;
}

QStringList merge_category_names(const QStringList& base, const QStringList& ours, const QStringList& theirs) {
  const QSet<QString> in_base(base.begin(), base.end());
  const QSet<QString> in_theirs(theirs.begin(), theirs.end());
  QStringList merged;
  QSet<QString> seen;
  for (const QString& name : ours) {
    // Removed on the other side and known to both before: removed.
    if (in_base.contains(name) && !in_theirs.contains(name)) continue;
    merged << name;
    seen.insert(name);
  }
  for (const QString& name : theirs) {
    if (seen.contains(name) || in_base.contains(name)) continue;  // known, or removed here
    merged << name;
    seen.insert(name);
  }
  return merged;
}

}  // namespace store
