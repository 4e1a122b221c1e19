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
    if (o_.page_per_memo && !first_memo_) new_page(false);
    else if (!first_memo_ && y_ > o_.body.top()) y_ += gap_ * 2;
    first_memo_ = false;
    // The heading stays with the first line of the body.
    if (!fits(heading_height() + text_.lineSpacing())) new_page(false);
    heading(false);
    body(m.body);
    for (const PicturePlan& p : m.pictures) picture(p);
  }

  std::vector<Page> take() { return std::move(pages_); }

 private:
  double heading_height() const { return heading_.lineSpacing() * 2 + gap_ * 0.5; }
  bool fits(double h) const { return y_ + h <= o_.body.bottom() + 1e-6; }
  void add(ItemKind kind, const QRectF& r, const QString& text) { pages_.back().items.push_back({kind, r, text}); }

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

  void body(const QString& text) {
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QStringList paragraphs = normalised.split(QLatin1Char('\n'));
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (const QString& paragraph : paragraphs) {
      if (paragraph.isEmpty()) {
        need(text_.lineSpacing());
        y_ += text_.lineSpacing();
        continue;
      }
      QTextLayout layout(paragraph, o_.text_font, device_);
      layout.setTextOption(option);
      layout.beginLayout();
      for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(o_.body.width());
        need(text_.lineSpacing());
        add(ItemKind::Text, QRectF(o_.body.left(), y_, o_.body.width(), text_.lineSpacing()),
            paragraph.mid(line.textStart(), line.textLength()));
        y_ += text_.lineSpacing();
      }
      layout.endLayout();
    }
  }

  void picture(const PicturePlan& p) {
    const double line = text_.lineSpacing();
    if (p.missing || p.size.isEmpty()) {
      const double h = line * 1.6;
      need(h + gap_);
      y_ += gap_;
      const QString label = (p.missing ? QStringLiteral("画像なし: ") : QStringLiteral("画像を読めません: ")) + p.path;
      add(ItemKind::NoPicture, QRectF(o_.body.left(), y_, o_.body.width(), h), label);
      y_ += h;
      return;
    }
    // A picture and its title fit on an empty page (below a repeated heading).
    const double max_h = std::min(o_.body.height() * o_.picture_height_share,
                                  o_.body.height() - heading_height() - line - gap_ * 2);
    const QRectF box = picture_box(p.size, o_.body, o_.picture_fraction, max_h);
    need(gap_ + box.height() + line);
    y_ += gap_;
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
