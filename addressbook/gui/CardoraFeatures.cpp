#include "addressbook/gui/CardoraFeatures.h"

#include <cerrno>
#include <istream>
#include <string>

#include "addressbook/gui/CardoraMainWindow.h"
#include "addressbook/gui/MailMergeConnection.h"
#include "addressbook/gui/MailMergeWordProcessor.h"
#include "addressbook/gui/MailMergeWizard.h"
#include "addressbook/mailmerge/MergeTemplates.h"
#include "addressbook/mailmerge/WordProcessorMerge.h"
#include "shell/MessageBoxes.h"
#include "addressbook/gui/WorkPane.h"
#include "importexport/ContactImport.h"
#include "importexport/ContactImportCatalogue.h"
#include "importexport/ImportReader.h"
#include "importexport/VCard.h"
#include "shell/ImportWizard.h"

namespace velmora {
namespace {

// The first bytes of an import file that tell whether it is text at all.
constexpr size_t kTextCheckBytes = size_t(256) << 10;

}  // namespace

CardoraFeatures::CardoraFeatures() {
  // A word-processor job ends with LibreOffice merging the data file into
  // the letter template.
  // It runs off the window thread, with a progress window over the job's.
  mailMergeJobs_.SetLetterMerge(
      [this](QWidget* owner, const std::string& dataFile, const MailMergeSettings& settings) -> Result {
        ResultOf<std::string> letter = LetterTemplatePath(settings);
        if (!letter.ok()) return letter.result();
        return RunWordProcessorAction(owner, kMergingLettersText, writer_.setup(), [&](WordProcessorMerge& merge) {
          return merge.RunLetterMerge(settings.wordProcessor, dataFile, letter.value()).result();
        });
      });
  // A ".vcf" export writes 4.0 cards, which every current address book reads.
  vcardWriter_ = [](RecordStore& store, const RecordTextOptions& options, const std::string& path,
                    const std::function<bool(size_t, size_t)>& progress) {
    return WriteVCards(store, options, path, VCardVersion::V4, progress);
  };
  windows_.SetPictureClosedHandler([this] {
    if (main_) main_->PictureWindowClosed();
  });
  windows_.SetHistoryClosedHandler([this] {
    if (main_) main_->HistoryWindowClosed();
  });
}

CardoraFeatures::~CardoraFeatures() = default;

void CardoraFeatures::Attach(QWidget* owner) {
  if (auto* main = qobject_cast<CardoraMainWindow*>(owner)) main_ = main;
}

void CardoraFeatures::RunReportDialog(QWidget* owner, const ContactSelection& selection) {
  if (!selection.store) return;
  (void)RunRecordTextDialog(RecordTextMode::Report, owner, *selection.store, SelectedContactId(selection));
}

void CardoraFeatures::RunExportDialog(QWidget* owner, const ContactSelection& selection) {
  if (!selection.store) return;
  (void)RunRecordTextDialog(RecordTextMode::Export, owner, *selection.store, std::nullopt, vcardWriter_);
}

void CardoraFeatures::ShowPictureWindow(QWidget* owner, const std::string& path) {
  Attach(owner);
  windows_.ShowPictureWindow(path);
}

void CardoraFeatures::ClosePictureWindow() { windows_.ClosePictureWindow(); }

void CardoraFeatures::ShowHistoryWindow(QWidget* owner, RecordStore& addressBook, const Bytes* contact) {
  Attach(owner);
  windows_.ShowHistoryWindow(addressBook, contact);
}

void CardoraFeatures::CloseHistoryWindow() { windows_.CloseHistoryWindow(); }

QObject* CardoraFeatures::HistoryWindow() { return windows_.HistoryWindowObject(); }

bool CardoraFeatures::HistoryListHasFocus() { return windows_.HistoryListHasFocus(); }

bool CardoraFeatures::RunImportWizard(QWidget* owner, RecordStore& store) {
  ImportWizardHost host;
  host.catalogue = ContactImportCatalogue();
  host.aliases = ContactImportAliases();
  host.further = ContactTodayAliases();
  // Both kinds of file are streamed from the file the wizard opened, so a
  // large file costs no more memory than a small one.
  host.run = [&store](std::istream& file, const ImportSettings& settings, ImportCounts& counts,
                      const ImportProgress& progress) -> Result {
    // Only text can be delimited text: a file that is not is refused before
    // anything is added.
    std::string start(kTextCheckBytes, '\0');
    file.read(start.data(), static_cast<std::streamsize>(start.size()));
    start.resize(static_cast<size_t>(file.gcount()));
    if (file.bad()) return Result::Fail("Cannot read the import file", errno);
    if (!LooksLikeText(start)) return Result::Fail(std::string(kNotAContactsFile));
    file.clear();
    if (!file.seekg(0)) return Result::Fail("Cannot read the import file", errno);
    return ImportContacts(store, file, settings, counts, progress);
  };
  // A vCard file is recognised by its start and read a piece at a time:
  // its cards say which value is which.
  host.wholeFile.fileFilter = "vCard file (*.vcf)|*.vcf|";
  host.wholeFile.recognises = [](std::string_view fileStart) { return LooksLikeVCard(fileStart); };
  host.wholeFile.run = [&store](std::istream& file, uint64_t size, ImportCounts& counts,
                                const ImportProgress& progress) {
    VCardInput input;
    input.size = static_cast<size_t>(size);
    input.next = [&file](std::string& chunk) {
      chunk.resize(kVCardChunkBytes);
      file.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
      chunk.resize(static_cast<size_t>(file.gcount()));
      if (file.bad()) return Result::Fail("Cannot read the import file", errno);
      return Result::Ok();
    };
    return ImportVCards(store, input, counts, progress);
  };
  return velmora::RunImportWizard(owner, store, host) > 0;
}

void CardoraFeatures::RunMailMerge(QWidget* owner, const ContactSelection& selection) {
  if (!selection.store) return;
  MailMergeWizardHost host;
  host.jobRunning = [this] { return MailMergeSending(); };
  host.connectionProblem = [] { return InternetConnectionProblem(); };
  host.startJob = [this, owner, book = selection.store->path()](SendJob job, JobMailKind kind) {
    // A missing connection has been told by the check itself; any other
    // reason the job cannot start is told here.
    const Result started = mailMergeJobs_.Start(std::move(job), kind, owner, book);
    if (!started.ok() && started.what() != "No network connection") InformationBox(owner, started.Message());
  };
  host.secrets = &secrets_;
  // "MS Word" is LibreOffice Writer, run off the window thread with a
  // progress window; its failures are shown as the steps say.
  const WriterSetup setup = writer_.setup();
  host.createTemplate = [setup](QWidget* window, WordProcessor processor, const std::string& dataFile,
                                const std::string& templatePath) {
    return RunWordProcessorAction(window, kCreatingTemplateText, setup, [&](WordProcessorMerge& merge) {
             return merge.CreateLetterTemplate(processor, dataFile, templatePath);
           }).ok();
  };
  host.editTemplate = [setup](QWidget* window, WordProcessor processor, const std::string& templatePath,
                              const std::string& dataFile) {
    return RunWordProcessorAction(window, kEditingTemplateText, setup, [&](WordProcessorMerge& merge) {
             return merge.EditLetterTemplate(processor, templatePath, dataFile);
           }).ok();
  };
  (void)MailMergeWizard(*selection.store, SelectedContactId(selection), owner, host);
}

bool CardoraFeatures::MailMergeSending() { return mailMergeJobs_.Running(); }

QWidget* CardoraFeatures::mainWindow() { return main_; }

RecordStore* CardoraFeatures::addressBook() {
  return main_ && main_->workPane() ? main_->workPane()->store() : nullptr;
}

std::optional<RecordPosition> CardoraFeatures::selectedContact() {
  if (!main_ || !main_->workPane()) return std::nullopt;
  return main_->workPane()->SelectedPosition();
}

void CardoraFeatures::ContactChanged(RecordPosition position) {
  if (!main_ || !main_->workPane()) return;
  main_->workPane()->Reload();
  main_->workPane()->SelectPosition(position);
}

void CardoraFeatures::ReloadContacts() {
  if (main_ && main_->workPane()) main_->workPane()->Reload();
}

void CardoraFeatures::FocusContacts() {
  if (main_ && main_->workPane()) main_->workPane()->FocusList();
}

}  // namespace velmora
