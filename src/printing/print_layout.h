#pragma once
// Pages of the diary on paper: where each heading, line of text and
// picture stands. The layout works in the paint device's own units and
// knows the pictures only by their upright pixel size, so it is tested
// with texts and sizes alone.

#include <QFont>
#include <QRectF>
#include <QSize>
#include <QString>
#include <vector>

class QPaintDevice;

namespace printing {

struct PicturePlan {
  QString path;
  QString title;
  QSize size;  // upright pixel size; empty when the file cannot be read
  bool missing = false;
};

struct MemoPlan {
  QString meta;   // date, location, variety
  QString title;
  QString body;
  std::vector<PicturePlan> pictures;
};

enum class ItemKind { Meta, Title, Text, Picture, PictureTitle, NoPicture };

struct PageItem {
  ItemKind kind;
  QRectF rect;
  QString text;  // the line, the title, or the picture's path
};

struct Page {
  std::vector<PageItem> items;
};

struct LayoutOptions {
  QRectF body;                    // the column between header and footer
  double picture_fraction = 1.0;  // of the column width: large 1.0, small 0.5
  // A picture is at most this share of the column's height, so that an
  // upright photo leaves room for the text around it.
  double picture_height_share = 0.6;
  bool page_per_memo = false;
  QFont text_font;
  QFont heading_font;
};

// The mark on a heading repeated where a memo goes on over a page.
inline const QString kContinued = QStringLiteral("（続き）");

// A memo's heading stands on a page with at least this many of its first
// lines (all of them when the body is shorter, and then its first picture
// too); a memo that cannot start so at a page's foot starts on the next page.
inline constexpr int kLinesWithHeading = 2;

// Lays the memos out on pages. Text wraps at the column width, line breaks
// kept; a picture with its title never crosses the column's bottom: it goes
// to the next page, whose first items repeat the memo's heading marked
// kContinued. A heading is kept with the memo's first lines as
// kLinesWithHeading says.
std::vector<Page> lay_out(const std::vector<MemoPlan>& memos, const LayoutOptions& options, QPaintDevice* device);

// The rectangle a picture of `size` takes at the top-left of `column`
// (width `column.width() * fraction`, at most `max_height` high, aspect
// kept, at least 1 unit each way).
QRectF picture_box(QSize size, const QRectF& column, double fraction, double max_height);

}  // namespace printing
