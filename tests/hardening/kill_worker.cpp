// Runs store operations on a data directory in an endless loop, for the
// kill test, which kills it at random moments.
//
//   verdalis_kill_worker DATA_DIR SHADOW_DIR
//
// For each line "RUN <number>" on stdin it forks a child, which writes
// "PID <its pid>" and then runs operations until it is killed; when the
// child has ended, "DONE" follows. Forking a started process keeps each
// run cheap, even under the sanitizers.
//
// Every operation is first carried out on SHADOW_DIR, a copy of DATA_DIR
// made at start, so that the outcome is known before DATA_DIR is touched.
// Then one line is written to stdout:
//
//   BEGIN <n> <operation> <flower.dat before> <flower.dat after> <files before> <files after> <lists>
//
// (SHA-1 digests in hex; the file lists are the names in memo/, joined by
// "," or "-" for none; for a re-pointing, <lists> names each picture list
// file it changes with its digest before and after, "name:before:after"
// joined by ","; for a backup it is "archive name:digest of the archive
// there before" ("none" when there is none); otherwise, or when it changes
// none, "-"), the same operation runs on DATA_DIR, and "END <n>"
// follows. A backup only reads the data directory, so it runs on DATA_DIR
// alone; its archive goes to the folder "backups" beside the data
// directories. Both directories start equal and every operation is
// deterministic (a fixed clock, a generator started from the run number), so the two runs end
// alike. Exit status 3 means they did not.

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <clocale>
#include <cstdio>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "store/backup/backup_write.h"
#include "store/diary/app_state.h"
#include "store/diary/category_edit.h"
#include "store/diary/memo_save.h"
#include "store/pictures/photo_import.h"
#include "store/diary/startup.h"
#include "store/pictures/picture_repoint.h"

namespace {

void say(const QByteArray& line) {
  const QByteArray out = line + '\n';
  qsizetype done = 0;
  while (done < out.size()) {
    const ssize_t n = ::write(1, out.constData() + done, static_cast<size_t>(out.size() - done));
    if (n <= 0) _exit(4);
    done += n;
  }
}

QByteArray digest_of(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return "none";
  return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1).toHex();
}

QByteArray memo_files_of(const QString& data_dir) {
  const QStringList names = QDir(data_dir + QStringLiteral("memo")).entryList(QDir::Files, QDir::Name);
  return names.isEmpty() ? QByteArray("-") : names.join(QLatin1Char(',')).toUtf8();
}

// The picture list files whose bytes differ between two directories, with
// both digests ("none" for a file that is not there).
QByteArray changed_lists(const QString& before_dir, const QString& after_dir) {
  const QDir::Filters files = QDir::Files;
  QStringList names = QDir(before_dir + QStringLiteral("memo")).entryList({QStringLiteral("g*.txt")}, files);
  names += QDir(after_dir + QStringLiteral("memo")).entryList({QStringLiteral("g*.txt")}, files);
  names.removeDuplicates();
  QByteArrayList changed;
  for (const QString& name : names) {
    const QByteArray before = digest_of(before_dir + QStringLiteral("memo/") + name);
    const QByteArray after = digest_of(after_dir + QStringLiteral("memo/") + name);
    if (before != after) changed << name.toUtf8() + ':' + before + ':' + after;
  }
  return changed.isEmpty() ? QByteArray("-") : changed.join(',');
}

// Copies one file without syncing it to disk (QFile::copy does).
bool copy_file(const QString& from, const QString& to) {
  QFile in(from);
  QFile out(to);
  if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) return false;
  const QByteArray bytes = in.readAll();
  return out.write(bytes) == bytes.size();
}

bool copy_tree(const QString& from, const QString& to) {
  QDir(to).removeRecursively();
  if (!QDir().mkpath(to + QStringLiteral("memo"))) return false;
  for (const QString& name : QDir(from).entryList(QDir::Files)) {
    if (!copy_file(from + name, to + name)) return false;
  }
  for (const QString& name : QDir(from + QStringLiteral("memo")).entryList(QDir::Files)) {
    if (!copy_file(from + QStringLiteral("memo/") + name, to + QStringLiteral("memo/") + name)) return false;
  }
  return true;
}

