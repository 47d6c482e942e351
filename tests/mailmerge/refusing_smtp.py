"""An SMTP server for the mail tests that refuses, in one of two ways:

  login  (the default) greets, offers AUTH PLAIN and LOGIN, and answers every
         AUTH with "535 5.7.8 Authentication credentials invalid";
  data   takes the sender and the recipient, and once the message has begun
         answers "550 5.1.1 <address>: Recipient address rejected" and drops
         the connection (a reset) while the client is still sending.

The way is the word in <folder>/options. Writes its port to <folder>/port
when ready and runs until stdin closes."""
import socket
import socketserver
import struct
import sys
import threading
from pathlib import Path

MODE = "login"


class Handler(socketserver.StreamRequestHandler):
    def handle(self):
        self.wfile.write(b"220 refusing.test ESMTP\r\n")
        recipient = b""
        for raw in self.rfile:
            verb = raw.decode(errors="replace").strip().split(" ")[0].upper()
            if verb == "EHLO":
                if MODE == "login":
                    self.wfile.write(b"250-refusing.test\r\n250 AUTH PLAIN LOGIN\r\n")
                else:
                    self.wfile.write(b"250 refusing.test\r\n")
            elif verb == "AUTH":
                self.wfile.write(b"535 5.7.8 Authentication credentials invalid\r\n")
            elif MODE == "data" and verb in ("MAIL", "RCPT"):
                if verb == "RCPT":
                    recipient = raw.strip()[8:]
                self.wfile.write(b"250 OK\r\n")
            elif MODE == "data" and verb == "DATA":
                self.wfile.write(b"354 Go ahead\r\n")
                self.wfile.flush()
                self.rfile.readline()
                self.wfile.write(b"550 5.1.1 " + recipient + b": Recipient address rejected\r\n")
                self.wfile.flush()
                # Dropped with the rest of the message unread: a reset.
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                self.connection.close()
                return
            elif verb == "QUIT":
                self.wfile.write(b"221 bye\r\n")
                return
            else:
                self.wfile.write(b"503 5.5.1 Log in first\r\n")


def main():
    global MODE
    folder = Path(sys.argv[1])
    options = folder / "options"
    if options.exists() and "data" in options.read_text().split():
        MODE = "data"
    server = socketserver.ThreadingTCPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    (folder / "port.tmp").write_text(str(server.server_address[1]))
    (folder / "port.tmp").rename(folder / "port")
    sys.stdin.read()
    server.shutdown()


if __name__ == "__main__":
    main()
