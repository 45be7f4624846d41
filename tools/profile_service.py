#!/usr/bin/env python3
"""Local profile service: answers GET /playerDetail.php the way the public
player-profile site does, from a small table of players, plus a set of
misbehaving answers (slow, chunked, cut off, stalled, oversized, ...) and a few
raw-HTTP helpers, so the client's lookup and fetch can be tested end to end.

Standard library only. Listens on 127.0.0.1 only.
"""

import argparse
import html
import os
import select
import signal
import socket
import socketserver
import sys
import threading
import time
from dataclasses import dataclass
from urllib.parse import unquote, unquote_to_bytes

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_DATA = os.path.join(HERE, "players.tsv")
ALLOWED_HOSTS = ("127.0.0.1", "localhost")

MAX_REQUEST_LINE = 65536
MAX_HEADER_LINES = 100
SOCKET_TIMEOUT = 60  # seconds without progress before a connection is dropped
LONG_ANSWER_SECONDS = 300  # how long a stalled or trickling answer lasts at most
HUGE_BODY_SIZE = 9 * 1024 * 1024
MAX_TEST_BYTES = 256 * 1024 * 1024
PATTERN_MODULUS = 251

HEAD = (
    '<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Transitional//EN" '
    '"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd">\r\n'
    '<html xmlns="http://www.w3.org/1999/xhtml">\r\n'
    "<head>\r\n"
    '<meta http-equiv="Content-Type" content="text/html; charset=utf-8" />\r\n'
    "<title>{title}</title>\r\n"
    '<link rel="stylesheet" type="text/css" href="/css/detail.css" />\r\n'
    '<script type="text/javascript" src="/js/jquery.min.js"></script>\r\n'
    "</head>\r\n"
    "<body>\r\n"
    '<div id="header"><a href="/">首页</a> &gt; 玩家资料</div>\r\n'
)
FOOT = (
    '<div id="footer">\r\n'
    "  <p>数据每小时更新一次，排名以游戏内为准。</p>\r\n"
    '  <p><a href="/about.php">关于本站</a> | <a href="/contact.php">联系我们</a></p>\r\n'
    "</div>\r\n"
    "</body>\r\n"
    "</html>\r\n"
)
# The duo row is laid out exactly as the real site lays it out, odd white space
# included: clients look for the rank with this run of bytes in front of it.
DUO_ROW = (
    "             <td>5v5组队</td> \r\n"
    "             <td>\r\n"
    "             \t             \t "
    '<span id="rank_{duo}">{duo_shown}</span></td>\r\n'
)


def html_text(value):
    """Escapes a value for the page. "%" becomes a character reference too, so
    a client that percent-decodes the whole page leaves names intact."""
    return html.escape(value, quote=True).replace("%", "&#37;")


def profile_html(*, server, name, likes, power, base, win_rate, wins, solo, duo, sign=""):
    """The profile page of one player. Field values are given as the texts to
    print, so odd pages can hold odd texts; names are escaped here."""
    shown = html_text(name)
    return (
        HEAD.format(title=f"{shown} - {html_text(server)} - 玩家资料")
        + '<div class="player">\r\n'
        + '  <div class="avatar"><img src="/img/avatar/default.png" alt="" /></div>\r\n'
        + f'  <div class="name">{shown}</div>\r\n'
        + f'  <div class="server">{html_text(server)}</div>\r\n'
        + sign
        + f'  <div class="like">被赞 {likes} 次</div>\r\n'
        + f"  <div class='power' title='战斗力 {power} 其中基础分 {base} 胜率加成分 {win_rate}"
        + f" 胜场加成分 {wins}'>战斗力 <b>{power}</b></div>\r\n"
        + "</div>\r\n"
        + '<div class="ranks">\r\n'
        + '<table class="rank" cellspacing="0">\r\n'
        + "  <tr><th>模式</th><th>排名</th></tr>\r\n"
        + "  <tr>\r\n"
        + "             <td>5v5单排</td>\r\n"
        + f'             <td><span id="rank_{solo}">{solo.lstrip("+0") or "0"}</span></td>\r\n'
        + "  </tr>\r\n"
        + "  <tr>\r\n"
        + DUO_ROW.format(duo=duo, duo_shown=duo.lstrip("+0") or "0")
        + "  </tr>\r\n"
        + "</table>\r\n"
        + "</div>\r\n"
        + FOOT
    )


