#pragma once
// The diary's memos drawn on a paged device (a PDF file or a printer): their
// texts and pictures read from the memo files, laid out, and painted page by
// page with the header and the page numbers.

#include <QPageSize>
#include <QString>
#include <functional>
#include <vector>

#include "printing/page_font.h"
#include "printing/print_layout.h"
#include "store/diary/print_selection.h"

class QPagedPaintDevice;

namespace printing {

struct PaperChoice {
  QPageSize::PageSizeId paper = QPageSize::A4;
  store::PrintPictures pictures = store::PrintPictures::All;
  bool large_pictures = true;
  bool page_per_memo = false;
};

// The memos' bodies, the chosen pictures and their upright sizes, read from
// the files (only the pictures' headers are read here).
std::vector<MemoPlan> plan_memos(const QString& data_dir, const std::vector<store::PrintMemo>& memos,
                                 store::PrintPictures pictures);

// Sets the device's paper, portrait, and the margins the pages use.
void set_up_paper(QPagedPaintDevice& device, const PaperChoice& choice);

// The layout options for the device as it is set up.
LayoutOptions layout_options(QPaintDevice& device, const QPagedPaintDevice& paged, const PaperChoice& choice);

// Called after each page is painted with (pages done, pages in all); false
// stops the painting.
using PageProgress = std::function<bool(int, int)>;

// Lays out and paints the pages (at most `max_pages`, 0 for all). Pictures
// are decoded at their printed size. Returns false when stopped. When
// `memos` are only the first of those printed (the preview), the footers
// read "n / …" since the number of pages is not known.
bool paint_pages(QPagedPaintDevice& device, const std::vector<MemoPlan>& memos, const PaperChoice& choice,
                 const QString& header, int max_pages, const PageProgress& progress, bool all_memos = true);

// Writes the PDF under a temporary name beside `path` and renames it when
// complete. `message` is "" on success; on failure or when stopped no file
// is left under `path` (an earlier file there is kept).
struct PdfResult {
  bool written = false;
  bool stopped = false;
  QString message;
};
PdfResult save_pdf(const QString& path, const std::vector<MemoPlan>& memos, const PaperChoice& choice,
                   const QString& header, const PageProgress& progress);

// The resolution the pages are laid out and pictures decoded at.
inline constexpr int kPageDpi = 150;

}  // namespace printing
