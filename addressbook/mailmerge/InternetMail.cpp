#include "addressbook/mailmerge/InternetMail.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <idn2.h>
#include <poll.h>
#include <sys/random.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <utility>

#include "store/Bytes.h"

#include "addressbook/mailmerge/AttachmentFile.h"

namespace velmora {

namespace {

constexpr long kConnectTimeoutSeconds = 30;
constexpr long kTimeoutSeconds = 120;
// A server that sends or takes less than a byte a second for this long is
// given up, rather than waited for until the whole time-out.
constexpr long kLowSpeedBytes = 1;
constexpr long kLowSpeedSeconds = 30;

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlFree {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
using CurlHandle = std::unique_ptr<CURL, CurlFree>;
using CurlList = std::unique_ptr<curl_slist, CurlFree>;

void Append(CurlList& list, const std::string& line) {
  curl_slist* grown = curl_slist_append(list.get(), line.c_str());
  if (grown) {
    list.release();
    list.reset(grown);
  }
}

// "host:port" stays; a bare host gets the scheme's port from libcurl.
std::string Url(std::string_view scheme, const std::string& server) {
  return std::string(scheme) + "://" + server + "/";
}

std::string AngleAddress(const std::string& address) { return "<" + address + ">"; }

bool IsAscii(std::string_view text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

std::string Base64(std::string_view bytes) {
  static const char* table = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    uint32_t n = uint32_t(uint8_t(bytes[i])) << 16 | uint32_t(uint8_t(bytes[i + 1])) << 8 | uint8_t(bytes[i + 2]);
    out += table[n >> 18 & 63];
    out += table[n >> 12 & 63];
    out += table[n >> 6 & 63];
    out += table[n & 63];
  }
  if (i < bytes.size()) {
    uint32_t n = uint32_t(uint8_t(bytes[i])) << 16;
    if (i + 1 < bytes.size()) n |= uint32_t(uint8_t(bytes[i + 1])) << 8;
    out += table[n >> 18 & 63];
    out += table[n >> 12 & 63];
    out += i + 1 < bytes.size() ? table[n >> 6 & 63] : '=';
    out += '=';
  }
  return out;
}

// Base64 in lines of 76 characters, each ended by CR LF.
std::string Base64Lines(std::string_view bytes) {
  std::string out;
  for (size_t at = 0; at < bytes.size(); at += 57) {
    out += Base64(bytes.substr(at, 57));
    out += "\r\n";
  }
  return out;
}

// Quoted-printable (RFC 2045) of a text whose lines end with CR LF: line
// breaks stay, "=", bytes outside printable ASCII and spaces before a line
// end are encoded, and soft breaks keep every line within 76 characters.
std::string QuotedPrintable(std::string_view text) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  size_t lineLength = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += "\r\n";
      lineLength = 0;
      ++i;
      continue;
    }
    const bool lineEndFollows = i + 1 == text.size() || text[i + 1] == '\r';
    std::string piece;
    if ((c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !lineEndFollows)) {
      piece = char(c);
    } else {
      piece = {'=', hex[c >> 4], hex[c & 15]};
    }
    if (lineLength + piece.size() > 75) {
      out += "=\r\n";
      lineLength = 0;
    }
    out += piece;
    lineLength += piece.size();
  }
  return out;
}

// The byte length of the UTF-8 character at text[at] (1 for a byte that
// begins none, so that a walk always moves on).
size_t Utf8CharLength(std::string_view text, size_t at) {
  const unsigned char c = static_cast<unsigned char>(text[at]);
  size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
  return std::min(n, text.size() - at);
}

constexpr size_t kMaxHeaderLine = 78;
constexpr size_t kMaxEncodedWord = 75;

// "=?UTF-8?B?...?=" words of whole characters, the first at most
// firstRoom characters long, the others at most 75.
std::vector<std::string> EncodedWords(std::string_view text, size_t firstRoom) {
  std::vector<std::string> words;
  size_t at = 0;
  do {
    const size_t room = std::min(kMaxEncodedWord, words.empty() ? firstRoom : kMaxEncodedWord);
    const size_t maxBytes = (room - 12) / 4 * 3;  // "=?UTF-8?B?" and "?=" take 12
    size_t end = at;
    while (end < text.size()) {
      const size_t n = Utf8CharLength(text, end);
      if (end + n - at > maxBytes) break;
      end += n;
    }
    if (end == at && end < text.size()) end += Utf8CharLength(text, end);  // never stall
    words.push_back("=?UTF-8?B?" + Base64(text.substr(at, end - at)) + "?=");
    at = end;
  } while (at < text.size());
  return words;
}

