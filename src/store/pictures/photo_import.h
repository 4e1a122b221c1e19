#pragma once
// Bringing a camera folder in: its pictures (sub-folders included) grouped
// by the day they were taken, newest day first, each marked when the diary
// already holds it; then one new memo per chosen day. Scanning only reads,
// and may run in a worker thread.

#include <QDate>
#include <QDateTime>
#include <QMultiHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <vector>

#include "store/diary/app_state.h"
#include "store/diary/memo_save.h"

namespace store {

struct ImportPhoto {
  QString path;
  QDateTime taken;          // the shooting time, or the file's time
  bool from_file = false;   // no EXIF time: the file's modification time
  qint64 size = 0;
  bool already = false;     // the diary already holds this picture
  bool from_name = false;   // no EXIF time: the date its file name gives
  bool day_only = false;    // from_name, and the name gives no time of day
  bool convert = false;     // another format (HEIC, PNG...): comes in as a JPEG copy
  QString held_as;          // already: the diary's picture it is held as, when
                            // found by its record or content rather than its path
};

struct ImportDay {
  QDate day;                         // the camera's date
  std::vector<ImportPhoto> photos;   // in shooting-time order
  int fresh() const;                 // photos not yet in the diary
};

struct ImportScan {
  std::vector<ImportDay> days;   // newest first
  QStringList unsupported;       // pictures the diary cannot hold: other formats (HEIC, PNG...)
  QStringList unreadable;        // "path（reason）"
  QStringList videos;            // videos (a Live Photo's .MOV, .MP4...) left out
  QStringList edit_files;        // an iPhone's edit files (.AAE) left out
  QStringList superseded;        // originals left out for their edited copy (IMG_E1234)
  int files = 0;                 // files looked at
  bool cancelled = false;
  QString message;               // set when the folder itself cannot be read
};

// What the scan needs to know of the pictures already in the diary: their
// paths, and for each file name the paths that carry it, so that a copy of
// a photo elsewhere (same name, size and shooting time) is found too.
struct KnownPictures {
  QSet<QString> paths;
  QMultiHash<QString, QString> by_name;
  // The originals the diary's pictures came from, by path and by content
  // key (from the record of imports): a JPEG copy of a HEIC is found from
  // its original, a renamed second copy of a photo by its content.
  QHash<QString, QString> by_source;
  QHash<QByteArray, QString> by_key;
};
// Only the pictures whose file names are among `names`, when given: a large
// diary holds tens of thousands, and keeping them all costs more than
// reading them.
KnownPictures known_pictures(const QString& data_dir, const std::vector<QString>& memo_nos,
                             const QSet<QString>* names = nullptr);
// The diary's pictures and the record of imports, read when the scan has
// listed the folder, with the file names of its photos.
KnownPictures known_pictures_and_copies(const QString& data_dir, const std::vector<QString>& memo_nos,
                                        const QSet<QString>& names);
// What a scan asks for, once it has listed the folder, with the file names
// of its photos.
using KnownSource = std::function<KnownPictures(const QSet<QString>& names)>;

// Scans the folder. `progress` (may be empty) is called now and then, in
// the scanning thread, with the files looked at so far and, when `days` is
// not null, the days grouped so far: the first within a moment of the
// start, later ones at most ten times a second, and the whole folder as
// soon as it is read, before the diary's pictures are read; so that a
// window can show the first days of a slow card at once. Days only grow,
// and keep their order; the photos' "already" marks come only in the
// result. `cancel` stops the scan between files.
using ScanProgress = std::function<void(int files, const std::vector<ImportDay>* days)>;
ImportScan scan_photo_folder(const QString& folder, const KnownSource& known, const std::atomic_bool& cancel,
                             const ScanProgress& progress = {});
ImportScan scan_photo_folder(const QString& folder, const KnownPictures& known, const std::atomic_bool& cancel,
                             const ScanProgress& progress = {});

// The memo of one day: its date, the location, variety and title given, and
// its photos (those not in the diary unless `include_known`) in shooting
// order, titled by their time ("10:32") or, when `by_time` is false or the
// time is only the file's, by their file name.
MemoInput day_memo(const ImportDay& day, const QString& location, const QString& variety, const QString& title,
                   bool by_time, bool include_known = false);

// "写真 12 枚".
QString day_title(int photos);

}  // namespace store
