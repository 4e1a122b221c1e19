// The viewer pane: the body, the picture titles and one picture.

#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>

#include "main_window/main_form.h"
#include "main_window/main_layout.h"
#include "main_window/memo_grid.h"
#include "main_window/memo_list_model.h"
#include "picture_viewer/f_gensun.h"
#include "store/diary/memo_files.h"
#include "ui/click_list.h"
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
    drop_body_marks();
    return;
  }
  Grid1->setCurrentIndex(model_->index(r - 1, MemoListModel::kMemoNoColumn));
  const QString n = model_->cell(r - 1, MemoListModel::kMemoNoColumn);

  load_viewer_pane(n);

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

void Main_form::load_viewer_pane(const QString& n) {
  const store::BodyResult body = store::load_memo_body(state_.data_dir, n);
  Text2->setPlainText(for_display(body.text));
  shown_memo_no_ = n;
  shown_body_ = body.text;
  if (!body.message.isEmpty()) messages_.inform(this, body.message, store::kAppTitle);

  QString list_error;
  {
    const QSignalBlocker quiet(List1);
    List1->clear();
    list_error = store::load_image_list(state_, n);
    for (const store::ImageEntry& e : state_.current_images) List1->addItem(e.title);
  }
  shown_images_ = state_.current_images;
  watch_shown_memo();
  show_search_marks();
  if (!list_error.isEmpty()) messages_.inform(this, list_error, store::kAppTitle);
}

bool Main_form::show_memo_of(const QString& memo_no) {
  if (!select_memo_no(memo_no)) return false;
  show_memo();
  return true;
}

// As a click on the row, then a click on the picture's title: the body and
// the titles, the title selected and that picture shown.
bool Main_form::show_picture_of(const QString& memo_no, int picture_no) {
  if (!select_memo_no(memo_no)) return false;
  const QString n = current_memo_no();
  load_viewer_pane(n);
  if (picture_no < 1 || picture_no > state_.current_image_count()) return true;
  {
    const QSignalBlocker quiet(List1);
    List1->setCurrentRow(picture_no - 1);
  }
  show_memo_picture(picture_no);
  return true;
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
  show_picture_file(path);
  shown_image_no_ = picture_file_.isEmpty() ? 0 : k;
}

// Loads a picture file into Image1 at its own size, fits it to the picture
// area and names it in Label3. A file that cannot be decoded leaves the
// picture area empty.
void Main_form::show_picture_file(const QString& path) {
  const ui::PictureProbe probe = ui::probe_picture(path);
  picture_file_ = probe.readable ? path : QString();
  picture_own_size_ = probe.readable ? probe.size : QSize();
  Image1->clear();
  if (probe.readable) Image1->resize(probe.size);
  fit_picture();
  Label3->setText(path);
  Label3->adjustSize();
}

QSize Main_form::fitted_picture_size() const {
  // A window that a window manager made smaller than its minimum size is
  // laid out for the minimum size; the picture area follows that layout.
  const double width = std::max(outer_width_twips(), main_layout::kMinOuterWidth);
  const double height = std::max(outer_height_twips(), main_layout::kMinOuterHeight);
  const ui::FittedSize fitted = ui::fit_size(
      static_cast<float>(ui::twips(picture_own_size_.width())),
      static_cast<float>(ui::twips(picture_own_size_.height())),
      ui::picture_area_width(static_cast<float>(width)),
      ui::picture_area_height(static_cast<float>(height), static_cast<float>(ui::twips(Grid1->height()))));
  return {std::max(1, ui::px(fitted.width)), std::max(1, ui::px(fitted.height))};
}

void Main_form::fit_picture() {
  if (picture_file_.isEmpty()) {
    Image1->clear();
    return;
  }
  const QSize shown = fitted_picture_size();
  // Layout passes refit often (every step of a window resize): a picture
  // already decoded at this size is not decoded again.
  if (Image1->size() == shown && !Image1->pixmap().isNull() && Image1->pixmap().size() == shown) return;
  const QPixmap pixmap = ui::load_picture(picture_file_, shown == picture_own_size_ ? QSize() : shown);
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
  shown_image_no_ = 0;
  picture_own_size_ = QSize();
  Image1->clear();
}

void Main_form::Grid1_Click() { show_memo(); }

void Main_form::List1_Click() { show_memo_picture(List1->selected_row() + 1); }

void Main_form::Image1_DblClick() { open_full_size_viewer(); }

void Main_form::List1_DblClick() { open_full_size_viewer(); }

void Main_form::open_full_size_viewer() {
  if (picture_file_.isEmpty()) return;
  // Each opening starts from the picture the pane shows, even when the
  // viewer was last closed by a click on its picture after paging on.
  const int k = shown_image_no_;
  if (k >= 1 && k <= state_.current_image_count() &&
      state_.current_images[static_cast<size_t>(k - 1)].path == picture_file_) {
    state_.current_image_no = k;
    state_.current_image_path = picture_file_;
  }
  F_gensun viewer(state_, messages_, *this);
  run_modal(viewer);
  if (viewer.hands_back()) take_back_picture();
}

// The viewer closed through "閉じる": the pane shows the picture it showed
// last. The title list keeps its selection.
void Main_form::take_back_picture() {
  const QString path = state_.current_image_path;
  if (!picture_file_exists(path)) {
    remove_picture();
    return;
  }
  show_picture_file(path);
  shown_image_no_ = picture_file_.isEmpty() ? 0 : state_.current_image_no;
}