// Folds an ASCII text at its spaces; nothing when a line would still be
// longer than 78 characters.
std::optional<std::string> FoldAtSpaces(const std::string& prefix, std::string_view text) {
  std::string out = prefix;
  size_t lineStart = 0;
  size_t i = 0;
  while (i < text.size()) {
    // One segment: the spaces before a word and the word.
    size_t wordStart = text.find_first_not_of(' ', i);
    if (wordStart == std::string_view::npos) wordStart = text.size();
    size_t end = text.find(' ', wordStart);
    if (end == std::string_view::npos) end = text.size();
    std::string_view segment = text.substr(i, end - i);
    const bool hasWord = wordStart < end;
    if (hasWord && segment.front() == ' ' && out.size() - lineStart + segment.size() > kMaxHeaderLine &&
        out.size() - lineStart > prefix.size() * (lineStart == 0)) {
      out += "\r\n";
      lineStart = out.size();
    }
    out += segment;
    if (out.size() - lineStart > kMaxHeaderLine) return std::nullopt;
    i = end;
  }
  return out;
}

// Every line ended by CR LF, whatever the text used.
std::string CrLfLines(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 40);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::string DateHeader() {
  std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[64];
  std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S +0000", &utc);
  return text;
}

// 32 hexadecimal digits from the system's random source.
std::string RandomHex() {
  unsigned char bytes[16];
  ssize_t got = getrandom(bytes, sizeof bytes, 0);
  if (got != ssize_t(sizeof bytes)) {
    std::random_device device;
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(device());
  }
  std::string out;
  char two[3];
  for (unsigned char b : bytes) {
    std::snprintf(two, sizeof two, "%02x", b);
    out += two;
  }
  return out;
}

std::string DomainOf(std::string_view mailbox) {
  size_t at = mailbox.rfind('@');
  return at == std::string_view::npos ? std::string() : std::string(mailbox.substr(at + 1));
}

bool IsAtext(unsigned char c) {
  return std::isalnum(c) || std::strchr("!#$%&'*+-/=?^_`{|}~", c) != nullptr;
}

// Atoms between single dots; UTF-8 letters count as atom characters.
bool IsDotString(std::string_view local) {
  if (local.empty() || local.front() == '.' || local.back() == '.') return false;
  for (size_t i = 0; i < local.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(local[i]);
    if (c == '.') {
      if (local[i + 1] == '.') return false;
    } else if (c < 0x80 && !IsAtext(c)) {
      return false;
    }
  }
  return true;
}

// A double-quoted text of printable characters; a backslash quotes the
// next one.
bool IsQuotedString(std::string_view local) {
  if (local.size() < 2 || local.front() != '"' || local.back() != '"') return false;
  for (size_t i = 1; i + 1 < local.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(local[i]);
    if (c == '\\') {
      if (i + 2 >= local.size()) return false;
      const unsigned char next = static_cast<unsigned char>(local[++i]);
      if (next < 32 || next > 126) return false;
    } else if (c == '"' || c < 32 || c == 127) {
      return false;
    }
  }
  return true;
}

// Host name labels of letters, digits and inner hyphens (UTF-8 letters too),
// each of 1 to 63 bytes.
bool IsDomainName(std::string_view domain) {
  if (domain.empty() || domain.size() > 255) return false;
  size_t start = 0;
  while (true) {
    size_t dot = domain.find('.', start);
    std::string_view label = domain.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') return false;
    for (unsigned char c : label) {
      if (c < 0x80 && !std::isalnum(c) && c != '-') return false;
    }
    if (dot == std::string_view::npos) return true;
    start = dot + 1;
  }
}

// "[192.0.2.1]" or "[IPv6:2001:db8::1]".
bool IsAddressLiteral(std::string_view domain) {
  if (domain.size() < 3 || domain.front() != '[' || domain.back() != ']') return false;
  std::string inner(domain.substr(1, domain.size() - 2));
  unsigned char buffer[16];
  if (inner.rfind("IPv6:", 0) == 0) return inet_pton(AF_INET6, inner.c_str() + 5, buffer) == 1;
  return inet_pton(AF_INET, inner.c_str(), buffer) == 1;
}

