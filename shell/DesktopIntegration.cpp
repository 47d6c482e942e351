#include "shell/DesktopIntegration.h"

#include <QApplication>
#include <QBuffer>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QIcon>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

#include "shell/MessageBoxes.h"
#include "store/Bytes.h"
#include "store/FileSystem.h"
#include "store/OutputFile.h"
#include "store/Settings.h"

namespace velmora {

namespace {

UrlOpener& Opener() {
  static UrlOpener opener;
  return opener;
}

bool OpenUrl(const QUrl& url) {
  if (Opener()) return Opener()(url);
  return QDesktopServices::openUrl(url);
}

QString FromView(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

QString DataHome() { return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation); }

// The desktop's name of the program: its entry "org.velmora.Cardora.desktop"
// and its icon, the same whether installed with the suite or registered by
// the program for its user.
QString ProgramId() { return QStringLiteral("org.velmora.") + QString::fromStdString(ProgramName()); }

// Whether an installation of the suite already gave the desktop this
// program's entry and the record files' types, in a data folder of the
// system rather than the user's own.
bool InstalledForTheSystem() {
  QStringList folders = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
  folders.removeAll(DataHome());
  for (const QString& folder : folders) {
    if (QFileInfo::exists(folder + QStringLiteral("/applications/") + ProgramId() + QStringLiteral(".desktop")) &&
        QFileInfo::exists(folder + QStringLiteral("/mime/packages/org.velmora.xml"))) {
      return true;
    }
  }
  return false;
}

QString XmlEscaped(const QString& text) { return text.toHtmlEscaped(); }

// One argument of a desktop entry's Exec line: quoted, with the characters
// the Exec syntax reserves escaped, then escaped again for the file's own
// string syntax; "%" is doubled so it is not a field code.
QString ExecArgument(const QString& argument) {
  QString quoted;
  for (QChar c : argument) {
    if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\')) {
      quoted += QLatin1Char('\\');
    }
    quoted += c;
  }
  quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
  quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// Writes text when the file does not already hold it; true when written.
bool WriteIfChanged(const QString& path, const QByteArray& text) {
  QFile existing(path);
  if (existing.open(QIODevice::ReadOnly) && existing.readAll() == text) return false;
  existing.close();
  QDir().mkpath(QFileInfo(path).absolutePath());
  // Through the suite's output routine: a link planted at the name is
  // replaced, not written through.
  const std::string_view contents(text.constData(), size_t(text.size()));
  return ReplaceFileAtomically(FileSystem::Default(), path.toStdString(), contents, OutputMode::Usual()).ok();
}

// Runs a desktop cache tool when it is installed, for a few seconds at most.
void RunTool(const char* name, const QString& folder) {
  const QString program = QStandardPaths::findExecutable(QString::fromLatin1(name));
  if (program.isEmpty()) return;
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(program, {folder});
  if (!process.waitForStarted(2000)) return;
  if (!process.waitForFinished(5000)) {
    process.kill();
    process.waitForFinished(1000);
  }
}

void SaveProgramIcon(const QString& dataHome, const QString& id) {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
  const QIcon icon = QGuiApplication::windowIcon();
  if (icon.isNull()) return;
  const QString folder = dataHome + QStringLiteral("/icons/hicolor/64x64/apps");
  QDir().mkpath(folder);
  QByteArray png;
  QBuffer buffer(&png);
  if (!buffer.open(QIODevice::WriteOnly) || !icon.pixmap(64, 64).save(&buffer, "PNG")) return;
  (void)WriteIfChanged(folder + QLatin1Char('/') + id + QStringLiteral(".png"), png);
}

}  // namespace

bool DesktopShowsWebPages() {
  const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
  if (xdgMime.isEmpty()) return true;
  if (!qEnvironmentVariableIsEmpty("BROWSER")) return true;
  if (!QStandardPaths::findExecutable(QStringLiteral("x-www-browser")).isEmpty()) return true;
  QProcess process;
  process.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
  if (!process.waitForFinished(3000)) {
    process.kill();
    process.waitForFinished(1000);
    return false;
  }
  return process.exitCode() == 0 && !process.readAllStandardOutput().trimmed().isEmpty();
}

namespace {

// Shows the page in the program's own help window, reusing an open one.
bool ShowHelpWindow(const QString& path) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
  static QPointer<QDialog> window;
  if (!window) {
    window = new QDialog(QApplication::activeWindow());
    window->setObjectName(QStringLiteral("HelpWindow"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setModal(false);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* browser = new QTextBrowser(window);
    browser->setOpenExternalLinks(true);
    layout->addWidget(browser);
    window->resize(640, 520);
  }
  auto* browser = window->findChild<QTextBrowser*>();
  browser->setSource(QUrl::fromLocalFile(path));
  const QString title = browser->documentTitle();
  window->setWindowTitle(title.isEmpty() ? QFileInfo(path).fileName() : title);
  window->show();
  window->raise();
  window->activateWindow();
  return true;
}

enum class Telephony { Unknown, Available, Missing };
Telephony& TelephonyState() {
  static Telephony state = Telephony::Unknown;
  return state;
}

Telephony ProbeTelephony() {
  const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
  if (xdgMime.isEmpty()) return Telephony::Missing;
  QProcess process;
  process.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("x-scheme-handler/tel")});
  if (!process.waitForFinished(3000)) {
    process.kill();
    process.waitForFinished(1000);
    return Telephony::Missing;
  }
  const bool found = process.exitCode() == 0 && !process.readAllStandardOutput().trimmed().isEmpty();
  return found ? Telephony::Available : Telephony::Missing;
}

// The dialable part of a number as typed ("+1 (555) 010-7788" gives
// "+15550107788").
QString DialableNumber(std::string_view number) {
  QString digits;
  for (QChar c : FromView(number)) {
    if (c.isDigit() || c == QLatin1Char('*') || c == QLatin1Char('#')) {
      digits += c;
    } else if (c == QLatin1Char('+') && digits.isEmpty()) {
      digits += c;
    }
  }
  return digits == QStringLiteral("+") ? QString() : digits;
}

}  // namespace

