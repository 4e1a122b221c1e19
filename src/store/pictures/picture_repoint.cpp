#include "store/pictures/picture_repoint.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <map>

#include "store/diary/memo_files.h"
#include "store/files/codec.h"

namespace store {

int RepointPlan::count(RepointOutcome outcome) const {
  return static_cast<int>(
      std::count_if(items.begin(), items.end(), [&](const RepointItem& i) { return i.outcome == outcome; }));
}

namespace {

QString with_slash(QString dir) {
  if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
  return dir;
}

QString file_name_of(const QString& stored) {
  return stored.mid(std::max(stored.lastIndexOf(QLatin1Char('/')), stored.lastIndexOf(QLatin1Char('\\'))) + 1);
}

// Directory listings read once per plan: many pictures share folders.
class CaseLookup {
 public:
  QString find(const QString& root, const QString& relative) {
    const QStringList parts = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty()) return QString();
    QString here = with_slash(root);
    for (qsizetype i = 0; i < parts.size(); ++i) {
      const bool last = i + 1 == parts.size();
      const QString exact = here + parts[i];
      if (last ? picture_file_found(exact) : QFileInfo(exact).isDir()) {
        here = last ? exact : exact + QLatin1Char('/');
        continue;
      }
      const QStringList& names = entries(here, last);
      QString match;
      for (const QString& name : names) {
        if (name.compare(parts[i], Qt::CaseInsensitive) != 0) continue;
        if (!match.isEmpty()) return QString();  // two names differ only in case
        match = name;
      }
      if (match.isEmpty()) return QString();
      here = last ? here + match : here + match + QLatin1Char('/');
    }
    return here;
  }

 private:
  const QStringList& entries(const QString& dir, bool files) {
    QHash<QString, QStringList>& cache = files ? files_ : dirs_;
    auto it = cache.find(dir);
    if (it == cache.end()) {
      const QDir::Filters filter = (files ? QDir::Files : QDir::Dirs) | QDir::Hidden | QDir::NoDotAndDotDot;
      it = cache.insert(dir, QDir(dir).entryList(filter, QDir::NoSort));
    }
    return *it;
  }

  QHash<QString, QStringList> dirs_;
  QHash<QString, QStringList> files_;
};

// Every file below the folder by its name in lower case. Symbolic links to
// directories are not followed, so a link loop ends the walk normally.
bool index_names(const QString& root, const std::atomic_bool& cancel, const std::function<void(int)>& progress,
                 QHash<QString, QStringList>& names) {
  QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
  int seen = 0;
  while (it.hasNext()) {
    if (cancel.load(std::memory_order_relaxed)) return false;
    const QString path = it.next();
    names[it.fileName().toLower()] << path;
    if (progress && ++seen % 256 == 0) progress(seen);
  }
  if (progress) progress(seen);
  return true;
}

void settle_by_name(RepointItem& item, const QString& stored, const QHash<QString, QStringList>& names) {
  const QString name = file_name_of(stored);
  const auto found = names.constFind(name.toLower());
  if (found == names.constEnd()) return;
  QStringList places;
  for (const QString& p : *found) {
    if (picture_file_found(p)) places << p;
  }
  // The same name in another case counts only when no place has it exactly.
  QStringList exact;
  for (const QString& p : places) {
    if (p.endsWith(QLatin1Char('/') + name)) exact << p;
  }
  if (!exact.isEmpty()) places = exact;
  if (places.size() == 1) {
    item.outcome = RepointOutcome::Found;
    item.new_path = places.first();
  } else if (places.size() > 1) {
    item.outcome = RepointOutcome::Ambiguous;
    item.candidates = places;
  }
}

}  // namespace

QString moved_path(const QString& stored, const QString& old_folder, const QString& new_folder) {
  QString rest = stored.mid(old_folder.size());
  rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
  while (rest.startsWith(QLatin1Char('/'))) rest.remove(0, 1);
  return with_slash(new_folder) + rest;
}

QString find_ignoring_case(const QString& root, const QString& relative) {
  CaseLookup lookup;
  return lookup.find(root, relative);
}

