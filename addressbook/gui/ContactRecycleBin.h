// The "Work" pane's recycle-bin icon bound to the process's recycle bin:
// it shows whether the bin holds a contact, empties it, and says "Bin is
// empty." in the suite's information box.
#pragma once

class QWidget;

namespace velmora {

class TesselClassWndBin;

// A bin icon (command 107) as a child of pane; the pane receives its
// command 107 and hands the parameter to ContactRecordCommands::OnBinCommand.
TesselClassWndBin* MakeContactRecycleBin(QWidget* pane);

}  // namespace velmora
