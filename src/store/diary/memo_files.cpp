#include "store/diary/memo_files.h"

#include "store/diary/memo_index.h"
#include "store/files/codec.h"

namespace store {

namespace {

std::vector<ImageEntry> images_of_lines(const QStringList& lines) {
  std::vector<ImageEntry> images;
  images.reserve(static_cast<size_t>((lines.size() + 1) / 2));
  for (qsizetype i = 0; i < lines.size(); i += 2) {
    images.push_back({lines[i], i + 1 < lines.size() ? lines[i + 1] : QString()});
  }
  return images;
}

}  // namespace

QString memo_file_digits(const QString& memo_no) {
  const qint64 no = numeric_value(memo_no);
  if (no < 0) return QStringLiteral("-") + QString::number(-no).rightJustified(6, QLatin1Char('0'));
  return QString::number(no).rightJustified(7, QLatin1Char('0'));
}

QString memo_body_name(const QString& memo_no) {
  return QStringLiteral("m") + memo_file_digits(memo_no) + QStringLiteral(".txt");
}

QString memo_images_name(const QString& memo_no) {
  return QStringLiteral("g") + memo_file_digits(memo_no) + QStringLiteral(".txt");
}

QString memo_body_path(const QString& data_dir, const QString& memo_no) {
  return data_dir + QStringLiteral("memo/") + memo_body_name(memo_no);
}

QString memo_images_path(const QString& data_dir, const QString& memo_no) {
  return data_dir + QStringLiteral("memo/") + memo_images_name(memo_no);
}

BodyResult load_memo_body(const QString& data_dir, const QString& memo_no) {
  BodyResult result;
  ReadResult read = read_file_bytes(memo_body_path(data_dir, memo_no));
  if (read.status == ReadStatus::Failed) {
    result.message = read.message;
    return result;
  }
  if (read.status == ReadStatus::Missing) return result;
  QByteArray bytes = std::move(read.bytes);
  if (bytes.endsWith("\r\n")) {
    bytes.chop(2);
  } else if (bytes.endsWith('\n')) {
    bytes.chop(1);
  }
  result.text = decode_cp932(bytes);
  return result;
}

FileResult save_memo_body(const QString& data_dir, const QString& memo_no, const QString& text) {
  return write_text_lines(memo_body_path(data_dir, memo_no), {text});
}

ImageListResult read_image_list(const QString& data_dir, const QString& memo_no) {
  ImageListResult result;
  ReadLinesResult read = read_text_lines(memo_images_path(data_dir, memo_no));
  if (read.status == ReadStatus::Failed) {
    result.message = read.message;
    return result;
  }
  result.images = images_of_lines(read.lines);
  return result;
}

std::vector<ImageEntry> parse_image_list(QByteArrayView bytes) { return images_of_lines(split_lines(decode_cp932(bytes))); }

ImageListFiles::ImageListFiles(const QString& data_dir) : memo_(data_dir + QStringLiteral("memo")), buffer_(4096) {}

std::vector<ImageEntry> ImageListFiles::read(const QString& memo_no) {
  const qint64 got = memo_.read_file(memo_images_name(memo_no).toLatin1().constData(), buffer_);
  if (got < 0) return {};
  return parse_image_list(QByteArrayView(buffer_.data(), static_cast<qsizetype>(got)));
}

QString load_image_list(AppState& state, const QString& memo_no) {
  ImageListResult read = read_image_list(state.data_dir, memo_no);
  state.current_images = std::move(read.images);
  return read.message;
}

FileResult save_image_list(const QString& data_dir, const QString& memo_no,
                           const std::vector<ImageEntry>& images) {
  QStringList lines;
  lines.reserve(static_cast<qsizetype>(images.size()) * 2);
  for (const ImageEntry& e : images) lines << e.path << e.title;
  return write_text_lines(memo_images_path(data_dir, memo_no), lines);
}

}  // namespace store