// The ASCII form of a domain (IDNA A-labels); nothing when it has none.
std::optional<std::string> AsciiDomain(std::string_view domain) {
  if (IsAscii(domain)) return std::string(domain);
  char* converted = nullptr;
  std::string input(domain);
  int rc = idn2_to_ascii_8z(input.c_str(), &converted, IDN2_NFC_INPUT | IDN2_NONTRANSITIONAL);
  if (rc != IDN2_OK || !converted) return std::nullopt;
  std::string out(converted);
  idn2_free(converted);
  return out;
}

// An address as the status line shows it: control characters as "?".
std::string Shown(std::string_view text) {
  std::string out(text.substr(0, 300));
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 32 || c == 127) c = '?';
  }
  return out;
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }

// TLS is always tried; with tlsRequired the transfer fails rather than go
// on without it.
void CommonOptions(CURL* curl, bool tlsRequired, curl_slist* resolve, const std::string& caFile) {
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, kTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, kLowSpeedBytes);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kLowSpeedSeconds);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_USE_SSL, long(tlsRequired ? CURLUSESSL_ALL : CURLUSESSL_TRY));
  if (resolve) curl_easy_setopt(curl, CURLOPT_RESOLVE, resolve);
  if (!caFile.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.c_str());
}

void Say(const MailStatusLine& status, const std::string& line) {
  if (status) status(line);
}

// libcurl's progress of the upload, as lines for the status window; a line
// only when the count of bytes sent moved. libcurl calls it at least once a
// second whatever the server does, so it also ends the transfer as soon as
// the stop check says so.
struct Progress {
  const MailStatusLine* status = nullptr;
  const MailStopCheck* stop = nullptr;
  curl_off_t lastSent = -1;
};

int ReportProgress(void* user, curl_off_t, curl_off_t, curl_off_t uploadTotal, curl_off_t uploaded) {
  auto* p = static_cast<Progress*>(user);
  if (p->stop && *p->stop && (*p->stop)()) return 1;  // CURLE_ABORTED_BY_CALLBACK
  if (p->status && uploaded != p->lastSent && uploaded > 0) {
    p->lastSent = uploaded;
    std::string line = "Sent " + std::to_string(uploaded) + " bytes";
    if (uploadTotal > 0) line += " of " + std::to_string(uploadTotal);
    Say(*p->status, line);
  }
  return 0;
}

// The replies libcurl receives while it connects, greets and logs in,
// kept to learn the extensions the server's last EHLO reply offered and,
// when the server refuses something there (a login, the greeting), its
// own words for it.
struct ServerReplies {
  std::set<std::string> extensions;
  std::string partial;
  std::string refusal;       // the last whole reply with a 4xx or 5xx code
  std::string refusalLines;  // the lines of a refusal still coming

  void Take(std::string_view bytes) {
    partial.append(bytes);
    size_t end;
    while ((end = partial.find('\n')) != std::string::npos) {
      std::string line = partial.substr(0, end);
      partial.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.rfind("220", 0) == 0) extensions.clear();  // a greeting, or TLS begins: EHLO follows anew
      if (line.size() > 4 && line.rfind("250", 0) == 0 && (line[3] == '-' || line[3] == ' ')) {
        std::string keyword = line.substr(4, line.find(' ', 4) == std::string::npos ? std::string::npos
                                                                                     : line.find(' ', 4) - 4);
        for (char& c : keyword) c = char(std::toupper(static_cast<unsigned char>(c)));
        extensions.insert(keyword);
      }
      if (line.size() >= 3 && (line[0] == '4' || line[0] == '5') && std::isdigit(static_cast<unsigned char>(line[1])) &&
          std::isdigit(static_cast<unsigned char>(line[2]))) {
        if (!refusalLines.empty()) refusalLines += ' ';
        refusalLines += line;
        if (line.size() == 3 || line[3] == ' ') refusal = std::exchange(refusalLines, std::string());
      }
    }
  }
};

int KeepServerReplies(CURL*, curl_infotype type, char* data, size_t size, void* user) {
  if (type == CURLINFO_HEADER_IN) static_cast<ServerReplies*>(user)->Take(std::string_view(data, size));
  return 0;
}

// The rest of an SMTP conversation on the connection libcurl opened
// (CURLOPT_CONNECT_ONLY): commands out, replies in, each within the
// transfer's time.
class SmtpConversation {
 public:
  // stop is asked at least once a second while the server is waited for;
  // once it says so, the message is given up.
  SmtpConversation(CURL* curl, curl_socket_t socket, const MailStopCheck& stop)
      : curl_(curl), socket_(socket), stop_(stop),
        deadline_(std::chrono::steady_clock::now() + std::chrono::seconds(kTimeoutSeconds)) {}

