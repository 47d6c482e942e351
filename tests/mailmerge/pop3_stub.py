"""A POP3 server stub for the mail tests: takes the user "karl" with the
password "pw", answers NOOP, STAT and LIST with an empty mailbox, and writes
every command it receives to <folder>/commands. Writes its port to
<folder>/port when ready and runs until stdin closes."""
import socketserver
import sys
import threading
from pathlib import Path


def make_handler(folder):
    class Handler(socketserver.StreamRequestHandler):
        def handle(self):
            self.wfile.write(b"+OK stub ready\r\n")
            user = None
            for raw in self.rfile:
                line = raw.decode(errors="replace").rstrip("\r\n")
                with open(folder / "commands", "a") as log:
                    log.write(line + "\n")
                verb, _, arg = line.partition(" ")
                verb = verb.upper()
                if verb == "CAPA":
                    self.wfile.write(b"+OK\r\nUSER\r\n.\r\n")
                elif verb == "USER":
                    user = arg
                    self.wfile.write(b"+OK\r\n")
                elif verb == "PASS":
                    ok = user == "karl" and arg == "pw"
                    self.wfile.write(b"+OK logged in\r\n" if ok else b"-ERR wrong password\r\n")
                elif verb in ("NOOP", "STAT"):
                    self.wfile.write(b"+OK 0 0\r\n" if verb == "STAT" else b"+OK\r\n")
                elif verb == "LIST":
                    self.wfile.write(b"+OK\r\n.\r\n")
                elif verb == "QUIT":
                    self.wfile.write(b"+OK bye\r\n")
                    return
                else:
                    self.wfile.write(b"-ERR unknown\r\n")
    return Handler


def main():
    folder = Path(sys.argv[1])
    server = socketserver.ThreadingTCPServer(("127.0.0.1", 0), make_handler(folder))
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    (folder / "port.tmp").write_text(str(server.server_address[1]))
    (folder / "port.tmp").rename(folder / "port")
    sys.stdin.read()
    server.shutdown()


if __name__ == "__main__":
    main()
