// Runs the diary's writers one by one on a small diary, for the tests that
// cut or fail its writes (syscall traces, injected faults).
//
//   verdalis_write_driver prepare DIR
//   verdalis_write_driver run [--fault NAME:ERRNO] DIR WRITER [WRITER...]
//
// "prepare" makes DIR/data/ (the data folder) and DIR/photos/ (camera
// photos for the import, and in DIR/photos/moved/ the pictures that a
// re-pointing finds). "run" loads DIR/data/ as the program does at start,
// then runs each writer; after each one it writes "ACK <writer>\n" to fd 1
// in a single write(2), or "FAIL <writer>\n<message>\n" and exits 1. Just
// before a writer starts, "BEGIN <writer>\n" goes to fd 2, so that a trace
// shows where each writer's calls begin. The clock is fixed, so two runs on
// copies of one prepared folder write the same bytes.
//
// --fault makes the libfiu failure point NAME fail with ERRNO (a number,
// EIO or ENOSPC) while each writer runs, and only then: loading and the
// driver's own output stay unharmed. The driver must run under
// `fiu-run -x` (without -c); it reaches the libfiu that the preload brought
// in through dlopen(RTLD_NOLOAD), so the same library the wrappers consult
// is switched, and building the driver needs no libfiu headers.

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

#include "store/diary/category_edit.h"
#include "store/diary/memo_save.h"
#include "store/diary/shutdown.h"
#include "store/diary/startup.h"
#include "store/pictures/photo_import.h"
#include "store/pictures/picture_repoint.h"
#include "store/pictures/repoint_undo.h"

namespace {

const QDateTime kNow(QDate(2026, 5, 8), QTime(12, 0));
const store::Settings kWindow{0, 0, 0, 0, 6975, 9450, 2000};
// Where the memos' pictures were; the folder does not exist.
const QString kGoneFolder = QStringLiteral("/verdalis-gone/庭/");

void put(int fd, const QByteArray& bytes) {
  if (::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())) != bytes.size()) _exit(4);
}

// The failure point switched around each writer.
struct Fault {
  using Enable = int (*)(const char*, int, void*, unsigned);
  using Disable = int (*)(const char*);
  QByteArray name;
  long error = 0;
  Enable enable = nullptr;
  Disable disable = nullptr;

  bool set(const QString& point_and_errno) {
    const qsizetype colon = point_and_errno.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0) return false;
    name = point_and_errno.left(colon).toUtf8();
    const QString e = point_and_errno.mid(colon + 1);
    error = e == QLatin1String("EIO") ? EIO : e == QLatin1String("ENOSPC") ? ENOSPC : e.toLong();
    void* fiu = dlopen("libfiu.so.0", RTLD_NOW | RTLD_NOLOAD);
    if (fiu == nullptr) return false;  // not started by fiu-run -x
    enable = reinterpret_cast<Enable>(dlsym(fiu, "fiu_enable"));
    disable = reinterpret_cast<Disable>(dlsym(fiu, "fiu_disable"));
    return error > 0 && enable != nullptr && disable != nullptr;
  }
  // The wrappers take the errno from the point's failinfo.
  void on() const {
    if (enable != nullptr && enable(name.constData(), 1, reinterpret_cast<void*>(error), 0) != 0) _exit(5);
  }
  void off() const {
    if (disable != nullptr) disable(name.constData());
  }
};

QString photos_of(const QString& dir) { return dir + QStringLiteral("photos/"); }

bool write_picture(const QString& path, int shade) {
  QImage image(16, 12, QImage::Format_RGB32);
  image.fill(QColor(40 + shade * 20, 140, 60));
  return image.save(path, "JPG", 80);
}

int slot_titled(const store::AppState& state, const QString& title) {
  for (size_t i = 0; i < state.memo_table.size(); ++i) {
    if (state.memo_table.text(i, store::MemoField::Title) == title) return static_cast<int>(i) + 1;
  }
  return 0;
}

