#include "two_diaries.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "folder_files.h"
#include "store/diary/category_edit.h"
#include "store/diary/category_list.h"
#include "store/diary/memo_files.h"
#include "store/diary/memo_index.h"
#include "store/diary/startup.h"

namespace synctest {

namespace {

const QRegularExpression kConflictCopy(QStringLiteral("\\.sync-conflict-\\d{8}-\\d{6}-[A-Z0-9]{7}"));
const QString kConflictFolder = QStringLiteral("同期の競合/");

bool is_data_file(const QString& path) {
  return path == QLatin1String("flower.dat") || path == QLatin1String("basyo.dat") ||
         path == QLatin1String("hinsyu.dat") || path.startsWith(QLatin1String("memo/"));
}

QMap<QString, QByteArray> data_files(const QString& dir) {
  QMap<QString, QByteArray> files = folder_files(dir);
  files.removeIf([](const auto& it) { return !is_data_file(it.key()); });
  return files;
}

// The highest memo number a folder uses: in flower.dat and among the
// names of memo/.
qint64 highest_number_on_disk(const QString& dir) {
  QStringList problems;
  qint64 top = 0;
  for (const DiskMemo& d : read_disk_memos(dir, problems)) top = std::max(top, d.no);
  const QRegularExpression name(QStringLiteral("^[mg](\\d{7})\\."));
  for (const QString& file : QDir(dir + QStringLiteral("memo")).entryList(QDir::Files)) {
    const QRegularExpressionMatch m = name.match(file);
    if (m.hasMatch()) top = std::max(top, m.captured(1).toLongLong());
  }
  return top;
}

QStringList record_rows(const store::MemoTable& table) {
  QStringList rows;
  for (const store::MemoRecord& r : table) {
    rows << store::list_row_text(r) + QLatin1Char('\t') + r.created + QLatin1Char('\t') + r.corrected;
  }
  rows.sort();
  return rows;
}

QSet<QString> name_set(const QStringList& names) { return QSet<QString>(names.cbegin(), names.cend()); }

QString stamp_text(const QDateTime& t) { return t.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")); }

}  // namespace

TwoDiaries::TwoDiaries(const QString& root) {
  folders_made_ = true;
  for (int i = 0; i < 2; ++i) {
    Side& s = side(i);
    s.index = i;
    s.name = i == 0 ? QStringLiteral("A") : QStringLiteral("B");
    s.dir = QDir(root).filePath(s.name) + QLatin1Char('/');
    folders_made_ = QDir().mkpath(s.dir) && folders_made_;
  }
}

QString TwoDiaries::start(int i) {
  Side& s = side(i);
  s.state = std::make_unique<store::AppState>(s.dir);
  const store::StartupData started = store::start_up_data(*s.state, store::Settings{});
  if (!started.ok) return s.name + QStringLiteral(": ") + started.message;
  if (!started.warnings.isEmpty()) return s.name + QStringLiteral(": ") + started.warnings.join(QLatin1Char('\n'));
  names_[0].unite(name_set(s.state->location_list.names));
  names_[1].unite(name_set(s.state->variety_list.names));
  return {};
}

void TwoDiaries::note_copies() {
  for (const Side& s : sides_) {
    const QMap<QString, QByteArray> files = folder_files(s.dir);
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
      if (!it.key().startsWith(kConflictFolder) && kConflictCopy.match(it.key()).hasMatch()) {
        copies_seen_.insert(it.key(), it.value());
      }
    }
  }
}

void TwoDiaries::note_names(const store::MemoInput& in) {
  names_[0].insert(in.location);
  names_[1].insert(in.variety);
}

QString TwoDiaries::make_memo(RandomEdits& edits, RoundModel& model, Side& s) {
  const store::MemoInput in = edits.new_memo(*s.state);
  const qint64 top = highest_number_on_disk(s.dir);
  const QDateTime now = clock_.take(s.index);
  const store::MemoChange change = store::save_memo(*s.state, in, 0, now);
  if (!change.ok) return s.name + QStringLiteral(": a new memo was refused: ") + change.text;
  note_names(in);
  const QString stamp = stamp_text(now);
  for (const store::MemoRecord& r : s.state->memo_table) {
    if (r.created != stamp || r.title != in.title) continue;
    const qint64 no = store::numeric_value(r.memo_no);
    if (no <= top)
      return QStringLiteral("%1: a new memo got number %2, but %3 is on disk already").arg(s.name).arg(no).arg(top);
    model.made(s.index, no, {stamp, in.date, in.location, in.variety, in.title, in.body, in.images, stamp});
    log_ << QStringLiteral("%1 makes %2 「%3」 at %4").arg(s.name).arg(no).arg(in.title, stamp);
    return {};
  }
  return s.name + QStringLiteral(": the new memo is not in the table");
}

QString TwoDiaries::correct_memo(RandomEdits& edits, RoundModel& model, Side& s, int slot) {
  const store::MemoRecord record = s.state->memo_table[static_cast<size_t>(slot - 1)];
  const qint64 no = store::numeric_value(record.memo_no);
  const int id = model.id_of(s.index, no);
  if (id < 0) return QStringLiteral("%1: memo %2 is not one the round knows").arg(s.name).arg(no);
  Memo current{record.created, record.date, record.location, record.variety, record.title, {}, {}, record.corrected};
  current.body = store::load_memo_body(s.dir, record.memo_no).text;
  current.images = store::read_image_list(s.dir, record.memo_no).images;
  const store::MemoInput in = edits.correction(*s.state, current);
  const QDateTime now = clock_.take(s.index);
  const store::MemoChange change = store::save_memo(*s.state, in, slot, now);
  if (!change.ok) return s.name + QStringLiteral(": a correction was refused: ") + change.text;
  note_names(in);
  const QString stamp = stamp_text(now);
  model.corrected(s.index, id, {record.created, in.date, in.location, in.variety, in.title, in.body, in.images, stamp});
  log_ << QStringLiteral("%1 corrects %2 「%3」 made %4 at %5")
              .arg(s.name)
              .arg(no)
              .arg(record.title, record.created, stamp);
  return {};
}

QString TwoDiaries::delete_memo(RoundModel& model, Side& s, int slot) {
  const store::MemoRecord record = s.state->memo_table[static_cast<size_t>(slot - 1)];
  const qint64 no = store::numeric_value(record.memo_no);
  const int id = model.id_of(s.index, no);
  if (id < 0) return QStringLiteral("%1: memo %2 is not one the round knows").arg(s.name).arg(no);
  const store::MemoChange change = store::delete_memo(*s.state, slot);
  if (!change.ok) return s.name + QStringLiteral(": a deletion was refused: ") + change.text;
  model.deleted(s.index, id);
  log_ << QStringLiteral("%1 deletes %2 「%3」 made %4").arg(s.name).arg(no).arg(record.title, record.created);
  return {};
}

QString TwoDiaries::add_name(Side& s, bool location, const QString& name) {
  const store::CategoryChange change =
      store::add_category_name(*s.state, location ? store::Category::Location : store::Category::Variety, name);
  if (!change.ok) return s.name + QStringLiteral(": adding 「%1」 was refused: %2").arg(name, change.text);
  names_[location ? 0 : 1].insert(name);
  log_ << QStringLiteral("%1 adds the %2 %3")
              .arg(s.name, location ? QStringLiteral("location") : QStringLiteral("variety"), name);
  return {};
}

// The second side, before its own random things, now and then corrects or
// deletes a memo the first side corrected or deleted, and adds a name the
// first side added.
QString TwoDiaries::follow_first(RandomEdits& edits, RoundModel& model, int first, Side& s) {
  for (int id = 0; id < model.agreed_count(); ++id) {
    if (model.fate(id, first) == RoundModel::Fate::Untouched || !edits.chance(70)) continue;
    for (int slot = 1; slot <= s.state->memo_count(); ++slot) {
      const qint64 no = store::numeric_value(s.state->memo_table[static_cast<size_t>(slot - 1)].memo_no);
      if (model.id_of(s.index, no) != id) continue;
      const QString failure = edits.chance(80) ? correct_memo(edits, model, s, slot) : delete_memo(model, s, slot);
      if (!failure.isEmpty()) return failure;
      break;
    }
  }
  for (const auto& [location, name] : first_names_) {
    if (!edits.chance(50)) continue;
    if (const QString failure = add_name(s, location, name); !failure.isEmpty()) return failure;
  }
  return {};
}

QString TwoDiaries::edit_while_apart(RandomEdits& edits, RoundModel& model) {
  log_.clear();
  first_names_.clear();
  const int first = edits.below(2);
  for (const int i : {first, 1 - first}) {
    Side& s = side(i);
    QString failure = i == first ? QString() : follow_first(edits, model, first, s);
    const int steps = 3 + edits.below(4);
    for (int step = 0; step < steps && failure.isEmpty(); ++step) {
      const int roll = edits.below(100);
      const int count = s.state->memo_count();
      if (roll < 35 || count == 0) {
        failure = make_memo(edits, model, s);
      } else if (roll < 70) {
        failure = correct_memo(edits, model, s, 1 + edits.below(count));
      } else if (roll < 85) {
        failure = delete_memo(model, s, 1 + edits.below(count));
      } else {
        const bool location = edits.chance(50);
        // A name neither side has yet (earlier rounds used the same stems).
        QString name = edits.fresh_name(location);
        for (const Side& other : sides_) {
          const store::CategoryList& list = location ? other.state->location_list : other.state->variety_list;
          while (list.names.contains(name)) name = edits.fresh_name(location);
        }
        failure = add_name(s, location, name);
        if (i == first) first_names_.append({location, name});
      }
    }
    if (!failure.isEmpty()) return failure;
  }
  return {};
}

QStringList TwoDiaries::round_faults(const RoundModel& model) const {
  QStringList faults;
  const QStringList differing = differing_files(data_files(folder(0)), data_files(folder(1)));
  if (!differing.isEmpty())
    faults << QStringLiteral("the data files differ between A and B: ") + differing.join(QStringLiteral(", "));

  const std::vector<Memo> expected = model.expected();
  for (const Side& s : sides_) {
    QStringList problems;
    std::vector<Memo> memos;
    for (const DiskMemo& d : read_disk_memos(s.dir, problems)) memos.push_back(d.memo);
    for (const QString& line : problems + compare_memos(expected, memos))
      faults << s.name + QStringLiteral(": ") + line;

    for (int list = 0; list < 2; ++list) {
      store::CategoryList names;
      store::load_category_list(s.dir + (list == 0 ? QStringLiteral("basyo.dat") : QStringLiteral("hinsyu.dat")),
                                names);
      const QSet<QString> held = name_set(names.names);
      if (held.size() != names.count()) {
        faults << s.name + QStringLiteral(": a category list holds a name twice: ") +
                      names.names.join(QLatin1Char(','));
      }
      if (held != names_[list]) {
        faults << s.name + QStringLiteral(": category names missing: %1; held but added by no one: %2")
                               .arg(QStringList((names_[list] - held).values()).join(QLatin1Char(',')),
                                    QStringList((held - names_[list]).values()).join(QLatin1Char(',')));
      }
    }

    // Conflict copies: none left beside the data, every one seen kept.
    const QMap<QString, QByteArray> files = folder_files(s.dir);
    QMap<QString, QByteArray> kept;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
      if (!kConflictCopy.match(it.key()).hasMatch()) continue;
      if (it.key().startsWith(kConflictFolder)) {
        kept.insert(QFileInfo(it.key()).fileName(), it.value());
      } else {
        faults << s.name + QStringLiteral(": a conflict copy was left beside the data: ") + it.key();
      }
    }
    for (auto it = copies_seen_.cbegin(); it != copies_seen_.cend(); ++it) {
      const QString name = QFileInfo(it.key()).fileName();
      if (!kept.contains(name)) {
        faults << s.name + QStringLiteral(": the conflict copy %1 is not under 同期の競合").arg(it.key());
      } else if (kept.value(name) != it.value()) {
        faults << s.name + QStringLiteral(": the conflict copy %1 changed under 同期の競合").arg(it.key());
      }
    }
  }
  return faults;
}