std::string MimeTypeName(std::string_view extension) {
  const std::string ext = QString::fromUtf8(extension.data(), qsizetype(extension.size())).toLower().toStdString();
  if (ext == "adr") return "application/x-velmora-addressbook";
  if (ext == "cld") return "application/x-velmora-calendar";
  return "application/x-velmora-" + ext;
}

std::string MimePackagePath(std::string_view extension) {
  return (DataHome() + QStringLiteral("/mime/packages/velmora-") + FromView(extension).toLower() +
          QStringLiteral(".xml"))
      .toStdString();
}

std::string DesktopEntryPath() {
  return (DataHome() + QStringLiteral("/applications/") + ProgramId() + QStringLiteral(".desktop")).toStdString();
}

void RegisterFileType(std::string_view extension) {
  const QString dataHome = DataHome();
  if (dataHome.isEmpty() || extension.empty() || InstalledForTheSystem()) return;
  const QString ext = FromView(extension).toLower();
  const QString type = QString::fromStdString(MimeTypeName(extension));
  const QString id = ProgramId();
  const QString program = QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();

  const QString mime = QStringLiteral(
                           "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                           "  <mime-type type=\"%1\">\n"
                           "    <comment>Velmora File</comment>\n"
                           "    <icon name=\"%2\"/>\n"
                           "    <glob pattern=\"*.%3\"/>\n"
                           "  </mime-type>\n"
                           "</mime-info>\n")
                           .arg(XmlEscaped(type), XmlEscaped(id), XmlEscaped(ext));
  const bool mimeChanged = WriteIfChanged(QString::fromStdString(MimePackagePath(extension)), mime.toUtf8());

  SaveProgramIcon(dataHome, id);
  const QString entry = QStringLiteral(
                            "[Desktop Entry]\n"
                            "Type=Application\n"
                            "Name=%1\n"
                            "Comment=Velmora File\n"
                            "Icon=%2\n"
                            "Exec=%3 %f\n"
                            "MimeType=%4;\n"
                            "Terminal=false\n"
                            "Categories=Office;\n")
                            .arg(QString::fromStdString(ProgramName()), id, ExecArgument(program), type);
  const bool entryChanged = WriteIfChanged(QString::fromStdString(DesktopEntryPath()), entry.toUtf8());

  if (mimeChanged || !QFileInfo::exists(dataHome + QStringLiteral("/mime/mime.cache"))) {
    RunTool("update-mime-database", dataHome + QStringLiteral("/mime"));
  }
  if (entryChanged) RunTool("update-desktop-database", dataHome + QStringLiteral("/applications"));
}