RepointPlan plan_repoint(const PictureScan& scan, const RepointRequest& request, const std::atomic_bool& cancel,
                         const std::function<void(int)>& progress) {
  RepointPlan plan;
  if (request.old_folder.isEmpty() || !QFileInfo(request.new_folder).isDir() ||
      !QFileInfo(request.new_folder).isReadable()) {
    plan.message = QStringLiteral("フォルダ「%1」を開けません。").arg(request.new_folder);
    return plan;
  }
  CaseLookup lookup;
  for (int i = 0; i < static_cast<int>(scan.missing.size()); ++i) {
    const QString& stored = scan.missing[static_cast<size_t>(i)].path;
    if (!stored.startsWith(request.old_folder)) continue;
    if (cancel.load(std::memory_order_relaxed)) {
      plan.cancelled = true;
      return plan;
    }
    RepointItem item{i, RepointOutcome::NotFound, moved_path(stored, request.old_folder, request.new_folder), {}};
    if (picture_file_found(item.new_path)) {
      item.outcome = RepointOutcome::Found;
    } else {
      const QString rest = item.new_path.mid(with_slash(request.new_folder).size());
      const QString found = lookup.find(request.new_folder, rest);
      if (!found.isEmpty()) {
        item.outcome = RepointOutcome::Found;
        item.new_path = found;
      }
    }
    plan.items.push_back(std::move(item));
  }

  const bool any_left = std::any_of(plan.items.begin(), plan.items.end(),
                                    [](const RepointItem& i) { return i.outcome != RepointOutcome::Found; });
  if (request.search_by_name && any_left) {
    QHash<QString, QStringList> names;
    if (!index_names(request.new_folder, cancel, progress, names)) {
      plan.cancelled = true;
      return plan;
    }
    for (RepointItem& item : plan.items) {
      if (item.outcome == RepointOutcome::NotFound) {
        settle_by_name(item, scan.missing[static_cast<size_t>(item.item)].path, names);
      }
    }
  }
  for (RepointItem& item : plan.items) {
    if (item.outcome == RepointOutcome::Found && !representable_in_cp932(item.new_path)) {
      item.outcome = RepointOutcome::Unstorable;
    }
  }
  return plan;
}

QString plan_summary(const PictureScan& scan, const RepointPlan& plan) {
  QStringList found;
  QStringList left;
  for (const RepointItem& i : plan.items) {
    const QString& stored = scan.missing[static_cast<size_t>(i.item)].path;
    if (i.outcome == RepointOutcome::Found) {
      if (found.size() < 3) found << stored + QStringLiteral(" → ") + i.new_path;
    } else if (left.size() < 3) {
      const QString why = i.outcome == RepointOutcome::Ambiguous
                              ? QStringLiteral("（同じ名前のファイルが%1か所にあります）").arg(i.candidates.size())
                          : i.outcome == RepointOutcome::Unstorable
                              ? QStringLiteral("（新しいパスはwindows-31jで保存できません）")
                              : QString();
      left << stored + why;
    }
  }
  const int n_found = plan.count(RepointOutcome::Found);
  QString text = QStringLiteral("%1枚の画像が新しいフォルダで見つかります。").arg(n_found);
  if (!found.isEmpty()) text += QStringLiteral("\n例：\n") + found.join(QLatin1Char('\n'));
  const int n_left = static_cast<int>(plan.items.size()) - n_found;
  if (n_left > 0) {
    text += QStringLiteral("\n\n%1枚は見つからないため、そのままにします。\n例：\n").arg(n_left) +
            left.join(QLatin1Char('\n'));
  }
  return text;
}

RepointWrite write_repoint(const QString& data_dir, const std::vector<CheckedMemo>& memos, const PictureScan& scan,
                           const RepointPlan& plan, FileJournal& journal) {
  // The changes of each memo, in memo order.
  std::map<int, std::vector<const RepointItem*>> by_memo;
  for (const RepointItem& i : plan.items) {
    if (i.outcome == RepointOutcome::Found) by_memo[scan.missing[static_cast<size_t>(i.item)].memo].push_back(&i);
  }
  RepointWrite done;
  std::vector<std::pair<QString, QByteArray>> files;
  const auto fail = [&](const QString& message) {
    QStringList failures = journal.rollback();
    failures.prepend(message);
    return RepointWrite{false, failures.join(QStringLiteral("\n")), 0, 0, {}};
  };
  for (const auto& [memo, items] : by_memo) {
    const QString path = memo_images_path(data_dir, memos[static_cast<size_t>(memo)].memo_no);
    const ReadResult read = read_file_bytes(path);
    if (read.status != ReadStatus::Read) {
      return fail(read.status == ReadStatus::Failed ? read.message
                                                    : QStringLiteral("%1 がありません。").arg(path));
    }
    QList<QByteArray> lines = split_raw_lines(read.bytes);
    for (const RepointItem* item : items) {
      const MissingPicture& picture = scan.missing[static_cast<size_t>(item->item)];
      const qsizetype line = 2 * static_cast<qsizetype>(picture.position - 1);
      if (line >= lines.size() || decode_cp932(lines[line]) != picture.path) {
        return fail(QStringLiteral("%1 は確認の後に変更されています。もう一度確認して下さい。").arg(path));
      }
      QByteArray written = encode_cp932(item->new_path);
      done.record.pictures.push_back({memos[static_cast<size_t>(memo)].memo_no, picture.position, lines[line], written});
      lines[line] = std::move(written);
    }
    QByteArray bytes;
    bytes.reserve(read.bytes.size() + 64);
    for (const QByteArray& l : lines) bytes += l + "\r\n";
    files.emplace_back(path, std::move(bytes));
    ++done.files;
    done.pictures += static_cast<int>(items.size());
  }
  // All lists at once: one record of the old versions and one sync of the
  // folder, rather than one for each file.
  if (const FileResult written = journal.write_files(files); !written) return fail(written.message);
  if (const FileResult committed = journal.commit(); !committed) return fail(committed.message);
  return done;
}

}  // namespace store