// One operation, drawn from the generator before it is applied to either
// directory, so that both get exactly the same one.
struct Operation {
  enum Kind { NewMemo, Correction, Deletion, AddName, MoveAndSave, RemoveAndSave, BulkDeletion, Repoint, Backup, Import };
  Kind kind = NewMemo;
  store::MemoInput input;
  std::vector<store::MemoInput> days;  // an import's memos, saved together
  int slot = 0;
  store::Category category = store::Category::Location;
  int position = 0;
  QString name;
};

const char* kind_name(Operation::Kind kind) {
  static const char* const names[] = {"new", "correct", "delete", "add-name", "move-name", "remove-name", "bulk-delete",
                                      "repoint", "backup", "import"};
  return names[kind];
}

// Most pictures of the memos are stored as "/pictures/庭N.jpg", files that
// do not exist; a re-pointing finds them in the photos folder beside the
// data directories, where they are empty. The first few photos there are
// about 1 MB each and memos also name them directly, so that a backup
// takes long enough to be killed while it writes.
constexpr int kPhotos = 50;
constexpr int kLargePhotos = 4;

QString photos_folder(const QString& data) { return QDir(data + QStringLiteral("../photos")).absolutePath(); }
QString backups_folder(const QString& data) { return QDir(data + QStringLiteral("../backups")).absolutePath(); }

// A backup either makes a new archive, under a name not used before in the
// run (the kill test removes these after each run), or replaces the
// archive that the last backup under the second name wrote.
constexpr char16_t kReplacedArchive[] = u"上書き.zip";

bool make_photos(const QString& data) {
  const QString dir = photos_folder(data);
  if (!QDir().mkpath(dir) || !QDir().mkpath(backups_folder(data))) return false;
  for (int i = 0; i < kPhotos; ++i) {
    QFile f(dir + QStringLiteral("/庭%1.jpg").arg(i));
    const qint64 size = i < kLargePhotos ? (1 << 20) + i * 100000 : 0;
    if (f.size() == size) continue;
    QByteArray bytes(size, Qt::Uninitialized);
    std::mt19937 fill(static_cast<unsigned>(i));
    for (char& c : bytes) c = static_cast<char>(fill());
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != size) return false;
  }
  return true;
}

class Generator {
 public:
  Generator(unsigned run_number, const QString& photos) : rng_(run_number), photos_(photos) {}

