#!/usr/bin/python3
"""A scripted HTTP server for the web loader's tests: one behaviour per path, including the
broken and hostile ones. Listens on 127.0.0.1 on a free port, writes "PORT CLOSEDPORT" to the
port file (CLOSEDPORT: a port nothing listens on), and stops by itself after a time limit.

Paths (N and MS are decimal numbers):
  /echo                 the raw request (and a posted body) as a text/plain body
  /image.jpg            a fixed 40 000-byte body typed "IMAGE/JPEG"
  /nolength/N           N body bytes without a content-length, then close
  /bare-html            no header at all: "<HtMl>..." then close
  /bare-html/short      the same without a line end anywhere
  /longline             a 9000-byte header line
  /hops/N               N relocations (relative, then absolute ones) ending at /image.jpg
  /loop                 relocates to itself forever
  /status/N[/NAME]      that status with a short text/html body
  /stall/N              N body bytes, then keeps the connection open without sending
  /reset/N              content-length 100000, N body bytes, then a connection reset
  /silent               reads the request and never answers
  /drip/MS              a header, then one body byte every MS milliseconds, endlessly
  /drip-all/MS          the whole response one byte every MS milliseconds
  /headers/N            N header lines, then a 4-byte body
  /garbage              binary garbage as the status line, then a body
  /length/ANNOUNCED/N   content-length ANNOUNCED with N body bytes
  /badlength            a content-length that is not a number
  /fields               cookies, ranges and authentication fields, then a 3-byte body
  /big/N                N body bytes with a content-length, written as fast as possible
  /file/MS/NAME         a file of the folder given as the second argument, typed by its
                        extension, 1000 bytes every MS milliseconds (for looking at the window)
"""
import os
import random
import socket
import socketserver
import struct
import sys
import threading
import time

TIME_LIMIT = 900  # seconds; a forgotten server goes away by itself


