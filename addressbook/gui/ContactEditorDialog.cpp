#include "addressbook/gui/ContactEditorDialog.h"

#include "addressbook/gui/PictureWindow.h"
#include "toolkit/TesselClassPictureWnd.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStyledItemDelegate>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/DatePickerDialog.h"
#include "shell/DesktopIntegration.h"
#include "shell/FileDialogs.h"
#include "shell/MessageBoxes.h"
#include "store/Categories.h"
#include "store/RecordStore.h"
#include "toolkit/Bitmaps.h"
#include "toolkit/Fonts.h"
#include "toolkit/TesselDialog.h"
#include "toolkit/Utf8Limit.h"

namespace velmora {

namespace {

constexpr const char* kSectionTitles[kEditorSectionCount] = {"Name",     "Home",   "Business",     "Custom",
                                                             "Personal", "Attach", "Notes / Other"};
constexpr int kSectionFocus[kEditorSectionCount] = {106, 210, 314, 405, 508, 702, 600};
constexpr int kMostCategoriesOffered = 30;
constexpr int kActionTextLimit = 1024;
constexpr int kChildNameLimit = 254;

ContactEditorActions& Actions() {
  static ContactEditorActions actions;
  return actions;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }
QString Q(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }
std::string S(const QString& text) { return text.toStdString(); }

QString Id(int control) { return QString::number(control); }

// Several-line boxes show "\n" where the record keeps "\r\n".
QString ShownLines(const std::string& stored) {
  QString text = Q(stored);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}
std::string StoredLines(const QString& shown) {
  QString text = shown;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return S(text);
}

QLabel* Label(const char* text, int control, QWidget* parent, QWidget* buddy = nullptr) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->setObjectName(Id(control));
  if (buddy) label->setBuddy(buddy);
  return label;
}

// A grid of label and field rows; fields with the action button keep room
// for it at their right.
class Rows {
 public:
  explicit Rows(QWidget* page) : grid_(new QGridLayout(page)) {
    grid_->setColumnStretch(1, 1);
    grid_->setColumnMinimumWidth(2, 24);
    grid_->setHorizontalSpacing(6);
    grid_->setVerticalSpacing(4);
  }
  void Add(QLabel* label, QWidget* field) {
    if (label) {
      grid_->addWidget(label, row_, 0, field && field->inherits("QPlainTextEdit") ? Qt::AlignTop : Qt::AlignVCenter);
      label->setBuddy(field);
    }
    grid_->addWidget(field, row_, 1);
    ++row_;
  }
  void Stretch() { grid_->setRowStretch(row_, 1); }
  void Skip() { ++row_; }
  QGridLayout* grid() { return grid_; }

 private:
  QGridLayout* grid_;
  int row_ = 0;
};

QComboBox* ChoiceList(int control, QWidget* parent, const auto& entries, bool editable) {
  auto* box = new QComboBox(parent);
  box->setObjectName(Id(control));
  box->setEditable(editable);
  for (std::string_view entry : entries) box->addItem(Q(entry));
  return box;
}

// The section list's look: each title on the field button bitmap, the
// current one in bold with a focus frame.
class SectionDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    painter->save();
    const QRect rect = option.rect.adjusted(1, 1, -1, -1);
    const QImage& face = BitmapImage("field_button.bmp");
    if (face.isNull()) {
      painter->fillRect(rect, option.palette.button());
    } else {
      DrawStretched(*painter, rect, face);
    }
    const bool current = option.state & QStyle::State_Selected;
    painter->setFont(current ? BoldFont() : NormalFont());
    painter->setPen(option.palette.color(QPalette::ButtonText));
    painter->drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, index.data().toString());
    if (current) {
      painter->setPen(QPen(option.palette.color(QPalette::Highlight), 2));
      painter->drawRect(rect.adjusted(1, 1, -1, -1));
    }
    painter->restore();
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    return QSize(std::max(size.width() + 16, 110), 26);
  }
};

}  // namespace

const char* EditorSectionTitle(int section) {
  return section >= 0 && section < kEditorSectionCount ? kSectionTitles[section] : "";
}

int EditorSectionFocus(int section) {
  return section >= 0 && section < kEditorSectionCount ? kSectionFocus[section] : 0;
}

ContactEditorActions SetContactEditorActions(ContactEditorActions actions) {
  std::swap(Actions(), actions);
  return actions;
}

