#pragma once
// "印刷・PDF": the memos the main window lists, on paper or as a PDF file.
// The window sets the order, an optional date range, the paper and the
// pictures, shows the first pages as they will print, and writes the PDF
// or prints with a progress bar and 中止.

#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

#include "printing/print_document.h"
#include "store/diary/print_selection.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QProgressBar;
class QPushButton;
class QPrintPreviewWidget;
class QPrinter;

namespace store {
struct AppState;
}
namespace ui {
class MessageService;
}

class F_print : public QDialog {
  Q_OBJECT
 public:
  // `slots`: the memos listed (1-based, list order); `location` and
  // `variety`: the main window's filters as they stand.
  F_print(store::AppState& state, ui::MessageService& messages, std::vector<int> slots, QString location,
          QString variety, QWidget* parent = nullptr);
  ~F_print() override;

  // True when a Japanese font is installed; otherwise tells the user so
  // (the pages could not be set) and the window is not opened.
  static bool fonts_ready(ui::MessageService& messages, QWidget* parent);

  // The PDF's path from the save dialog ("" when cancelled). Tests replace it.
  std::function<QString(QWidget*, const QString& suggested)> choose_pdf_path;
  // Asks for the printer; false when cancelled. Tests replace it.
  std::function<bool(QWidget*, QPrinter&)> choose_printer;
  // Shows a folder in the desktop's file manager; false when it cannot.
  // Tests replace it.
  std::function<bool(const QString& folder)> open_folder;

  // The memos as the choices stand.
  std::vector<store::PrintMemo> chosen_memos() const;
  printing::PaperChoice paper_choice() const;
  QString header_text() const;
  // The pages shown in the preview.
  int preview_pages() const;

  QComboBox* Combo_order = nullptr;
  QCheckBox* Check_range = nullptr;
  QDateEdit* Date_from = nullptr;
  QDateEdit* Date_to = nullptr;
  QComboBox* Combo_paper = nullptr;
  QComboBox* Combo_pictures = nullptr;
  QComboBox* Combo_size = nullptr;
  QCheckBox* Check_page = nullptr;
  QLabel* Label_count = nullptr;
  QPrintPreviewWidget* Preview = nullptr;
  QProgressBar* Progress = nullptr;
  QPushButton* Command_pdf = nullptr;
  QPushButton* Command_print = nullptr;
  QPushButton* Command_stop = nullptr;
  QPushButton* Command_close = nullptr;

  void Command_pdf_Click();
  void Command_print_Click();

  // Esc or the window's close box while pages are written works as 中止.
  void reject() override;

 private:
  void build_controls();
  void choices_changed();
  store::PrintRange chosen_range() const;
  void confirm_saved(const QString& path);
  void paint_preview(QPrinter* printer);
  // Runs a long painting with the progress bar and 中止; false when stopped.
  printing::PageProgress progress_step();
  void set_busy(bool busy);

  store::AppState& state_;
  ui::MessageService& messages_;
  const std::vector<int> slots_;
  const QString location_;
  const QString variety_;
  std::unique_ptr<QPrinter> preview_printer_;
  bool stop_ = false;
  bool busy_ = false;
  int preview_pages_ = 0;
};
