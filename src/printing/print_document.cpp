#include "printing/print_document.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include "store/diary/memo_files.h"

namespace printing {

namespace {

constexpr double kTextPoints = 10.5;
constexpr double kHeadingPoints = 11.5;
constexpr double kHeaderPoints = 8.5;

// The upright size of a picture, from its header only.
QSize upright_size(QImageReader& reader) {
  QSize size = reader.size();
  if (reader.transformation() & QImageIOHandler::TransformationRotate90) size.transpose();
  return size;
}

QImage read_at(const QString& path, const QSize& printed) {
  QImageReader reader(path);
  reader.setAutoTransform(true);
  // The scaled size applies before the picture is turned upright.
  QSize scaled = printed;
  if (reader.transformation() & QImageIOHandler::TransformationRotate90) scaled.transpose();
  reader.setScaledSize(scaled);
  return reader.read();
}

void paint_item(QPainter& painter, const PageItem& item, const QFont& text, const QFont& heading) {
  switch (item.kind) {
    case ItemKind::Meta:
    case ItemKind::Title:
      painter.setFont(heading);
      painter.drawText(item.rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, item.text);
      break;
    case ItemKind::Text:
    case ItemKind::PictureTitle:
      painter.setFont(text);
      painter.drawText(item.rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, item.text);
      break;
    case ItemKind::Picture: {
      const QImage image = read_at(item.text, item.rect.size().toSize());
      if (image.isNull()) {
        painter.drawRect(item.rect);
        painter.setFont(text);
        painter.drawText(item.rect, Qt::AlignCenter | Qt::TextWrapAnywhere,
                         QStringLiteral("画像を読めません: ") + item.text);
      } else {
        painter.drawImage(item.rect, image);
      }
      break;
    }
    case ItemKind::NoPicture:
      painter.drawRect(item.rect);
      painter.setFont(text);
      painter.drawText(item.rect.adjusted(8, 0, -8, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                       item.text);
      break;
  }
}

}  // namespace

std::vector<MemoPlan> plan_memos(const QString& data_dir, const std::vector<store::PrintMemo>& memos,
                                 store::PrintPictures pictures) {
  std::vector<MemoPlan> plans;
  plans.reserve(memos.size());
  for (const store::PrintMemo& m : memos) {
    MemoPlan plan{store::print_meta_line(m), m.title, store::load_memo_body(data_dir, m.memo_no).text, {}};
    if (pictures != store::PrintPictures::None) {
      const auto images = store::print_pictures(store::read_image_list(data_dir, m.memo_no).images, pictures);
      for (const store::ImageEntry& e : images) {
        PicturePlan p{e.path, e.title, {}, !QFileInfo(e.path).isFile()};
        if (!p.missing) {
          QImageReader reader(e.path);
          p.size = upright_size(reader);
        }
        plan.pictures.push_back(std::move(p));
      }
    }
    plans.push_back(std::move(plan));
  }
  return plans;
}

void set_up_paper(QPagedPaintDevice& device, const PaperChoice& choice) {
  device.setPageLayout(QPageLayout(QPageSize(choice.paper), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                                   QPageLayout::Millimeter));
}

LayoutOptions layout_options(QPaintDevice& device, const QPagedPaintDevice& paged, const PaperChoice& choice) {
  const QRect paint = paged.pageLayout().paintRectPixels(device.logicalDpiX());
  const QFontMetricsF header(page_font(kHeaderPoints), &device);
  const double band = header.lineSpacing() * 2;
  LayoutOptions o;
  o.body = QRectF(0, band, paint.width(), paint.height() - 2 * band);
  o.picture_fraction = choice.large_pictures ? 1.0 : 0.5;
  o.picture_height_share = choice.large_pictures ? 0.6 : 0.35;
  o.page_per_memo = choice.page_per_memo;
  o.text_font = page_font(kTextPoints);
  o.heading_font = page_font(kHeadingPoints);
  o.heading_font.setBold(true);
  return o;
}

bool paint_pages(QPagedPaintDevice& device, const std::vector<MemoPlan>& memos, const PaperChoice& choice,
                 const QString& header, int max_pages, const PageProgress& progress, bool all_memos) {
  const LayoutOptions o = layout_options(device, device, choice);
  const std::vector<Page> pages = lay_out(memos, o, &device);
  const int total = static_cast<int>(pages.size());
  const int count = max_pages > 0 ? std::min(max_pages, total) : total;
  QPainter painter(&device);
  if (!painter.isActive()) return false;
  const QFont header_font = page_font(kHeaderPoints);
  const double width = o.body.width();
  for (int n = 0; n < count; ++n) {
    if (n > 0 && !device.newPage()) return false;
    painter.setFont(header_font);
    painter.drawText(QRectF(0, 0, width, o.body.top() * 0.7), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     header);
    painter.drawLine(QPointF(0, o.body.top() * 0.75), QPointF(width, o.body.top() * 0.75));
    for (const PageItem& item : pages[static_cast<size_t>(n)].items) paint_item(painter, item, o.text_font, o.heading_font);
    painter.setFont(header_font);
    painter.drawText(QRectF(0, o.body.bottom() + o.body.top() * 0.3, width, o.body.top() * 0.7),
                     Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine,
                     QStringLiteral("%1 / %2").arg(n + 1).arg(all_memos ? QString::number(total) : QStringLiteral("…")));
    if (progress && !progress(n + 1, count)) return false;
  }
  return painter.end();
}

PdfResult save_pdf(const QString& path, const std::vector<MemoPlan>& memos, const PaperChoice& choice,
                   const QString& header, const PageProgress& progress) {
  PdfResult result;
  if (page_family().isEmpty()) {
    result.message = missing_font_message();
    return result;
  }
  const QString name = QFileInfo(path).fileName();
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    result.message = QStringLiteral("PDFファイル「%1」を作れません。\n%2\n(%3)")
                         .arg(name, QStringLiteral("フォルダに書き込めないか、名前が正しくありません。"), path);
    return result;
  }
  bool stopped = false;
  {
    QPdfWriter writer(&file);
    writer.setResolution(kPageDpi);
    writer.setCreator(QStringLiteral("Verdalis"));
    writer.setTitle(name);
    set_up_paper(writer, choice);
    const bool done = paint_pages(writer, memos, choice, header, 0, [&](int page, int total) {
      if (progress && !progress(page, total)) {
        stopped = true;
        return false;
      }
      return true;
    });
    if (!done && !stopped) {
      file.cancelWriting();
      result.message = QStringLiteral("PDFファイル「%1」を書けませんでした。\n(%2)").arg(name, path);
      return result;
    }
  }
  if (stopped) {
    file.cancelWriting();
    result.stopped = true;
    return result;
  }
  if (!file.commit()) {
    result.message = QStringLiteral("PDFファイル「%1」を書けませんでした。ディスクの空きが足りないか、書き込めません。\n%2\n(%3)")
                         .arg(name, file.errorString(), path);
    return result;
  }
  result.written = true;
  return result;
}

}  // namespace printing