@dataclass(frozen=True)
class Player:
    server: str
    name: str
    likes: int
    base_score: int
    win_rate_bonus: int
    wins_bonus: int
    solo_rank: int
    duo_rank: int

    @property
    def power(self):
        return self.base_score + self.win_rate_bonus + self.wins_bonus

    def page(self):
        return profile_html(
            server=self.server,
            name=self.name,
            likes=str(self.likes),
            power=str(self.power),
            base=str(self.base_score),
            win_rate=str(self.win_rate_bonus),
            wins=str(self.wins_bonus),
            solo=str(self.solo_rank),
            duo=str(self.duo_rank),
        ).encode("utf-8")


class DataError(Exception):
    pass


def load_players(path):
    """Reads the player table: UTF-8, tab-separated, one header line."""
    players = {}
    with open(path, encoding="utf-8", newline="") as f:
        lines = f.read().splitlines()
    for number, line in enumerate(lines[1:], start=2):
        if not line.strip():
            continue
        cells = line.split("\t")
        if len(cells) != 8:
            raise DataError(f"{path}:{number}: expected 8 tab-separated cells, found {len(cells)}")
        try:
            numbers = [int(c) for c in cells[2:]]
        except ValueError:
            raise DataError(f"{path}:{number}: the last six cells must be integers") from None
        player = Player(cells[0], cells[1], *numbers)
        players[(player.server, player.name)] = player
    return players


QUILLFEN = Player("电信一", "Quillfen", 321, 1234, 56, 78, 15, 27)

NOT_FOUND_PAGE = (
    HEAD.format(title="玩家资料")
    + '<div class="notice">\r\n'
    + "  <p>没有找到该玩家，请确认服务器和名字是否正确。</p>\r\n"
    + '  <p><a href="/">返回首页</a></p>\r\n'
    + "</div>\r\n"
    + FOOT
).encode("utf-8")

ERROR_404_PAGE = (
    b"<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML 2.0//EN\">\r\n"
    b"<html><head>\r\n<title>404 Not Found</title>\r\n</head><body>\r\n"
    b"<h1>Not Found</h1>\r\n"
    b"<p>The requested URL was not found on this server.</p>\r\n"
    b"</body></html>\r\n"
)

# The odd page holds field texts a careful client still reads:
#   likes         full-width digits "３２１"                  -> 321
#   baseScore     "%31%32%33%34", escapes of the digits       -> 1234
#   winRateBonus  "-9" followed by two invalid UTF-8 bytes    -> -9
#   winsBonus     "78"                                        -> 78 (power 1303)
#   soloRank      "+15"                                       -> 15
#   duoRank       "027"                                       -> 27
# An invalid byte stands right before the likes marker and in the signature,
# and the signature ends in a stray "%" that eats the two bytes after it.
BAD_BYTES = "\x00BAD\x00"  # stand-in, replaced by raw invalid UTF-8 after encoding
ODD_PAGE = (
    profile_html(
        server="电信一",
        name="Quillfen",
        likes="３２１",
        power="1303",
        base="%31%32%33%34",
        win_rate="-9" + BAD_BYTES,
        wins="78",
        solo="+15",
        duo="027",
        sign='  <div class="sign">签名：胜率 100%</div>\r\n  <div class="x">' + BAD_BYTES + "</div>\r\n",
    )
    .replace('<div class="like">', '<div class="like">\x00FF\x00')
    .encode("utf-8")
    .replace(b"\x00BAD\x00", b"\xff\xfe")
    .replace(b"\x00FF\x00", b"\xff")
)

ZEROS_BODY = b"ab\x00cd\x00\x00ef" * 4


def pattern_bytes(offset, length):
    """Bytes offset..offset+length of the test pattern, where byte i is i % 251."""
    start = offset % PATTERN_MODULUS
    repeats = (start + length) // PATTERN_MODULUS + 1
    return (bytes(range(PATTERN_MODULUS)) * repeats)[start : start + length]


