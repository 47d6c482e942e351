#include "shell/ImportWizard.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <ios>
#include <istream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "importexport/CountedText.h"
#include "importexport/ImportMapping.h"
#include "importexport/ImportReader.h"
#include "shell/EnteredValues.h"
#include "shell/FileDialogs.h"
#include "shell/MessageBoxes.h"
#include "shell/WorkProgressWindow.h"
#include "store/Bytes.h"
#include "store/FileSystem.h"
#include "store/Settings.h"

namespace velmora {
namespace {

constexpr size_t kProblemsShown = 5;

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The start of the file (at most kImportStartBytes) through the store's
// file system, so that a failure keeps its cause (a file this user may not
// read, a failing disk). more is set when the file goes on beyond it; the
// start then ends at its last line end (at a whole unit of UTF-16 text), so
// that a character cut in two neither shows in the preview nor makes UTF-8
// text look like Windows-1252.
Result ReadImportStart(const std::string& path, std::string& out, bool& more) {
  std::unique_ptr<File> file;
  if (Result opened = FileSystem::Default().OpenReadOnly(path, file); !opened.ok()) return opened;
  // One byte beyond the start tells whether the file goes on.
  out.assign(kImportStartBytes + 1, '\0');
  size_t done = 0;
  while (done < out.size()) {
    const int64_t got = file->ReadSome(done, out.data() + done, out.size() - done);
    if (got < 0) return Result::Fail("Cannot read", errno, path);
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  more = done > kImportStartBytes;
  out.resize(std::min(done, kImportStartBytes));
  if (!more) return Result::Ok();
  if (DetectImportEncoding(out) != ImportEncoding::Utf8) {
    out.resize(out.size() & ~size_t{1});
  } else if (const size_t lastEnd = out.find_last_of("\r\n"); lastEnd != std::string::npos) {
    out.resize(lastEnd + 1);
  } else {
    out.resize(Utf8CutLength(out, out.size()));
  }
  return Result::Ok();
}

// The chosen file as a stream for the import, read a piece at a time
// through the store's file system from the file opened at Finish. A read
// that fails keeps its cause and throws out of the buffer, which the
// stream takes as its bad state: the import stops there instead of taking
// the failure for the end of the file.
class ImportFileBuffer : public std::streambuf {
 public:
  ImportFileBuffer(File& file, std::string path) : file_(file), path_(std::move(path)), buffer_(kPieceBytes) {
    setg(buffer_.data(), buffer_.data(), buffer_.data());
  }
  // Bytes handed to the reader so far.
  uint64_t consumed() const { return start_ + static_cast<uint64_t>(gptr() - eback()); }
  const Result& status() const { return status_; }

 protected:
  int_type underflow() override {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    start_ += static_cast<uint64_t>(egptr() - eback());
    const int64_t got = file_.ReadSome(start_, buffer_.data(), buffer_.size());
    if (got < 0) {
      status_ = Result::Fail("Cannot read", errno, path_);
      setg(buffer_.data(), buffer_.data(), buffer_.data());
      throw std::ios_base::failure(status_.Message());
    }
    setg(buffer_.data(), buffer_.data(), buffer_.data() + got);
    return got == 0 ? traits_type::eof() : traits_type::to_int_type(*gptr());
  }

  pos_type seekoff(off_type offset, std::ios_base::seekdir dir, std::ios_base::openmode which) override {
    const pos_type failed(off_type(-1));
    if (!(which & std::ios_base::in)) return failed;
    off_type base = 0;
    if (dir == std::ios_base::cur) {
      base = static_cast<off_type>(consumed());
    } else if (dir == std::ios_base::end) {
      uint64_t size = 0;
      if (!file_.Size(size).ok()) return failed;
      base = static_cast<off_type>(size);
    }
    const off_type target = base + offset;
    if (target < 0) return failed;
    start_ = static_cast<uint64_t>(target);
    setg(buffer_.data(), buffer_.data(), buffer_.data());
    return pos_type(target);
  }
  pos_type seekpos(pos_type position, std::ios_base::openmode which) override {
    return seekoff(off_type(position), std::ios_base::beg, which);
  }

 private:
  static constexpr size_t kPieceBytes = size_t{64} << 10;
  File& file_;
  std::string path_;
  std::vector<char> buffer_;
  uint64_t start_ = 0;  // file offset of the buffer's first byte
  Result status_ = Result::Ok();
};

// Up to kProblemsShown problems with their line, and how many more there
// are, under the count of them and its heading ("1 line not read:").
void ListProblems(std::ostringstream& text, const std::vector<ImportLineProblem>& problems, const char* one,
                  const char* many, const char* heading) {
  if (problems.empty()) return;
  text << "\r\n" << CountedText(problems.size(), one, many) << heading;
  for (size_t i = 0; i < problems.size() && i < kProblemsShown; ++i) {
    text << "\r\nLine " << problems[i].line << ": " << problems[i].reason;
  }
  if (problems.size() > kProblemsShown) text << "\r\nand " << problems.size() - kProblemsShown << " more";
}

std::string Summary(const Result& result, const ImportCounts& counts) {
  std::ostringstream text;
  if (!result.ok()) text << result.Message() << "\r\n";
  text << CountedText(counts.added, "record", "records") << " added.\r\n" << counts.duplicates
       << " skipped as duplicates.";
  ListProblems(text, counts.unread, "line", "lines", " not read:");
  ListProblems(text, counts.partly, "value", "values", " left out of records that were added:");
  if (counts.cancelled) {
    text << "\r\nCancelled: the " << CountedText(counts.added, "record", "records") << " added so far "
         << WasOrWere(counts.added) << " kept.";
  }
  return text.str();
}

class ImportWizardDialog : public QDialog {
 public:
  ImportWizardDialog(QWidget* owner, const ImportWizardHost& host) : QDialog(owner), host_(host) {
    setWindowTitle("Import");
    setObjectName("importWizard");
    auto* layout = new QVBoxLayout(this);
    pages_ = new QStackedWidget(this);
    pages_->setObjectName("pages");
    layout->addWidget(pages_);

    auto* page1 = new QWidget;
    auto* l1 = new QVBoxLayout(page1);
    l1->addWidget(new QLabel("Select the file to import from:"));
    auto* row = new QHBoxLayout;
    path_ = new QLineEdit;
    path_->setObjectName("importFile");
    path_->setMaxLength(259);
    std::string saved;
    ReadSettingText(ProgramSettingsPath(), "Preference", "ImportFile", saved, 260);
    path_->setText(Q(saved));
    auto* browse = new QPushButton("Browse");
    browse->setObjectName("browse");
    row->addWidget(path_);
    row->addWidget(browse);
    l1->addLayout(row);
    l1->addStretch();
    pages_->addWidget(page1);
    connect(browse, &QPushButton::clicked, this, [this] { Browse(); });

    auto* page2 = new QWidget;
    auto* l2 = new QVBoxLayout(page2);
    preview_ = new QPlainTextEdit;
    preview_->setObjectName("preview");
    preview_->setReadOnly(true);
    l2->addWidget(preview_);
    l2->addWidget(new QLabel(
        "Is the first line a list of field names ? Field names are only used to identify the contents of the data "
        "and are not imported as data."));
    headingYes_ = new QRadioButton("Yes");
    headingYes_->setObjectName("headingYes");
    headingNo_ = new QRadioButton("No");
    headingNo_->setObjectName("headingNo");
    auto* g1 = new QButtonGroup(page2);
    g1->addButton(headingYes_);
    g1->addButton(headingNo_);
    headingYes_->setChecked(true);
    l2->addWidget(headingYes_);
    l2->addWidget(headingNo_);
    l2->addWidget(new QLabel("Select the character used to separate the fields."));
    comma_ = new QRadioButton("Comma");
    comma_->setObjectName("comma");
    tab_ = new QRadioButton("Tab");
    tab_->setObjectName("tab");
    // European spreadsheets and Outlook separate by semicolons.
    semicolon_ = new QRadioButton("Semicolon");
    semicolon_->setObjectName("semicolon");
    auto* g2 = new QButtonGroup(page2);
    g2->addButton(comma_);
    g2->addButton(tab_);
    g2->addButton(semicolon_);
    l2->addWidget(comma_);
    l2->addWidget(tab_);
    l2->addWidget(semicolon_);
    l2->addWidget(new QLabel("Select the caracter used to surround text fields"));
    qualifier_ = new QComboBox;
    qualifier_->setObjectName("qualifier");
    qualifier_->addItems({"\"", "None"});
    l2->addWidget(qualifier_);
    pages_->addWidget(page2);

    auto* page3 = new QWidget;
    auto* l3 = new QVBoxLayout(page3);
    auto* lists = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel("Source fields"));
    sources_ = new QListWidget;
    sources_->setObjectName("sourceFields");
    left->addWidget(sources_);
    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel("Velmora fields"));
    targets_ = new QListWidget;
    targets_->setObjectName("velmoraFields");
    right->addWidget(targets_);
    lists->addLayout(left);
    lists->addWidget(new QLabel("<< map to >>"));
    lists->addLayout(right);
    l3->addLayout(lists);
    labels_ = new QComboBox;
    labels_->setObjectName("fieldChoice");
    for (const ImportField& field : host_.catalogue) labels_->addItem(Q(field.label));
    labels_->addItem(Q(kIgnoreFieldLabel));
    l3->addWidget(labels_);
    auto* maps = new QHBoxLayout;
    defaultMap_ = new QPushButton("&Default Map");
    defaultMap_->setObjectName("defaultMap");
    clearMap_ = new QPushButton("&Clear Map");
    clearMap_->setObjectName("clearMap");
    maps->addWidget(defaultMap_);
    maps->addWidget(clearMap_);
    l3->addLayout(maps);
    pages_->addWidget(page3);
    connect(defaultMap_, &QPushButton::clicked, this, [this] { SetMapping(Default()); });
    connect(clearMap_, &QPushButton::clicked, this,
            [this] { SetMapping(PositionalMapping(headings_.size(), host_.catalogue.size())); });
    connect(sources_, &QListWidget::currentRowChanged, this, [this](int r) { SelectRow(r); });
    connect(targets_, &QListWidget::currentRowChanged, this, [this](int r) { SelectRow(r); });
    connect(labels_, &QComboBox::activated, this, [this](int index) { Choose(index); });

    auto* buttons = new QHBoxLayout;
    back_ = new QPushButton("&Back");
    back_->setObjectName("back");
    next_ = new QPushButton("&Next");
    next_->setObjectName("next");
    // Enter goes on to the next page, and on the last one finishes.
    next_->setDefault(true);
    auto* cancel = new QPushButton("Cancel");
    cancel->setObjectName("cancel");
    buttons->addStretch();
    buttons->addWidget(back_);
    buttons->addWidget(next_);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(back_, &QPushButton::clicked, this, [this] { Go(pages_->currentIndex() - 1); });
    connect(next_, &QPushButton::clicked, this, [this] { Next(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    Go(0);
    entered_.Remember(this);
  }

  // Escape, "Cancel" and the close button: a wizard with something entered
  // asks before it is thrown away.
  void reject() override {
    if (!MayDiscardEntries(this, entered_)) return;
    QDialog::reject();
  }

  // The file to import, opened at Finish.
  std::unique_ptr<File> file;
  uint64_t fileSize = 0;
  bool wholeFile = false;
  std::string path() const { return path_->text().toStdString(); }
  ImportSettings settings;

 private:
  void Browse() {
    FileDialogRequest request;
    request.filter = "Comma file (*.csv)|*.csv|Text file (*.txt)|*.txt|";
    if (host_.wholeFile.recognises) request.filter += host_.wholeFile.fileFilter;
    request.filter += "|";
    request.defaultExtension = "csv";
    request.start = StartFolder::Program;
    if (auto chosen = FileDialogs::Current().ChooseFile(this, request)) path_->setText(Q(*chosen));
  }

  void Go(int page) {
    pages_->setCurrentIndex(page);
    back_->setEnabled(page > 0);
    next_->setText(page == 2 ? "&Finish" : "&Next");
  }

  void Next() {
    int page = pages_->currentIndex();
    if (page == 0) {
      const std::string path = path_->text().toStdString();
      if (!FileSystem::Default().Exists(path)) {
        InformationBox(this, "Import file could not be found.");
        return;
      }
      std::string start;
      bool more = false;
      if (Result read = ReadImportStart(path, start, more); !read.ok()) {
        InformationBox(this, read.Message());
        return;
      }
      if (host_.wholeFile.recognises && host_.wholeFile.recognises(start)) {
        if (!Open()) return;
        wholeFile = true;
        Save();
        accept();
        return;
      }
      text_ = PrepareImportText(start).text;
      // Cut between two characters, so the preview never ends in half of one.
      std::string shown = text_.substr(0, Utf8CutLength(text_, kImportPreviewBytes));
      if (text_.size() > kImportPreviewBytes || more) shown += "\r\n(The rest of the file is not shown.)";
      preview_->setPlainText(Q(shown));
      switch (DetectSeparator(text_)) {
        case '\t':
          tab_->setChecked(true);
          break;
        case ';':
          semicolon_->setChecked(true);
          break;
        default:
          comma_->setChecked(true);
      }
      qualifier_->setCurrentIndex(DetectQualifier(text_) ? 0 : 1);
      Go(1);
    } else if (page == 1) {
      // The file is read again: it may have been changed while the reading
      // page was shown, and the mapping is made for what is there now.
      std::string start;
      bool more = false;
      if (Result read = ReadImportStart(path_->text().toStdString(), start, more); !read.ok()) {
        InformationBox(this, read.Message());
        return;
      }
      text_ = PrepareImportText(start).text;
      headings_ = FirstLineFields(text_, Separator(), Qualifier());
      sources_->clear();
      for (const std::string& heading : headings_) sources_->addItem(Q(heading));
      // Mapping by headings needs a heading line. A file with headings starts
      // mapped by them, as "&Default Map" maps it: a column then fills the
      // field its heading names, not the field at its position. Headings
      // none of which is known start with the positional mapping.
      const bool byHeadings = headingYes_->isChecked() && !host_.aliases.empty();
      const ImportMapping byHeading = byHeadings ? Default() : ImportMapping();
      SetMapping(byHeadings && AnyColumnMapped(byHeading)
                     ? byHeading
                     : PositionalMapping(headings_.size(), host_.catalogue.size()));
      defaultMap_->setVisible(byHeadings);
      clearMap_->setVisible(byHeadings);
      Go(2);
    } else {
      if (!AnyColumnMapped(mapping_)) {
        Beep();
        return;
      }
      settings.heading = headingYes_->isChecked();
      settings.separator = Separator();
      settings.qualifier = Qualifier();
      settings.mapping = mapping_;
      if (!Open()) return;
      Save();
      accept();
    }
  }

  // Opens the file for the import, which streams it. A file that cannot be
  // opened is told with its cause, and the page stays.
  bool Open() {
    const std::string path = path_->text().toStdString();
    std::unique_ptr<File> opened;
    Result result = FileSystem::Default().OpenReadOnly(path, opened);
    uint64_t size = 0;
    if (result.ok()) result = opened->Size(size);
    if (!result.ok()) {
      InformationBox(this, result.Message());
      return false;
    }
    file = std::move(opened);
    fileSize = size;
    return true;
  }

  // Remembers the file for the next import. The import goes on when that
  // fails: the user is told, but losing the preference loses no records.
  void Save() {
    Result saved = WriteSettingText(ProgramSettingsPath(), "Preference", "ImportFile", path_->text().toStdString());
    if (!saved.ok()) {
      const std::string told = "The name of the import file could not be kept for the next import; the import goes on.";
      InformationBox(this, told + "\r\n" + saved.Message());
    }
  }

  char Separator() const { return tab_->isChecked() ? '\t' : semicolon_->isChecked() ? ';' : ','; }
  std::optional<char> Qualifier() const {
    return qualifier_->currentIndex() == 0 ? std::optional<char>(kImportQuote) : std::nullopt;
  }

  ImportMapping Default() const { return DefaultMapping(headings_, host_.catalogue, host_.aliases, host_.further); }

  QString LabelOf(int entry) const {
    return entry == kIgnoreColumn ? Q(kIgnoreFieldLabel) : Q(host_.catalogue[static_cast<size_t>(entry)].label);
  }

  void SetMapping(const ImportMapping& mapping) {
    mapping_ = mapping;
    targets_->clear();
    for (int entry : mapping_) targets_->addItem(LabelOf(entry));
    SelectRow(mapping_.empty() ? -1 : 0);
  }

  void SelectRow(int r) {
    if (r < 0 || r >= static_cast<int>(mapping_.size())) return;
    QSignalBlocker a(sources_), b(targets_);
    sources_->setCurrentRow(r);
    targets_->setCurrentRow(r);
    QString text = targets_->item(r)->text();
    for (int i = 0; i < labels_->count(); ++i)
      if (labels_->itemText(i).startsWith(text, Qt::CaseInsensitive)) {
        labels_->setCurrentIndex(i);
        break;
      }
  }

  void Choose(int index) {
    int r = targets_->currentRow();
    if (r < 0 || r >= static_cast<int>(mapping_.size())) return;
    int entry = index < static_cast<int>(host_.catalogue.size()) ? index : kIgnoreColumn;
    mapping_[static_cast<size_t>(r)] = entry;
    targets_->item(r)->setText(LabelOf(entry));
    if (entry == kIgnoreColumn) return;
    for (size_t i = 0; i < mapping_.size(); ++i)
      if (static_cast<int>(i) != r && mapping_[i] == entry) {
        mapping_[i] = kIgnoreColumn;
        targets_->item(static_cast<int>(i))->setText(LabelOf(kIgnoreColumn));
        break;
      }
  }

  const ImportWizardHost& host_;
  QStackedWidget* pages_;
  QLineEdit* path_;
  QPlainTextEdit* preview_;
  QRadioButton *headingYes_, *headingNo_, *comma_, *tab_, *semicolon_;
  QComboBox* qualifier_;
  QListWidget *sources_, *targets_;
  QComboBox* labels_;
  QPushButton *defaultMap_, *clearMap_;
  QPushButton *back_, *next_;
  std::string text_;
  std::vector<std::string> headings_;
  ImportMapping mapping_;
  EnteredValues entered_;
};

}  // namespace

int RunImportWizard(QWidget* owner, RecordStore& store, const ImportWizardHost& host) {
  if (store.GetAccessLevel() == kAccessReader) {
    InformationBox(owner, 102);
    return 0;
  }
  ImportWizardDialog dialog(owner, host);
  if (dialog.exec() != QDialog::Accepted) return 0;
  ImportCounts counts;
  Result result = Result::Ok();
  {
    ImportFileBuffer buffer(*dialog.file, dialog.path());
    std::istream in(&buffer);
    WorkProgressWindow progress("Import...", true, owner);
    progress.show();
    // A streamed import does not know its total; the bar then shows how
    // much of the file has been read.
    const uint64_t size = dialog.fileSize;
    ImportProgress report = [&progress, &buffer, size](size_t done, size_t total) {
      if (total == 0 && size > 0) return progress.Report(static_cast<size_t>(std::min(buffer.consumed(), size)), size);
      return progress.Report(done, total);
    };
    if (dialog.wholeFile)
      result = host.wholeFile.run(in, dialog.fileSize, counts, report);
    else
      result = host.run(in, dialog.settings, counts, report);
    // A failed read is told with its own cause.
    if (!buffer.status().ok()) result = buffer.status();
  }
  InformationBox(owner, Summary(result, counts));
  return static_cast<int>(counts.added);
}

}  // namespace velmora
