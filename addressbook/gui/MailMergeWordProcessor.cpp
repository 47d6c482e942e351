#include "addressbook/gui/MailMergeWordProcessor.h"

#include <QApplication>
#include <QCursor>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "shell/MessageBoxes.h"
#include "shell/WorkProgressWindow.h"

namespace velmora {

namespace {

// The bar follows the script's steps, the last being the merge.
constexpr size_t kLastStep = mailmerge::kStepMerge;
// How often the window thread looks at the worker between its events.
constexpr auto kPollInterval = std::chrono::milliseconds(20);

}  // namespace

Result RunWordProcessorAction(QWidget* owner, const QString& text, WriterSetup setup, const WordProcessorAction& action,
                              DocumentOpener open) {
  auto cancel = std::make_shared<std::atomic<bool>>(false);
  auto step = std::make_shared<std::atomic<int>>(0);
  setup.cancel = cancel;
  setup.progress = [step](int now) { step->store(now); };
  LibreOfficeWriter writer(std::move(setup));

  // The worker asks for its message boxes; they are shown here afterwards.
  std::mutex boxesMutex;
  std::vector<std::pair<std::string, std::string>> boxes;
  WordProcessorMerge merge(
      writer,
      [&boxesMutex, &boxes](const std::string& caption, const std::string& message) {
        std::lock_guard lock(boxesMutex);
        boxes.emplace_back(caption, message);
      },
      std::move(open));

  Result result = Result::Ok();
  std::atomic<bool> done{false};
  {
    WorkProgressWindow window(text, true, owner);
    window.show();
    QApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    std::thread worker([&] {
      result = action(merge);
      done.store(true);
    });
    while (!done.load()) {
      // Lets every window paint and the "Cancel" button take its click.
      window.Report(size_t(std::max(step->load(), 0)), kLastStep);
      if (window.cancelled()) cancel->store(true);
      std::this_thread::sleep_for(kPollInterval);
    }
    worker.join();
    QApplication::restoreOverrideCursor();
  }

  for (const auto& [caption, message] : boxes) {
    if (caption == mailmerge::kNoticeCaption) {
      InformationBox(owner, message);
    } else {
      WarningBox(owner, caption, message);
    }
  }
  return result;
}

}  // namespace velmora
