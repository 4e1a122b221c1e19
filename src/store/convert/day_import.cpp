#include "store/convert/day_import.h"

#include <QFileInfo>
#include <QHash>

#include "store/pictures/content_key.h"
#include "store/pictures/copy_records.h"
#include "store/pictures/other_formats.h"

namespace store {

int PhotoImport::total_steps() const {
  int pictures = 0;
  for (const MemoInput& memo : memos) pictures += static_cast<int>(memo.images.size());
  return pictures + static_cast<int>(jobs.size());
}

PhotoImport plan_photo_import(std::vector<MemoInput> memos, const QString& pictures_dir) {
  PhotoImport work;
  work.memos = std::move(memos);
  for (const MemoInput& memo : work.memos) {
    const QDate day = QDate::fromString(memo.date, QStringLiteral("yyyy/MM/dd"));
    for (const ImageEntry& image : memo.images) {
      if (is_convertible_name(QFileInfo(image.path).fileName())) work.jobs.push_back({image.path, day, {}});
    }
  }
  plan_copies(work.jobs, pictures_dir);
  return work;
}

bool prepare_photo_import(PhotoImport& work, const std::atomic_bool& cancel, const ImportStep& progress) {
  const int total = work.total_steps();
  int done = 0;
  work.keys.clear();
  for (const MemoInput& memo : work.memos) {
    for (const ImageEntry& image : memo.images) {
      if (cancel.load(std::memory_order_relaxed)) {
        work.run = CopyRun{};
        work.run.cancelled = true;
        return false;
      }
      work.keys.push_back(content_key(image.path));
      if (progress) progress(++done, total);
    }
  }
  if (work.jobs.empty()) {
    work.run = CopyRun{};
    work.run.ok = true;
    return true;
  }
  work.run = write_copies(work.jobs, cancel, [&](int copies, int) {
    if (progress) progress(done + copies, total);
  });
  return work.run.ok;
}

MemoChange finish_photo_import(AppState& state, PhotoImport& work) {
  // The copies in place of their originals; a photo titled by its file
  // name takes the copy's name.
  QHash<QString, QString> copy_of;
  for (size_t i = 0; i < work.jobs.size() && i < static_cast<size_t>(work.run.written.size()); ++i) {
    copy_of.insert(work.jobs[i].source, work.run.written[static_cast<qsizetype>(i)]);
  }
  std::vector<MemoInput> memos = work.memos;
  std::vector<CopyRecord> records;
  size_t k = 0;
  for (MemoInput& memo : memos) {
    for (ImageEntry& image : memo.images) {
      const QString source = image.path;
      if (const auto copy = copy_of.constFind(source); copy != copy_of.cend()) {
        if (image.title == QFileInfo(source).fileName()) image.title = QFileInfo(*copy).fileName();
        image.path = *copy;
      }
      const QByteArray key = k < work.keys.size() ? work.keys[k] : QByteArray();
      ++k;
      if (!key.isEmpty()) records.push_back({image.path, source, key});
    }
  }
  MemoChange change = save_new_memos(state, memos);
  if (!change.ok) {
    remove_copies(work.run);
    return change;
  }
  if (const QString failed = append_copy_records(state.data_dir, records); !failed.isEmpty()) {
    const QString note = failed + QStringLiteral("\n同じ写真をもう一度取り込むと、登録済みとして見分けられません。");
    change.warning = change.warning.isEmpty() ? note : change.warning + QStringLiteral("\n\n") + note;
  }
  return change;
}

}  // namespace store