  bool Send(std::string_view bytes) {
    while (!bytes.empty()) {
      size_t sent = 0;
      CURLcode code = curl_easy_send(curl_, bytes.data(), bytes.size(), &sent);
      if (code == CURLE_AGAIN) {
        if (!Wait(POLLOUT)) return false;
        continue;
      }
      if (code != CURLE_OK) {
        error_ = curl_easy_strerror(code);
        TakeRefusalAlreadySent();
        return false;
      }
      bytes.remove_prefix(sent);
    }
    return true;
  }

  // One whole reply (its last line has a space after the code); false when
  // the connection fails or closes first.
  bool Reply(int& code, std::string& text) {
    text.clear();
    while (true) {
      size_t end = received_.find('\n');
      if (end == std::string::npos) {
        char buffer[4096];
        size_t got = 0;
        CURLcode rc = curl_easy_recv(curl_, buffer, sizeof buffer, &got);
        if (rc == CURLE_AGAIN) {
          if (!Wait(POLLIN)) return false;
          continue;
        }
        if (rc != CURLE_OK || got == 0) {
          error_ = rc != CURLE_OK ? curl_easy_strerror(rc) : "the server closed the connection";
          return false;
        }
        received_.append(buffer, got);
        if (received_.size() > 65536) {
          error_ = "the server's reply is too long";
          return false;
        }
        continue;
      }
      std::string line = received_.substr(0, end);
      received_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!text.empty()) text += ' ';
      text += line;
      if (line.size() < 3 || !std::isdigit(static_cast<unsigned char>(line[0]))) {
        error_ = "the server's reply is not SMTP: " + Shown(line);
        return false;
      }
      if (line.size() == 3 || line[3] == ' ') {
        code = std::atoi(line.substr(0, 3).c_str());
        return true;
      }
    }
  }

  // Reads a reply; true when its code is within [low, high]. A refusal
  // leaves the reply as the error.
  bool Expect(int low, int high) {
    int code = 0;
    std::string text;
    if (!Reply(code, text)) return false;
    if (code < low || code > high) {
      error_ = Shown(text);
      return false;
    }
    return true;
  }

  bool Command(std::string_view command, int low, int high) { return Send(command) && Expect(low, high); }

  const std::string& error() const { return error_; }
  bool stopped() const { return stopped_; }

 private:
  // A server that refuses while the client is still sending (a recipient
  // it will not take after all, a message too large) says why and closes
  // the connection, so that the send fails: its reply, when it came within
  // a moment, is the reason rather than the failed send.
  void TakeRefusalAlreadySent() {
    const std::string sendError = error_;
    const auto deadline = deadline_;
    deadline_ = std::min(deadline_, std::chrono::steady_clock::now() + std::chrono::seconds(1));
    int code = 0;
    std::string text;
    const bool replied = Reply(code, text);
    deadline_ = deadline;
    error_ = replied && code >= 400 ? Shown(text) : sendError;
  }

  bool Wait(short events) {
    if (stop_ && stop_()) {
      stopped_ = true;
      error_ = "stopped";
      return false;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      error_ = "the server did not answer in time";
      return false;
    }
    pollfd fd{socket_, events, 0};
    int n = poll(&fd, 1, int(std::min<long long>(left.count(), 1000)));
    if (n < 0 && errno != EINTR) {
      error_ = std::strerror(errno);
      return false;
    }
    return true;
  }

  CURL* curl_;
  curl_socket_t socket_;
  const MailStopCheck& stop_;
  bool stopped_ = false;
  std::chrono::steady_clock::time_point deadline_;
  std::string received_;
  std::string error_;
};

// A message for DATA: each line beginning with "." gets a second one, and
// the message ends with CR LF "." CR LF.
std::string DotStuffed(std::string_view message) {
  std::string out;
  out.reserve(message.size() + 64);
  bool lineStart = true;
  for (char c : message) {
    if (lineStart && c == '.') out += '.';
    out += c;
    lineStart = c == '\n';
  }
  if (!out.ends_with("\r\n")) out += "\r\n";
  out += ".\r\n";
  return out;
}

}  // namespace

