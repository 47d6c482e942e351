// The SMTP password of the mail merge in the desktop's secret service
// (GNOME Keyring, KWallet and the like) through libsecret: schema
// "org.velmora.Cardora.MailMerge", one secret per SMTP server and user name.
// Every call to the service is bounded in time, so that a service that hangs
// or waits for an unlock prompt nobody answers does not hold the program.
#pragma once

#include <chrono>
#include <string>

#include "addressbook/mailmerge/MailMergeSettings.h"
#include "store/Result.h"

namespace velmora {

namespace mailmerge {
inline constexpr const char* kSecretSchemaName = "org.velmora.Cardora.MailMerge";
inline constexpr const char* kSecretServerAttribute = "server";
inline constexpr const char* kSecretUserAttribute = "user";
inline constexpr const char* kSecretServiceName = "org.freedesktop.secrets";
}  // namespace mailmerge

// The session bus this process would use: DBUS_SESSION_BUS_ADDRESS, else
// the socket "bus" of XDG_RUNTIME_DIR when it exists; empty when there is
// none (no bus is ever started for the question).
std::string SessionBusAddress();

class LibsecretStore : public SecretStore {
 public:
  explicit LibsecretStore(std::chrono::milliseconds timeout = std::chrono::seconds(5));

  // Whether a session bus answers and a secret service runs on it or can be
  // started by it; asked anew each time, within a second or two.
  bool Available() override;
  // account: MailMergeSecretAccount, "<user name>@<SMTP server>"; the user
  // name may hold "@" itself, the server does not.
  Result Store(const std::string& account, const std::string& secret) override;
  ResultOf<std::string> Lookup(const std::string& account) override;
  // Removes the secret of the account; Ok also when none was stored.
  Result Clear(const std::string& account);

 private:
  std::chrono::milliseconds timeout_;
};

}  // namespace velmora
