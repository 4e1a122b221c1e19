#include "store/search/full_text_search.h"

#include "store/diary/memo_files.h"
#include "store/files/codec.h"

namespace store {

std::vector<ImageEntry> images_of(const MemoSearch& result) {
  return result.images_bytes.isEmpty() ? result.images : parse_image_list(result.images_bytes);
}

MemoSearch search_memo(const QString& data_dir, const QString& title, const QString& memo_no,
                       const KeywordMatch& keyword) {
  MemoSearch result;
  if (keyword.empty()) return result;
  auto contains = [&keyword](const QString& text) { return keyword.in(text); };

  if (contains(title)) {
    result.found = true;
    return result;
  }
  ImageListResult list = read_image_list(data_dir, memo_no);
  result.images_read = !list.images.empty();
  result.images = std::move(list.images);
  for (const ImageEntry& e : result.images) {
    if (contains(e.title)) {
      result.found = true;
      return result;
    }
  }
  const ReadResult body = read_file_bytes(memo_body_path(data_dir, memo_no));
  if (body.status == ReadStatus::Read) result.found = contains(decode_cp932(body.bytes));
  return result;
}

}  // namespace store
