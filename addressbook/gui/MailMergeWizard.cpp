#include "addressbook/gui/MailMergeWizard.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>
#include <vector>

#include "addressbook/gui/RecordTextDialog.h"
#include "addressbook/mailmerge/AttachmentFile.h"
#include "addressbook/mailmerge/MergeDataFile.h"
#include "addressbook/mailmerge/MergeFields.h"
#include "addressbook/mailmerge/MergeRecipients.h"
#include "addressbook/mailmerge/MergeSummary.h"
#include "addressbook/mailmerge/MergeTemplates.h"
#include "addressbook/mailmerge/MergeWizardChecks.h"
#include "shell/EnteredValues.h"
#include "shell/FileDialogs.h"
#include "shell/MessageBoxes.h"
#include "toolkit/Bitmaps.h"
#include "toolkit/Utf8Limit.h"

namespace velmora {

namespace {

namespace fs = std::filesystem;

enum Page { kRecipientsPage, kLookupPage, kMyRecordPage, kDestinationPage, kInternetPage, kLetterPage,
            kMessagePage, kSummaryPage };

constexpr int kTextLimit = 254;
constexpr int kAddressLimit = 499;
constexpr int kPathLimit = 259;
constexpr int kMessageLimit = 31999;
constexpr size_t kMaxAttachments = 10;

constexpr const char* kWordProcessors[] = {"MS Word", "Word Perfect"};
constexpr const char* kEmailSystems[] = {"Internet Mail", "Default E-mail client"};

constexpr const char* kDefaultClientWarning =
    "You have chosen to send e-mail through your e-mail program. Most e-mail programs don't send a message "
    "without your permission (a window will appear before sending each e-mail from the chosen list of "
    "recipients). If your list of recipients is large, we recommend you to disable that confirmation in your "
    "e-mail program before you continue.";
constexpr const char* kTemplateInUse =
    "The filename or path you have selected is not valid or the\r\nchosen template is currently opened in the Text "
    "Processor.\r\nYou should complete your Template and to close that document\r\nin the Text Processor (or to exit "
    "from the Text Processor) and\r\nto click on Next button again.";
constexpr const char* kDataFileInUse =
    "During creating or editing template or during mail merge operation,\r\nthe application is making %s with the "
    "data. Then the file is\r\nsent to the Text Processor on further process.\r\n\r\nCurrently you are using that "
    "file in the Text Processor and the application\r\nis not able to create a new file with the data. You should "
    "complete\r\nthe process with your last Mail Merge document and to close that document\r\nin the Text Processor "
    "(or to exit from the Text Processor) and to\r\ncontinue with the desired action.";
constexpr const char* kTemplateChanged = "The text in the template file has changed.\r\n\r\nDo you want to save changes ?";
constexpr const char* kTemplateUnreadable = "Error in opening E-mail template.";

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }
std::string S(const QString& text) { return text.toStdString(); }

std::string DataFileInUseText() {
  std::string text = kDataFileInUse;
  text.replace(text.find("%s"), 2, mailmerge::kDataFileName);
  return text;
}

std::string FileName(const std::string& path) { return fs::path(path).filename().string(); }

// Whether the template can be opened for reading and writing by this
// program alone: LibreOffice marks a document it has open with a lock file
// ".~lock.<name>#" beside it, and any program may hold a lock on the file.
bool TemplateFree(const std::string& path) {
  if (path.empty()) return false;
  const fs::path file(path);
  std::error_code ec;
  if (fs::exists(file.parent_path() / (".~lock." + file.filename().string() + "#"), ec)) return false;
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  const bool free = ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
  ::close(fd);
  return free;
}

QLabel* Text(const char* text, QWidget* parent = nullptr) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setWordWrap(true);
  return label;
}

QLineEdit* Edit(const char* name, int limit) {
  auto* edit = new QLineEdit;
  edit->setObjectName(name);
  LimitUtf8Bytes(edit, limit);
  return edit;
}

QRadioButton* Radio(const char* name, const char* text) {
  auto* radio = new QRadioButton(QString::fromUtf8(text));
  radio->setObjectName(name);
  return radio;
}

QPushButton* Button(const char* name, const char* text) {
  auto* button = new QPushButton(QString::fromUtf8(text));
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

QComboBox* Choice(const char* name) {
  auto* box = new QComboBox;
  box->setObjectName(name);
  return box;
}

// Keeps a multi-line field within limit characters as it is typed.
void LimitText(QPlainTextEdit* edit, int limit) {
  QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [edit, limit] {
    const QString text = edit->toPlainText();
    if (text.size() <= limit) return;
    QTextCursor cursor = edit->textCursor();
    const int at = std::min(cursor.position(), limit);
    edit->setPlainText(text.left(limit));
    cursor = edit->textCursor();
    cursor.setPosition(at);
    edit->setTextCursor(cursor);
    Beep();
  });
}

