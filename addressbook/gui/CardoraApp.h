// CardoraApp: the address book's application object, the suite's start-up
// and frame (SuiteApp) configured with the name "Cardora", the ".adr" record
// file with its example contacts, and the address book's main window.
#pragma once

#include <QString>
#include <memory>

#include "addressbook/gui/FeatureWindows.h"
#include "shell/SuiteApp.h"

namespace velmora {

class CardoraMainWindow;

namespace detail {
// Holds the feature windows so that they outlive the main window.
struct FeatureWindowsHolder {
  std::unique_ptr<FeatureWindows> features_;
};
}  // namespace detail

class CardoraApp : private detail::FeatureWindowsHolder, public SuiteApp {
 public:
  static constexpr const char* kApplicationName = "Cardora";
  static constexpr const char* kExtension = "adr";
  static constexpr const char* kFileFilter = "Cardora file (*.adr)|*.adr||";

  // commandLine: the one optional path of a record file to open. features:
  // the windows of the address book's features (none given: the program's
  // own, CardoraFeatures).
  explicit CardoraApp(QString commandLine = {}, std::unique_ptr<FeatureWindows> features = nullptr);
  ~CardoraApp() override;

  CardoraMainWindow* CreateMainWindow();
  CardoraMainWindow* mainWindow() const;
  FeatureWindows& features() const { return *features_; }
};

}  // namespace velmora
