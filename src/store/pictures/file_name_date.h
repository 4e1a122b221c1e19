#pragma once
// The day (and time) a phone or a messenger put into a photo's file name,
// for photos without an EXIF shooting time (LINE and WhatsApp strip it).
// Only names of known forms are read, never loose runs of digits:
//   IMG_yyyymmdd_hhmmss…, VID_yyyymmdd_hhmmss…     (Android cameras, local time)
//   PXL_yyyymmdd_hhmmssSSS…                         (Pixel: UTC)
//   IMG-yyyymmdd-WAnnnn…                            (WhatsApp: a day, no time)
//   Screenshot_yyyymmdd-hhmmss…                     (Android screenshots)
//   yyyy-mm-dd hh.mm.ss…                            (Dropbox camera uploads)
// `S__12345678.jpg` or `DSC_0001.JPG` carry no date. Impossible dates, days
// before 1990 and after the day after `today` are refused.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <optional>

namespace store {

struct NameDate {
  QDate date;
  QTime time;        // invalid when the name gives only a day
  bool utc = false;  // the time is UTC (Pixel)
  // The moment: in this machine's zone, from UTC where the name gives UTC;
  // a day without a time is taken at noon of that day, so that it keeps its
  // date in any zone.
  QDateTime when() const;
};

std::optional<NameDate> date_from_file_name(const QString& file_name, QDate today);

}  // namespace store