ContactEditorSetup EditorSetupFor(RecordStore& store) {
  ContactEditorSetup setup;
  setup.accessLevel = store.GetAccessLevel();
  Bytes block;
  if (store.ReadCategories(block).ok()) setup.categories = CategoryNames(block);
  setup.today = Today();
  return setup;
}

int RunContactEditor(QWidget* owner, RecordStore& store, Bytes& record, ContactEditorDialog::Mode mode) {
  ContactEditorDialog editor(mode, Contact(record), EditorSetupFor(store), owner);
  if (editor.exec() != QDialog::Accepted) return 0;
  record = editor.contact().bytes();
  return 1;
}

bool OpenWithDesktop(const std::string& pathOrAddress) {
  return Actions().open ? Actions().open(pathOrAddress) : OpenDocument(pathOrAddress);
}

// ---------------------------------------------------------------------------
// The child dialog.

std::optional<std::string> AskChildName(QWidget* owner, const std::string& name) {
  QDialog dialog(owner);
  dialog.setObjectName(QStringLiteral("3034"));
  dialog.setWindowTitle(QStringLiteral("Chield"));
  auto* layout = new QVBoxLayout(&dialog);
  auto* edit = new QLineEdit(&dialog);
  edit->setObjectName(QStringLiteral("name"));
  LimitUtf8Bytes(edit, kChildNameLimit);
  edit->setMinimumWidth(240);
  layout->addWidget(Label("Chield name:", 100, &dialog, edit));
  layout->addWidget(edit);
  auto* buttons = new QHBoxLayout();
  auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
  ok->setObjectName(QStringLiteral("1"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), &dialog);
  cancel->setObjectName(QStringLiteral("2"));
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  QObject::connect(edit, &QLineEdit::textChanged, ok, [ok](const QString& text) { ok->setEnabled(!text.isEmpty()); });
  QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
  edit->setText(Q(name));
  ok->setEnabled(!name.empty());
  dialog.adjustSize();
  TesselDialog::CentreOver(&dialog, owner);
  if (dialog.exec() != QDialog::Accepted || edit->text().isEmpty()) return std::nullopt;
  return S(edit->text());
}

// ---------------------------------------------------------------------------
// The editor.