class MailMergeWizardDialog : public QDialog {
 public:
  MailMergeWizardDialog(RecordStore& store, std::optional<uint64_t> currentKey, const MailMergeWizardHost& host,
                        QWidget* owner)
      : QDialog(owner), store_(store), currentKey_(currentKey), host_(host) {
    setObjectName("mailMergeWizard");
    setWindowTitle("Mail Merge");
    settings_ = ReadMailMergeSettings(MailMergeSettingsPath(), host_.secrets);
    categories_ = CategoryChoices(store_);

    auto* frame = new QFrame;
    frame->setFrameShape(QFrame::StyledPanel);
    auto* picture = new QLabel(frame);
    picture->setPixmap(QPixmap::fromImage(BitmapImage("mail_marge.bmp")));
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(picture);
    frameLayout->addStretch();

    pages_ = new QStackedWidget;
    pages_->setObjectName("pages");
    pages_->addWidget(RecipientsPage());
    pages_->addWidget(LookupPage());
    pages_->addWidget(MyRecordPage());
    pages_->addWidget(DestinationPage());
    pages_->addWidget(InternetPage());
    pages_->addWidget(LetterPage());
    pages_->addWidget(MessagePage());
    pages_->addWidget(SummaryPage());

    back_ = Button("back", "< &Back");
    next_ = Button("next", "&Next >");
    finish_ = Button("finish", "Finish");
    auto* cancel = Button("cancel", "Cancel");
    next_->setDefault(true);
    connect(back_, &QPushButton::clicked, this, [this] { Back(); });
    connect(next_, &QPushButton::clicked, this, [this] { Next(); });
    connect(finish_, &QPushButton::clicked, this, [this] { Finish(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(back_);
    buttons->addWidget(next_);
    buttons->addWidget(finish_);
    buttons->addWidget(cancel);

    auto* right = new QVBoxLayout;
    right->addWidget(pages_, 1);
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(right, 1);
    Show(kRecipientsPage);
    entered_.Remember(this);
  }

  // Escape, "Cancel" and the close button: a wizard with something entered
  // asks before it is thrown away.
  void reject() override {
    if (!MayDiscardEntries(this, entered_)) return;
    QDialog::reject();
  }

 private:
  // Page 1: the recipients.
  QWidget* RecipientsPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Text("Use a mail merge to merge contact information with a template to create personalized "
                           "letters or e-mail."));
    layout->addWidget(Text("This wizard will step you through process of selecting the Cardora record(s), where to "
                           "send the mail merge, the template to merge with, and additional output options."));
    layout->addWidget(Text("What Cardora record(s) or category do you wont to create a mail merge for ?"));
    createLookup_ = Radio("createLookup", "Create lookup");
    currentRecord_ = Radio("currentRecord", "Current record");
    allRecords_ = Radio("allRecords", "All records");
    selectedCategory_ = Radio("selectedCategory", "Selected category:");
    category_ = Choice("category");
    for (const std::string& name : categories_) category_->addItem(Q(name));
    for (QRadioButton* radio : {createLookup_, currentRecord_, allRecords_}) layout->addWidget(radio);
    auto* row = new QHBoxLayout;
    row->addWidget(selectedCategory_);
    row->addWidget(category_, 1);
    layout->addLayout(row);
    layout->addStretch();

    currentRecord_->setEnabled(currentKey_.has_value());
    switch (ShownRecipientChoice(settings_, currentKey_.has_value())) {
      case RecipientChoice::CreateLookup: createLookup_->setChecked(true); break;
      case RecipientChoice::CurrentRecord: currentRecord_->setChecked(true); break;
      case RecipientChoice::AllRecords: allRecords_->setChecked(true); break;
      case RecipientChoice::SelectedCategory: selectedCategory_->setChecked(true); break;
    }
    SelectText(category_, settings_.category);
    const auto update = [this] { category_->setEnabled(selectedCategory_->isChecked()); };
    connect(selectedCategory_, &QRadioButton::toggled, this, update);
    update();
    return page;
  }

  // Page 2: the lookup.
  QWidget* LookupPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* group = new QGroupBox("Lookup category and fields");
    auto* grid = new QGridLayout(group);
    allCategory_ = Radio("allCategory", "All category");
    lookupCategoryOn_ = Radio("selectedLookupCategory", "Selected category");
    lookupCategory_ = Choice("lookupCategory");
    for (const std::string& name : categories_) lookupCategory_->addItem(Q(name));
    allFields_ = Radio("allFields", "All fields");
    selectedField_ = Radio("selectedField", "Selected field");
    lookupField_ = Choice("lookupField");
    for (std::string_view name : kContactMergeFields) lookupField_->addItem(Q(name));
    // Two groups of two choices each.
    auto* categories = new QButtonGroup(page);
    categories->addButton(allCategory_);
    categories->addButton(lookupCategoryOn_);
    auto* fields = new QButtonGroup(page);
    fields->addButton(allFields_);
    fields->addButton(selectedField_);
    grid->addWidget(allCategory_, 0, 0);
    grid->addWidget(lookupCategoryOn_, 1, 0);
    grid->addWidget(lookupCategory_, 1, 1);
    grid->addWidget(allFields_, 2, 0);
    grid->addWidget(selectedField_, 3, 0);
    grid->addWidget(lookupField_, 3, 1);
    layout->addWidget(group);
    auto* search = new QHBoxLayout;
    search->addWidget(new QLabel("Search for"));
    searchText_ = Edit("searchText", kTextLimit);
    search->addWidget(searchText_, 1);
    layout->addLayout(search);
    layout->addStretch();

    (settings_.lookupCategoryMode == LookupCategoryMode::SelectedCategory ? lookupCategoryOn_ : allCategory_)
        ->setChecked(true);
    (settings_.lookupFieldMode == LookupFieldMode::SelectedField ? selectedField_ : allFields_)->setChecked(true);
    SelectText(lookupCategory_, settings_.lookupCategory);
    SelectText(lookupField_, settings_.lookupField);
    searchText_->setText(Q(settings_.lookupText));
    const auto update = [this] {
      lookupCategory_->setEnabled(lookupCategoryOn_->isChecked());
      lookupField_->setEnabled(selectedField_->isChecked());
    };
    connect(lookupCategoryOn_, &QRadioButton::toggled, this, update);
    connect(selectedField_, &QRadioButton::toggled, this, update);
    update();
    return page;
  }