QStringList TwoDiaries::memory_faults() const {
  QStringList faults;
  for (const Side& s : sides_) {
    store::MemoTable on_disk;
    qint64 highest = 0;
    store::load_memo_index(s.state->flower_dat_path(), on_disk, highest);
    const QStringList held = record_rows(s.state->memo_table);
    const QStringList written = record_rows(on_disk);
    if (held != written) {
      faults << s.name +
                    QStringLiteral(": memos in memory but not in flower.dat: %1; in flower.dat but not in memory: %2")
                        .arg(QStringList((name_set(held) - name_set(written)).values()).join(QStringLiteral(" / ")),
                             QStringList((name_set(written) - name_set(held)).values()).join(QStringLiteral(" / ")));
    }
    for (int list = 0; list < 2; ++list) {
      store::CategoryList file_list;
      store::load_category_list(list == 0 ? s.state->basyo_dat_path() : s.state->hinsyu_dat_path(), file_list);
      const QStringList& names = list == 0 ? s.state->location_list.names : s.state->variety_list.names;
      if (name_set(names) != name_set(file_list.names)) {
        faults << s.name + QStringLiteral(": the %1 list in memory (%2) is not the one on disk (%3)")
                               .arg(list == 0 ? QStringLiteral("location") : QStringLiteral("variety"),
                                    names.join(QLatin1Char(',')), file_list.names.join(QLatin1Char(',')));
      }
    }
  }
  return faults;
}

}  // namespace synctest