std::optional<std::string> FindHelpFile(std::string_view name) {
  if (name.empty()) return std::nullopt;
  QStringList folders{QString::fromStdString(ProgramFolder())};
  if (QCoreApplication::instance()) {
    const QString exeDir = QCoreApplication::applicationDirPath();
    folders << exeDir << exeDir + QStringLiteral("/../share/velmora");
  }
#ifdef VELMORA_BUILD_SHARE_DIR
  folders << QStringLiteral(VELMORA_BUILD_SHARE_DIR);
#endif
#ifdef VELMORA_INSTALL_SHARE_DIR
  folders << QStringLiteral(VELMORA_INSTALL_SHARE_DIR);
#endif
  for (const QString& folder : folders) {
    for (const QString& sub : {QStringLiteral("/help/"), QStringLiteral("/Help/")}) {
      const QFileInfo candidate(folder + sub + FromView(name));
      if (candidate.isFile()) return QDir::cleanPath(candidate.absoluteFilePath()).toStdString();
    }
  }
  return std::nullopt;
}

int OpenHelp(std::string_view name, bool /*shell*/) {
  const std::optional<std::string> path = FindHelpFile(name);
  if (!path) {
    const std::string expected = ProgramFolder() + "/help/" + std::string(name);
    InformationBox(nullptr, "Help file '" + expected + "'\r\ndoes not exist.");
    return 0;
  }
  const QString page = QString::fromStdString(*path);
  // The desktop's opener reports success once it has started, so a desktop
  // without a program for web pages is asked beforehand.
  const bool desktop = Opener() || DesktopShowsWebPages();
  if (desktop && OpenUrl(QUrl::fromLocalFile(page))) return 1;
  return ShowHelpWindow(page) ? 1 : 0;
}

bool ComposeEmail(std::string_view address) {
  return OpenUrl(QUrl(QStringLiteral("mailto:") + FromView(address).trimmed(), QUrl::TolerantMode));
}

bool OpenDocument(std::string_view pathOrAddress) {
  const QString text = FromView(pathOrAddress).trimmed();
  if (text.isEmpty()) return false;
  if (QFileInfo::exists(text)) return OpenUrl(QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath()));
  return OpenUrl(QUrl::fromUserInput(text));
}


bool PrintFile(std::string_view path) {
  const QString file = QFileInfo(path.empty() ? QString::fromStdString(DefaultReportPath()) : FromView(path))
                           .absoluteFilePath();
  if (!QFileInfo(file).isFile()) return false;
  const QString lp = QStandardPaths::findExecutable(QStringLiteral("lp"));
  if (!lp.isEmpty()) {
    // lp only queues the job and ends at once; its exit status tells
    // whether the print service took it (no printer, a stopped service).
    QProcess process;
    process.start(lp, {file});
    if (!process.waitForFinished(15000)) {
      process.kill();
      process.waitForFinished(1000);
      return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
  }

  const QPrinterInfo printerInfo = QPrinterInfo::defaultPrinter();
  if (printerInfo.isNull()) return false;
  QFile input(file);
  if (!input.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = input.readAll();
  const std::string_view raw(bytes.constData(), size_t(bytes.size()));
  QTextDocument document(
      QString::fromStdString(IsValidUtf8(raw) ? std::string(raw) : Windows1252ToUtf8(raw)));
  document.setDefaultFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  QPrinter printer(printerInfo);
  document.print(&printer);
  return true;
}

int ShowTextFile(QPlainTextEdit* window, std::string_view path) {
  if (!window) return 0;
  QFile input(path.empty() ? QString::fromStdString(DefaultReportPath()) : FromView(path));
  if (!input.open(QIODevice::ReadOnly)) return 0;
  const QByteArray bytes = input.readAll();
  const std::string_view raw(bytes.constData(), size_t(bytes.size()));
  window->setPlainText(QString::fromStdString(IsValidUtf8(raw) ? std::string(raw) : Windows1252ToUtf8(raw)));
  return 1;
}

long DialNumber(std::string_view number, std::string_view, std::string_view, std::string_view) {
  Telephony& state = TelephonyState();
  if (state == Telephony::Missing) return kDialUnavailable;
  if (state == Telephony::Unknown) {
    state = ProbeTelephony();
    if (state == Telephony::Missing) return kDialNoTelephony;
  }
  const QString dialable = DialableNumber(number);
  if (dialable.isEmpty()) return kDialInvalidNumber;
  QUrl url;
  url.setScheme(QStringLiteral("tel"));
  url.setPath(dialable, QUrl::DecodedMode);  // "#" travels as "%23"
  return OpenUrl(url) ? 0 : kDialNoRecipient;
}

bool AddressHasAtSign(std::string_view address) { return address.find('@') != std::string_view::npos; }

UrlOpener SetUrlOpener(UrlOpener opener) {
  UrlOpener previous = std::move(Opener());
  Opener() = std::move(opener);
  return previous;
}

void ResetDialerForTesting() { TelephonyState() = Telephony::Unknown; }

}  // namespace velmora
