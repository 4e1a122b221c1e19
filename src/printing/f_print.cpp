#include "printing/f_print.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QDateEdit>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "store/diary/app_state.h"
#include "ui/message_service.h"

namespace {

// The preview lays out only the first memos: enough for its pages.
constexpr size_t kPreviewMemos = 12;
constexpr int kPreviewPages = 3;

QComboBox* choice_box(QWidget* parent, const char* name, const QStringList& items) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QLatin1String(name));
  box->addItems(items);
  return box;
}

}  // namespace

F_print::F_print(store::AppState& state, ui::MessageService& messages, std::vector<int> slots, QString location,
                 QString variety, QWidget* parent)
    : QDialog(parent),
      state_(state),
      messages_(messages),
      slots_(std::move(slots)),
      location_(std::move(location)),
      variety_(std::move(variety)) {
  setObjectName(QStringLiteral("F_print"));
  setWindowTitle(QStringLiteral("印刷・PDF"));
  choose_pdf_path = [](QWidget* parent, const QString& suggested) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("PDFに保存"), suggested,
                                        QStringLiteral("PDF (*.pdf)"));
  };
  choose_printer = [](QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
  };
  open_folder = [](const QString& folder) { return QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); };
  build_controls();
  choices_changed();
}

F_print::~F_print() = default;

bool F_print::fonts_ready(ui::MessageService& messages, QWidget* parent) {
  if (!printing::page_family().isEmpty()) return true;
  messages.inform(parent, printing::missing_font_message(), store::kAppTitle);
  return false;
}

