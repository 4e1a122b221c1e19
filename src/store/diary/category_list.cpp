#include "store/diary/category_list.h"

namespace store {

ReadLinesResult load_category_list(const QString& path, CategoryList& list) {
  ReadLinesResult read = read_text_lines(path);
  list.names.clear();
  if (read.status == ReadStatus::Read) list.names = read.lines;
  return read;
}

FileResult save_category_list(const QString& path, const CategoryList& list) {
  return write_text_lines(path, list.names);
}

}  // namespace store
