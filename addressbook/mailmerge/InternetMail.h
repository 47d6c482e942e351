// "Internet Mail": sending one message over SMTP with libcurl, with the
// calls of the mail component the merge job uses. STARTTLS is used when the
// server offers it; with a login armed by SecuredSMTP the message is sent
// after a POP3 login and with SMTP AUTH.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// What RESendMailPlus returns; 0 means sent.
enum InternetMailStatus : int {
  kMailSent = 0,
  kMailBadAddress = 1,     // empty, or holding a line break
  kMailNoServer = 2,
  kMailBadAttachment = 3,  // an attachment cannot be read
  kMailPop3Failed = 4,
  kMailSmtpFailed = 5,     // refused or failed on the way
  kMailNoLibrary = 6,
  kMailStopped = 7,        // given up on the stop check
};

// Receives the progress of a send, one line at a time.
using MailStatusLine = std::function<void(const std::string&)>;
// Asked again and again while a message is on its way (from the thread that
// sends it); true gives the message up at once.
using MailStopCheck = std::function<bool()>;

// The calls of a mail component that the merge job makes; InternetMail is
// the one over libcurl.
class MailComponent {
 public:
  virtual ~MailComponent() = default;
  // A message on its way is given up once stop says so; none by default.
  virtual void SetStopCheck(MailStopCheck /*stop*/) {}
  virtual void SecuredSMTP(const std::string& pop3Host, const std::string& userName, const std::string& password) = 0;
  virtual int RESendMailPlus(const std::string& server, const std::string& from, const std::string& to,
                             const std::string& unused, const std::string& subject, const std::string& body,
                             const std::string& attachmentList, const MailStatusLine& status, int reserved,
                             int encoding) = 0;
};

class InternetMail : public MailComponent {
 public:
  InternetMail();

  // Set before sending: the transfer is ended within about a second of stop
  // saying so, and RESendMailPlus gives kMailStopped.
  void SetStopCheck(MailStopCheck stop) override;

  // Arms the POP3 login before each send and SMTP AUTH with these
  // credentials; three empty texts disarm.
  void SecuredSMTP(const std::string& pop3Host, const std::string& userName, const std::string& password) override;
  bool LoginArmed() const { return !pop3Host_.empty() || !userName_.empty(); }
  // How many POP3 logins were made (for the job's checks).
  int pop3Logins() const { return pop3Logins_; }

  // Sends one message. server is "host" or "host:port" (port 25 when none);
  // an attachment must be a regular file of at most 25 MB (AttachmentFile);
  // the attachment list is every path followed by "|"; encoding 0 sends the
  // attachments as MIME parts, 1 uuencoded in the body. unused and reserved
  // are kept for the call's shape and ignored.
  int RESendMailPlus(const std::string& server, const std::string& from, const std::string& to,
                     const std::string& unused, const std::string& subject, const std::string& body,
                     const std::string& attachmentList, const MailStatusLine& status, int reserved,
                     int encoding) override;

 private:
  std::string pop3Host_;
  std::string userName_;
  std::string password_;
  int pop3Logins_ = 0;
  MailStopCheck stop_;

  bool StopRequested() const;
};

// The paths of an attachment list ("a|b|"); empty entries are skipped.
std::vector<std::string> SplitAttachmentList(std::string_view list);
// The subject on one line: each run of CR and LF becomes one space.
std::string OneLineSubject(std::string_view subject);
// Whether an address can stand in a mail header: not empty, no line break.
bool UsableMailAddress(std::string_view address);
// Uuencoded form of a file's bytes, "begin 644 name" to "end", CR LF lines.
std::string Uuencode(std::string_view name, std::string_view bytes);

}  // namespace velmora
