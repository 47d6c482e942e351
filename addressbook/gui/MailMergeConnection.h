// Whether the computer is connected to a network, asked before an
// "Internet Mail" merge starts: on the wizard's "Finish" and again when the
// job is started.
#pragma once

#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace velmora {

inline constexpr const char* kNoInternetConnectionText =
    "To send this mail merge, please make sure you are\r\nconnected to the Internet. Once you have established\r\n"
    "a connection, select Finish.\r\n";

// True while a network connection is open, as the desktop's network
// information tells (Qt's default backend). No backend, or a reachability
// the backend cannot tell, counts as connected; a network that reaches only
// the local site counts too, since the mail server may stand there.
bool IsRasOpen();

// The message to show when there is no connection, or nothing.
std::optional<std::string> InternetConnectionProblem();

// Shows the message (caption "Velmora", information icon) and returns false
// when there is no connection; the wait cursor is shown while asking.
bool CheckInternetConnection(QWidget* owner);

// Tests answer IsRasOpen themselves; an empty probe gives the question back
// to the desktop. Returns the previous probe.
using ConnectionProbe = std::function<bool()>;
ConnectionProbe SetConnectionProbe(ConnectionProbe probe);

}  // namespace velmora