ContactEditorDialog::ContactEditorDialog(Mode mode, const Contact& contact, const ContactEditorSetup& setup,
                                         QWidget* owner, const std::optional<ContactEditorValues>& values)
    : QDialog(owner), mode_(mode), contact_(contact), accessLevel_(setup.accessLevel) {
  setObjectName(QStringLiteral("contactEditor"));
  setWindowTitle(mode == Mode::New ? QStringLiteral("New Contact") : QStringLiteral("Contact"));

  auto* outer = new QVBoxLayout(this);
  auto* top = new QHBoxLayout();
  sections_ = new QListWidget(this);
  sections_->setObjectName(QStringLiteral("10"));
  sections_->setItemDelegate(new SectionDelegate(sections_));
  sections_->setSpacing(1);
  for (const char* title : kSectionTitles) sections_->addItem(QString::fromLatin1(title));
  sections_->setFixedWidth(sections_->sizeHintForColumn(0) + 8);
  top->addWidget(sections_);

  frame_ = new QGroupBox(this);
  frame_->setObjectName(QStringLiteral("3000"));
  auto* frameLayout = new QVBoxLayout(frame_);
  pages_ = new QStackedWidget(frame_);
  frameLayout->addWidget(pages_);
  top->addWidget(frame_, 1);
  outer->addLayout(top, 1);

  using Builder = void (ContactEditorDialog::*)(QWidget*);
  const Builder builders[kEditorSectionCount] = {
      &ContactEditorDialog::BuildName,     &ContactEditorDialog::BuildHome,   &ContactEditorDialog::BuildBusiness,
      &ContactEditorDialog::BuildCustom,   &ContactEditorDialog::BuildPersonal, &ContactEditorDialog::BuildAttach,
      &ContactEditorDialog::BuildNotes};
  for (int i = 0; i < kEditorSectionCount; ++i) {
    auto* page = new QWidget(pages_);
    page->setObjectName(QStringLiteral("section%1").arg(i));
    (this->*builders[i])(page);
    pages_->addWidget(page);
  }

  // The action button floats over the page beside its field.
  action_ = new QToolButton(this);
  action_->setObjectName(Id(800));
  action_->setText(QStringLiteral("..."));
  action_->setToolTip(QStringLiteral("Dial, write or open"));
  action_->setFocusPolicy(Qt::TabFocus);
  action_->setFixedSize(22, 22);
  action_->hide();
  action_->installEventFilter(this);
  connect(action_, &QToolButton::clicked, this, &ContactEditorDialog::RunAction);

  auto* bottom = new QHBoxLayout();
  categories_ = new QComboBox(this);
  categories_->setObjectName(Id(2000));
  categories_->setEditable(true);
  LimitUtf8Bytes(categories_, kEditorCategoryLimit);
  categories_->setMinimumWidth(160);
  categories_->setInsertPolicy(QComboBox::NoInsert);
  const int offered = std::min<int>(int(setup.categories.size()), kMostCategoriesOffered);
  for (int i = 0; i < offered; ++i) categories_->addItem(Q(setup.categories[size_t(i)]));
  bottom->addWidget(Label("Categories", 2002, this, categories_));
  bottom->addWidget(categories_);
  confidential_ = new QCheckBox(QStringLiteral("Confidential"), this);
  confidential_->setObjectName(Id(2001));
  confidential_->setEnabled(accessLevel_ == kAccessOwner);
  bottom->addWidget(confidential_);
  bottom->addStretch();
  ok_ = new QPushButton(QStringLiteral("OK"), this);
  ok_->setObjectName(QStringLiteral("1"));
  ok_->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("2"));
  bottom->addWidget(ok_);
  bottom->addWidget(cancel);
  outer->addLayout(bottom);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  Load(values ? *values : LoadEditorValues(contact_, setup.today));
  ok_->setEnabled(mode_ == Mode::Edit || EditorMayConfirm(this->values()));
  for (int control : {106, 108, 109}) {
    connect(static_cast<QLineEdit*>(texts_.at(control)), &QLineEdit::textChanged, this,
            &ContactEditorDialog::UpdateOk);
  }
  connect(sections_, &QListWidget::currentRowChanged, this, &ContactEditorDialog::ShowSection);
  // Ctrl+PgDown and Ctrl+PgUp step through the sections from anywhere.
  auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown), this);
  connect(next, &QShortcut::activated, this, [this] { ShowSection((section_ + 1) % kEditorSectionCount); });
  auto* previous = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp), this);
  connect(previous, &QShortcut::activated, this,
          [this] { ShowSection((section_ + kEditorSectionCount - 1) % kEditorSectionCount); });
  ShowSection(0);
  editChild_->setEnabled(false);
  removeChild_->setEnabled(false);
  adjustSize();
  TesselDialog::CentreOver(this, owner);
}

QWidget* ContactEditorDialog::TextControl(int control, QWidget* parent, bool lines) {
  const EditorTextControl* text = FindEditorTextControl(control);
  const int limit = text ? text->limit - 1 : 0;  // the field's width less its terminator
  QWidget* widget = nullptr;
  if (control == 110 || control == 111 || control == 314) {
    QComboBox* box = control == 110   ? ChoiceList(control, parent, contact::kTitles, true)
                     : control == 111 ? ChoiceList(control, parent, contact::kSuffixes, true)
                                      : ChoiceList(control, parent, contact::kJobTitles, true);
    box->setInsertPolicy(QComboBox::NoInsert);
    LimitUtf8Bytes(box, limit);
    box->setCurrentIndex(-1);
    widget = box;
  } else if (lines) {
    auto* edit = new QPlainTextEdit(parent);
    edit->setTabChangesFocus(true);
    edit->setObjectName(Id(control));
    // Keep the stored form (UTF-8, line breaks as two bytes) within the
    // field: what was just typed or pasted is cut, so what shows is what
    // is saved.
    connect(edit, &QPlainTextEdit::textChanged, edit, [edit, limit] {
      const QString shown = edit->toPlainText();
      const int breaks = int(shown.count(QLatin1Char('\n')));
      if (Utf8Bytes(shown) + breaks <= limit) return;
      int cursor = edit->textCursor().position();
      const QString fitted = FitUtf8Bytes(shown, cursor, limit - breaks);
      QSignalBlocker block(edit);
      edit->setPlainText(fitted);
      QTextCursor at = edit->textCursor();
      at.setPosition(std::min(cursor, int(fitted.size())));
      edit->setTextCursor(at);
    });
    widget = edit;
  } else {
    auto* edit = new QLineEdit(parent);
    LimitUtf8Bytes(edit, limit);
    widget = edit;
  }
  widget->setObjectName(Id(control));
  if (HasActionButton(control)) widget->installEventFilter(this);
  texts_[control] = widget;
  return widget;
}

