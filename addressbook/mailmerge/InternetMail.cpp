#include "addressbook/mailmerge/InternetMail.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>

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
  void operator()(curl_mime* m) const { curl_mime_free(m); }
};
using CurlHandle = std::unique_ptr<CURL, CurlFree>;
using CurlList = std::unique_ptr<curl_slist, CurlFree>;
using CurlMime = std::unique_ptr<curl_mime, CurlFree>;

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

// A header text; words outside ASCII are sent as one encoded word.
std::string HeaderText(std::string_view text) {
  if (IsAscii(text)) return std::string(text);
  return "=?UTF-8?B?" + Base64(text) + "?=";
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

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

struct Upload {
  std::string_view data;
  size_t at = 0;
};

size_t ReadUpload(char* buffer, size_t size, size_t count, void* user) {
  auto* up = static_cast<Upload*>(user);
  size_t n = std::min(size * count, up->data.size() - up->at);
  std::memcpy(buffer, up->data.data() + up->at, n);
  up->at += n;
  return n;
}

size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }

void CommonOptions(CURL* curl) {
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, kTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, kLowSpeedBytes);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kLowSpeedSeconds);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_USE_SSL, long(CURLUSESSL_TRY));
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

bool UsableMailAddress(std::string_view address) {
  return !address.empty() && address.find_first_of("\r\n") == std::string_view::npos;
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
  // An address with a line break would add header lines of its own.
  if (!UsableMailAddress(from) || !UsableMailAddress(to)) {
    Say(status, "Address not usable: " + OneLineSubject(to));
    return kMailBadAddress;
  }
  if (server.empty() || server.find_first_of("\r\n/ ") != std::string::npos) return kMailNoServer;

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

  if (LoginArmed() && !pop3Host_.empty()) {
    Say(status, "Logging in to " + pop3Host_);
    CurlHandle pop(curl_easy_init());
    if (!pop) return kMailNoLibrary;
    CommonOptions(pop.get());
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
    if (code != CURLE_OK) {
      Say(status, std::string("POP3 login failed: ") + curl_easy_strerror(code));
      return kMailPop3Failed;
    }
  }

  CurlHandle curl(curl_easy_init());
  if (!curl) return kMailNoLibrary;
  CommonOptions(curl.get());
  std::string url = Url("smtp", server);
  std::string mailFrom = AngleAddress(from);
  curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_MAIL_FROM, mailFrom.c_str());
  CurlList recipients;
  Append(recipients, AngleAddress(to));
  curl_easy_setopt(curl.get(), CURLOPT_MAIL_RCPT, recipients.get());
  if (LoginArmed() && !userName_.empty()) {
    curl_easy_setopt(curl.get(), CURLOPT_USERNAME, userName_.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_PASSWORD, password_.c_str());
  }

  CurlList headers;
  Append(headers, "Date: " + DateHeader());
  Append(headers, "From: " + AngleAddress(from));
  Append(headers, "To: " + AngleAddress(to));
  Append(headers, "Subject: " + HeaderText(OneLineSubject(subject)));
  Append(headers, "MIME-Version: 1.0");

  std::string text = CrLfLines(body);
  std::string message;
  Upload upload;
  CurlMime mime;
  const bool asMime = encoding == 0 && !paths.empty();
  if (asMime) {
    mime.reset(curl_mime_init(curl.get()));
    curl_mimepart* part = curl_mime_addpart(mime.get());
    curl_mime_data(part, text.data(), text.size());
    curl_mime_type(part, "text/plain; charset=UTF-8");
    curl_mime_encoder(part, "quoted-printable");
    for (size_t i = 0; i < paths.size(); ++i) {
      part = curl_mime_addpart(mime.get());
      curl_mime_data(part, contents[i].data(), contents[i].size());
      curl_mime_filename(part, BaseName(paths[i]).c_str());
      curl_mime_type(part, "application/octet-stream");
      curl_mime_encoder(part, "base64");
    }
    curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(curl.get(), CURLOPT_MIMEPOST, mime.get());
  } else {
    for (curl_slist* h = headers.get(); h; h = h->next) message += std::string(h->data) + "\r\n";
    message += "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n";
    message += text;
    for (size_t i = 0; i < paths.size(); ++i) {
      if (!message.ends_with("\r\n")) message += "\r\n";
      message += "\r\n" + Uuencode(BaseName(paths[i]), contents[i]);
    }
    upload.data = message;
    curl_easy_setopt(curl.get(), CURLOPT_READFUNCTION, ReadUpload);
    curl_easy_setopt(curl.get(), CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl.get(), CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_INFILESIZE_LARGE, curl_off_t(message.size()));
  }

  Progress progress{status ? &status : nullptr, &stop_};
  curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, ReportProgress);
  curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, &progress);
  curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
  Say(status, "Sending to " + to);
  CURLcode code = curl_easy_perform(curl.get());
  if (code == CURLE_ABORTED_BY_CALLBACK) {
    Say(status, "Not sent: stopped");
    return kMailStopped;
  }
  if (code != CURLE_OK) {
    Say(status, std::string("Not sent: ") + curl_easy_strerror(code));
    return kMailSmtpFailed;
  }
  Say(status, "Sent to " + to);
  return kMailSent;
}

}  // namespace velmora
