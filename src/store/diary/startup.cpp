#include "store/diary/startup.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <sys/stat.h>
#include <unistd.h>

#include "store/diary/category_list.h"
#include "store/diary/field_formats.h"
#include "store/diary/memo_files.h"
#include "store/diary/memo_index.h"
#include "store/diary/outside_changes.h"
#include "store/diary/settings.h"
#include "store/files/durable_file.h"
#include "store/files/file_journal.h"
#include "store/files/posix_file.h"

namespace store {

namespace {

// A directory this user can create and replace files in. QFileInfo asks the
// operating system (access), so a read-only mount or an immutable directory
// counts as unwritable even for root.
bool writable_dir(const QString& path) {
  const QFileInfo info(path);
  return info.isDir() && info.isWritable() && info.isExecutable();
}

}  // namespace

QString unwritable_data_folder(const QString& data_dir) {
  if (!writable_dir(data_dir)) return data_dir;
  const QString memo = data_dir + QStringLiteral("memo");
  if (QFileInfo(memo).isDir() && !writable_dir(memo)) return memo + QLatin1Char('/');
  return QString();
}

namespace {

// A folder that belongs to this user alone: a directory given by its full
// path, owned by this user, that this user can write and enter and no one
// else can write (another user could remove or plant the lock). A
// symbolic link counts by what it points to only when `follow_links`.
bool own_folder(const QString& path, bool follow_links) {
  if (path.isEmpty() || !QDir::isAbsolutePath(path)) return false;
  struct stat st {};
  const QByteArray native = native_path(path);
  const int found = follow_links ? ::stat(native.constData(), &st) : ::lstat(native.constData(), &st);
  return found == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 022) == 0 &&
         writable_dir(path);
}

// The last resort for the lock: /tmp/verdalis-<uid>, made for this user
// alone. Anyone can create names in /tmp, so a link or a folder of
// another user found there is not used.
QString fallback_runtime_folder() { return QStringLiteral("/tmp/verdalis-%1").arg(::geteuid()); }

QString private_tmp_folder() {
  const QString path = fallback_runtime_folder();
  const QByteArray native = native_path(path);
  ::mkdir(native.constData(), 0700);  // an existing one is checked below
  struct stat st {};
  if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return QString();
  if ((st.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) != 0) return QString();
  return own_folder(path, false) ? path : QString();
}

// Where this machine's lock files live: a folder no sync tool carries and
// that is emptied when the machine restarts. Empty when none can be used.
QString runtime_folder() {
  const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (own_folder(xdg, true)) return QDir::cleanPath(xdg);
  // Without a usable variable Qt makes /tmp/runtime-<user>.
  const QString qt = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (own_folder(qt, true)) return QDir::cleanPath(qt);
  return private_tmp_folder();
}

}  // namespace

QString instance_lock_path(const QString& data_dir) {
  const QString folder = runtime_folder();
  if (folder.isEmpty()) return QString();
  const QFileInfo info(data_dir);
  QString canonical = info.canonicalFilePath();
  if (canonical.isEmpty()) canonical = QDir::cleanPath(info.absoluteFilePath());
  const QByteArray hash = QCryptographicHash::hash(native_path(canonical), QCryptographicHash::Sha1).toHex();
  return folder + QStringLiteral("/verdalis-") + QString::fromLatin1(hash) + QStringLiteral(".lock");
}

InstanceLock::InstanceLock(const QString& data_dir) : data_dir_(data_dir) {}

InstanceLock::Outcome InstanceLock::acquire() {
  unwritable_folder_ = unwritable_data_folder(data_dir_);
  if (!unwritable_folder_.isEmpty()) return Outcome::NotWritable;
  const QString path = instance_lock_path(data_dir_);
  if (path.isEmpty()) {
    unwritable_folder_ = fallback_runtime_folder() + QLatin1Char('/');
    return Outcome::NotWritable;
  }
  lock_ = std::make_unique<QLockFile>(path);
  // A lock left by a copy that crashed is taken over: QLockFile checks
  // whether the process that wrote it is still alive. The lock file never
  // leaves this machine, so that check can always be made.
  lock_->setStaleLockTime(0);
  if (lock_->tryLock(0)) return Outcome::Acquired;
  const QLockFile::LockError error = lock_->error();
  lock_.reset();
  if (error == QLockFile::LockFailedError) return Outcome::AlreadyRunning;
  unwritable_folder_ = QFileInfo(path).absolutePath() + QLatin1Char('/');
  return Outcome::NotWritable;
}

QString not_writable_message(const QString& folder) {
  return QStringLiteral(
             "フォルダ「%1」に書き込めません。\n"
             "【Verdalis】はメモと設定をプログラムと同じフォルダに保存するため、このままでは起動できません。\n\n"
             "【Verdalis】を、ホームフォルダの中など、ご自分で書き込めるフォルダ"
             "（例：%2）にインストールし直して、そこから起動して下さい。")
      .arg(QDir::toNativeSeparators(folder), QDir::toNativeSeparators(QDir::homePath() + QStringLiteral("/Verdalis")));
}

QStringList default_locations() {
  return {QStringLiteral("花壇"), QStringLiteral("アプローチ"), QStringLiteral("芝生"),
          QStringLiteral("温室"), QStringLiteral("裏庭"),       QStringLiteral("知識・コツ")};
}

QStringList default_varieties() {
  return {QStringLiteral("全体"),     QStringLiteral("パンジー"),   QStringLiteral("チューリップ"),
          QStringLiteral("ベゴニア"), QStringLiteral("ペチュニア"), QStringLiteral("日日草"),
          QStringLiteral("サルビア"), QStringLiteral("朝顔"),       QStringLiteral("ひまわり"),
          QStringLiteral("鳳仙花"),   QStringLiteral("葉ボタン"),   QStringLiteral("トマト"),
          QStringLiteral("土・肥料"), QStringLiteral("用具"),       QStringLiteral("買い物")};
}