int prepare(const QString& dir) {
  const QString data = dir + QStringLiteral("data/");
  const QString photos = photos_of(dir);
  if (!QDir().mkpath(data) || !QDir().mkpath(photos + QStringLiteral("moved"))) return 2;
  // Camera photos of two days, dated by their names.
  const QStringList camera = {QStringLiteral("IMG_20260501_101500.jpg"), QStringLiteral("IMG_20260501_143000.jpg"),
                              QStringLiteral("IMG_20260503_090000.jpg")};
  for (int i = 0; i < camera.size(); ++i) {
    if (!write_picture(photos + camera[i], i)) return 2;
  }
  for (int i = 1; i <= 6; ++i) {
    if (!write_picture(photos + QStringLiteral("moved/庭%1.jpg").arg(i), i)) return 2;
  }
  store::AppState state(data);
  if (!store::start_up_data(state, kWindow, [] { return kNow; }).ok) return 2;
  const auto pictures = [](int first, int count) {
    std::vector<store::ImageEntry> list;
    for (int i = first; i < first + count; ++i) list.push_back({kGoneFolder + QStringLiteral("庭%1.jpg").arg(i), QStringLiteral("写真%1").arg(i)});
    return list;
  };
  QStringList long_body;
  for (int i = 1; i <= 265; ++i) long_body << QStringLiteral("%1 行目：土を起こして堆肥を混ぜた。").arg(i, 3);
  const std::vector<store::MemoInput> memos = {
      {QStringLiteral("2026/04/01"), QStringLiteral("花壇"), QStringLiteral("パンジー"), QStringLiteral("植え付け"),
       QStringLiteral("苗を十株植えた。\r\n水をたっぷり。"), pictures(1, 2)},
      {QStringLiteral("2026/04/05"), QStringLiteral("花壇"), QStringLiteral("トマト"), QStringLiteral("支柱立て"),
       QStringLiteral("支柱を立てた。"), pictures(3, 1)},
      {QStringLiteral("2026/04/10"), QStringLiteral("温室"), QStringLiteral("トマト"), QStringLiteral("土づくり"),
       long_body.join(QStringLiteral("\r\n")), {}},
      {QStringLiteral("2026/04/12"), QStringLiteral("温室"), QStringLiteral("パンジー"), QStringLiteral("種まき"),
       QString(), pictures(4, 2)},
      {QStringLiteral("2026/04/20"), QStringLiteral("花壇"), QStringLiteral("パンジー"), QStringLiteral("花がら摘み"),
       QStringLiteral("花がらを摘んだ。"), pictures(6, 1)},
  };
  for (const store::MemoInput& memo : memos) {
    if (!store::save_memo(state, memo, 0, kNow).ok) return 2;
  }
  ::sync();
  return 0;
}

// The re-pointing of the pictures from kGoneFolder to photos/moved/.
store::RepointWrite repoint(store::AppState& state, const QString& dir) {
  const std::atomic_bool cancel{false};
  const std::vector<store::CheckedMemo> memos = store::memos_to_check(state.memo_table);
  const store::PictureScan scan = store::scan_pictures(state.data_dir, memos, cancel);
  const store::RepointRequest request{kGoneFolder, photos_of(dir) + QStringLiteral("moved"), false};
  const store::RepointPlan plan = store::plan_repoint(scan, request, cancel);
  store::FileJournal journal(state.data_dir);
  store::RepointWrite written = store::write_repoint(state.data_dir, memos, scan, plan, journal);
  if (written.ok) {
    if (const store::FileResult done = journal.commit(); !done) {
      written.ok = false;
      written.message = done.message;
    }
  }
  if (written.ok && written.files == 0) written = {false, QStringLiteral("no picture re-pointed"), 0, 0, {}};
  written.record.old_folder = request.old_folder;
  written.record.new_folder = request.new_folder;
  if (written.ok) state.last_repoint = written.record;
  return written;
}