std::vector<std::string> SplitAttachmentList(std::string_view list) {
  std::vector<std::string> paths;
  size_t start = 0;
  while (start <= list.size()) {
    size_t bar = list.find('|', start);
    if (bar == std::string_view::npos) bar = list.size();
    if (bar > start) paths.emplace_back(list.substr(start, bar - start));
    start = bar + 1;
  }
  return paths;
}

std::string OneLineSubject(std::string_view subject) {
  std::string out;
  bool inBreak = false;
  for (char c : subject) {
    if (c == '\r' || c == '\n') {
      if (!inBreak) out += ' ';
      inBreak = true;
    } else {
      out += c;
      inBreak = false;
    }
  }
  return out;
}

std::optional<std::string> MailboxProblem(std::string_view address) {
  if (address.empty()) return "the address is empty";
  for (unsigned char c : address) {
    if (c < 32 || c == 127) return "the address holds a line break or another control character";
  }
  if (!IsValidUtf8(address)) return "the address is not UTF-8 text";
  if (address.size() > 254) return "the address is longer than 254 bytes";
  const size_t at = address.rfind('@');
  if (at == std::string_view::npos) return "the address has no at sign (@)";
  std::string_view local = address.substr(0, at);
  std::string_view domain = address.substr(at + 1);
  if (local.empty()) return "nothing comes before the at sign";
  if (local.size() > 64) return "the name before the at sign is longer than 64 bytes";
  if (!IsDotString(local) && !IsQuotedString(local)) {
    return "the name before the at sign may hold only letters, digits, dots between them and "
           "!#$%&'*+-/=?^_`{|}~ (or be a quoted text)";
  }
  if (domain.empty()) return "nothing comes after the at sign";
  if (domain.front() == '[') {
    if (!IsAddressLiteral(domain)) return "the address in brackets after the at sign is not an IP address";
    return std::nullopt;
  }
  if (!IsDomainName(domain)) return "the domain after the at sign is not a host name (letters, digits, hyphens, dots)";
  if (!AsciiDomain(domain)) return "the domain after the at sign is not a valid international domain name";
  return std::nullopt;
}

bool UsableMailAddress(std::string_view address) { return !MailboxProblem(address).has_value(); }

std::string AsciiDomainAddress(std::string_view mailbox) {
  const size_t at = mailbox.rfind('@');
  if (at == std::string_view::npos) return std::string();
  std::optional<std::string> domain = AsciiDomain(mailbox.substr(at + 1));
  if (!domain) return std::string();
  return std::string(mailbox.substr(0, at + 1)) + *domain;
}

bool IsLoopbackServer(std::string_view server) {
  std::string host;
  if (!server.empty() && server.front() == '[') {
    size_t close = server.find(']');
    if (close == std::string_view::npos) return false;
    host = server.substr(1, close - 1);
  } else if (std::count(server.begin(), server.end(), ':') > 1) {
    host = server;  // a bare IPv6 address
  } else {
    host = server.substr(0, server.find(':'));
  }
  for (char& c : host) c = char(std::tolower(static_cast<unsigned char>(c)));
  if (host == "localhost" || host == "localhost.") return true;
  unsigned char address[16];
  if (inet_pton(AF_INET, host.c_str(), address) == 1) return address[0] == 127;
  in6_addr v6{};
  if (inet_pton(AF_INET6, host.c_str(), &v6) == 1) return IN6_IS_ADDR_LOOPBACK(&v6);
  return false;
}

std::string FoldedHeader(std::string_view name, std::string_view text) {
  const std::string prefix = std::string(name) + ": ";
  // An ASCII text that looks like an encoded word would be read as one.
  const bool plain = IsAscii(text) && text.find("=?") == std::string_view::npos &&
                     std::none_of(text.begin(), text.end(), [](char c) { return c >= 0 && c < 32 && c != '\t'; });
  if (plain) {
    if (std::optional<std::string> folded = FoldAtSpaces(prefix, text)) return *folded;
  }
  std::vector<std::string> words = EncodedWords(text, kMaxHeaderLine - prefix.size());
  std::string out = prefix + words.front();
  for (size_t i = 1; i < words.size(); ++i) out += "\r\n " + words[i];
  return out;
}

std::string AsciiFileName(std::string_view name) {
  std::string out;
  for (size_t i = 0; i < name.size();) {
    const size_t n = Utf8CharLength(name, i);
    const unsigned char c = static_cast<unsigned char>(name[i]);
    out += n == 1 && c >= 32 && c < 127 && c != '"' && c != '\\' ? char(c) : '_';
    i += n;
  }
  return out;
}