std::string ContactEditorDialog::TextOf(int control) const {
  QWidget* widget = texts_.at(control);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return S(edit->text());
  if (auto* box = qobject_cast<QComboBox*>(widget)) return S(box->currentText());
  if (auto* lines = qobject_cast<QPlainTextEdit*>(widget)) return StoredLines(lines->toPlainText());
  return {};
}

void ContactEditorDialog::SetTextOf(int control, const std::string& text) {
  QWidget* widget = texts_.at(control);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->setText(Q(text));
  if (auto* box = qobject_cast<QComboBox*>(widget)) box->setEditText(Q(text));
  if (auto* lines = qobject_cast<QPlainTextEdit*>(widget)) lines->setPlainText(ShownLines(text));
}

void ContactEditorDialog::BuildName(QWidget* page) {
  Rows rows(page);
  const struct {
    const char* label;
    int labelId, control;
  } names[] = {{"&First name:", 100, 106}, {"&Middle name:", 101, 107}, {"&Last name:", 102, 108},
               {"Nic&k name:", 103, 109},  {"&Title:", 104, 110},       {"&Suffix:", 105, 111}};
  for (const auto& name : names) rows.Add(Label(name.label, name.labelId, page), TextControl(name.control, page));
  rows.grid()->addWidget(Label("Picture:", 112, page), 0, 3, Qt::AlignTop);
  // The picture box stands in the place of control 113. Its buttons change
  // the picture the editor saves; a stored picture that cannot be shown
  // (a missing file) is kept unless the person replaces or removes it.
  picture_ = new TesselClassPictureWnd(true, page);
  picture_->setObjectName(Id(113));
  (void)picture_->Create(page);
  picture_->setFixedSize(112, 132);
  const std::string stored = contact_.Picture();
  if (!stored.empty()) (void)picture_->Load(QString::fromStdString(stored));
  ConnectPictureBoxButtons(*picture_, [this](const std::string& path) { contact_.SetPicture(path); });
  rows.grid()->addWidget(picture_, 1, 3, 5, 1, Qt::AlignTop);
  rows.Stretch();
}

void ContactEditorDialog::BuildHome(QWidget* page) {
  Rows rows(page);
  const struct {
    const char* label;
    int control;
  } fields[] = {{"S&treet:", 210}, {"&City:", 211},  {"State/&Province:", 212}, {"&Zip/Postal code:", 213},
                {"C&ountry:", 214}, {"&Phone:", 215}, {"&Fax:", 216},             {"&E-mail:", 217},
                {"&Mobile:", 218},  {"&Web page:", 219}};
  int labelId = 200;
  for (const auto& field : fields) {
    QWidget* control = TextControl(field.control, page, field.control == 210);
    if (field.control == 210) control->setFixedHeight(44);
    rows.Add(Label(field.label, labelId++, page), control);
  }
  rows.Stretch();
}

void ContactEditorDialog::BuildBusiness(QWidget* page) {
  Rows rows(page);
  const struct {
    const char* label;
    int control;
  } fields[] = {{"&Job title:", 314}, {"&Department:", 315}, {"Co&mpany:", 316},        {"&Office:", 317},
                {"S&treet:", 318},    {"&City:", 319},       {"State/&Province:", 320}, {"&Zip/Postal code:", 321},
                {"Co&untry:", 322},   {"P&hone:", 323},      {"&Fax:", 324},            {"&E-mail:", 325},
                {"Mo&bile:", 326},    {"&Web page:", 327}};
  int labelId = 300;
  for (const auto& field : fields) {
    QWidget* control = TextControl(field.control, page, field.control == 318);
    if (field.control == 318) control->setFixedHeight(44);
    rows.Add(Label(field.label, labelId++, page), control);
  }
  rows.Stretch();
}

void ContactEditorDialog::BuildCustom(QWidget* page) {
  Rows rows(page);
  rows.grid()->setColumnStretch(0, 0);
  for (int i = 0; i < 5; ++i) {
    otherTypes_[i] = ChoiceList(400 + i, page, contact::kOtherPhoneTypes, false);
    // An empty first entry takes a chosen type back to none.
    otherTypes_[i]->insertItem(0, QString());
    otherTypes_[i]->setCurrentIndex(0);
    otherTypes_[i]->setMinimumWidth(110);
    rows.Add(nullptr, TextControl(405 + i, page));
    rows.grid()->addWidget(otherTypes_[i], i, 0);
  }
  rows.Stretch();
}

