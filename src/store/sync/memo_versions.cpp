#include "store/sync/memo_versions.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <sys/stat.h>
#include <tuple>

#include "store/diary/deleted_memos.h"
#include "store/diary/field_formats.h"
#include "store/diary/memo_files.h"
#include "store/diary/memo_index.h"
#include "store/files/text_file.h"

namespace store {

namespace {

// A file may seem up to a second older than its stamp (clocks, rounding)
// and be written up to ten seconds after it.
constexpr double kBefore = 1.0;
constexpr double kAfter = 10.0;

// Seconds since the epoch, with the fraction the file system keeps; NaN
// for a missing file.
double mtime_of(const QString& path) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return std::nan("");
  return static_cast<double>(st.st_mtim.tv_sec) + static_cast<double>(st.st_mtim.tv_nsec) / 1e9;
}

double stamp_of_version(const QString& corrected) {
  const QDateTime when = QDateTime::fromString(corrected, QStringLiteral("yyyy/MM/dd HH:mm:ss"));
  return when.isValid() ? static_cast<double>(when.toSecsSinceEpoch()) : std::nan("");
}

QByteArray bytes_of(const QString& path) {
  if (path.isEmpty()) return {};
  return read_file_bytes(path).bytes;
}

}  // namespace

void MemoCandidates::add_copy(bool body, qint64 no, const QString& path) {
  (body ? body_ : pictures_)[no].push_back({path, false});
}

std::vector<qint64> MemoCandidates::numbers() const {
  std::vector<qint64> out;
  for (const auto& entry : body_) out.push_back(entry.first);
  for (const auto& entry : pictures_) {
    if (!body_.count(entry.first)) out.push_back(entry.first);
  }
  return out;
}

void MemoCandidates::plan_kind(std::vector<Copy>* copies, const QString& current,
                               const std::vector<MemoVersion>& versions, bool body, std::vector<QString>& out) {
  struct File {
    QString path;
    double mtime;
    bool is_copy;
    Copy* copy;
  };
  std::vector<File> files;
  const double current_mtime = mtime_of(current);
  if (!std::isnan(current_mtime)) files.push_back({current, current_mtime, false, nullptr});
  if (copies) {
    for (Copy& c : *copies) files.push_back({c.path, mtime_of(c.path), true, &c});
  }
  out.assign(versions.size(), QString());
  // Every pair of a file and a version the file may have been written
  // for, best first; the sync tool's own placing breaks near ties (two
  // versions stamped in the same second).
  struct Pair {
    double score;
    size_t file;
    size_t version;
  };
  std::vector<Pair> pairs;
  for (size_t f = 0; f < files.size(); ++f) {
    for (size_t v = 0; v < versions.size(); ++v) {
      const double d = files[f].mtime - stamp_of_version(versions[v].corrected);
      if (std::isnan(d) || d < -kBefore || d > kAfter) continue;
      // Written in the second after the stamp (stamps are whole seconds)
      // fits best; before it only with a clock a little off.
      const double fit = d >= 0 ? std::fabs(d - 0.5) : 1.0 - d;
      const double placing = files[f].is_copy == versions[v].in_copy ? 0.0 : 0.25;
      pairs.push_back({fit + placing, f, v});
    }
  }
  std::stable_sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) { return a.score < b.score; });
  std::vector<bool> file_used(files.size(), false);
  std::vector<bool> version_done(versions.size(), false);
  auto give = [&](size_t f, size_t v) {
    file_used[f] = version_done[v] = true;
    out[v] = files[f].path;
    if (files[f].copy) files[f].copy->claimed = true;
  };
  std::vector<bool> explained(files.size(), false);
  // Versions whose save was recorded take the file with their bytes, or none.
  std::vector<QByteArray> file_tags(files.size());
  for (size_t v = 0; v < versions.size(); ++v) {
    const QByteArrayList& tags = body ? versions[v].body_tags : versions[v].pictures_tags;
    if (tags.isEmpty()) continue;
    version_done[v] = true;
    for (const QByteArray& tag : tags) {
      if (tag == "-") break;  // that save left no such file
      for (size_t f = 0; f < files.size() && out[v].isEmpty(); ++f) {
        if (file_used[f]) continue;
        if (file_tags[f].isEmpty()) {
          const QByteArray bytes = bytes_of(files[f].path);
          file_tags[f] = content_tag(&bytes);
        }
        if (file_tags[f] == tag) give(f, v);
      }
      if (!out[v].isEmpty()) break;
    }
  }
  for (const Pair& p : pairs) {
    explained[p.file] = true;
    if (!file_used[p.file] && !version_done[p.version]) give(p.file, p.version);
  }
  // A file whose time fits no version (a tool that does not keep times, a
  // clock set wrong) goes by the sync tool's placing alone.
  for (size_t v = 0; v < versions.size(); ++v) {
    if (version_done[v]) continue;
    for (size_t f = 0; f < files.size(); ++f) {
      if (!file_used[f] && !explained[f] && files[f].is_copy == versions[v].in_copy) {
        give(f, v);
        break;
      }
    }
  }
}

void MemoCandidates::plan(const QString& data_dir, qint64 no, const std::vector<MemoVersion>& versions) {
  const QString memo_no = format_number_field(no);
  auto copies = [no](std::map<qint64, std::vector<Copy>>& map) -> std::vector<Copy>* {
    const auto it = map.find(no);
    return it == map.end() ? nullptr : &it->second;
  };
  std::vector<QString> bodies;
  std::vector<QString> pictures;
  plan_kind(copies(body_), memo_body_path(data_dir, memo_no), versions, true, bodies);
  plan_kind(copies(pictures_), memo_images_path(data_dir, memo_no), versions, false, pictures);
  for (size_t v = 0; v < versions.size(); ++v) {
    planned_[{no, versions[v].corrected, versions[v].in_copy}] = {bodies[v], pictures[v]};
  }
}

MemoVersionFiles MemoCandidates::files_of(const QString& data_dir, qint64 no, const QString& corrected,
                                          bool copy_version) const {
  const auto it = planned_.find({no, corrected, copy_version});
  if (it != planned_.end()) return it->second;
  const QString memo_no = format_number_field(no);
  MemoVersionFiles files{memo_body_path(data_dir, memo_no), memo_images_path(data_dir, memo_no)};
  if (!QFileInfo::exists(files.body)) files.body.clear();
  if (!QFileInfo::exists(files.pictures)) files.pictures.clear();
  return files;
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