std::string AttachmentFileNameParameters(std::string_view name) {
  // The line " filename=\"...\";" within 78 characters.
  constexpr size_t kMaxPlain = kMaxHeaderLine - std::string_view(" filename=\"\";").size();
  std::string fallback = AsciiFileName(name);
  if (fallback == name && name.size() <= kMaxPlain) return ";\r\n filename=\"" + fallback + "\"";
  if (fallback.size() > kMaxPlain) {
    // Keep the extension, shorten the rest.
    size_t dot = fallback.rfind('.');
    std::string extension = dot != std::string::npos && fallback.size() - dot <= 10 ? fallback.substr(dot) : "";
    fallback = fallback.substr(0, kMaxPlain - extension.size()) + extension;
  }
  static const char* hex = "0123456789ABCDEF";
  std::vector<std::string> pieces;  // percent-encoded characters, never split
  for (unsigned char c : name) {
    if (std::isalnum(c) || std::strchr("!#$&+-.^_`|~", c)) {
      pieces.emplace_back(1, char(c));
    } else {
      pieces.push_back({'%', hex[c >> 4], hex[c & 15]});
    }
  }
  std::string encoded;
  for (const std::string& piece : pieces) encoded += piece;
  std::string out = ";\r\n filename=\"" + fallback + "\"";
  const std::string single = " filename*=UTF-8''" + encoded;
  if (single.size() + 1 <= kMaxHeaderLine) return out + ";\r\n" + single;
  // Continued over numbered parameters (RFC 2231), each line within 78.
  size_t index = 0;
  size_t at = 0;
  while (at < pieces.size()) {
    std::string line = " filename*" + std::to_string(index) + "*=" + (index == 0 ? "UTF-8''" : "");
    while (at < pieces.size() && line.size() + pieces[at].size() + 1 <= kMaxHeaderLine) line += pieces[at++];
    out += ";\r\n" + line;
    ++index;
  }
  return out;
}

std::string Uuencode(std::string_view name, std::string_view bytes) {
  auto encode = [](uint32_t sixBits) { return char(sixBits == 0 ? '`' : sixBits + 32); };
  std::string out = "begin 644 " + std::string(name) + "\r\n";
  for (size_t line = 0; line < bytes.size(); line += 45) {
    size_t n = std::min<size_t>(45, bytes.size() - line);
    out += encode(uint32_t(n));
    for (size_t i = 0; i < n; i += 3) {
      uint8_t b0 = uint8_t(bytes[line + i]);
      uint8_t b1 = i + 1 < n ? uint8_t(bytes[line + i + 1]) : 0;
      uint8_t b2 = i + 2 < n ? uint8_t(bytes[line + i + 2]) : 0;
      out += encode(b0 >> 2);
      out += encode(((b0 & 3) << 4) | (b1 >> 4));
      out += encode(((b1 & 15) << 2) | (b2 >> 6));
      out += encode(b2 & 63);
    }
    out += "\r\n";
  }
  out += "`\r\nend\r\n";
  return out;
}

InternetMail::InternetMail() { InitCurlOnce(); }

void InternetMail::SetStopCheck(MailStopCheck stop) { stop_ = std::move(stop); }

bool InternetMail::StopRequested() const { return stop_ && stop_(); }

void InternetMail::ResolveHostAt(const std::string& hostPort, const std::string& address) {
  resolve_.push_back(hostPort + ":" + address);
}

void InternetMail::SecuredSMTP(const std::string& pop3Host, const std::string& userName,
                               const std::string& password) {
  pop3Host_ = pop3Host;
  userName_ = userName;
  password_ = password;
}

