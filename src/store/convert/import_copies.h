#pragma once
// The JPEG copies an import makes, written all or nothing: each copy goes
// to "<pictures>/Verdalis/<year taken>/<original's base name>.jpg" (made
// unique: "IMG_1234 (2).jpg" when the name is taken), converted on worker
// threads into a hidden temporary file beside its place, and only when
// every copy is made (and the run was not stopped) are they all renamed
// into place, never over an existing file. A stopped or failed run removes
// what it wrote and the folders it made.

#include <QDate>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <vector>

#include "store/convert/jpeg_copy.h"

namespace store {

struct CopyJob {
  QString source;
  QDate taken;      // gives the year folder
  QString target;   // filled in by plan_copies
};

// Fills in each job's target under `pictures_dir`, unique against the
// files there and against the other jobs.
void plan_copies(std::vector<CopyJob>& jobs, const QString& pictures_dir);

struct CopyRun {
  bool ok = false;
  bool cancelled = false;
  QString message;        // Japanese: which original failed and why, or
                          // which copy could not be written
  QStringList written;    // the copies in place (ok only), in job order
  QStringList made_folders;  // folders made for them, topmost first
};

// `progress(done, total)` is called from the worker threads as copies are
// made. `cancel` stops the run between pictures.
CopyRun write_copies(const std::vector<CopyJob>& jobs, const std::atomic_bool& cancel,
                     const std::function<void(int done, int total)>& progress = {});
// The same with another converter in place of make_jpeg_copy (which the
// first form uses); it is called from several threads at once.
using JpegConverter = std::function<JpegCopy(const QString& source)>;
CopyRun write_copies(const std::vector<CopyJob>& jobs, const std::atomic_bool& cancel,
                     const std::function<void(int done, int total)>& progress, const JpegConverter& convert);

// Takes back a run whose memos could not be saved: removes its copies and
// the folders made for them (when empty).
void remove_copies(const CopyRun& run);

}  // namespace store