def pattern(n, seed=0):
    """Deterministic body bytes; the tests compute the same."""
    block = bytes((i * 7 + seed) & 0xFF for i in range(256))
    out = block * (n // 256 + 1)
    return out[:n]


def image_body():
    return pattern(40000, 3)


class Handler(socketserver.BaseRequestHandler):
    def read_request(self):
        data = b""
        self.request.settimeout(30)
        while b"\r\n\r\n" not in data and len(data) < 65536:
            chunk = self.request.recv(4096)
            if not chunk:
                break
            data += chunk
        return data

    def send(self, data):
        try:
            self.request.sendall(data)
            return True
        except OSError:
            return False

    def head(self, status="200 OK", headers=()):
        text = "HTTP/1.0 %s\r\n" % status
        for h in headers:
            text += h + "\r\n"
        return (text + "\r\n").encode("latin-1")

    def hold(self, seconds=60):
        """Keeps the connection open until the client closes it."""
        self.request.settimeout(seconds)
        try:
            while self.request.recv(4096):
                pass
        except OSError:
            pass

    def handle(self):
        raw = self.read_request()
        try:
            path = raw.split(b"\r\n", 1)[0].split(b" ")[1].decode("latin-1")
        except IndexError:
            return
        if path.startswith("http://"):
            # Asked as a proxy: the path is what follows the address's host.
            path = "/" + path[len("http://"):].partition("/")[2]
        parts = path.split("?")[0].strip("/").split("/")
        name, args = parts[0], parts[1:]
        method = getattr(self, "do_" + name.replace("-", "_").replace(".", "_"), None)
        if method is None:
            self.send(self.head("404 Not Found", ["Content-Type: text/html"]) + b"<html>no</html>")
            return
        method(raw, *args)

    def do_echo(self, raw):
        # A posted body is read to its end before the answer, so the client never sends into a
        # closed connection.
        head, _, body = raw.partition(b"\r\n\r\n")
        for line in head.split(b"\r\n"):
            if line.lower().startswith(b"content-length:"):
                want = int(line.split(b":", 1)[1])
                while len(body) < want:
                    chunk = self.request.recv(65536)
                    if not chunk:
                        break
                    body += chunk
                raw = head + b"\r\n\r\n" + body
        self.send(self.head("200 OK", ["Content-Type: text/plain", "Content-Length: %d" % len(raw)]) + raw)

    def do_image_jpg(self, raw):
        body = image_body()
        self.send(self.head("200 OK", ["Content-Type: IMAGE/JPEG", "Content-Length: %d" % len(body)]) + body)

    def do_nolength(self, raw, n):
        self.send(self.head("200 OK", ["Content-Type: application/octet-stream"]) + pattern(int(n), 1))

    def do_bare_html(self, raw, *short):
        self.send(b"<html><body>short</body></html>" if short else b"<HtMl>\r\n<body>no header</body>\n</html>\r\n")

    def do_longline(self, raw):
        self.send(b"HTTP/1.0 200 OK\r\nX-Long: " + b"a" * 9000 + b"\r\nContent-Type: text/plain\r\n\r\nbody")

    def do_hops(self, raw, n):
        n = int(n)
        if n == 0:
            return self.do_image_jpg(raw)
        port = self.server.server_address[1]
        # Odd hops relocate by path, even ones by a whole address.
        target = "/hops/%d" % (n - 1) if n % 2 else "http://127.0.0.1:%d/hops/%d" % (port, n - 1)
        self.send(self.head("302 Found", ["Location: " + target, "Content-Type: text/html"]) + b"<html>moved</html>")

    def do_loop(self, raw):
        self.send(self.head("302 Found", ["Location: /loop"]))

    def do_status(self, raw, code, *name):
        self.send(self.head("%s Trouble" % code, ["Content-Type: text/html"]) + b"<html>trouble</html>")

    def do_stall(self, raw, n):
        if self.send(self.head("200 OK", ["Content-Type: image/jpeg"]) + pattern(int(n), 2)):
            self.hold()

    def do_reset(self, raw, n):
        self.send(self.head("200 OK", ["Content-Type: image/jpeg", "Content-Length: 100000"]) + pattern(int(n)))
        time.sleep(0.3)
        self.request.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.request.close()

    def do_silent(self, raw):
        self.hold()

    def do_drip(self, raw, ms):
        if not self.send(self.head("200 OK", ["Content-Type: image/jpeg"])):
            return
        start = time.time()
        while time.time() - start < 120 and self.send(b"x"):
            time.sleep(int(ms) / 1000.0)

    def do_drip_all(self, raw, ms):
        data = self.head("200 OK", ["Content-Type: text/plain", "Content-Length: 5"]) + b"hello"
        for i in range(len(data)):
            if not self.send(data[i:i + 1]):
                return
            time.sleep(int(ms) / 1000.0)

    def do_headers(self, raw, n):
        lines = ["X-Line-%d: %d" % (i, i) for i in range(int(n))]
        self.send(self.head("200 OK", ["Content-Type: text/plain"] + lines) + b"done")

    def do_garbage(self, raw):
        rnd = random.Random(21)
        junk = bytes(rnd.choice([b for b in range(256) if b not in (10, 13, 58)]) for _ in range(300))
        self.send(junk + b"\r\n\r\nbody")

    def do_length(self, raw, announced, n):
        self.send(self.head("200 OK", ["Content-Type: image/jpeg", "Content-Length: " + announced]) +
                  pattern(int(n), 4))

    def do_badlength(self, raw):
        self.send(self.head("200 OK", ["Content-Type: image/jpeg", "Content-Length: 12ab"]) + b"x" * 10)

    def do_fields(self, raw):
        self.send(self.head("206 Partial", ["Set-Cookie: a=1; path=/", "Set-Cookie: b=2",
                                            "Content-Range: bytes 100-199/1000", "Accept-Ranges: bytes",
                                            "WWW-Authenticate: Basic realm=\"x\"", "Content-Length: 3"]) + b"abc")

    def do_big(self, raw, n):
        n = int(n)
        if not self.send(self.head("200 OK", ["Content-Type: application/octet-stream",
                                              "Content-Length: %d" % n])):
            return
        block = pattern(1 << 20, 5)
        while n > 0:
            if not self.send(block[:min(n, len(block))]):
                return
            n -= len(block)

    def do_file(self, raw, ms, name):
        folder = self.server.files
        path = os.path.join(folder, os.path.basename(name)) if folder else ""
        if not path or not os.path.isfile(path):
            return self.do_status(raw, "404")
        with open(path, "rb") as f:
            data = f.read()
        kind = {".jpg": "IMAGE/JPEG", ".jpeg": "IMAGE/JPEG"}.get(os.path.splitext(name)[1].lower(),
                                                                 "application/octet-stream")
        if not self.send(self.head("200 OK", ["Content-Type: " + kind, "Content-Length: %d" % len(data)])):
            return
        for i in range(0, len(data), 1000):
            if not self.send(data[i:i + 1000]):
                return
            time.sleep(int(ms) / 1000.0)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True
    request_queue_size = 64


def main():
    port_file = sys.argv[1]
    server = Server(("127.0.0.1", 0), Handler)
    server.files = sys.argv[2] if len(sys.argv) > 2 else ""
    closed = socket.socket()
    closed.bind(("127.0.0.1", 0))
    closed_port = closed.getsockname()[1]
    closed.close()
    tmp = port_file + ".tmp"
    with open(tmp, "w") as f:
        f.write("%d %d\n" % (server.server_address[1], closed_port))
    os.replace(tmp, port_file)
    threading.Timer(TIME_LIMIT, server.shutdown).start()
    server.serve_forever()


if __name__ == "__main__":
    main()
