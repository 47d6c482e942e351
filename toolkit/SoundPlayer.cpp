#include "toolkit/SoundPlayer.h"

#include <QCoreApplication>
#include <QFile>
#include <QSoundEffect>

#include "store/Settings.h"
#include "toolkit/Bitmaps.h"
#include "toolkit/Resources.h"

namespace velmora {

SoundPlayer& SoundPlayer::Instance() {
  static SoundPlayer player;
  return player;
}

bool SoundPlayer::enabled() {
  if (enabled_ < 0) ReloadSwitch();
  return enabled_ == 1;
}

void SoundPlayer::SetEnabled(bool on) { enabled_ = on ? 1 : 0; }

void SoundPlayer::ReloadSwitch() {
  enabled_ = ReadSettingSwitch(SuiteSettingsPath(), "Preference", "Sound") ? 1 : 0;
}

QUrl SoundPlayer::SourceFor(std::string_view fileName) {
  if (fileName.empty() || fileName.find('/') != std::string_view::npos) return {};
  const std::string name(fileName);
  std::string path = FindResource(name);
  if (path.empty()) path = FindResource("sounds/" + name);
  if (!path.empty()) return QUrl::fromLocalFile(QString::fromStdString(path));
  RegisterCompiledResources();
  const QString compiled = QStringLiteral(":/sounds/") + QString::fromStdString(name);
  if (QFile::exists(compiled)) return QUrl(QStringLiteral("qrc") + compiled);
  return {};
}

bool SoundPlayer::Play(std::string_view fileName) {
  if (!enabled()) return false;
  const QUrl source = SourceFor(fileName);
  if (source.isEmpty()) return false;
  // The effects belong to the application, so they go before it does.
  auto& effect = effects_[std::string(fileName)];
  if (!effect) effect = new QSoundEffect(QCoreApplication::instance());
  if (effect->source() != source) effect->setSource(source);
  effect->play();  // asynchronous; without an audio device it stays silent
  return true;
}

}  // namespace velmora
