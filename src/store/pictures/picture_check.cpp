#include "store/pictures/picture_check.h"

#include <algorithm>
#include <map>

#include "store/diary/memo_files.h"
#include "store/files/posix_file.h"

namespace store {

bool picture_file_found(const QString& path) { return regular_file_found(path); }

PictureScan scan_pictures(const QString& data_dir, const std::vector<CheckedMemo>& memos,
                          const std::atomic_bool& cancel, const std::function<void(int)>& progress) {
  PictureScan scan;
  const int total = static_cast<int>(memos.size());
  for (int m = 0; m < total; ++m) {
    if (cancel.load(std::memory_order_relaxed)) {
      scan.cancelled = true;
      break;
    }
    const ImageListResult list = read_image_list(data_dir, memos[static_cast<size_t>(m)].memo_no);
    if (!list.message.isEmpty()) scan.unreadable.push_back({m, list.message});
    int position = 0;
    for (const ImageEntry& e : list.images) {
      ++position;
      ++scan.pictures;
      if (!picture_file_found(e.path)) scan.missing.push_back({m, position, e.path, e.title});
    }
    scan.memos_done = m + 1;
    if (progress && (m % 64 == 63 || m + 1 == total)) progress(m + 1);
  }
  return scan;
}

namespace {

qsizetype last_separator(const QString& path) {
  return std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
}

}  // namespace

QString stored_folder(const QString& path) { return path.left(last_separator(path) + 1); }

QStringList folder_and_ancestors(const QString& folder) {
  QStringList out;
  QString f = folder;
  while (!f.isEmpty()) {
    out << f;
    // The folder without its own trailing separator, then up to the one
    // before: "C:\a\b\" → "C:\a\". A root ("/", "C:\", "\\server\")
    // has nothing above it.
    const qsizetype cut = last_separator(f.left(f.size() - 1));
    if (cut < 0) break;
    const QString up = f.left(cut + 1);
    if (up == QStringLiteral("\\\\") || up == QStringLiteral("//")) break;
    f = up;
  }
  return out;
}

std::vector<FolderGroup> group_by_folder(const PictureScan& scan, const std::vector<CheckedMemo>& memos) {
  std::vector<FolderGroup> groups;
  std::map<QString, size_t> index;
  std::vector<int> last_memo;  // per group, the memo counted last
  for (int i = 0; i < static_cast<int>(scan.missing.size()); ++i) {
    const MissingPicture& p = scan.missing[static_cast<size_t>(i)];
    const QString folder = stored_folder(p.path);
    auto [it, added] = index.try_emplace(folder, groups.size());
    if (added) {
      groups.push_back({folder, {}, 0, QString()});
      last_memo.push_back(-1);
    }
    FolderGroup& g = groups[it->second];
    g.items.push_back(i);
    // The scan lists a memo's pictures together, so one memo is counted once.
    if (last_memo[it->second] != p.memo) {
      last_memo[it->second] = p.memo;
      ++g.memos;
      const QString& date = memos[static_cast<size_t>(p.memo)].date;
      if (date > g.newest_date) g.newest_date = date;
    }
  }
  return groups;
}

QString scan_summary(const PictureScan& scan) {
  int memos = 0;
  int last = -1;
  for (const MissingPicture& p : scan.missing) {
    if (p.memo != last) ++memos;
    last = p.memo;
  }
  QString text = scan.missing.empty()
                     ? QStringLiteral("%1枚の画像はすべて見つかりました。").arg(scan.pictures)
                     : QStringLiteral("%1枚中%2枚の画像（%3件のメモ）が見つかりません。")
                           .arg(scan.pictures)
                           .arg(scan.missing.size())
                           .arg(memos);
  if (!scan.unreadable.empty()) {
    text += QStringLiteral("読めない画像リストが%1件あります。").arg(scan.unreadable.size());
  }
  if (scan.cancelled) text = QStringLiteral("（中止：%1件のメモまで）").arg(scan.memos_done) + text;
  return text;
}

}  // namespace store
