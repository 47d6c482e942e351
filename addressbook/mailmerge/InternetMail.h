// "Internet Mail": sending one message over SMTP with libcurl, with the
// calls of the mail component the merge job uses. STARTTLS is used when the
// server offers it; with a login armed by SecuredSMTP the message is sent
// after a POP3 login and with SMTP AUTH, and the password goes only over an
// encrypted connection unless the server is this machine (loopback) or the
// user allowed it in clear. libcurl connects, says EHLO, starts TLS and logs
// in; the envelope and the message are then sent by this code, so that every
// address is one checked mailbox and SMTPUTF8 is asked for when an address
// needs it.
#pragma once

#include <functional>
#include <optional>
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
  kMailStopped = 7,          // given up on the stop check
  kMailNeedsEncryption = 8,  // the password would go in clear to a server without STARTTLS
  kMailNeedsSmtpUtf8 = 9,    // an international address, and a server without SMTPUTF8
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
  // Whether the password may go to the servers without encryption; off
  // unless the user chose it. A component that never sends one ignores it.
  virtual void AllowPasswordInClear(bool /*allow*/) {}
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
  // With false (the default) a password for a server other than loopback is
  // sent only after STARTTLS (POP3: STLS); a server without it gets no
  // password and the send fails with kMailNeedsEncryption.
  void AllowPasswordInClear(bool allow) override { passwordInClear_ = allow; }
  // Reaches "host:port" at the given IP address instead of resolving the
  // host (as libcurl's CURLOPT_RESOLVE); lets the mail tests reach a loopback
  // server under a name that is not loopback.
  void ResolveHostAt(const std::string& hostPort, const std::string& address);
  // Checks the servers' certificates against the ones in this PEM file
  // instead of the system's store (a private mail server's own authority).
  void TrustCertificatesIn(const std::string& pemFile) { caFile_ = pemFile; }
  bool LoginArmed() const { return !pop3Host_.empty() || !userName_.empty(); }
  // How many POP3 logins were made (for the job's checks).
  int pop3Logins() const { return pop3Logins_; }

  // Sends one message. server is "host" or "host:port" (port 25 when none);
  // an attachment must be a regular file of at most 25 MB (AttachmentFile);
  // the attachment list is every path followed by "|"; encoding 0 sends the
  // attachments as MIME parts, 1 uuencoded in the body. unused and reserved
  // are kept for the call's shape and ignored. Both addresses must be one
  // mailbox each (kMailBadAddress otherwise, with the reason on the status
  // line). A domain outside ASCII is sent in its ASCII form (IDNA); a local
  // part outside ASCII needs a server that offers SMTPUTF8
  // (kMailNeedsSmtpUtf8 otherwise). The message carries Date, Message-ID
  // (random, at the sender's domain) and a subject folded into lines of at
  // most 78 characters.
  int RESendMailPlus(const std::string& server, const std::string& from, const std::string& to,
                     const std::string& unused, const std::string& subject, const std::string& body,
                     const std::string& attachmentList, const MailStatusLine& status, int reserved,
                     int encoding) override;

 private:
  std::string pop3Host_;
  std::string userName_;
  std::string password_;
  bool passwordInClear_ = false;
  std::vector<std::string> resolve_;
  std::string caFile_;
  int pop3Logins_ = 0;
  MailStopCheck stop_;

  bool StopRequested() const;
};

// The paths of an attachment list ("a|b|"); empty entries are skipped.
std::vector<std::string> SplitAttachmentList(std::string_view list);
// The subject on one line: each run of CR and LF becomes one space.
std::string OneLineSubject(std::string_view subject);
// Why an address is not one mailbox as SMTP takes it (local part, "@",
// domain or address literal; atoms or a quoted string before the "@", host
// name labels after it, UTF-8 letters allowed in both), or nothing when it
// is one. Anything more (a second address, a display name, angle brackets,
// parameters, line breaks) is refused.
std::optional<std::string> MailboxProblem(std::string_view address);
// Whether an address is one mailbox (MailboxProblem finds nothing).
bool UsableMailAddress(std::string_view address);
// The address with its domain in ASCII (IDNA A-labels); empty when the
// domain cannot be converted.
std::string AsciiDomainAddress(std::string_view mailbox);
// Whether the server ("host" or "host:port", "[::1]:port") names this
// machine's loopback: "localhost", 127.x.x.x or ::1.
bool IsLoopbackServer(std::string_view server);
// A header field "Name: text" folded into lines of at most 78 characters
// (CR LF between them, none at the end); text outside ASCII, or an ASCII
// text that cannot be folded at its spaces, becomes UTF-8 encoded words of
// at most 75 characters, each holding whole characters.
std::string FoldedHeader(std::string_view name, std::string_view text);
// The filename parameters of an attachment's Content-Disposition: a plain
// ASCII name as filename="name"; any other as an ASCII stand-in
// (filename="...") and the UTF-8 name as filename*=UTF-8''... (continued
// over several lines when long). Begins with "; ".
std::string AttachmentFileNameParameters(std::string_view name);
// The ASCII stand-in for a file name: each character outside printable
// ASCII, each double quote and backslash becomes "_".
std::string AsciiFileName(std::string_view name);
// Uuencoded form of a file's bytes, "begin 644 name" to "end", CR LF lines.
std::string Uuencode(std::string_view name, std::string_view bytes);

}  // namespace velmora
