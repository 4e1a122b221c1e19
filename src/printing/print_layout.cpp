#include "printing/print_layout.h"

#include <QFontMetricsF>
#include <QStringList>
#include <QTextLayout>
#include <algorithm>

namespace printing {

namespace {

// Fills pages top to bottom; a new page starts with the memo's heading
// marked as continued.
class PageFiller {
 public:
  PageFiller(const LayoutOptions& options, QPaintDevice* device)
      : o_(options),
        text_(options.text_font, device),
        heading_(options.heading_font, device),
        device_(device),
        gap_(text_.height() * 0.5) {
    pages_.emplace_back();
    y_ = o_.body.top();
  }

  void memo(const MemoPlan& m) {
    memo_ = &m;
    const QStringList lines = wrap(m.body);
    if (o_.page_per_memo && !first_memo_) new_page(false);
    else if (!first_memo_ && y_ > o_.body.top()) y_ += gap_ * 2;
    first_memo_ = false;
    // A memo whose heading cannot stand here with its first lines (and,
    // after a short body, its first picture) starts on the next page, so
    // that no page ends with a lone heading.
    if (y_ > o_.body.top() && !fits(lead_height(m, lines))) new_page(false);
    heading(false);
    for (const QString& line : lines) text_line(line);
    for (const PicturePlan& p : m.pictures) picture(p);
  }

  std::vector<Page> take() { return std::move(pages_); }

 private:
  double heading_height() const { return heading_.lineSpacing() * 2 + gap_ * 0.5; }
  bool fits(double h) const { return y_ + h <= o_.body.bottom() + 1e-6; }
  void add(ItemKind kind, const QRectF& r, const QString& text) { pages_.back().items.push_back({kind, r, text}); }

  // What must stand on the memo's first page: its heading, its first
  // kLinesWithHeading lines and, when that is the whole body, its first
  // picture with the picture's title.
  double lead_height(const MemoPlan& m, const QStringList& lines) const {
    const auto kept = std::min<qsizetype>(lines.size(), kLinesWithHeading);
    double h = heading_height() + static_cast<double>(kept) * text_.lineSpacing();
    if (lines.size() <= kLinesWithHeading && !m.pictures.empty()) h += picture_height(m.pictures.front());
    return h;
  }

  void heading(bool continued) {
    const double w = o_.body.width();
    add(ItemKind::Meta, QRectF(o_.body.left(), y_, w, heading_.lineSpacing()), memo_->meta);
    y_ += heading_.lineSpacing();
    add(ItemKind::Title, QRectF(o_.body.left(), y_, w, heading_.lineSpacing()),
        continued ? memo_->title + kContinued : memo_->title);
    y_ += heading_.lineSpacing() + gap_ * 0.5;
  }

  void new_page(bool continued) {
    pages_.emplace_back();
    y_ = o_.body.top();
    if (continued) heading(true);
  }

  // Room for `h` on this page, else on a new one that repeats the heading.
  void need(double h) {
    if (!fits(h)) new_page(true);
  }

  // The body's lines as they are set: wrapped at the column's width, its
  // own line breaks kept (an empty line within stays as an empty one).
  QStringList wrap(const QString& text) const {
    QStringList lines;
    if (text.isEmpty()) return lines;
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (const QString& paragraph : normalised.split(QLatin1Char('\n'))) {
      if (paragraph.isEmpty()) {
        lines << QString();
        continue;
      }
      QTextLayout layout(paragraph, o_.text_font, device_);
      layout.setTextOption(option);
      layout.beginLayout();
      for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(o_.body.width());
        lines << paragraph.mid(line.textStart(), line.textLength());
      }
      layout.endLayout();
    }
    // Empty lines at the end print nothing and would only push the memo's
    // first picture away from its heading.
    while (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    return lines;
  }

  void text_line(const QString& line) {
    need(text_.lineSpacing());
    if (!line.isEmpty()) {
      add(ItemKind::Text, QRectF(o_.body.left(), y_, o_.body.width(), text_.lineSpacing()), line);
    }
    y_ += text_.lineSpacing();
  }

  bool drawn(const PicturePlan& p) const { return !p.missing && !p.size.isEmpty(); }

  // A picture is at most this high: a share of the column, and never so
  // high that it cannot stand on one page below the heading and the lines
  // kept with it.
  double picture_max_height() const {
    const double line = text_.lineSpacing();
    return std::min(o_.body.height() * o_.picture_height_share,
                    o_.body.height() - heading_height() - (kLinesWithHeading + 1) * line - gap_ * 2);
  }

  QRectF box_of(const PicturePlan& p) const {
    return picture_box(p.size, o_.body, o_.picture_fraction, picture_max_height());
  }

  // The height a picture takes with the gap above it and its title (or its
  // framed line when it cannot be drawn).
  double picture_height(const PicturePlan& p) const {
    const double line = text_.lineSpacing();
    return gap_ + (drawn(p) ? box_of(p).height() + line : line * 1.6);
  }

  void picture(const PicturePlan& p) {
    const double line = text_.lineSpacing();
    need(picture_height(p));
    y_ += gap_;
    if (!drawn(p)) {
      const QString label = (p.missing ? QStringLiteral("画像なし: ") : QStringLiteral("画像を読めません: ")) + p.path;
      add(ItemKind::NoPicture, QRectF(o_.body.left(), y_, o_.body.width(), line * 1.6), label);
      y_ += line * 1.6;
      return;
    }
    const QRectF box = box_of(p);
    add(ItemKind::Picture, box.translated(0, y_ - o_.body.top()), p.path);
    y_ += box.height();
    add(ItemKind::PictureTitle, QRectF(o_.body.left(), y_, o_.body.width(), line), p.title);
    y_ += line;
  }

  const LayoutOptions& o_;
  QFontMetricsF text_;
  QFontMetricsF heading_;
  QPaintDevice* device_;
  double gap_;
  std::vector<Page> pages_;
  double y_ = 0;
  const MemoPlan* memo_ = nullptr;
  bool first_memo_ = true;
};

}  // namespace

QRectF picture_box(QSize size, const QRectF& column, double fraction, double max_height) {
  double w = column.width() * fraction;
  double h = w * size.height() / std::max(1, size.width());
  if (h > max_height) {
    h = max_height;
    w = h * size.width() / std::max(1, size.height());
  }
  return QRectF(column.left(), column.top(), std::max(1.0, w), std::max(1.0, h));
}

std::vector<Page> lay_out(const std::vector<MemoPlan>& memos, const LayoutOptions& options, QPaintDevice* device) {
  PageFiller filler(options, device);
  for (const MemoPlan& m : memos) filler.memo(m);
  return filler.take();
}

}  // namespace printing
