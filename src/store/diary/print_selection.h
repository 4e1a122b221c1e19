#pragma once
// Which memos go on paper and in what order, which of their pictures, and
// the texts that stand on every page: the data side of "印刷・PDF".

#include <QDate>
#include <QString>
#include <vector>

#include "store/diary/app_state.h"
#include "store/diary/memo_table.h"

namespace store {

enum class PrintOrder { OldestFirst, NewestFirst };
enum class PrintPictures { None, First, All };

// The memos asked for: an open end of the range is an invalid date.
struct PrintRange {
  QDate from;
  QDate to;
  bool limited() const { return from.isValid() || to.isValid(); }
};

struct PrintMemo {
  QString memo_no;
  QString date;
  QString location;
  QString variety;
  QString title;
  QString created;
};

// The listed memos (1-based slots) within the range, in the chosen order:
// by date, then by creation time; memos equal in both keep the list's
// order. When the range is limited, a memo whose date is no real
// "yyyy/mm/dd" day is left out, since it cannot be placed in the range.
std::vector<PrintMemo> print_memos(const MemoTable& table, const std::vector<int>& slots, const PrintRange& range,
                                   PrintOrder order);

// The first and the last day of the listed memos (1-based slots), the
// range to propose when the user limits the dates; both ends invalid when
// no listed memo has a real "yyyy/mm/dd" date.
PrintRange print_date_span(const MemoTable& table, const std::vector<int>& slots);

// The pictures of a memo that are printed.
std::vector<ImageEntry> print_pictures(const std::vector<ImageEntry>& images, PrintPictures which);

// The line at the head of every page: the two filters and the range,
// "場所: すべて　品種: バラ　期間: 2026/04/01 〜".
QString print_header_text(const QString& location, const QString& variety, const PrintRange& range);

// The first line of a memo on paper: "2026/05/03　花壇A　バラ".
QString print_meta_line(const PrintMemo& memo);

// The file name offered for the PDF: "Verdalis-20261209.pdf".
QString default_pdf_name(const QDate& today);

}  // namespace store
