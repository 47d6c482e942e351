// "Default E-mail client": each message handed to the desktop's e-mail
// client with xdg-email, which opens it for the user to confirm and send.
#pragma once

#include <string>
#include <vector>

namespace velmora {

inline constexpr const char* kXdgEmail = "xdg-email";

// The full path of xdg-email found on PATH; empty when it is not installed
// (the default e-mail client then counts as missing).
std::string FindXdgEmail();

// The arguments after the program name: the subject on one line, the body,
// each attachment, then the address.
std::vector<std::string> XdgEmailArguments(const std::string& to, const std::string& subject,
                                           const std::string& body, const std::vector<std::string>& attachments);

// Runs xdg-email for one message and waits for it; 0 when the client took
// the message, else non-zero (also for an address holding a line break or
// starting with "-", which is never passed on).
int SendWithDesktopClient(const std::string& program, const std::string& to, const std::string& subject,
                          const std::string& body, const std::vector<std::string>& attachments);

}  // namespace velmora