void F_print::build_controls() {
  Combo_order = choice_box(this, "Combo_order", {QStringLiteral("古い順"), QStringLiteral("新しい順")});
  Check_range = new QCheckBox(QStringLiteral("期間を限る(&D)"), this);
  Check_range->setObjectName(QStringLiteral("Check_range"));
  // The range proposed is the listed memos' own: from the first day to the
  // last, whatever the season they were written in.
  const store::PrintRange span = store::print_date_span(state_.memo_table, slots_);
  const QDate today = QDate::currentDate();
  Date_from = new QDateEdit(span.from.isValid() ? span.from : today, this);
  Date_from->setObjectName(QStringLiteral("Date_from"));
  Date_from->setAccessibleName(QStringLiteral("期間の始め"));
  Date_to = new QDateEdit(span.to.isValid() ? span.to : today, this);
  Date_to->setObjectName(QStringLiteral("Date_to"));
  Date_to->setAccessibleName(QStringLiteral("期間の終わり"));
  for (QDateEdit* d : {Date_from, Date_to}) {
    d->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    d->setCalendarPopup(true);
    d->setEnabled(false);
  }
  Combo_paper = choice_box(this, "Combo_paper", {QStringLiteral("A4 縦"), QStringLiteral("A5 縦")});
  Combo_pictures = choice_box(this, "Combo_pictures",
                              {QStringLiteral("画像なし"), QStringLiteral("最初の1枚"), QStringLiteral("すべて")});
  Combo_pictures->setCurrentIndex(2);
  Combo_size = choice_box(this, "Combo_size", {QStringLiteral("小さく"), QStringLiteral("大きく")});
  Combo_size->setCurrentIndex(1);
  Check_page = new QCheckBox(QStringLiteral("1ページに1件(&O)"), this);
  Check_page->setObjectName(QStringLiteral("Check_page"));
  Label_count = new QLabel(this);
  Label_count->setObjectName(QStringLiteral("Label_count"));

  auto* range = new QHBoxLayout;
  range->addWidget(Check_range);
  range->addWidget(Date_from);
  range->addWidget(new QLabel(QStringLiteral("〜"), this));
  range->addWidget(Date_to);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("並び順(&J):"), Combo_order);
  form->addRow(range);
  form->addRow(QStringLiteral("用紙(&Y):"), Combo_paper);
  form->addRow(QStringLiteral("画像(&G):"), Combo_pictures);
  form->addRow(QStringLiteral("画像の大きさ(&Z):"), Combo_size);
  form->addRow(Check_page);
  form->addRow(Label_count);

  preview_printer_ = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
  preview_printer_->setResolution(printing::kPageDpi);
  Preview = new QPrintPreviewWidget(preview_printer_.get(), this);
  Preview->setObjectName(QStringLiteral("Preview"));
  Preview->setMinimumSize(360, 420);
  Preview->setViewMode(QPrintPreviewWidget::SinglePageView);

  Progress = new QProgressBar(this);
  Progress->setObjectName(QStringLiteral("Progress"));
  Progress->setVisible(false);
  Command_pdf = new QPushButton(QStringLiteral("PDFに保存(&S)..."), this);
  Command_pdf->setObjectName(QStringLiteral("Command_pdf"));
  Command_print = new QPushButton(QStringLiteral("印刷(&P)..."), this);
  Command_print->setObjectName(QStringLiteral("Command_print"));
  Command_stop = new QPushButton(QStringLiteral("中止(&A)"), this);
  Command_stop->setObjectName(QStringLiteral("Command_stop"));
  Command_stop->setEnabled(false);
  Command_close = new QPushButton(QStringLiteral("閉じる(&C)"), this);
  Command_close->setObjectName(QStringLiteral("Command_close"));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Progress, 1);
  buttons->addWidget(Command_stop);
  buttons->addStretch();
  buttons->addWidget(Command_pdf);
  buttons->addWidget(Command_print);
  buttons->addWidget(Command_close);
  auto* top = new QHBoxLayout;
  top->addLayout(form);
  top->addWidget(Preview, 1);
  auto* all = new QVBoxLayout(this);
  all->addLayout(top, 1);
  all->addLayout(buttons);

  connect(Preview, &QPrintPreviewWidget::paintRequested, this, &F_print::paint_preview);
  for (QComboBox* c : {Combo_order, Combo_paper, Combo_pictures, Combo_size}) {
    connect(c, &QComboBox::currentIndexChanged, this, &F_print::choices_changed);
  }
  connect(Check_range, &QCheckBox::toggled, this, [this](bool on) {
    Date_from->setEnabled(on);
    Date_to->setEnabled(on);
    choices_changed();
  });
  connect(Check_page, &QCheckBox::toggled, this, &F_print::choices_changed);
  connect(Date_from, &QDateEdit::dateChanged, this, &F_print::choices_changed);
  connect(Date_to, &QDateEdit::dateChanged, this, &F_print::choices_changed);
  connect(Command_pdf, &QPushButton::clicked, this, &F_print::Command_pdf_Click);
  connect(Command_print, &QPushButton::clicked, this, &F_print::Command_print_Click);
  connect(Command_stop, &QPushButton::clicked, this, [this] { stop_ = true; });
  connect(Command_close, &QPushButton::clicked, this, &QDialog::reject);
}

store::PrintRange F_print::chosen_range() const {
  if (!Check_range->isChecked()) return {};
  return {Date_from->date(), Date_to->date()};
}

std::vector<store::PrintMemo> F_print::chosen_memos() const {
  const store::PrintRange range = chosen_range();
  const auto order = Combo_order->currentIndex() == 0 ? store::PrintOrder::OldestFirst : store::PrintOrder::NewestFirst;
  return store::print_memos(state_.memo_table, slots_, range, order);
}

printing::PaperChoice F_print::paper_choice() const {
  printing::PaperChoice c;
  c.paper = Combo_paper->currentIndex() == 0 ? QPageSize::A4 : QPageSize::A5;
  c.pictures = store::PrintPictures(Combo_pictures->currentIndex());
  c.large_pictures = Combo_size->currentIndex() == 1;
  c.page_per_memo = Check_page->isChecked();
  return c;
}

QString F_print::header_text() const { return store::print_header_text(location_, variety_, chosen_range()); }

int F_print::preview_pages() const { return preview_pages_; }

void F_print::choices_changed() {
  const size_t n = chosen_memos().size();
  const store::PrintRange range = chosen_range();
  if (range.limited() && range.from > range.to) {
    Label_count->setText(QStringLiteral("0件のメモ\n期間の始めが終わりより後になっています。"));
  } else if (range.limited() && n == 0) {
    Label_count->setText(QStringLiteral("0件のメモ\nこの期間のメモはありません。"));
  } else {
    Label_count->setText(QStringLiteral("%1件のメモ").arg(n));
  }
  Command_pdf->setEnabled(n > 0);
  Command_print->setEnabled(n > 0);
  printing::set_up_paper(*preview_printer_, paper_choice());
  Preview->updatePreview();
}