int InternetMail::RESendMailPlus(const std::string& server, const std::string& from, const std::string& to,
                                 const std::string& /*unused*/, const std::string& subject,
                                 const std::string& body, const std::string& attachmentList,
                                 const MailStatusLine& status, int /*reserved*/, int encoding) {
  // Each address must be one mailbox: anything more would add recipients,
  // header lines or SMTP parameters of its own.
  for (const std::string* address : {&from, &to}) {
    if (std::optional<std::string> problem = MailboxProblem(*address)) {
      Say(status, "Not an e-mail address (" + *problem + "): " + Shown(*address));
      return kMailBadAddress;
    }
  }
  if (server.empty() || server.find_first_of("\r\n/ ") != std::string::npos) return kMailNoServer;
  const std::string envelopeFrom = AsciiDomainAddress(from);
  const std::string envelopeTo = AsciiDomainAddress(to);
  const bool needsSmtpUtf8 = !IsAscii(envelopeFrom) || !IsAscii(envelopeTo);

  std::vector<std::string> paths = SplitAttachmentList(attachmentList);
  std::vector<std::string> contents(paths.size());
  for (size_t i = 0; i < paths.size(); ++i) {
    ResultOf<std::string> read = ReadAttachment(paths[i]);
    if (!read.ok()) {
      Say(status, read.Message());
      return kMailBadAttachment;
    }
    contents[i] = std::move(read.value());
  }
  if (StopRequested()) {
    Say(status, "Not sent: stopped");
    return kMailStopped;
  }

  CurlList resolve;
  for (const std::string& entry : resolve_) Append(resolve, entry);
  const bool sendsPassword = LoginArmed() && !userName_.empty();
  auto tlsRequired = [&](const std::string& host) {
    return sendsPassword && !passwordInClear_ && !IsLoopbackServer(host);
  };
  const std::string noEncryption =
      "The password is not sent: the mail server offers no encryption (STARTTLS). "
      "To send it in clear anyway, choose \"Send the password without encryption\".";

  if (LoginArmed() && !pop3Host_.empty()) {
    Say(status, "Logging in to " + pop3Host_);
    CurlHandle pop(curl_easy_init());
    if (!pop) return kMailNoLibrary;
    CommonOptions(pop.get(), tlsRequired(pop3Host_), resolve.get(), caFile_);
    Progress popProgress{nullptr, &stop_};
    curl_easy_setopt(pop.get(), CURLOPT_XFERINFOFUNCTION, ReportProgress);
    curl_easy_setopt(pop.get(), CURLOPT_XFERINFODATA, &popProgress);
    curl_easy_setopt(pop.get(), CURLOPT_NOPROGRESS, 0L);
    std::string url = Url("pop3", pop3Host_);
    curl_easy_setopt(pop.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(pop.get(), CURLOPT_USERNAME, userName_.c_str());
    curl_easy_setopt(pop.get(), CURLOPT_PASSWORD, password_.c_str());
    curl_easy_setopt(pop.get(), CURLOPT_CUSTOMREQUEST, "NOOP");
    curl_easy_setopt(pop.get(), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(pop.get(), CURLOPT_WRITEFUNCTION, Discard);
    ++pop3Logins_;
    CURLcode code = curl_easy_perform(pop.get());
    if (code == CURLE_ABORTED_BY_CALLBACK) {
      Say(status, "Not sent: stopped");
      return kMailStopped;
    }
    if (code == CURLE_USE_SSL_FAILED && tlsRequired(pop3Host_)) {
      Say(status, "POP3 login: " + noEncryption);
      return kMailNeedsEncryption;
    }
    if (code != CURLE_OK) {
      Say(status, std::string("POP3 login failed: ") + curl_easy_strerror(code));
      return kMailPop3Failed;
    }
  }

  // libcurl connects, greets, starts TLS and logs in; the rest is ours.
  CurlHandle curl(curl_easy_init());
  if (!curl) return kMailNoLibrary;
  CommonOptions(curl.get(), tlsRequired(server), resolve.get(), caFile_);
  std::string url = Url("smtp", server);
  curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_CONNECT_ONLY, 1L);
  ServerReplies replies;
  curl_easy_setopt(curl.get(), CURLOPT_DEBUGFUNCTION, KeepServerReplies);
  curl_easy_setopt(curl.get(), CURLOPT_DEBUGDATA, &replies);
  curl_easy_setopt(curl.get(), CURLOPT_VERBOSE, 1L);
  if (sendsPassword) {
    curl_easy_setopt(curl.get(), CURLOPT_USERNAME, userName_.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_PASSWORD, password_.c_str());
  }
  Progress connecting{nullptr, &stop_};
  curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, ReportProgress);
  curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, &connecting);
  curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
  Say(status, "Sending to " + to);
  CURLcode code = curl_easy_perform(curl.get());
  if (code == CURLE_ABORTED_BY_CALLBACK) {
    Say(status, "Not sent: stopped");
    return kMailStopped;
  }
  if (code == CURLE_USE_SSL_FAILED && tlsRequired(server)) {
    Say(status, noEncryption);
    return kMailNeedsEncryption;
  }
  if (code != CURLE_OK) {
    // The server's own reason when it refused (a login it did not take, a
    // greeting that turns the client away); libcurl's words otherwise.
    const std::string reason =
        replies.refusal.empty() ? std::string(curl_easy_strerror(code)) : Shown(replies.refusal);
    Say(status, "Not sent: " + reason);
    return kMailSmtpFailed;
  }
  const bool smtpUtf8 = replies.extensions.count("SMTPUTF8") > 0;
  if (needsSmtpUtf8 && !smtpUtf8) {
    Say(status, "Not sent: the mail server does not take international addresses (SMTPUTF8): " + to);
    return kMailNeedsSmtpUtf8;
  }

  // The message, every header line within 78 characters.
  std::string message;
  message += "Date: " + DateHeader() + "\r\n";
  message += "From: " + AngleAddress(needsSmtpUtf8 ? from : envelopeFrom) + "\r\n";
  message += "To: " + AngleAddress(needsSmtpUtf8 ? to : envelopeTo) + "\r\n";
  message += FoldedHeader("Subject", OneLineSubject(subject)) + "\r\n";
  message += "Message-ID: <" + RandomHex() + "@" + DomainOf(envelopeFrom) + ">\r\n";
  message += "MIME-Version: 1.0\r\n";
  std::string text = CrLfLines(body);
  if (encoding == 0 && !paths.empty()) {
    const std::string boundary = "=_velmora_" + RandomHex();
    message += "Content-Type: multipart/mixed;\r\n boundary=\"" + boundary + "\"\r\n\r\n";
    message += "This is a message in MIME format.\r\n";
    message += "--" + boundary + "\r\n";
    message += "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n";
    message += QuotedPrintable(text);
    if (!message.ends_with("\r\n")) message += "\r\n";
    for (size_t i = 0; i < paths.size(); ++i) {
      const std::string name = BaseName(paths[i]);
      message += "--" + boundary + "\r\n";
      message += "Content-Type: application/octet-stream;\r\n name=\"" + AsciiFileName(name).substr(0, 60) + "\"\r\n";
      message += "Content-Disposition: attachment" + AttachmentFileNameParameters(name) + "\r\n";
      message += "Content-Transfer-Encoding: base64\r\n\r\n";
      message += Base64Lines(contents[i]);
    }
    message += "--" + boundary + "--\r\n";
  } else {
    message += "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n";
    message += text;
    for (size_t i = 0; i < paths.size(); ++i) {
      if (!message.ends_with("\r\n")) message += "\r\n";
      message += "\r\n" + Uuencode(BaseName(paths[i]), contents[i]);
    }
  }

  curl_socket_t socket = CURL_SOCKET_BAD;
  if (curl_easy_getinfo(curl.get(), CURLINFO_ACTIVESOCKET, &socket) != CURLE_OK || socket == CURL_SOCKET_BAD) {
    Say(status, "Not sent: the connection to the mail server is lost");
    return kMailSmtpFailed;
  }
  SmtpConversation smtp(curl.get(), socket, stop_);
  const std::string utf8Parameter = needsSmtpUtf8 ? " SMTPUTF8" : "";
  const std::string data = DotStuffed(message);
  // The message in pieces, so that the status line follows a large one.
  const auto sendData = [&] {
    constexpr size_t kPiece = 64 * 1024;
    for (size_t at = 0; at < data.size(); at += kPiece) {
      if (!smtp.Send(std::string_view(data).substr(at, kPiece))) return false;
      Say(status, "Sent " + std::to_string(std::min(data.size(), at + kPiece)) + " bytes of " +
                      std::to_string(data.size()));
    }
    return smtp.Expect(200, 299);
  };
  const bool sent = smtp.Command("MAIL FROM:" + AngleAddress(envelopeFrom) + utf8Parameter + "\r\n", 200, 299) &&
                    smtp.Command("RCPT TO:" + AngleAddress(envelopeTo) + "\r\n", 200, 299) &&
                    smtp.Command("DATA\r\n", 300, 399) && sendData();
  if (!sent && smtp.stopped()) {
    Say(status, "Not sent: stopped");
    return kMailStopped;
  }
  if (!sent) {
    Say(status, "Not sent: " + smtp.error());
    smtp.Command("QUIT\r\n", 200, 299);
    return kMailSmtpFailed;
  }
  smtp.Command("QUIT\r\n", 200, 299);
  Say(status, "Sent to " + to);
  return kMailSent;
}

}  // namespace velmora
