// SoundPlayer: the interface sounds ("add.wav", "delete.wav", ...), played
// asynchronously while the sound switch is on. The file is looked up in the
// program folder first (a user may replace it), then in "sounds" of the
// resource folders, then among the sounds compiled into the program. A
// missing file or a machine without an audio device is silence, never an
// error.
#pragma once

#include <QPointer>
#include <QSoundEffect>
#include <QUrl>
#include <map>
#include <string>
#include <string_view>

namespace velmora {

class SoundPlayer {
 public:
  static SoundPlayer& Instance();

  // Starts the sound and returns at once; false when nothing was started
  // (switched off, or no such sound).
  bool Play(std::string_view fileName);

  // The process-wide sound flag. Read from "Sound" of "Velmora.ini" on first
  // use (exactly "0" is off); ReloadSwitch reads it again.
  bool enabled();
  void SetEnabled(bool on);
  void ReloadSwitch();

  // Where the sound would be played from; empty when it exists nowhere.
  static QUrl SourceFor(std::string_view fileName);

 private:
  SoundPlayer() = default;
  int enabled_ = -1;  // -1: not read yet
  std::map<std::string, QPointer<QSoundEffect>> effects_;
};

}  // namespace velmora
