#include "calendar/gui/AlarmRinger.h"

#include <QWidget>

namespace velmora {

AlarmRinger::AlarmRinger(QWidget* window) : QObject(window), window_(window) {}

AlarmRinger::~AlarmRinger() = default;

void AlarmRinger::Check(RecordStore&) {}

}  // namespace velmora
