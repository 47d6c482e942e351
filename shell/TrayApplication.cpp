#include "shell/TrayApplication.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unistd.h>

#include "store/FileSystem.h"
#include "store/OutputFile.h"

namespace velmora {

namespace {

std::unique_ptr<QDBusConnection>& InstalledBus() {
  static std::unique_ptr<QDBusConnection> bus;
  return bus;
}

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
  // Line breaks would end the key; a path holding one is written as spaces
  // could not name it, so it is escaped the way the file's strings allow.
  quoted.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
  quoted.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

}  // namespace

QDBusConnection TrayBus() {
  if (InstalledBus()) return *InstalledBus();
  return QDBusConnection::sessionBus();
}

void SetTrayBus(const QDBusConnection& bus) { InstalledBus() = std::make_unique<QDBusConnection>(bus); }

void ResetTrayBus() { InstalledBus().reset(); }

bool TrayApplicationRunning() {
  QDBusConnection bus = TrayBus();
  if (!bus.isConnected() || !bus.interface()) return false;
  return bus.interface()->isServiceRegistered(QString::fromLatin1(kTrayBusName)).value();
}

QString TrayProgramPath() {
  const QString name = QString::fromLatin1(kTrayProgram);
  QString program = QStandardPaths::findExecutable(name);
  if (program.isEmpty() && QCoreApplication::instance()) {
    program = QStandardPaths::findExecutable(name, {QCoreApplication::applicationDirPath()});
  }
  return program.isEmpty() ? program : QFileInfo(program).absoluteFilePath();
}

bool StartTrayApplication() {
  const QString program = TrayProgramPath();
  if (program.isEmpty()) return false;
  return QProcess::startDetached(program, {});
}

QString TrayAutostartPath() {
  QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (config.isEmpty() || !QDir::isAbsolutePath(config)) config = QDir::homePath() + QStringLiteral("/.config");
  return config + QStringLiteral("/autostart/") + QString::fromLatin1(kTrayDesktopFile);
}

bool TrayAutostartExists() { return QFileInfo::exists(TrayAutostartPath()); }

std::string TrayAutostartEntry(const QString& program) {
  const QString text = QStringLiteral(
                           "[Desktop Entry]\n"
                           "Type=Application\n"
                           "Name=Velmora reminders\n"
                           "Comment=Rings the alarms of your calendars while Almanor is closed\n"
                           "Exec=%1\n"
                           "Icon=org.velmora.Almanor\n"
                           "Terminal=false\n"
                           "Categories=Office;Calendar;\n"
                           "X-GNOME-Autostart-enabled=true\n")
                           .arg(ExecArgument(program));
  return text.toStdString();
}

Result WriteTrayAutostart() {
  const QString program = TrayProgramPath();
  if (program.isEmpty()) {
    return Result::Fail("The program \"" + std::string(kTrayProgram) + "\" was not found; it cannot start at login.");
  }
  return WriteTrayAutostart(program);
}

Result WriteTrayAutostart(const QString& program) {
  const QString path = TrayAutostartPath();
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
    return Result::Fail("Cannot create the folder of " + path.toStdString());
  }
  return ReplaceFileAtomically(FileSystem::Default(), path.toStdString(), TrayAutostartEntry(program),
                               OutputMode::Usual(), "Cannot create the autostart entry");
}

Result RemoveTrayAutostart() {
  const QByteArray path = QFile::encodeName(TrayAutostartPath());
  if (::unlink(path.constData()) == 0 || errno == ENOENT) return Result::Ok();
  return Result::Fail("Cannot remove " + path.toStdString() + ": " + std::strerror(errno));
}

}  // namespace velmora