QStringList welcome_body_lines() {
  return {QStringLiteral("この度は、【Verdalis】をご利用下さいまして"),
          QStringLiteral("まことにありがとうございます。"),
          QStringLiteral("ご質問等がございましたら、下記でお受け致しますので、"),
          QStringLiteral("宜しくお願い致します。"),
          QString(),
          QStringLiteral("　メール：support@verdalis.example"),
          QStringLiteral("　住所　：〒390-0874 長野県松本市大手1-2-3 Verdalis工房"),
          QString(),
          QStringLiteral("　　　　　　Verdalis工房　緑川 花子")};
}

namespace {

// Keeps a byte-exact copy of a damaged file before the program rewrites
// it. An earlier copy is never replaced.
QString keep_damaged_copy(const QString& path) {
  QString copy = path + QStringLiteral(".damaged");
  for (int n = 2; QFileInfo::exists(copy) || QFileInfo(copy).isSymLink(); ++n) {
    copy = path + QStringLiteral(".damaged") + QString::number(n);
  }
  if (!QFile::copy(path, copy)) return QString();
  return copy;
}

bool create_welcome_memo(AppState& state, const std::function<QDateTime()>& now, StartupData& out) {
  state.settings.highest_memo_no += 1;
  MemoRecord welcome;
  welcome.date = format_date(now());
  welcome.location = QStringLiteral("雑メモ");
  welcome.variety = QStringLiteral("その他");
  welcome.title = QStringLiteral("【Verdalis】ご利用のお礼");
  welcome.memo_no = format_number_field(state.settings.highest_memo_no);
  welcome.created = format_timestamp(now());
  welcome.corrected = format_timestamp(now());
  // The body first: a flower.dat that names a memo whose body is missing
  // would show an empty welcome.
  const QString body = welcome_body_lines().join(QStringLiteral("\r\n"));
  FileResult written = save_memo_body(state.data_dir, welcome.memo_no, body);
  if (written) written = save_memo_index(state.flower_dat_path(), {welcome});
  if (!written) {
    out.ok = false;
    out.message = written.message;
  }
  return written.ok;
}

bool prepare_category_file(const QString& path, const QStringList& defaults, CategoryList& list,
                           StartupData& out) {
  if (!QFileInfo::exists(path)) {
    FileResult written = write_text_lines(path, defaults);
    if (!written) {
      out.ok = false;
      out.message = written.message;
      return false;
    }
  }
  ReadLinesResult read = load_category_list(path, list);
  if (read.status == ReadStatus::Failed) {
    out.ok = false;
    out.message = read.message;
    return false;
  }
  return true;
}

}  // namespace

StartupData start_up_data(AppState& state, const Settings& window_defaults,
                          const std::function<QDateTime()>& now) {
  StartupData out;

  // A save that a power cut or a crash stopped half-way is undone first,
  // so that what is loaded is the diary as it was before that save.
  const QStringList not_restored = recover_unfinished_saves(state.data_dir);
  if (!not_restored.isEmpty()) {
    out.warnings << QStringLiteral("前回途中で止まった保存を元に戻せませんでした。\n") + not_restored.join(QLatin1Char('\n'));
  }

  // The memo directory, made so that it survives a power cut.
  const QString memo_dir = state.memo_dir_path();
  if (!QFileInfo::exists(memo_dir) && make_directory_durably(memo_dir) != 0) {
    out.ok = false;
    out.message = QStringLiteral("フォルダ「%1」を作成できませんでした。").arg(QDir::toNativeSeparators(memo_dir));
    return out;
  }

  // Settings.
  state.settings = window_defaults;
  state.settings.highest_memo_no = 0;
  const QString ini = state.flower_ini_path();
  if (QFileInfo::exists(ini)) {
    ReadLinesResult read = load_settings(ini, state.settings);
    if (read.status == ReadStatus::Failed) {
      out.ok = false;
      out.message = read.message;
      return out;
    }
  } else if (FileResult written = save_settings(ini, state.settings); !written) {
    out.ok = false;
    out.message = written.message;
    return out;
  }

  // The welcome memo on a first run, then the memo index.
  const QString dat = state.flower_dat_path();
  if (!QFileInfo::exists(dat) && !create_welcome_memo(state, now, out)) return out;
  LoadIndexResult index = load_memo_index(dat, state.memo_table, state.settings.highest_memo_no);
  if (index.status == ReadStatus::Failed) {
    out.ok = false;
    out.message = index.message;
    return out;
  }
  if (index.truncated) {
    const QString copy = keep_damaged_copy(dat);
    QString warning = QStringLiteral("ファイル「%1」の最後のメモの記録が途中で切れています。\n"
                                     "完全な記録%2件を読み込みました。")
                          .arg(QDir::toNativeSeparators(dat))
                          .arg(state.memo_count());
    if (!copy.isEmpty()) {
      warning += QStringLiteral("\n元のファイルは「%1」に残してあります。").arg(QDir::toNativeSeparators(copy));
    }
    out.warnings << warning;
  }

  // The two category lists.
  if (!prepare_category_file(state.basyo_dat_path(), default_locations(), state.location_list, out)) return out;
  if (!prepare_category_file(state.hinsyu_dat_path(), default_varieties(), state.variety_list, out)) return out;
  // From now on a change on disk that Verdalis did not make is told apart
  // from its own, and merged before anything is written over it.
  remember_index_files(state);
  return out;
}

}  // namespace store