void F_print::paint_preview(QPrinter* printer) {
  // Without a Japanese font the pages cannot be set; the window is not
  // opened then, and its preview stays empty should it be.
  if (printing::page_family().isEmpty()) return;
  std::vector<store::PrintMemo> memos = chosen_memos();
  const bool all_memos = memos.size() <= kPreviewMemos;
  if (!all_memos) memos.resize(kPreviewMemos);
  const printing::PaperChoice choice = paper_choice();
  printing::set_up_paper(*printer, choice);
  const auto plans = printing::plan_memos(state_.data_dir, memos, choice.pictures);
  int painted = 0;
  printing::paint_pages(*printer, plans, choice, header_text(), kPreviewPages, [&](int page, int) {
    painted = page;
    return true;
  }, all_memos);
  preview_pages_ = painted;
}

printing::PageProgress F_print::progress_step() {
  return [this](int page, int total) {
    Progress->setMaximum(total);
    Progress->setValue(page);
    // The window stays responsive so that 中止 can be clicked.
    QCoreApplication::processEvents();
    return !stop_;
  };
}

void F_print::reject() {
  if (busy_) {
    stop_ = true;
    return;
  }
  QDialog::reject();
}

void F_print::set_busy(bool busy) {
  busy_ = busy;
  stop_ = false;
  Progress->setValue(0);
  Progress->setVisible(busy);
  Command_stop->setEnabled(busy);
  for (QWidget* w : std::initializer_list<QWidget*>{Command_pdf, Command_print, Command_close, Combo_order,
                                                     Check_range, Combo_paper, Combo_pictures, Combo_size, Check_page}) {
    w->setEnabled(!busy);
  }
  if (!busy) choices_changed();
}

void F_print::Command_pdf_Click() {
  const QString suggested = QDir::home().filePath(store::default_pdf_name(QDate::currentDate()));
  const QString path = choose_pdf_path(this, suggested);
  if (path.isEmpty()) return;
  set_busy(true);
  const printing::PaperChoice choice = paper_choice();
  const auto plans = printing::plan_memos(state_.data_dir, chosen_memos(), choice.pictures);
  const printing::PdfResult result = printing::save_pdf(path, plans, choice, header_text(), progress_step());
  set_busy(false);
  if (result.written) confirm_saved(path);
  else if (!result.message.isEmpty()) messages_.inform(this, result.message, store::kAppTitle);
}

void F_print::confirm_saved(const QString& path) {
  const QFileInfo file(path);
  const QString folder = QDir::toNativeSeparators(file.absolutePath());
  const QString text =
      QStringLiteral("PDFファイル「%1」を保存しました。\n(%2)\n\n保存したフォルダを開きますか？").arg(file.fileName(), folder);
  if (!messages_.ask(this, text, store::kAppTitle, false)) return;
  if (!open_folder(file.absolutePath())) {
    messages_.inform(this, QStringLiteral("フォルダ「%1」を開けませんでした。").arg(folder), store::kAppTitle);
  }
}

void F_print::Command_print_Click() {
  QPrinter printer(QPrinter::HighResolution);
  const printing::PaperChoice choice = paper_choice();
  printing::set_up_paper(printer, choice);
  if (!choose_printer(this, printer)) return;
  printer.setResolution(printing::kPageDpi);
  set_busy(true);
  const auto plans = printing::plan_memos(state_.data_dir, chosen_memos(), choice.pictures);
  const bool done = printing::paint_pages(printer, plans, choice, header_text(), 0, progress_step());
  const bool stopped = stop_;
  if (stopped) printer.abort();
  set_busy(false);
  if (!done && !stopped) {
    messages_.inform(this, QStringLiteral("印刷できませんでした。プリンター「%1」を確かめてください。").arg(printer.printerName()),
                     store::kAppTitle);
  }
}