void ContactEditorDialog::BuildPersonal(QWidget* page) {
  Rows rows(page);
  rows.Add(Label("&Spouse:", 500, page), TextControl(508, page));

  auto* childrenRow = new QHBoxLayout();
  children_ = new QListWidget(page);
  children_->setObjectName(Id(509));
  children_->setFixedHeight(92);
  childrenRow->addWidget(children_, 1);
  auto* childButtons = new QVBoxLayout();
  auto* add = new QPushButton(QStringLiteral("Add"), page);
  add->setObjectName(Id(502));
  editChild_ = new QPushButton(QStringLiteral("Edit"), page);
  editChild_->setObjectName(Id(503));
  removeChild_ = new QPushButton(QStringLiteral("Remove"), page);
  removeChild_->setObjectName(Id(504));
  for (QPushButton* button : {add, editChild_, removeChild_}) childButtons->addWidget(button);
  childButtons->addStretch();
  childrenRow->addLayout(childButtons);
  auto* childrenLabel = Label("C&hildren:", 501, page, children_);
  rows.grid()->addWidget(childrenLabel, 1, 0, Qt::AlignTop);
  rows.grid()->addLayout(childrenRow, 1, 1);
  rows.Skip();
  connect(add, &QPushButton::clicked, this, &ContactEditorDialog::AddChild);
  connect(editChild_, &QPushButton::clicked, this, &ContactEditorDialog::EditChild);
  connect(removeChild_, &QPushButton::clicked, this, &ContactEditorDialog::RemoveChild);
  connect(children_, &QListWidget::itemSelectionChanged, this, &ContactEditorDialog::UpdateChildButtons);
  connect(children_, &QListWidget::itemDoubleClicked, this, &ContactEditorDialog::EditChild);

  gender_ = ChoiceList(510, page, contact::kGenders, false);
  gender_->setMaximumWidth(150);
  rows.Add(Label("&Gender:", 505, page), gender_);

  auto dateRow = [&](const char* label, int labelId, int buttonId, int enableId, QPushButton*& button,
                     QCheckBox*& enable) {
    auto* row = new QHBoxLayout();
    button = new QPushButton(page);
    button->setObjectName(Id(buttonId));
    button->setMinimumWidth(150);
    enable = new QCheckBox(QStringLiteral("Enable"), page);
    enable->setObjectName(Id(enableId));
    row->addWidget(button);
    row->addWidget(enable);
    row->addStretch();
    rows.grid()->addWidget(Label(label, labelId, page, button), 3 + (buttonId - 511), 0);
    rows.grid()->addLayout(row, 3 + (buttonId - 511), 1);
    connect(enable, &QCheckBox::toggled, button, &QPushButton::setEnabled);
    connect(button, &QPushButton::clicked, this, [this, buttonId] { PickDate(buttonId); });
  };
  dateRow("&Birthday:", 506, 511, 513, birthdayButton_, birthdayEnable_);
  dateRow("&Anniversary:", 507, 512, 514, anniversaryButton_, anniversaryEnable_);
  rows.grid()->setRowStretch(5, 1);
}

void ContactEditorDialog::BuildAttach(QWidget* page) {
  auto* layout = new QVBoxLayout(page);
  auto* kind = new QHBoxLayout();
  document_ = new QRadioButton(QStringLiteral("Document"), page);
  document_->setObjectName(Id(700));
  url_ = new QRadioButton(QStringLiteral("URL"), page);
  url_->setObjectName(Id(701));
  kind->addWidget(document_);
  kind->addWidget(url_);
  kind->addStretch();
  layout->addLayout(kind);
  auto* row = new QHBoxLayout();
  QWidget* path = TextControl(702, page);
  row->addWidget(path, 1);
  auto* browse = new QPushButton(QStringLiteral("&Browse"), page);
  browse->setObjectName(Id(703));
  auto* open = new QPushButton(QStringLiteral("&Open"), page);
  open->setObjectName(Id(704));
  row->addWidget(browse);
  row->addWidget(open);
  layout->addLayout(row);
  layout->addStretch();
  connect(browse, &QPushButton::clicked, this, &ContactEditorDialog::Browse);
  connect(open, &QPushButton::clicked, this, &ContactEditorDialog::OpenAttachment);
}