  // Page 3: the sender's own data.
  QWidget* MyRecordPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* group = new QGroupBox("My record");
    auto* grid = new QGridLayout(group);
    myName_ = Edit("myName", kTextLimit);
    myCompany_ = Edit("myCompany", kTextLimit);
    myEmail_ = Edit("myEmail", kTextLimit);
    myPhone_ = Edit("myPhone", kTextLimit);
    myAddress_ = new QPlainTextEdit;
    myAddress_->setObjectName("myAddress");
    myAddress_->setTabChangesFocus(true);
    LimitText(myAddress_, kAddressLimit);
    int row = 0;
    for (auto [label, edit] : {std::pair{"Name", myName_}, {"Company", myCompany_}, {"E-mail", myEmail_},
                               {"Phone", myPhone_}}) {
      auto* text = new QLabel(label);
      text->setBuddy(edit);
      grid->addWidget(text, row, 0);
      grid->addWidget(edit, row++, 1);
    }
    grid->addWidget(new QLabel("Street Address"), row, 0, Qt::AlignTop);
    grid->addWidget(myAddress_, row, 1);
    layout->addWidget(group);
    myName_->setText(Q(settings_.myName));
    myCompany_->setText(Q(settings_.myCompany));
    myEmail_->setText(Q(settings_.myEmail));
    myPhone_->setText(Q(settings_.myPhone));
    myAddress_->setPlainText(Q(settings_.myAddress));
    return page;
  }

  // Page 4: where the merge goes.
  QWidget* DestinationPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Text("Where do you want to send this mail merge ? "));
    textProcessor_ = Radio("textProcessor", "Text processor");
    email_ = Radio("email", "E-mail");
    wordProcessor_ = Choice("wordProcessor");
    for (const char* name : kWordProcessors) wordProcessor_->addItem(name);
    emailSystem_ = Choice("emailSystem");
    for (const char* name : kEmailSystems) emailSystem_->addItem(name);
    auto* grid = new QGridLayout;
    grid->addWidget(textProcessor_, 0, 0);
    grid->addWidget(wordProcessor_, 0, 1);
    grid->addWidget(email_, 1, 0);
    grid->addWidget(emailSystem_, 1, 1);
    layout->addLayout(grid);
    layout->addStretch();
    (settings_.destination == MergeDestination::Email ? email_ : textProcessor_)->setChecked(true);
    wordProcessor_->setCurrentIndex(settings_.wordProcessor == WordProcessor::WordPerfect ? 1 : 0);
    emailSystem_->setCurrentIndex(settings_.emailSystem == EmailSystem::DefaultClient ? 1 : 0);
    const auto update = [this] {
      wordProcessor_->setEnabled(textProcessor_->isChecked());
      emailSystem_->setEnabled(email_->isChecked());
    };
    const auto warn = [this] {
      if (email_->isChecked() && emailSystem_->currentIndex() == 1) InformationBox(this, kDefaultClientWarning);
    };
    connect(email_, &QRadioButton::toggled, this, update);
    connect(email_, &QRadioButton::clicked, this, warn);
    connect(emailSystem_, &QComboBox::activated, this, warn);
    update();
    return page;
  }

  // Page 5: the Internet mail options.
  QWidget* InternetPage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    smtpServer_ = Edit("smtpServer", kTextLimit);
    smtpAuth_ = new QCheckBox("SMTP server with authentication ");
    smtpAuth_->setObjectName("smtpAuth");
    pop3Host_ = Edit("pop3Host", kTextLimit);
    userName_ = Edit("userName", kTextLimit);
    password_ = Edit("password", kTextLimit);
    password_->setEchoMode(QLineEdit::Password);
    grid->addWidget(new QLabel("Outgoing mail (SMTP) server:"), 0, 0);
    grid->addWidget(smtpServer_, 0, 1);
    grid->addWidget(smtpAuth_, 1, 0, 1, 2);
    grid->addWidget(new QLabel("Pop3 Host:"), 2, 0);
    grid->addWidget(pop3Host_, 2, 1);
    grid->addWidget(new QLabel("User name:"), 3, 0);
    grid->addWidget(userName_, 3, 1);
    grid->addWidget(new QLabel("User password:"), 4, 0);
    grid->addWidget(password_, 4, 1);
    // Without encryption the password would cross the network readable by
    // anyone on the way: only to this machine, or when the user says so.
    passwordInClear_ = new QCheckBox("Send the password without encryption");
    passwordInClear_->setObjectName("passwordInClear");
    passwordInClear_->setToolTip(
        "The password is sent only over an encrypted connection (STARTTLS), unless the server is this computer. "
        "Tick this for a server that offers no encryption: anyone on the network could then read the password.");
    grid->addWidget(passwordInClear_, 5, 0, 1, 2);
    // Where the password goes: the desktop's keyring, or the settings file.
    keyring_ = Text("");
    keyring_->setObjectName("passwordKept");
    keyring_->setWordWrap(true);
    grid->addWidget(keyring_, 6, 0, 1, 2);
    grid->setRowStretch(7, 1);
    smtpServer_->setText(Q(settings_.smtpServer));
    smtpAuth_->setChecked(settings_.smtpAuth == SmtpAuthentication::On);
    pop3Host_->setText(Q(settings_.pop3Host));
    userName_->setText(Q(settings_.userName));
    password_->setText(Q(settings_.password));
    passwordInClear_->setChecked(settings_.sendPasswordInClear);
    const auto update = [this] {
      for (QLineEdit* edit : {pop3Host_, userName_, password_}) edit->setEnabled(smtpAuth_->isChecked());
      passwordInClear_->setEnabled(smtpAuth_->isChecked());
      keyring_->setVisible(smtpAuth_->isChecked());
    };
    connect(smtpAuth_, &QCheckBox::toggled, this, update);
    update();
    return page;
  }

  // Page 6: the letter template.
  QWidget* LetterPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Text("What template would you like to use ?"));
    letterTemplate_ = Edit("letterTemplate", kPathLimit);
    auto* browse = Button("browse", "Browse");
    auto* row = new QHBoxLayout;
    row->addWidget(letterTemplate_, 1);
    row->addWidget(browse);
    layout->addLayout(row);
    auto* actions = new QHBoxLayout;
    auto* create = Button("createTemplate", "Create new template");
    auto* edit = Button("editTemplate", "Edit template");
    actions->addWidget(create);
    actions->addWidget(edit);
    actions->addStretch();
    layout->addLayout(actions);
    layout->addStretch();
    connect(browse, &QPushButton::clicked, this, [this] {
      if (std::optional<std::string> chosen = ChooseLetterTemplate(FileDialogMode::Open)) letterTemplate_->setText(Q(*chosen));
    });
    connect(create, &QPushButton::clicked, this, [this] { CreateTemplate(); });
    connect(edit, &QPushButton::clicked, this, [this] { EditTemplate(); });
    return page;
  }

  // Page 7: the e-mail message.
  QWidget* MessagePage() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    sendTo_ = Choice("sendTo");
    sendTo_->addItems({"Work E-mail", "Home E-mail"});
    subject_ = Edit("subject", kTextLimit);
    message_ = new QPlainTextEdit;
    message_->setObjectName("message");
    message_->setTabChangesFocus(true);
    LimitText(message_, kMessageLimit);
    templateName_ = new QLineEdit;
    templateName_->setObjectName("template");
    templateName_->setReadOnly(true);
    insertField_ = Choice("insertField");
    for (std::string_view entry : InsertFieldEntries()) insertField_->addItem(Q(entry));
    attachments_ = new QListWidget;
    attachments_->setObjectName("attachments");
    auto* attach = Button("attach", "Attach");
    remove_ = Button("remove", "Remove");
    mime_ = Radio("mime", "MIME");
    uuen_ = Radio("uuen", "UUEN");
    auto* open = Button("openTemplate", "Open Template");
    auto* saveAs = Button("saveAsTemplate", "Save As Template");

    grid->addWidget(new QLabel("Send To:"), 0, 0);
    grid->addWidget(sendTo_, 0, 1);
    grid->addWidget(new QLabel("Subject:"), 1, 0);
    grid->addWidget(subject_, 1, 1, 1, 3);
    grid->addWidget(new QLabel("Message:"), 2, 0, Qt::AlignTop);
    grid->addWidget(message_, 2, 1, 1, 3);
    grid->addWidget(new QLabel("Template"), 3, 0);
    grid->addWidget(templateName_, 3, 1);
    grid->addWidget(new QLabel("Insert Field"), 3, 2);
    grid->addWidget(insertField_, 3, 3);
    grid->addWidget(new QLabel("Attachments:"), 4, 0, Qt::AlignTop);
    grid->addWidget(attachments_, 4, 1, 3, 1);
    grid->addWidget(attach, 4, 2);
    grid->addWidget(remove_, 5, 2);
    auto* encodings = new QHBoxLayout;
    encodings->addWidget(mime_);
    encodings->addWidget(uuen_);
    grid->addLayout(encodings, 4, 3);
    grid->addWidget(open, 5, 3);
    grid->addWidget(saveAs, 6, 3);
    auto* limit = new QLabel(mailmerge::kAttachmentLimitText);
    limit->setObjectName("attachmentLimit");
    grid->addWidget(limit, 7, 1, 1, 3);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(1, 1);

    sendTo_->setCurrentIndex(settings_.emailAddress == EmailAddressUsed::Home ? 1 : 0);
    subject_->setText(Q(settings_.subject));
    for (const std::string& path : settings_.attachments) attachments_->addItem(Q(path));
    (settings_.encoding == AttachmentEncoding::Uuencode ? uuen_ : mime_)->setChecked(true);
    connect(message_, &QPlainTextEdit::textChanged, this, [this] {
      if (!loadingMessage_) messageChanged_ = true;
    });
    connect(insertField_, &QComboBox::activated, this, [this](int index) { InsertField(index); });
    connect(attach, &QPushButton::clicked, this, [this] { Attach(); });
    connect(remove_, &QPushButton::clicked, this, [this] { delete attachments_->takeItem(attachments_->currentRow()); });
    connect(attachments_, &QListWidget::currentRowChanged, this,
            [this](int row) { remove_->setEnabled(row >= 0); });
    remove_->setEnabled(false);
    connect(open, &QPushButton::clicked, this, [this] { OpenTemplate(); });
    connect(saveAs, &QPushButton::clicked, this, [this] { SaveAsTemplate(); });
    return page;
  }

  // Page 8: the summary and the recipients.
  QWidget* SummaryPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(Text("This tab is summary for mail merge. By clicking on items in the list box you can enable "
                           "or disable item for sending."));
    auto* group = new QGroupBox("Mail merge system");
    auto* groupLayout = new QVBoxLayout(group);
    system_ = new QLabel;
    system_->setObjectName("system");
    systemFile_ = new QLabel;
    systemFile_->setObjectName("systemFile");
    groupLayout->addWidget(system_);
    groupLayout->addWidget(systemFile_);
    layout->addWidget(group);
    recipients_ = new QListWidget;
    recipients_->setObjectName("recipients");
    recipients_->setIconSize(BitmapImage("mm_true.bmp").size());
    empty_ = Text(kNoRecipientsText);
    empty_->setObjectName("noRecipients");
    layout->addWidget(recipients_, 1);
    layout->addWidget(empty_, 1);
    auto* row = new QHBoxLayout;
    selectAll_ = Button("selectAll", "Select All");
    deselectAll_ = Button("deselectAll", "Deselect All");
    row->addWidget(selectAll_);
    row->addWidget(deselectAll_);
    row->addStretch();
    layout->addLayout(row);
    status_ = new QLabel;
    status_->setObjectName("status");
    layout->addWidget(status_);
    connect(recipients_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
      const int row = recipients_->row(item);
      if (row >= 0 && size_t(row) < entries_.size() && ToggleRecipient(entries_[size_t(row)])) ShowRecipients();
    });
    connect(selectAll_, &QPushButton::clicked, this, [this] {
      SelectAllRecipients(entries_);
      ShowRecipients();
    });
    connect(deselectAll_, &QPushButton::clicked, this, [this] {
      DeselectAllRecipients(entries_);
      ShowRecipients();
    });
    return page;
  }

  static void SelectText(QComboBox* box, const std::string& text) {
    const int at = box->findText(Q(text));
    box->setCurrentIndex(at >= 0 ? at : (box->count() > 0 ? 0 : -1));
  }

  // The page's choices into the settings.
  void Store(int page) {
    switch (page) {
      case kRecipientsPage:
        settings_.recipients = createLookup_->isChecked()    ? RecipientChoice::CreateLookup
                               : currentRecord_->isChecked() ? RecipientChoice::CurrentRecord
                               : allRecords_->isChecked()    ? RecipientChoice::AllRecords
                                                             : RecipientChoice::SelectedCategory;
        settings_.category = S(category_->currentText());
        break;
      case kLookupPage:
        settings_.lookupCategoryMode =
            lookupCategoryOn_->isChecked() ? LookupCategoryMode::SelectedCategory : LookupCategoryMode::AllCategories;
        settings_.lookupCategory = S(lookupCategory_->currentText());
        settings_.lookupFieldMode =
            selectedField_->isChecked() ? LookupFieldMode::SelectedField : LookupFieldMode::AllFields;
        settings_.lookupField = S(lookupField_->currentText());
        settings_.lookupText = S(searchText_->text());
        break;
      case kMyRecordPage:
        settings_.myName = S(myName_->text());
        settings_.myCompany = S(myCompany_->text());
        settings_.myEmail = S(myEmail_->text());
        settings_.myPhone = S(myPhone_->text());
        settings_.myAddress = S(myAddress_->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
        break;
      case kDestinationPage:
        settings_.destination = email_->isChecked() ? MergeDestination::Email : MergeDestination::TextProcessor;
        settings_.wordProcessor = wordProcessor_->currentIndex() == 1 ? WordProcessor::WordPerfect : WordProcessor::MsWord;
        settings_.emailSystem = emailSystem_->currentIndex() == 1 ? EmailSystem::DefaultClient : EmailSystem::InternetMail;
        break;
      case kInternetPage:
        settings_.smtpServer = S(smtpServer_->text());
        settings_.smtpAuth = smtpAuth_->isChecked() ? SmtpAuthentication::On : SmtpAuthentication::Off;
        settings_.pop3Host = S(pop3Host_->text());
        settings_.userName = S(userName_->text());
        settings_.password = S(password_->text());
        settings_.sendPasswordInClear = passwordInClear_->isChecked();
        break;
      case kLetterPage:
        settings_.letterTemplate = S(letterTemplate_->text());
        break;
      case kMessagePage:
        settings_.emailAddress = sendTo_->currentIndex() == 1 ? EmailAddressUsed::Home : EmailAddressUsed::Work;
        settings_.subject = S(subject_->text());
        settings_.encoding = uuen_->isChecked() ? AttachmentEncoding::Uuencode : AttachmentEncoding::Mime;
        settings_.attachments.clear();
        for (int i = 0; i < attachments_->count() && size_t(i) < kMaxAttachments; ++i) {
          settings_.attachments.push_back(S(attachments_->item(i)->text()));
        }
        settings_.emailTemplate = emailTemplate_;
        messageText_ = S(message_->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
        break;
      default:
        break;
    }
  }

  // The check of the page's "Next"; false keeps the page.
  bool Check(int page) {
    std::optional<std::string> problem;
    switch (page) {
      case kLookupPage: problem = CheckLookupPage(settings_); break;
      case kMyRecordPage: problem = CheckMyRecordPage(settings_); break;
      case kInternetPage: problem = CheckInternetMailPage(settings_); break;
      case kLetterPage:
        if (!TemplateFree(settings_.letterTemplate)) problem = kTemplateInUse;
        break;
      case kMessagePage: problem = CheckMessagePage(settings_, messageText_); break;
      default: break;
    }
    if (problem) InformationBox(this, *problem);
    return !problem;
  }

  int NextPage(int page) const {
    const bool email = settings_.destination == MergeDestination::Email;
    switch (page) {
      case kRecipientsPage:
        return settings_.recipients == RecipientChoice::CreateLookup ? kLookupPage : kMyRecordPage;
      case kLookupPage: return kMyRecordPage;
      case kMyRecordPage: return kDestinationPage;
      case kDestinationPage:
        if (!email) return kLetterPage;
        return settings_.emailSystem == EmailSystem::InternetMail ? kInternetPage : kMessagePage;
      case kInternetPage: return kMessagePage;
      case kLetterPage: return kSummaryPage;
      default: return kSummaryPage;
    }
  }

  void Next() {
    const int page = pages_->currentIndex();
    if (page == kMessagePage && messageChanged_ && !SaveChangedMessage()) return;
    Store(page);
    if (!Check(page)) return;
    visited_.push_back(page);
    Show(NextPage(page));
  }

  void Back() {
    if (visited_.empty()) return;
    const int page = pages_->currentIndex();
    Store(page);
    const int previous = visited_.back();
    visited_.pop_back();
    Show(previous);
  }

  void Show(int page) {
    Enter(page);
    pages_->setCurrentIndex(page);
    back_->setVisible(page != kRecipientsPage);
    next_->setVisible(page != kSummaryPage);
    finish_->setVisible(page == kSummaryPage);
    (page == kSummaryPage ? finish_ : next_)->setDefault(true);
    FocusFirstControl(pages_->currentWidget());
    if (page == kSummaryPage) {
      finish_->setEnabled(false);
      recipients_->clear();
      recipients_->show();
      empty_->hide();
      system_->clear();
      systemFile_->clear();
      status_->clear();
      // The list is built once the page shows, so the page appears at once.
      QTimer::singleShot(100, this, [this] { BuildRecipients(); });
    }
  }

  // The keyboard starts at the page's first control that takes it.
  static void FocusFirstControl(QWidget* page) {
    for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
      if (!page->isAncestorOf(w)) continue;
      if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(page)) {
        w->setFocus();
        return;
      }
    }
  }

  // What a page shows when it is entered.
  void Enter(int page) {
    if (page == kInternetPage) {
      const bool keyring = host_.secrets && host_.secrets->Available();
      keyring_->setText(keyring ? "The password is kept in the desktop's keyring (secret service)."
                                : "No keyring of the desktop answers: the password is stored as typed in "
                                  "\"MailMerge.inf\" in the program folder, a file only you can read.");
    } else if (page == kLetterPage) {
      ResultOf<std::string> path = LetterTemplatePath(settings_);
      if (path.ok()) letterTemplate_->setText(Q(path.value()));
    } else if (page == kMessagePage && !messageLoaded_) {
      messageLoaded_ = true;
      ResultOf<std::string> path = settings_.emailTemplate.empty() ? EnsureDefaultEmailTemplate()
                                                                   : EmailTemplatePath(settings_);
      if (!path.ok()) {
        InformationBox(this, path.Message());
        return;
      }
      emailTemplate_ = path.value();
      templateName_->setText(Q(FileName(emailTemplate_)));
      ResultOf<std::string> text = ReadEmailTemplate(emailTemplate_);
      if (!text.ok()) {
        InformationBox(this, kTemplateUnreadable);
        return;
      }
      ShowMessage(text.value());
    }
  }

  void ShowMessage(const std::string& text) {
    loadingMessage_ = true;
    QString shown = Q(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    message_->setPlainText(shown);
    loadingMessage_ = false;
    messageChanged_ = false;
  }

  std::string MessageText() const {
    return S(message_->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
  }

  // Asks whether to save a changed message into the current template; false
  // when the saving failed (the page stays).
  bool SaveChangedMessage() {
    if (!QuestionBox(this, kTemplateChanged)) {
      messageChanged_ = false;
      return true;
    }
    if (Result saved = SaveEmailTemplate(emailTemplate_, MessageText()); !saved.ok()) {
      InformationBox(this, saved.Message());
      return false;
    }
    messageChanged_ = false;
    return true;
  }

  void InsertField(int index) {
    const std::vector<std::string_view> entries = InsertFieldEntries();
    if (index < 0 || size_t(index) >= entries.size() || entries[size_t(index)] == kInsertFieldSeparator) {
      Beep();
      return;
    }
    message_->insertPlainText(Q("<<" + std::string(entries[size_t(index)]) + ">>"));
    messageChanged_ = true;
    message_->setFocus();
  }

  FileDialogRequest TemplateRequest(FileDialogMode mode, const char* filter, const char* extension) {
    FileDialogRequest request;
    request.mode = mode;
    request.filter = filter;
    request.defaultExtension = extension;
    ResultOf<std::string> folder = TemplateFolder();
    request.start = StartFolder::Given;
    if (folder.ok()) request.folder = folder.value();
    return request;
  }

  void Attach() {
    FileDialogRequest request;
    request.filter = "All Files (*.*)|*.*||";
    request.start = StartFolder::Current;
    std::optional<std::string> chosen = FileDialogs::Current().ChooseFile(this, request);
    if (!chosen) return;
    // Listed as the file it is: absolute, with its links resolved.
    const std::string path = ResolvedAttachmentPath(*chosen);
    if (!attachments_->findItems(Q(path), Qt::MatchExactly).isEmpty()) {
      Beep();
      return;
    }
    if (size_t(attachments_->count()) >= kMaxAttachments) {
      InformationBox(this, "A message takes at most 10 attachments.");
      return;
    }
    // Only a regular file within the limit: a FIFO, a device or a folder
    // would hang or break the job that reads it.
    if (Result usable = CheckAttachment(path); !usable.ok()) {
      InformationBox(this, usable.Message() + ".\r\n" + mailmerge::kAttachmentLimitText);
      return;
    }
    attachments_->addItem(Q(path));
  }

  void OpenTemplate() {
    if (messageChanged_ && !SaveChangedMessage()) return;
    std::optional<std::string> chosen = FileDialogs::Current().ChooseFile(
        this, TemplateRequest(FileDialogMode::Open, "E-mail Template (*.txt)|*.txt||", "txt"));
    if (!chosen) return;
    ResultOf<std::string> text = ReadEmailTemplate(*chosen);
    if (!text.ok()) {
      InformationBox(this, kTemplateUnreadable);
      return;
    }
    emailTemplate_ = *chosen;
    templateName_->setText(Q(FileName(emailTemplate_)));
    ShowMessage(text.value());
  }

  void SaveAsTemplate() {
    std::optional<std::string> chosen = FileDialogs::Current().ChooseFile(
        this, TemplateRequest(FileDialogMode::Save, "E-mail Template (*.txt)|*.txt||", "txt"));
    if (!chosen) return;
    if (Result saved = SaveEmailTemplate(*chosen, MessageText()); !saved.ok()) {
      InformationBox(this, saved.Message());
      return;
    }
    emailTemplate_ = *chosen;
    templateName_->setText(Q(FileName(emailTemplate_)));
    messageChanged_ = false;
  }

  // A letter template of the chosen word processor, in the template folder.
  std::optional<std::string> ChooseLetterTemplate(FileDialogMode mode) {
    const bool perfect = settings_.wordProcessor == WordProcessor::WordPerfect;
    return FileDialogs::Current().ChooseFile(
        this, TemplateRequest(mode,
                              perfect ? "Word Perfect Template (*.frm)|*.frm||" : "MS Word Template (*.dot)|*.dot||",
                              perfect ? "frm" : "dot"));
  }

  // The data file with its heading and one empty record, for a template
  // being made or edited; its path, or nothing when it cannot be written.
  std::optional<std::string> TemplateDataFile() {
    ResultOf<std::string> path = DataFilePath();
    // Its rows will come from the address book: no wider readable than it.
    if (!path.ok() || !CreateDataFile(path.value(), true, DataFileMode()).ok()) {
      InformationBox(this, DataFileInUseText());
      return std::nullopt;
    }
    return path.value();
  }

  void CreateTemplate() {
    if (!host_.createTemplate) {
      InformationBox(this, "No word processor is set up for creating templates.");
      return;
    }
    // The new template goes where the field says; a file already there is
    // only replaced when the user names it in the save dialog.
    std::string target = S(letterTemplate_->text());
    std::error_code ec;
    if (target.empty() || fs::exists(target, ec)) {
      std::optional<std::string> chosen = ChooseLetterTemplate(FileDialogMode::Save);
      if (!chosen) return;
      target = *chosen;
    }
    std::optional<std::string> data = TemplateDataFile();
    if (!data) return;
    // The host shows its own progress window while the word processor works.
    const bool made = host_.createTemplate(this, settings_.wordProcessor, *data, target);
    if (made) letterTemplate_->setText(Q(target));
  }

  void EditTemplate() {
    if (!host_.editTemplate) {
      InformationBox(this, "No word processor is set up for editing templates.");
      return;
    }
    std::optional<std::string> chosen = ChooseLetterTemplate(FileDialogMode::Open);
    if (!chosen) return;
    letterTemplate_->setText(Q(*chosen));
    std::optional<std::string> data = TemplateDataFile();
    if (!data) return;
    (void)host_.editTemplate(this, settings_.wordProcessor, *chosen, *data);
  }

  void BuildRecipients() {
    const bool email = settings_.destination == MergeDestination::Email;
    if (email) {
      system_->setText(Q(std::string("E-mail system: ") + kEmailSystems[settings_.emailSystem == EmailSystem::DefaultClient]));
      systemFile_->setText(Q(FileName(emailTemplate_)));
    } else {
      system_->setText(Q(std::string("Text Processor: ") +
                         kWordProcessors[settings_.wordProcessor == WordProcessor::WordPerfect]));
      systemFile_->setText(Q(FileName(settings_.letterTemplate)));
    }
    ResultOf<std::vector<RecipientEntry>> built = BuildRecipientList(store_, settings_, currentKey_);
    if (!built.ok()) {
      InformationBox(this, built.Message());
      entries_.clear();
    } else {
      entries_ = std::move(built.value());
    }
    ShowRecipients();
  }

  void ShowRecipients() {
    const bool none = entries_.empty();
    recipients_->setVisible(!none);
    empty_->setVisible(none);
    const int current = recipients_->currentRow();
    recipients_->clear();
    for (const RecipientEntry& entry : entries_) {
      std::string line = RecipientName(entry.contact);
      const std::string words = RecipientAddressWords(entry, settings_);
      if (!words.empty()) line += "    " + words;
      auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(BitmapImage(entry.enabled ? "mm_true.bmp"
                                                                                         : "mm_false.bmp"))),
                                       Q(line));
      item->setData(Qt::UserRole, entry.enabled);
      recipients_->addItem(item);
    }
    if (current >= 0 && current < recipients_->count()) recipients_->setCurrentRow(current);
    selectAll_->setEnabled(!none && CanSelectAll(entries_));
    deselectAll_->setEnabled(!none && CanDeselectAll(entries_));
    status_->setText(none ? QString() : Q(SummaryStatusLine(CountRecipients(entries_), settings_)));
    finish_->setEnabled(!none && CanFinish(entries_));
  }

  // The data file carries the address book's contacts: a new one is no
  // wider readable than the book.
  OutputMode DataFileMode() const { return OutputMode::NoWiderThanFile(FileSystem::Default(), store_.path()); }

  void Finish() {
    const bool email = settings_.destination == MergeDestination::Email;
    if (!email) {
      ResultOf<std::string> path = DataFilePath();
      if (!path.ok() || !CreateDataFile(path.value(), false, DataFileMode()).ok()) {
        InformationBox(this, DataFileInUseText());
        return;
      }
    } else if (settings_.emailSystem == EmailSystem::InternetMail && host_.connectionProblem) {
      if (std::optional<std::string> problem = host_.connectionProblem()) {
        InformationBox(this, *problem);
        return;
      }
    }
    JobMailKind kind = JobMailKind::Text;
    if (email) kind = settings_.emailSystem == EmailSystem::InternetMail ? JobMailKind::Internet : JobMailKind::Mapi;
    SendJob job = MakeSendJob(entries_, settings_, email ? messageText_ : std::string());
    if (Result written = WriteMailMergeSettings(MailMergeSettingsPath(), settings_, host_.secrets); !written.ok()) {
      // The job goes on; only the choices are not remembered.
      InformationBox(this, "The mail merge choices could not be kept for the next time:\r\n" + written.Message());
    }
    if (settings_.sendPasswordInClear == ReadPasswordInClearChoice()) {
      // Nothing changed; "Cardora.ini" stays as it is.
    } else if (Result kept = WritePasswordInClearChoice(settings_.sendPasswordInClear); !kept.ok()) {
      InformationBox(this, "The choice about the password could not be kept for the next time:\r\n" + kept.Message());
    }
    if (host_.startJob) host_.startJob(std::move(job), kind);
    accept();
  }

  RecordStore& store_;
  std::optional<uint64_t> currentKey_;
  const MailMergeWizardHost& host_;
  MailMergeSettings settings_;
  std::vector<std::string> categories_;
  std::vector<int> visited_;
  std::vector<RecipientEntry> entries_;
  std::string emailTemplate_;
  std::string messageText_;
  bool messageLoaded_ = false;
  bool messageChanged_ = false;
  bool loadingMessage_ = false;

  QStackedWidget* pages_;
  QPushButton *back_, *next_, *finish_;
  QRadioButton *createLookup_, *currentRecord_, *allRecords_, *selectedCategory_;
  QComboBox* category_;
  QRadioButton *allCategory_, *lookupCategoryOn_, *allFields_, *selectedField_;
  QComboBox *lookupCategory_, *lookupField_;
  QLineEdit* searchText_;
  QLineEdit *myName_, *myCompany_, *myEmail_, *myPhone_;
  QPlainTextEdit* myAddress_;
  QRadioButton *textProcessor_, *email_;
  QComboBox *wordProcessor_, *emailSystem_;
  QLineEdit *smtpServer_, *pop3Host_, *userName_, *password_;
  QCheckBox* smtpAuth_;
  QCheckBox* passwordInClear_;
  QLabel* keyring_;
  QLineEdit* letterTemplate_;
  QComboBox *sendTo_, *insertField_;
  QLineEdit *subject_, *templateName_;
  QPlainTextEdit* message_;
  QListWidget* attachments_;
  QPushButton* remove_;
  QRadioButton *mime_, *uuen_;
  QLabel *system_, *systemFile_, *empty_, *status_;
  QListWidget* recipients_;
  QPushButton *selectAll_, *deselectAll_;
  EnteredValues entered_;
};

}  // namespace

bool MailMergeWizard(RecordStore& store, std::optional<uint64_t> currentKey, QWidget* owner,
                     const MailMergeWizardHost& host) {
  if (host.jobRunning && host.jobRunning()) {
    InformationBox(owner, kMergeJobRunningText);
    return false;
  }
  MailMergeWizardDialog wizard(store, currentKey, host, owner);
  return wizard.exec() == QDialog::Accepted;
}

}  // namespace velmora
