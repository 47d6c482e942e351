"""An SMTP server for the mail tests that takes no login: it greets, offers
AUTH PLAIN and LOGIN, and answers every AUTH with
"535 5.7.8 Authentication credentials invalid". Writes its port to
<folder>/port when ready and runs until stdin closes."""
import socketserver
import sys
import threading
from pathlib import Path


class Handler(socketserver.StreamRequestHandler):
    def handle(self):
        self.wfile.write(b"220 refusing.test ESMTP\r\n")
        for raw in self.rfile:
            verb = raw.decode(errors="replace").strip().split(" ")[0].upper()
            if verb == "EHLO":
                self.wfile.write(b"250-refusing.test\r\n250 AUTH PLAIN LOGIN\r\n")
            elif verb == "AUTH":
                self.wfile.write(b"535 5.7.8 Authentication credentials invalid\r\n")
            elif verb == "QUIT":
                self.wfile.write(b"221 bye\r\n")
                return
            else:
                self.wfile.write(b"503 5.5.1 Log in first\r\n")


def main():
    folder = Path(sys.argv[1])
    server = socketserver.ThreadingTCPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    (folder / "port.tmp").write_text(str(server.server_address[1]))
    (folder / "port.tmp").rename(folder / "port")
    sys.stdin.read()
    server.shutdown()


if __name__ == "__main__":
    main()
