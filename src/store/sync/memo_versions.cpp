#include "store/sync/memo_versions.h"

#include <QDateTime>
#include <QFileInfo>
#include <cstdlib>

#include "store/diary/field_formats.h"
#include "store/diary/memo_files.h"
#include "store/diary/memo_index.h"
#include "store/files/text_file.h"

namespace store {

namespace {

constexpr qint64 kBefore = 2;   // seconds a file may seem older than its stamp
constexpr qint64 kAfter = 120;  // seconds a file may be written after it

qint64 mtime_of(const QString& path) {
  return QFileInfo(path).lastModified().toSecsSinceEpoch();
}

QByteArray bytes_of(const QString& path) {
  if (path.isEmpty()) return {};
  return read_file_bytes(path).bytes;
}

}  // namespace

void MemoCandidates::add_copy(bool body, qint64 no, const QString& path) {
  (body ? body_ : pictures_)[no].push_back({path, mtime_of(path), false});
}

QString MemoCandidates::choose(std::vector<Copy>* copies, const QString& current, qint64 stamp, bool copy_version) {
  const bool has_current = QFileInfo::exists(current);
  if (!copies) return has_current ? current : QString();
  // The closest file written within the window after the stamp.
  qint64 best = kAfter + kBefore + 1;
  QString chosen;
  Copy* chosen_copy = nullptr;
  auto consider = [&](const QString& path, qint64 mtime, Copy* copy) {
    const qint64 d = mtime - stamp;
    if (d < -kBefore || d > kAfter || std::llabs(d) >= best) return;
    best = std::llabs(d);
    chosen = path;
    chosen_copy = copy;
  };
  if (has_current) consider(current, mtime_of(current), nullptr);
  for (Copy& c : *copies) consider(c.path, c.mtime, &c);
  if (chosen.isEmpty() && copy_version) {
    for (Copy& c : *copies) {
      if (!c.claimed) {
        chosen = c.path;
        chosen_copy = &c;
        break;
      }
    }
  }
  if (chosen.isEmpty() && has_current) chosen = current;
  if (chosen_copy) chosen_copy->claimed = true;
  return chosen;
}

MemoVersionFiles MemoCandidates::files_of(const QString& data_dir, qint64 no, const QString& corrected,
                                          bool copy_version) {
  const QString memo_no = format_number_field(no);
  const QDateTime when = QDateTime::fromString(corrected, QStringLiteral("yyyy/MM/dd HH:mm:ss"));
  const qint64 stamp = when.isValid() ? when.toSecsSinceEpoch() : 0;
  auto copies = [no](std::map<qint64, std::vector<Copy>>& map) -> std::vector<Copy>* {
    const auto it = map.find(no);
    return it == map.end() ? nullptr : &it->second;
  };
  return {choose(copies(body_), memo_body_path(data_dir, memo_no), stamp, copy_version),
          choose(copies(pictures_), memo_images_path(data_dir, memo_no), stamp, copy_version)};
}

std::vector<OrphanCopy> MemoCandidates::unclaimed() const {
  std::vector<OrphanCopy> out;
  for (const auto& [no, copies] : body_) {
    for (const Copy& c : copies) {
      if (!c.claimed) out.push_back({no, true, c.path});
    }
  }
  for (const auto& [no, copies] : pictures_) {
    for (const Copy& c : copies) {
      if (!c.claimed) out.push_back({no, false, c.path});
    }
  }
  return out;
}

bool same_content(const QString& a, const QString& b) { return bytes_of(a) == bytes_of(b); }

}  // namespace store