class Request:
    def __init__(self, request_line, header_lines):
        self.request_line = request_line  # raw bytes, without the line ending
        self.header_lines = header_lines  # raw bytes each, without line endings
        first_space = request_line.find(b" ")
        last_space = request_line.rfind(b" ")
        if first_space <= 0 or last_space == first_space:
            raise ValueError("malformed request line")
        self.method = request_line[:first_space].decode("latin-1")
        self.version = request_line[last_space + 1 :].decode("latin-1")
        # The target is everything between the method and the version, so a
        # name sent with raw spaces stays one target.
        self.target = request_line[first_space + 1 : last_space]
        path, _, self.query = self.target.partition(b"?")
        self.path = path.decode("latin-1")

    def query_values(self):
        """The query's values, percent-decoded as UTF-8. A "+" stays a "+":
        the client never encodes a space as "+"."""
        values = {}
        for pair in self.query.split(b"&"):
            key, _, value = pair.partition(b"=")
            key = unquote_to_bytes(key).decode("utf-8", "replace")
            values.setdefault(key, unquote_to_bytes(value).decode("utf-8", "replace"))
        return values

    def raw(self):
        lines = [self.request_line] + self.header_lines
        return b"".join(line + b"\r\n" for line in lines) + b"\r\n"


class ProfileHandler(socketserver.StreamRequestHandler):
    timeout = SOCKET_TIMEOUT

    def handle(self):
        self.status = None
        try:
            request = self.read_request()
            if request is None:
                return
            self.head_only = request.method == "HEAD"
            if request.method not in ("GET", "HEAD"):
                self.send_page(405, "Method Not Allowed", ERROR_404_PAGE.replace(b"404 Not Found", b"405"))
            else:
                self.dispatch(request)
            self.server.log(f"{request.method} {request.target!r} -> {self.status}")
        except (ConnectionError, TimeoutError, OSError):
            pass  # the client went away or stopped reading; nothing to tell it

    # -- reading ----------------------------------------------------------

    def read_request(self):
        line = self.rfile.readline(MAX_REQUEST_LINE + 1)
        if not line:
            return None
        if len(line) > MAX_REQUEST_LINE:
            self.head_only = False
            self.send_page(414, "URI Too Long", b"<html><body>URI Too Long</body></html>\r\n")
            return None
        header_lines = []
        while True:
            header = self.rfile.readline(MAX_REQUEST_LINE + 1)
            if header in (b"\r\n", b"\n", b""):
                break
            if len(header_lines) >= MAX_HEADER_LINES or len(header) > MAX_REQUEST_LINE:
                self.head_only = False
                self.send_page(431, "Request Header Fields Too Large", b"")
                return None
            header_lines.append(strip_line_end(header))
        try:
            return Request(strip_line_end(line), header_lines)
        except ValueError:
            self.head_only = False
            self.send_page(400, "Bad Request", b"<html><body>Bad Request</body></html>\r\n")
            return None

    # -- routing ----------------------------------------------------------

    def dispatch(self, request):
        path = request.path
        if path.startswith("/test/echo"):
            self.send_page(200, "OK", request.raw(), content_type="text/plain")
        elif path == "/test/bytes":
            self.send_test_bytes(request)
        elif path == "/test/zeros":
            self.send_page(200, "OK", ZEROS_BODY, content_type="application/octet-stream")
        elif path.startswith("/scenario/"):
            name = unquote(path[len("/scenario/") :], errors="replace")
            if not self.run_scenario(name, request):
                self.send_page(404, "Not Found", ERROR_404_PAGE)
        elif path.lower() == "/playerdetail.php":
            values = request.query_values()
            server = values.get("serverName", "")
            name = values.get("playerName", "")
            if name.startswith("~") and self.run_scenario(name[1:], request):
                return
            player = self.server.players.get((server, name))
            self.send_page(200, "OK", player.page() if player else NOT_FOUND_PAGE)
        else:
            self.send_page(404, "Not Found", ERROR_404_PAGE)

    def run_scenario(self, name, request):
        """Answers with the named scenario; False when there is none of that name."""
        if name == "echo":
            self.send_page(200, "OK", request.raw(), content_type="text/plain")
        elif name == "slow":
            self.send_in_pieces(QUILLFEN.page(), piece=100, delay=0.03)
        elif name == "chunked":
            self.send_chunked(QUILLFEN.page())
        elif name == "close":
            page = QUILLFEN.page()
            self.send_head(200, "OK", [("Content-Type", "text/html; charset=utf-8"), ("Content-Length", str(len(page)))])
            self.send_body(page[: close_cut(page)])
            # returning closes the connection short of the promised length
        elif name == "empty":
            self.send_page(200, "OK", b"")
        elif name == "404":
            self.send_page(404, "Not Found", ERROR_404_PAGE)
        elif name == "redirect":
            self.send_redirect()
        elif name == "stall":
            self.stall()
        elif name == "huge":
            self.send_huge()
        elif name == "trickle":
            self.trickle()
        elif name == "odd":
            self.send_page(200, "OK", ODD_PAGE)
        else:
            return False
        return True

    # -- writing ----------------------------------------------------------

    def send_head(self, status, reason, headers):
        self.status = status
        lines = [f"HTTP/1.1 {status} {reason}", "Server: Apache", "Connection: close"]
        lines += [f"{name}: {value}" for name, value in headers]
        self.connection.sendall(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1"))

    def send_body(self, data):
        if not self.head_only:
            self.connection.sendall(data)

    def send_page(self, status, reason, body, content_type="text/html; charset=utf-8"):
        self.send_head(status, reason, [("Content-Type", content_type), ("Content-Length", str(len(body)))])
        self.send_body(body)

    def send_in_pieces(self, body, piece, delay, content_type="text/html; charset=utf-8"):
        self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.send_head(200, "OK", [("Content-Type", content_type), ("Content-Length", str(len(body)))])
        for start in range(0, len(body), piece):
            if start and delay:
                time.sleep(delay)
            self.send_body(body[start : start + piece])

    def send_chunked(self, body):
        self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.send_head(200, "OK", [("Content-Type", "text/html; charset=utf-8"), ("Transfer-Encoding", "chunked")])
        # Chunk borders fall inside a multi-byte character, inside a marker and
        # at odd places, so a client must join chunks before it decodes.
        cuts = sorted({0, 7, body.find("组队".encode()) + 1, body.find("其中基础分".encode()) + 4,
                       len(body) // 2, len(body) - 3, len(body)})
        for start, end in zip(cuts, cuts[1:]):
            chunk = body[start:end]
            self.send_body(b"%X\r\n" % len(chunk) + chunk + b"\r\n")
            time.sleep(0.01)
        self.send_body(b"0\r\n\r\n")

    def send_redirect(self):
        host, port = self.server.server_address[:2]
        location = (f"http://{host}:{port}/playerDetail.php"
                    "?serverName=%E7%94%B5%E4%BF%A1%E4%B8%80&playerName=Quillfen")
        body = b"<html><head><title>302 Found</title></head><body><h1>Found</h1></body></html>\r\n"
        self.send_head(302, "Found", [("Location", location), ("Content-Type", "text/html; charset=utf-8"),
                                      ("Content-Length", str(len(body)))])
        self.send_body(body)

    def send_huge(self):
        page = QUILLFEN.page()
        line = '<p class="filler">历史战绩 第一页 第二页 第三页 0123456789 abcdefghij</p>\r\n'.encode()
        block = line * (65536 // len(line))
        self.send_head(200, "OK", [("Content-Type", "text/html; charset=utf-8"), ("Content-Length", str(HUGE_BODY_SIZE))])
        self.send_body(page)
        left = HUGE_BODY_SIZE - len(page)
        while left > 0:
            part = block[:left]
            self.send_body(part)
            left -= len(part)

    def stall(self):
        """Holds the connection without answering until the client leaves, the
        service stops or the time runs out."""
        deadline = time.monotonic() + LONG_ANSWER_SECONDS
        while time.monotonic() < deadline and not self.server.stopping.is_set():
            readable, _, _ = select.select([self.connection], [], [], 0.5)
            if readable and not self.connection.recv(4096):
                return

    def trickle(self):
        """The top of Quillfen's page at once, then a small piece every 200 ms
        for up to five minutes; the end of the body is the end of the connection."""
        self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        page = QUILLFEN.page()
        top = page[: page.rfind(b"</body>")]
        self.send_head(200, "OK", [("Content-Type", "text/html; charset=utf-8")])
        self.send_body(top)
        deadline = time.monotonic() + LONG_ANSWER_SECONDS
        while time.monotonic() < deadline and not self.server.stopping.wait(0.2):
            self.send_body(b"<!-- . -->\r\n")
        self.send_body(b"</body>\r\n</html>\r\n")

    def send_test_bytes(self, request):
        values = request.query_values()
        try:
            n = int(values["n"])
            piece = int(values.get("piece", 0)) or 65536
            delay = int(values.get("delay_ms", 0)) / 1000.0
            if not 0 <= n <= MAX_TEST_BYTES or piece < 0 or delay < 0:
                raise ValueError
        except (KeyError, ValueError):
            self.send_page(400, "Bad Request",
                           b"n (0..268435456), piece and delay_ms must be non-negative integers\r\n",
                           content_type="text/plain")
            return
        self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.send_head(200, "OK", [("Content-Type", "application/octet-stream"), ("Content-Length", str(n))])
        for start in range(0, n, piece):
            if start and delay:
                time.sleep(delay)
            self.send_body(pattern_bytes(start, min(piece, n - start)))


def strip_line_end(line):
    if line.endswith(b"\r\n"):
        return line[:-2]
    return line[:-1] if line.endswith(b"\n") else line


def close_cut(page):
    """Where the cut-off answer stops: after the score fields, before the ranks."""
    return page.find(b'<div class="ranks">')


class ProfileServer(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True  # a stalled answer must not hold up the exit

    def __init__(self, address, players, verbose):
        self.players = players
        self.verbose = verbose
        self.stopping = threading.Event()
        super().__init__(address, ProfileHandler)

    def log(self, message):
        if self.verbose:
            print(message, file=sys.stderr, flush=True)

    def handle_error(self, request, client_address):
        if self.verbose:
            super().handle_error(request, client_address)


def write_port_file(path, port):
    """Writes the port so that a reader sees either no file or the whole number."""
    temp = f"{path}.{os.getpid()}.tmp"
    with open(temp, "w", encoding="ascii") as f:
        f.write(f"{port}\n")
    os.replace(temp, path)


def parse_args(argv):
    parser = argparse.ArgumentParser(description="Local player profile service for testing the lookup.")
    parser.add_argument("--host", default="127.0.0.1", help="address to listen on; 127.0.0.1 only")
    parser.add_argument("--port", type=int, default=8086, help="port (0 picks a free one; default 8086)")
    parser.add_argument("--port-file", help="write the port here once listening")
    parser.add_argument("--data", default=DEFAULT_DATA, help="player table (default: players.tsv beside this file)")
    parser.add_argument("--verbose", action="store_true", help="log each request on stderr")
    args = parser.parse_args(argv)
    if args.host not in ALLOWED_HOSTS:
        parser.error(f"refusing to listen on {args.host}: the service answers on 127.0.0.1 only")
    if not 0 <= args.port <= 65535:
        parser.error(f"port {args.port} is out of range")
    return args


def main(argv=None):
    args = parse_args(argv)
    try:
        players = load_players(args.data)
    except (OSError, DataError) as error:
        print(f"profile_service: {error}", file=sys.stderr)
        return 1
    try:
        server = ProfileServer(("127.0.0.1", args.port), players, args.verbose)
    except OSError as error:
        print(f"profile_service: cannot listen on 127.0.0.1:{args.port}: {error}", file=sys.stderr)
        return 1

    stop = threading.Event()
    for signum in (signal.SIGTERM, signal.SIGINT):
        signal.signal(signum, lambda *_: stop.set())

    port = server.server_address[1]
    serving = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True)
    serving.start()
    try:
        if args.port_file:
            write_port_file(args.port_file, port)
        print(f"profile_service: listening on http://127.0.0.1:{port}/", file=sys.stderr, flush=True)
        while not stop.wait(0.5):
            pass
    finally:
        server.stopping.set()
        server.shutdown()
        server.server_close()
        if args.port_file:
            try:
                os.remove(args.port_file)
            except OSError:
                pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
