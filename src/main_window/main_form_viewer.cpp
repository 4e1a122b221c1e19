// The viewer pane: the body, the picture titles and one picture.

#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>

#include "main_window/main_form.h"
#include "main_window/memo_grid.h"
#include "main_window/memo_list_model.h"
#include "store/memo_files.h"
#include "ui/picture.h"
#include "ui/twips.h"

namespace {

QString missing_picture_message(const QString& path) { return path + QStringLiteral("がありません。"); }

bool picture_file_exists(const QString& path) { return !path.isEmpty() && QFileInfo::exists(path); }

// Bodies are stored with CR LF; the text box wants bare line feeds.
QString for_display(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

}  // namespace

void Main_form::show_memo() {
  const int r = Grid1->current_grid_row();
  if (r < 1 || r > state_.listed_count) {
    Text2->clear();
    return;
  }
  Grid1->setCurrentIndex(model_->index(r - 1, MemoListModel::kMemoNoColumn));
  const QString n = model_->cell(r - 1, MemoListModel::kMemoNoColumn);

  const store::BodyResult body = store::load_memo_body(state_.data_dir, n);
  Text2->setPlainText(for_display(body.text));
  if (!body.message.isEmpty()) messages_.inform(this, body.message, store::kAppTitle);

  QString list_error;
  {
    const QSignalBlocker quiet(List1);
    List1->clear();
    list_error = store::load_image_list(state_, n);
    for (const store::ImageEntry& e : state_.current_images) List1->addItem(e.title);
  }
  if (!list_error.isEmpty()) messages_.inform(this, list_error, store::kAppTitle);

  if (state_.current_images.empty()) {
    remove_picture();
    Label3->clear();
    return;
  }
  const QString first = state_.current_images.front().path;
  if (picture_file_exists(first)) {
    {
      // Selecting the entry must not show the picture a second time.
      const QSignalBlocker quiet(List1);
      List1->setCurrentRow(0);
    }
    show_memo_picture(1);
  } else {
    messages_.inform(this, missing_picture_message(first), store::kAppName);
    remove_picture();
  }
  Label3->setText(first);
  Label3->adjustSize();
}

void Main_form::show_memo_picture(int k) {
  if (k < 1 || k > state_.current_image_count()) return;
  const QString path = state_.current_images[static_cast<size_t>(k - 1)].path;
  if (!picture_file_exists(path)) {
    messages_.inform(this, missing_picture_message(path), store::kAppName);
    remove_picture();
    return;
  }
  state_.current_image_no = k;
  state_.current_image_path = path;
  // A file that cannot be decoded leaves the picture area empty.
  const ui::PictureProbe probe = ui::probe_picture(path);
  picture_file_ = probe.readable ? path : QString();
  picture_own_size_ = probe.readable ? probe.size : QSize();
  Image1->clear();
  if (probe.readable) Image1->resize(probe.size);
  fit_picture();
  Label3->setText(path);
  Label3->adjustSize();
}

void Main_form::fit_picture() {
  if (picture_file_.isEmpty()) {
    Image1->clear();
    return;
  }
  const float grid_height = static_cast<float>(ui::twips(Grid1->height()));
  const ui::FittedSize fitted = ui::fit_size(
      static_cast<float>(ui::twips(picture_own_size_.width())),
      static_cast<float>(ui::twips(picture_own_size_.height())),
      ui::picture_area_width(static_cast<float>(outer_width_twips())),
      ui::picture_area_height(static_cast<float>(outer_height_twips()), grid_height));
  const QSize shown(std::max(1, ui::px(fitted.width)), std::max(1, ui::px(fitted.height)));
  const QPixmap pixmap = ui::load_picture(picture_file_, fitted.scaled ? shown : QSize());
  if (pixmap.isNull()) {
    Image1->clear();
    picture_file_.clear();
    return;
  }
  Image1->resize(shown);
  Image1->setPixmap(pixmap);
}

void Main_form::remove_picture() {
  picture_file_.clear();
  picture_own_size_ = QSize();
  Image1->clear();
}

void Main_form::Grid1_Click() { show_memo(); }

void Main_form::List1_Click() { show_memo_picture(List1->currentRow() + 1); }
