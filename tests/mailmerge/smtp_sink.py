"""A small SMTP server for the mail tests: accepts mail on loopback, refuses
every recipient whose address starts with "refuse", and writes each message
it receives to <folder>/<n>.eml, headed by the envelope (X-Envelope-To,
X-Mail-Options, X-Rcpt-Options), and what Python's email package reads in it
to <folder>/<n>.summary (one "key=value" line each). Writes its port to
<folder>/port when ready and runs until stdin closes.

Words in <folder>/options, when the file is there before the start, change
the server: "smtputf8" offers SMTPUTF8; "auth" offers AUTH PLAIN and LOGIN
without TLS, takes the user "karl" with the password "pw" and writes each
login name to <folder>/auth (over TLS only when "starttls" is given too);
"starttls" offers STARTTLS with a certificate for "mail.velmora.test" that
openssl makes at the start (<folder>/cert.pem) and requires it before mail.
Without "starttls", STARTTLS is never offered."""
import base64
import email
import logging
import re
import socket
import ssl
import subprocess
import sys
import warnings
from email import policy
from email.parser import BytesParser
from email.utils import collapse_rfc2231_value, parsedate_to_datetime
from pathlib import Path

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword


class Sink:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.startswith("refuse"):
            return "550 5.1.1 Recipient refused"
        envelope.rcpt_tos.append(address)
        envelope.rcpt_options.extend(rcpt_options)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        path = self.folder / f"{self.count}.eml"
        head = (f"X-Envelope-To: {','.join(envelope.rcpt_tos)}\r\n"
                f"X-Mail-Options: {' '.join(envelope.mail_options)}\r\n"
                f"X-Rcpt-Options: {' '.join(envelope.rcpt_options)}\r\n").encode()
        summary = self.folder / f"{self.count}.summary"
        summary.with_suffix(".tmp").write_text(summarize(envelope.original_content))
        summary.with_suffix(".tmp").rename(summary)
        path.with_suffix(".tmp").write_bytes(head + envelope.original_content)
        path.with_suffix(".tmp").rename(path)
        return "250 Message accepted"


def summarize(raw):
    """What a mail program reads in the message."""
    lines = []
    message = BytesParser(policy=policy.default).parsebytes(raw)
    lines.append(f"Subject={message['Subject']}")
    head = raw.split(b"\r\n\r\n", 1)[0].decode("utf-8", "replace")
    subject_field = re.search(r"^Subject:([^\r\n]*(?:\r\n[ \t][^\r\n]*)*)", head, re.M | re.I)
    words = re.findall(r"=\?([^?]+)\?([BbQq])\?([^?]*)\?=", subject_field.group(1) if subject_field else "")
    whole = True
    for charset, kind, text in words:
        try:
            data = base64.b64decode(text) if kind in "Bb" else text.encode()
            data.decode(charset, "strict")
        except (ValueError, LookupError):
            whole = False
    lines.append(f"SubjectWords={len(words)}")
    lines.append(f"SubjectWordsWhole={'yes' if whole else 'no'}")
    lines.append(f"Message-ID={message['Message-ID']}")
    try:
        date = parsedate_to_datetime(str(message["Date"]))
        lines.append(f"Date={date.isoformat()}")
    except (TypeError, ValueError):
        lines.append("Date=")
    lines.append(f"To={message['To']}")
    # The parameters as a mail program of the older kind reads them: each
    # filename and filename* on its own (RFC 2231 values decoded).
    for part in email.message_from_bytes(raw).walk():
        if part.get_content_disposition() != "attachment":
            continue
        plain, international = "", ""
        for name, value in part.get_params(header="content-disposition") or []:
            if name == "filename":
                if isinstance(value, tuple):
                    international = collapse_rfc2231_value(value)
                else:
                    plain = collapse_rfc2231_value(value)
        lines.append(f"Attachment={international}|{plain}|{len(part.get_payload(decode=True))}")
    lines.append(f"Defects={len(message.defects)}")
    return "\n".join(lines) + "\n"


class Logins:
    def __init__(self, folder):
        self.folder = folder

    def __call__(self, server, session, envelope, mechanism, auth_data):
        if not isinstance(auth_data, LoginPassword):
            return AuthResult(success=False, handled=False)
        with open(self.folder / "auth", "a") as log:
            log.write(auth_data.login.decode(errors="replace") + "\n")
        ok = auth_data.login == b"karl" and auth_data.password == b"pw"
        return AuthResult(success=ok)


def main():
    # aiosmtpd warns about its own use of a deprecated session field.
    warnings.filterwarnings("ignore", message="Session.login_data")
    logging.getLogger("mail.log").setLevel(logging.ERROR)
    folder = Path(sys.argv[1])
    options_file = folder / "options"
    options = options_file.read_text().split() if options_file.exists() else []
    parameters = {"enable_SMTPUTF8": "smtputf8" in options}
    if "auth" in options:
        parameters["authenticator"] = Logins(folder)
        parameters["auth_require_tls"] = "starttls" in options
    if "starttls" in options:
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                        "-subj", "/CN=mail.velmora.test", "-addext", "subjectAltName=DNS:mail.velmora.test",
                        "-keyout", str(folder / "key.pem"), "-out", str(folder / "cert.pem")],
                       check=True, capture_output=True)
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(folder / "cert.pem", folder / "key.pem")
        parameters["tls_context"] = context
        parameters["require_starttls"] = True
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        port = probe.getsockname()[1]
    controller = Controller(Sink(folder), hostname="127.0.0.1", port=port, **parameters)
    controller.start()
    (folder / "port.tmp").write_text(str(port))
    (folder / "port.tmp").rename(folder / "port")
    sys.stdin.read()
    controller.stop()


if __name__ == "__main__":
    main()
