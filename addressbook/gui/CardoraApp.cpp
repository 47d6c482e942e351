#include "addressbook/gui/CardoraApp.h"

#include "addressbook/gui/CardoraFeatures.h"
#include "addressbook/gui/CardoraMainWindow.h"
#include "addressbook/model/ContactRecord.h"

namespace velmora {

namespace {

SuiteProgram CardoraProgram() {
  SuiteProgram program;
  program.name = CardoraApp::kApplicationName;
  program.strings = Program::Cardora;
  program.extension = CardoraApp::kExtension;
  program.fileFilter = CardoraApp::kFileFilter;
  program.kind = format::FileKind::Address;
  program.samples = [](RecordStore& store) { return AddSampleContacts(store); };
  program.makeMainWindow = [](SuiteApp& app, std::optional<QRect> placement) {
    auto& cardora = static_cast<CardoraApp&>(app);
    return std::unique_ptr<SuiteMainWindow>(
        std::make_unique<CardoraMainWindow>(cardora, cardora.features(), placement));
  };
  return program;
}

std::unique_ptr<FeatureWindows> OrNotBuilt(std::unique_ptr<FeatureWindows> features) {
  return features ? std::move(features) : std::make_unique<CardoraFeatures>();
}

}  // namespace

CardoraApp::CardoraApp(QString commandLine, std::unique_ptr<FeatureWindows> features)
    : detail::FeatureWindowsHolder{OrNotBuilt(std::move(features))}, SuiteApp(CardoraProgram(), std::move(commandLine)) {}

CardoraApp::~CardoraApp() = default;

CardoraMainWindow* CardoraApp::CreateMainWindow() {
  return static_cast<CardoraMainWindow*>(SuiteApp::CreateMainWindow());
}

CardoraMainWindow* CardoraApp::mainWindow() const { return static_cast<CardoraMainWindow*>(SuiteApp::mainWindow()); }

}  // namespace velmora
