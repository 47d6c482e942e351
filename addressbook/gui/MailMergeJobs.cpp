#include "addressbook/gui/MailMergeJobs.h"

#include <QObject>

#include "addressbook/gui/MailMergeConnection.h"
#include "addressbook/mailmerge/DesktopMail.h"
#include "addressbook/mailmerge/MergeDataFile.h"

namespace velmora {

JobMailKind JobMailKindFor(const MailMergeSettings& settings) {
  if (settings.destination == MergeDestination::TextProcessor) return JobMailKind::Text;
  return settings.emailSystem == EmailSystem::DefaultClient ? JobMailKind::Mapi : JobMailKind::Internet;
}

MailMergeJobs::MailMergeJobs() = default;

MailMergeJobs::~MailMergeJobs() { delete window_.data(); }

bool MailMergeJobs::Running() const { return window_ && !window_->closing(); }

Result MailMergeJobs::Start(SendJob job, JobMailKind kind, QWidget* owner, const std::string& book) {
  if (Running()) return Result::Fail("A mail merge is being sent");
  MailMergeTransport transport;
  switch (kind) {
    case JobMailKind::Internet:
      if (!CheckInternetConnection(owner)) return Result::Fail("No network connection");
      transport.internetMail = mailFactory_ ? mailFactory_() : std::make_shared<InternetMail>();
      if (!transport.internetMail) return Result::Fail("No mail component");
      break;
    case JobMailKind::Mapi:
      transport.desktopClient = FindXdgEmail();
      if (transport.desktopClient.empty()) {
        return Result::Fail(std::string("The desktop's e-mail client cannot be reached: no ") + kXdgEmail);
      }
      break;
    case JobMailKind::Text: {
      ResultOf<std::string> path = DataFilePath();
      if (!path) return path.result();
      // The rows come from the address book: no wider readable than it.
      const OutputMode mode =
          book.empty() ? OutputMode::Usual() : OutputMode::NoWiderThanFile(FileSystem::Default(), book);
      Result created = CreateDataFile(*path, false, mode);
      if (!created) return created;
      transport.dataFile = *path;
      transport.letterMerge = letterMerge_;
      break;
    }
  }
  auto* window = new MailMergeJobWindow(std::move(job), kind, std::move(transport), owner);
  window_ = window;
  window->Open();
  return Result::Ok();
}

}  // namespace velmora