void ContactEditorDialog::BuildNotes(QWidget* page) {
  auto* layout = new QVBoxLayout(page);
  QWidget* notes = TextControl(600, page, true);
  layout->addWidget(Label("N&otes:", 601, page, notes));
  layout->addWidget(notes, 1);
  noMailMerge_ = new QCheckBox(QStringLiteral("Do not send Mail Merge message"), page);
  noMailMerge_->setObjectName(Id(603));
  layout->addWidget(noMailMerge_);
}

void ContactEditorDialog::Load(const ContactEditorValues& values) {
  for (const EditorTextControl& control : EditorTextControls()) SetTextOf(control.control, values.Text(control.control));
  for (int i = 0; i < 5; ++i) otherTypes_[i]->setCurrentIndex(values.otherPhoneTypes[size_t(i)] + 1);
  children_->clear();
  for (const std::string& child : values.children) children_->addItem(Q(child));
  gender_->setCurrentIndex(values.gender);
  birthdayEnable_->setChecked(values.birthday.enabled);
  birthdayButton_->setEnabled(values.birthday.enabled);
  ShowDate(511, values.birthday.date);
  anniversaryEnable_->setChecked(values.anniversary.enabled);
  anniversaryButton_->setEnabled(values.anniversary.enabled);
  ShowDate(512, values.anniversary.date);
  (values.attachmentIsUrl ? url_ : document_)->setChecked(true);
  noMailMerge_->setChecked(values.noMailMerge);
  confidential_->setChecked(values.confidential);

  // The entry equal to the category, else the first that begins with it
  // (letter case ignored); a category no entry begins is shown as it is,
  // so OK never changes it unasked.
  const QString category = Q(values.category);
  int found = -1;
  if (!category.isEmpty()) {
    found = categories_->findText(category, Qt::MatchFixedString);
    if (found < 0) {
      for (int i = 0; i < categories_->count() && found < 0; ++i) {
        if (categories_->itemText(i).startsWith(category, Qt::CaseInsensitive)) found = i;
      }
    }
  }
  categories_->setCurrentIndex(found);
  if (found < 0) categories_->setEditText(category);
}

int ContactEditorDialog::OtherPhoneType(int phone) const {
  // Entry 0 is the empty choice.
  return std::max(-1, otherTypes_[phone]->currentIndex() - 1);
}

ContactEditorValues ContactEditorDialog::values() const {
  ContactEditorValues values;
  for (const EditorTextControl& control : EditorTextControls()) values.texts.push_back(TextOf(control.control));
  for (int i = 0; i < 5; ++i) values.otherPhoneTypes[size_t(i)] = OtherPhoneType(i);
  for (int i = 0; i < children_->count() && i < kMaxChildren; ++i) values.children.push_back(S(children_->item(i)->text()));
  values.gender = std::max(0, gender_->currentIndex());
  values.birthday = {birthdayEnable_->isChecked(), birthday_};
  values.anniversary = {anniversaryEnable_->isChecked(), anniversary_};
  values.attachmentIsUrl = url_->isChecked();
  values.noMailMerge = noMailMerge_->isChecked();
  values.confidential = accessLevel_ == kAccessOwner ? confidential_->isChecked() : contact_.Confidential();
  values.category = S(categories_->currentText());
  return values;
}

Contact ContactEditorDialog::contact() const {
  Contact contact = contact_;
  StoreEditorValues(values(), contact);
  return contact;
}

void ContactEditorDialog::UpdateOk() { ok_->setEnabled(EditorMayConfirm(values())); }

void ContactEditorDialog::ShowSection(int section) {
  if (section < 0 || section >= kEditorSectionCount || section == section_) return;
  section_ = section;
  action_->hide();
  actionField_ = 0;
  pages_->setCurrentIndex(section);
  frame_->setTitle(QString::fromLatin1(kSectionTitles[section]));
  {
    QSignalBlocker block(sections_);
    sections_->setCurrentRow(section);
  }
  if (QWidget* focus = texts_.count(kSectionFocus[section]) ? texts_.at(kSectionFocus[section]) : nullptr) {
    focus->setFocus(Qt::OtherFocusReason);
  }
}

