#pragma once
// basyo.dat and hinsyu.dat: one category name per line.

#include "store/diary/app_state.h"
#include "store/files/text_file.h"

namespace store {

// Replaces the list with the names of the file. A missing file gives an
// empty list and status Missing.
ReadLinesResult load_category_list(const QString& path, CategoryList& list);

FileResult save_category_list(const QString& path, const CategoryList& list);

}  // namespace store
