#include "addressbook/gui/ContactNameDelegate.h"

#include "addressbook/model/ContactRecord.h"

namespace velmora {

QString ContactRowText(const Bytes& record) {
  if (record.size() < contact::kRecordSize) return {};
  const Contact contact(record);
  const QString first = QString::fromStdString(contact.Text(contact::kFirstName));
  const QString last = QString::fromStdString(contact.Text(contact::kLastName));
  return (first + QLatin1Char(' ') + last).trimmed();
}

}  // namespace velmora