bool ContactEditorDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
    if (watched == action_) {
      const auto field = texts_.find(actionField_);
      const QWidget* fieldWidget = field != texts_.end() ? field->second : nullptr;
      if (event->type() == QEvent::FocusOut && QApplication::focusWidget() != fieldWidget) {
        action_->hide();
        actionField_ = 0;
      }
    } else if (auto* widget = qobject_cast<QWidget*>(watched)) {
      const int control = widget->objectName().toInt();
      if (event->type() == QEvent::FocusIn) {
        ShowActionButton(control);
      } else if (QApplication::focusWidget() != action_) {
        action_->hide();
        actionField_ = 0;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void ContactEditorDialog::ShowActionButton(int control) {
  QWidget* field = texts_.count(control) ? texts_.at(control) : nullptr;
  if (!field || !HasActionButton(control)) return;
  actionField_ = control;
  const QPoint topRight = field->mapTo(this, QPoint(field->width() + 2, 0));
  action_->move(topRight.x(), topRight.y() + (field->height() - action_->height()) / 2);
  action_->show();
  action_->raise();
}

void ContactEditorDialog::RunAction() {
  const int control = actionField_;
  if (!control) return;
  std::string text = TextOf(control);
  const QString cut = Q(text).left(kActionTextLimit);
  text = S(cut);
  const int type = control >= 405 && control <= 409 ? OtherPhoneType(control - 405) : -1;
  bool done = true;
  switch (EditorActionFor(control, text, type)) {
    case EditorAction::Beep: done = false; break;
    case EditorAction::Dial: {
      const std::string party = contact_.Text(contact::kFirstName) + " " + contact_.Text(contact::kLastName);
      done = Actions().dial ? Actions().dial(text, party) : DialNumber(text, {}, party) == 0;
      break;
    }
    case EditorAction::Mail: done = Actions().mail ? Actions().mail(text) : ComposeEmail(text); break;
    case EditorAction::Open: done = OpenWithDesktop(text); break;
  }
  if (!done) Beep();
}

void ContactEditorDialog::UpdateChildButtons() {
  const bool selected = !children_->selectedItems().isEmpty();
  editChild_->setEnabled(selected);
  removeChild_->setEnabled(selected);
}

void ContactEditorDialog::AddChild() {
  if (children_->count() >= kMaxChildren) {
    Beep();
    return;
  }
  std::optional<std::string> name = AskChildName(this, {});
  if (!name) return;
  children_->addItem(Q(*name));
  children_->setCurrentRow(children_->count() - 1);
  UpdateChildButtons();
}

void ContactEditorDialog::EditChild() {
  const int row = children_->currentRow();
  if (row < 0 || children_->selectedItems().isEmpty()) return;
  std::optional<std::string> name = AskChildName(this, S(children_->item(row)->text()));
  if (!name) return;
  children_->item(row)->setText(Q(*name));
  children_->setCurrentRow(row);
}

void ContactEditorDialog::RemoveChild() {
  const QList<QListWidgetItem*> selected = children_->selectedItems();
  if (selected.isEmpty()) return;
  delete children_->takeItem(children_->row(selected.constFirst()));
  UpdateChildButtons();
}

void ContactEditorDialog::ShowDate(int button, const DateValue& date) {
  (button == 511 ? birthday_ : anniversary_) = date;
  (button == 511 ? birthdayButton_ : anniversaryButton_)->setText(Q(FormatDate(date)));
}

void ContactEditorDialog::PickDate(int button) {
  QPushButton* widget = button == 511 ? birthdayButton_ : anniversaryButton_;
  const DateValue initial = button == 511 ? birthday_ : anniversary_;
  const QPoint at = widget->mapToGlobal(QPoint(0, widget->height()));
  std::optional<DateValue> chosen;
  if (Actions().pickDate) {
    chosen = Actions().pickDate(this, initial, at);
  } else {
    chosen = velmora::PickDate(this, initial, at);
  }
  if (chosen) ShowDate(button, *chosen);
}

void ContactEditorDialog::Browse() {
  FileDialogRequest request;
  request.mode = FileDialogMode::Open;
  request.filter = "(*.*)|*.*||";
  request.start = StartFolder::Current;
  std::optional<std::string> path = FileDialogs::Current().ChooseFile(this, request);
  if (path) SetTextOf(702, *path);
}

void ContactEditorDialog::OpenAttachment() {
  const std::string text = TextOf(702);
  if (text.empty()) {
    Beep();
    return;
  }
  if (!OpenWithDesktop(text)) Beep();
}

}  // namespace velmora