// Runs one writer: an empty string on success, else the message the
// window would show.
QString run_writer(store::AppState& state, const QString& dir, const QString& writer, const Fault& fault) {
  using store::Category;
  // A warning (done, but the user hears of something) goes to fd 2 once
  // the fault is off.
  QString warning;
  const auto warn = [&](const QString& text) { warning += text; };
  const auto memo_result = [&](const store::MemoChange& c) {
    warn(c.warning);
    return c.ok ? QString() : c.text;
  };
  const auto category_result = [](const store::CategoryChange& c) { return c.ok ? QString() : c.text; };
  const auto position = [&](Category category, const QString& name) {
    return static_cast<int>(store::category_list(state, category).names.indexOf(name));
  };
  if (writer == QLatin1String("repoint_undo") && state.last_repoint.empty()) {
    if (const store::RepointWrite first = repoint(state, dir); !first.ok) return first.message;
  }
  fault.on();
  QString failure;
  if (writer == QLatin1String("new")) {
    const store::MemoInput input{QStringLiteral("2026/05/08"), QStringLiteral("東の畑"), QStringLiteral("トマト"),
                                 QStringLiteral("定植"), QStringLiteral("苗を植えた。\r\n風よけを付けた。"),
                                 {{kGoneFolder + QStringLiteral("新1.jpg"), QStringLiteral("定植前")},
                                  {kGoneFolder + QStringLiteral("新2.jpg"), QStringLiteral("定植後")}}};
    failure = memo_result(store::save_memo(state, input, 0, kNow));
  } else if (writer == QLatin1String("correct")) {
    const store::MemoRecord memo = state.memo_table[1];
    const store::MemoInput input{memo.date, memo.location, memo.variety, QStringLiteral("直した題"),
                                 QStringLiteral("書き直した本文。"),
                                 {{kGoneFolder + QStringLiteral("直1.jpg"), QStringLiteral("直した写真")}}};
    failure = memo_result(store::save_memo(state, input, 2, kNow));
  } else if (writer == QLatin1String("delete")) {
    const int slot = slot_titled(state, QStringLiteral("植え付け"));
    failure = slot == 0 ? QStringLiteral("no memo to delete") : memo_result(store::delete_memo(state, slot));
  } else if (writer == QLatin1String("bulk_delete")) {
    const store::CategoryDeletion done =
        store::delete_category_memos(state, Category::Location, position(Category::Location, QStringLiteral("温室")));
    warn(done.warning);
    failure = done.ok ? QString() : done.text;
  } else if (writer == QLatin1String("category_add")) {
    failure = category_result(store::add_category_name(state, Category::Location, QStringLiteral("西の畑")));
  } else if (writer == QLatin1String("category_edit")) {
    store::CategoryList& list = state.variety_list;
    store::move_category_up(list, position(Category::Variety, QStringLiteral("チューリップ")));
    store::remove_category_name(list, position(Category::Variety, QStringLiteral("用具")));
    failure = category_result(store::save_category_edit(state, Category::Variety));
  } else if (writer == QLatin1String("shutdown")) {
    state.settings.window_top += 150;
    state.settings.window_left += 300;
    failure = store::shut_down_data(state).join(QLatin1Char('\n'));
  } else if (writer == QLatin1String("repoint") || writer == QLatin1String("repoint_undo")) {
    if (writer == QLatin1String("repoint")) {
      const store::RepointWrite done = repoint(state, dir);
      failure = done.ok ? QString() : done.message;
    } else {
      const store::RepointUndo undone = store::undo_repoint(state.data_dir, state.last_repoint);
      if (undone.ok) state.last_repoint = {};
      failure = undone.ok ? QString() : undone.message;
    }
  } else if (writer == QLatin1String("import")) {
    // The camera photos directly in photos/ (not those in moved/), a memo
    // for each day.
    const std::atomic_bool cancel{false};
    const store::ImportScan scan = store::scan_photo_folder(photos_of(dir), store::KnownPictures{}, cancel);
    std::vector<store::MemoInput> memos;
    for (store::ImportDay day : scan.days) {
      std::erase_if(day.photos, [&](const store::ImportPhoto& p) { return QFileInfo(p.path).path() + QLatin1Char('/') != photos_of(dir); });
      if (day.photos.empty()) continue;
      memos.push_back(store::day_memo(day, QStringLiteral("花壇"), QStringLiteral("パンジー"),
                                      store::day_title(static_cast<int>(day.photos.size())), true));
    }
    failure = memos.size() != 2 ? QStringLiteral("expected two days of photos") : memo_result(store::save_new_memos(state, memos, kNow));
  } else {
    failure = QStringLiteral("unknown writer");
  }
  fault.off();
  if (!warning.isEmpty()) put(2, "WARN " + writer.toUtf8() + '\n' + warning.toUtf8() + '\n');
  return failure;
}

int run(const QString& dir, const QStringList& writers, const Fault& fault) {
  store::AppState state(dir + QStringLiteral("data/"));
  if (const store::StartupData loaded = store::start_up_data(state, kWindow, [] { return kNow; }); !loaded.ok) {
    put(1, "FAIL load\n" + loaded.message.toUtf8() + '\n');
    return 1;
  }
  for (const QString& writer : writers) {
    put(2, "BEGIN " + writer.toUtf8() + '\n');
    const QString failure = run_writer(state, dir, writer, fault);
    if (!failure.isEmpty()) {
      put(1, "FAIL " + writer.toUtf8() + '\n' + failure.toUtf8() + '\n');
      return 1;
    }
    put(1, "ACK " + writer.toUtf8() + '\n');
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  Fault fault;
  if (args.size() >= 3 && args[0] == QLatin1String("run") && args[1] == QLatin1String("--fault")) {
    if (!fault.set(args[2])) {
      std::fprintf(stderr, "--fault needs NAME:ERRNO and a process started by fiu-run -x\n");
      return 2;
    }
    args.remove(1, 2);
  }
  const auto folder = [](const QString& arg) { return QDir(arg).absolutePath() + QLatin1Char('/'); };
  if (args.size() == 2 && args[0] == QLatin1String("prepare")) return prepare(folder(args[1]));
  if (args.size() >= 3 && args[0] == QLatin1String("run")) return run(folder(args[1]), args.mid(2), fault);
  std::fprintf(stderr, "usage: %s prepare DIR | run [--fault NAME:ERRNO] DIR WRITER...\n", argv[0]);
  return 2;
}
