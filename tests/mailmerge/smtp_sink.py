"""A small SMTP server for the mail tests: accepts mail on loopback, refuses
every recipient whose address starts with "refuse", and writes each message
it receives to <folder>/<n>.eml. Writes its port to <folder>/port when ready
and runs until stdin closes."""
import socket
import sys
from pathlib import Path

from aiosmtpd.controller import Controller


class Sink:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.startswith("refuse"):
            return "550 5.1.1 Recipient refused"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        path = self.folder / f"{self.count}.eml"
        head = f"X-Envelope-To: {','.join(envelope.rcpt_tos)}\r\n".encode()
        path.with_suffix(".tmp").write_bytes(head + envelope.original_content)
        path.with_suffix(".tmp").rename(path)
        return "250 Message accepted"


def main():
    folder = Path(sys.argv[1])
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        port = probe.getsockname()[1]
    controller = Controller(Sink(folder), hostname="127.0.0.1", port=port)
    controller.start()
    (folder / "port.tmp").write_text(str(port))
    (folder / "port.tmp").rename(folder / "port")
    sys.stdin.read()
    controller.stop()


if __name__ == "__main__":
    main()