  int below(int n) { return n <= 0 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  QString body() {
    if (below(3) == 0) return {};
    QStringList lines;
    const int count = 1 + below(below(4) == 0 ? 400 : 6);  // now and then a long body
    for (int i = 0; i < count; ++i) lines << QStringLiteral("花の記録 %1 行目、水やりと肥料。").arg(below(100000));
    return lines.join(QStringLiteral("\r\n"));
  }

  std::vector<store::ImageEntry> images() {
    std::vector<store::ImageEntry> list;
    const int count = below(3) == 0 ? 0 : below(4);
    for (int i = 0; i < count; ++i) {
      const QString path = below(3) == 0 ? photos_ + QStringLiteral("/庭%1.jpg").arg(below(kLargePhotos))
                                         : QStringLiteral("/pictures/庭%1.jpg").arg(below(kPhotos));
      list.push_back({path, QStringLiteral("写真%1").arg(i + 1)});
    }
    return list;
  }

  Operation next(const store::AppState& state) {
    Operation op;
    const int memos = state.memo_count();
    int roll = below(100);
    if (memos > 40 && roll < 40) roll = 50;  // keep the table small
    if (memos == 0 && roll >= 40 && roll < 65) roll = 0;
    op.category = below(2) == 0 ? store::Category::Location : store::Category::Variety;
    const int names = store::category_list(state, op.category).count();
    if (roll < 34) {
      op.kind = Operation::NewMemo;
    } else if (roll < 40) {
      op.kind = Operation::Import;
    } else if (roll < 65) {
      op.kind = Operation::Correction;
      op.slot = 1 + below(memos);
    } else if (roll < 80) {
      op.kind = memos == 0 ? Operation::NewMemo : Operation::Deletion;
      op.slot = 1 + below(memos);
    } else if (roll < 83) {
      op.kind = Operation::Repoint;
    } else if (roll < 88) {
      op.kind = Operation::Backup;
      op.name = below(2) == 0 ? QStringLiteral("新しい-%1.zip").arg(++backups_) : QString::fromUtf16(kReplacedArchive);
    } else if (roll < 90) {
      op.kind = Operation::AddName;
      op.name = QStringLiteral("新しい分類%1").arg(below(100000));
    } else if (roll < 93 && names > 1) {
      op.kind = Operation::MoveAndSave;
      op.position = below(names - 1);
    } else if (roll < 95 && names > 3) {
      op.kind = Operation::RemoveAndSave;
      op.position = below(names);
    } else if (names > 0) {
      op.kind = Operation::BulkDeletion;
      op.position = below(std::min(names, 4));  // names that memos carry
    }
    if (op.kind == Operation::NewMemo || op.kind == Operation::Correction) {
      const store::CategoryList& places = state.location_list;
      const store::CategoryList& kinds = state.variety_list;
      op.input.date = QStringLiteral("2026/%1/%2").arg(1 + below(12), 2, 10, QLatin1Char('0')).arg(1 + below(28), 2, 10, QLatin1Char('0'));
      op.input.location = places.count() > 0 && below(8) != 0 ? places.names.at(below(std::min(places.count(), 4)))
                                                               : QStringLiteral("場所%1").arg(below(50));
      op.input.variety = kinds.count() > 0 && below(8) != 0 ? kinds.names.at(below(std::min(kinds.count(), 4)))
                                                            : QStringLiteral("品種%1").arg(below(50));
      op.input.title = QStringLiteral("題%1").arg(below(100000));
      op.input.body = body();
      op.input.images = images();
    }
    if (op.kind == Operation::Import) {
      // A day's photos per memo, now and then with a new location.
      for (int d = 0, n = 2 + below(3); d < n; ++d) {
        store::MemoInput day;
        day.date = QStringLiteral("2026/05/%1").arg(1 + below(28), 2, 10, QLatin1Char('0'));
        day.location = below(4) == 0 ? QStringLiteral("取り込み場所%1").arg(below(20)) : QStringLiteral("花壇");
        day.variety = QStringLiteral("写真");
        day.title = store::day_title(1 + d);
        for (int i = 0; i <= d; ++i) day.images.push_back({photos_ + QStringLiteral("/庭%1.jpg").arg(below(kPhotos)), QStringLiteral("10:0%1").arg(i)});
        op.days.push_back(std::move(day));
      }
    }
    return op;
  }

 private:
  std::mt19937 rng_;
  QString photos_;
  int backups_ = 0;
};

// Applies the operation; true when it reports success.
bool apply(store::AppState& state, const Operation& op, const QDateTime& now) {
  switch (op.kind) {
    case Operation::NewMemo: return store::save_memo(state, op.input, 0, now).ok;
    case Operation::Import: return store::save_new_memos(state, op.days, now).ok;
    case Operation::Correction: return store::save_memo(state, op.input, op.slot, now).ok;
    case Operation::Deletion: return store::delete_memo(state, op.slot).ok;
    case Operation::AddName: return store::add_category_name(state, op.category, op.name).ok;
    case Operation::MoveAndSave:
      store::move_category_down(store::category_list(state, op.category), op.position);
      return store::save_category_edit(state, op.category).ok;
    case Operation::RemoveAndSave:
      store::remove_category_name(store::category_list(state, op.category), op.position);
      return store::save_category_edit(state, op.category).ok;
    case Operation::BulkDeletion: return store::delete_category_memos(state, op.category, op.position).ok;
    case Operation::Repoint: {
      const std::atomic_bool go_on{false};
      const std::vector<store::CheckedMemo> memos = store::memos_to_check(state.memo_table);
      const store::PictureScan scan = store::scan_pictures(state.data_dir, memos, go_on);
      const store::RepointPlan plan =
          store::plan_repoint(scan, {QStringLiteral("/pictures/"), photos_folder(state.data_dir), false}, go_on);
      store::FileJournal journal(state.data_dir);
      return store::write_repoint(state.data_dir, memos, scan, plan, journal).ok;
    }
    case Operation::Backup: {
      const std::atomic_bool go_on{false};
      const store::BackupPlan plan = store::plan_backup(state.data_dir, store::memos_to_check(state.memo_table), go_on);
      return store::write_backup(plan, backups_folder(state.data_dir) + QLatin1Char('/') + op.name, go_on).ok;
    }
  }
  return false;
}

// One run: operations on the data directory until the process is killed.
int run(const QString& data, const QString& shadow, unsigned run_number) {
  if (!copy_tree(data, shadow) || !make_photos(data)) return 2;

  // A clock that moves one second per reading, from a start that differs
  // from run to run.
  QDateTime clock(QDate(2026, 1, 1), QTime(0, 0));
  clock = clock.addSecs(static_cast<qint64>(run_number % 100000) * 1000);
  store::AppState real(data);
  store::AppState copy(shadow);
  const store::Settings window{0, 0, 0, 0, 6975, 9450, 2000};
  QDateTime start_clock = clock;
  const auto tick = [&start_clock] { return start_clock = start_clock.addSecs(1); };
  if (!store::start_up_data(copy, window, tick).ok) return 2;
  start_clock = clock;
  if (!store::start_up_data(real, window, tick).ok) return 2;
  clock = start_clock;

  Generator gen(run_number, photos_folder(data));
  for (int n = 1; n < 1000000; ++n) {
    const Operation op = gen.next(real);
    clock = clock.addSecs(1);
    const QByteArray before = digest_of(real.flower_dat_path());
    const QByteArray files_before = memo_files_of(data);
    QByteArray lists = "-";
    bool done_on_copy = true;
    if (op.kind == Operation::Backup) {
      lists = op.name.toUtf8() + ':' + digest_of(backups_folder(data) + QLatin1Char('/') + op.name);
    } else {
      done_on_copy = apply(copy, op, clock);
      if (op.kind == Operation::Repoint) lists = changed_lists(data, shadow);
    }
    say("BEGIN " + QByteArray::number(n) + ' ' + kind_name(op.kind) + ' ' + before + ' ' +
        digest_of(copy.flower_dat_path()) + ' ' + files_before + ' ' + memo_files_of(shadow) + ' ' + lists);
    const bool done = apply(real, op, clock);
    if (done != done_on_copy || real.memo_count() != copy.memo_count()) return 3;
    say("END " + QByteArray::number(n));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s DATA_DIR SHADOW_DIR   (then RUN <number> lines on stdin)\n", argv[0]);
    return 2;
  }
  // The locale from the environment, as QCoreApplication sets it in the
  // program: libarchive converts the names in an archive through it.
  std::setlocale(LC_ALL, "");
  const QString data = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + QLatin1Char('/');
  const QString shadow = QDir(QString::fromLocal8Bit(argv[2])).absolutePath() + QLatin1Char('/');
  char line[64];
  while (std::fgets(line, sizeof line, stdin)) {
    unsigned run_number = 0;
    if (std::sscanf(line, "RUN %u", &run_number) != 1) return 2;
    const pid_t child = fork();
    if (child == 0) {
      say("PID " + QByteArray::number(getpid()));
      _exit(run(data, shadow, run_number));
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) return 2;
    say("DONE " + QByteArray::number(status));
  }
  return 0;
}
