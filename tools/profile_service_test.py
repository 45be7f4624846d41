#!/usr/bin/env python3
"""Tests of the local profile service: the profile pages read the way the
client reads them, each misbehaving answer, the raw-HTTP helpers and the
start/stop scripts. Standard library only; runs in a few seconds."""

import http.client
import os
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
from urllib.parse import quote

HERE = os.path.dirname(os.path.abspath(__file__))
SERVICE = os.path.join(HERE, "profile_service.py")
sys.path.insert(0, HERE)
import profile_service  # noqa: E402

TELECOM_ONE = "%E7%94%B5%E4%BF%A1%E4%B8%80"  # 电信一

# The field markers, in the page's code page (GBK) as the client holds them.
DUO_LEFT = '<td>5v5组队</td> \r\n' + " " * 13 + "<td>\r\n" + " " * 13 + "\t" + " " * 13 + '\t <span id="rank_'
FIELDS = [  # (field, left marker, right marker)
    ("likes", "被赞 ", " 次</div>"),
    ("baseScore", "其中基础分", " 胜率加成分"),
    ("winRateBonus", " 胜率加成分", " 胜场加成分"),
    ("winsBonus", "胜场加成分", "'>"),
    ("soloRank", '<span id="rank_', '">'),
    ("duoRank", DUO_LEFT, '">'),
]
LEFT_MARKERS = [left.encode("gbk") for _, left, _ in FIELDS]


# -- the client's reading of a page, kept small --------------------------

def percent_decode(raw):
    """Every "%" takes the next two bytes, valid hex or not; a zero is dropped."""
    digits = b"0123456789ABCDEF"
    out = bytearray()
    i = 0
    while i < len(raw):
        if raw[i] != 0x25:
            out.append(raw[i])
            i += 1
            continue
        pair = []
        for j in (i + 1, i + 2):
            pair.append(digits.find(raw[j : j + 1].upper()) if j < len(raw) else 0)
            if pair[-1] == -1:
                pair[-1] = -2
        value = (16 * pair[0] + pair[1]) & 0xFF
        if value:
            out.append(value)
        i += 3
    return bytes(out)


def client_page(body):
    """The page as the client searches it: up to the first zero byte, escapes
    decoded, UTF-8 converted to GBK with substitutes for what does not fit."""
    body = body.split(b"\x00", 1)[0]
    return percent_decode(body).decode("utf-8", "replace").encode("gbk", "replace")


def text_between(page, left, right):
    lower = page.lower()
    p = lower.find(left.lower())
    if p < 0:
        return None
    tail = page[p + len(left) :]
    q = tail.lower().find(right.lower())
    return None if q < 0 else tail[:q]


def text_to_int(text):
    """Leading white space skipped, optional sign, digits; full-width forms
    count as their ASCII forms."""
    s = text.decode("gbk", "replace").translate({c: c - 0xFEE0 for c in range(0xFF01, 0xFF5F)}).replace("\u3000", " ")
    s = s.lstrip()
    sign = -1 if s[:1] == "-" else 1
    if s[:1] in "+-" and s:
        s = s[1:]
    digits = ""
    for ch in s:
        if not ("0" <= ch <= "9"):
            break
        digits += ch
    return sign * int(digits) if digits else 0


def read_fields(body):
    page = client_page(body)
    values = {}
    for field, left, right in FIELDS:
        cut = text_between(page, left.encode("gbk"), right.encode("gbk"))
        values[field] = 0 if cut is None else text_to_int(cut)
    return values


# -- talking to the service -------------------------------------------------

SCRATCH = tempfile.TemporaryDirectory(prefix="profile_service_test.")


def tearDownModule():
    SCRATCH.cleanup()


def start_service(*extra):
    folder = tempfile.mkdtemp(dir=SCRATCH.name)
    port_file = os.path.join(folder, "port")
    process = subprocess.Popen(
        [sys.executable, SERVICE, "--port", "0", "--port-file", port_file, *extra],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    deadline = time.monotonic() + 10
    while not os.path.exists(port_file):
        if process.poll() is not None or time.monotonic() > deadline:
            process.kill()
            raise RuntimeError("service did not come up: " + process.communicate()[1].decode())
        time.sleep(0.05)
    with open(port_file) as f:
        return process, int(f.read()), port_file


def raw_exchange(port, request, timeout=10):
    """Sends raw request bytes, reads until the service closes; returns
    (status, headers as a lower-cased dict, body bytes, count of reads)."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as sock:
        sock.sendall(request)
        data, reads = b"", 0
        while True:
            piece = sock.recv(65536)
            if not piece:
                break
            data += piece
            reads += 1
    head, _, body = data.partition(b"\r\n\r\n")
    lines = head.split(b"\r\n")
    status = int(lines[0].split()[1])
    headers = {}
    for line in lines[1:]:
        name, _, value = line.decode("latin-1").partition(":")
        headers[name.strip().lower()] = value.strip()
    return status, headers, body, reads


def get(port, target, timeout=10):
    return raw_exchange(port, b"GET " + target.encode("latin-1") + b" HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", timeout)


def detail_target(server, name):
    return f"/playerDetail.php?serverName={quote(server, safe='')}&playerName={quote(name, safe='')}"


def dechunk(body):
    chunks = []
    while True:
        size_line, _, body = body.partition(b"\r\n")
        size = int(size_line.split(b";")[0], 16)
        if size == 0:
            return chunks, body
        chunks.append(body[:size])
        assert body[size : size + 2] == b"\r\n", "chunk not followed by CR LF"
        body = body[size + 2 :]


class ServiceTestCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.process, cls.port, _ = start_service()

    @classmethod
    def tearDownClass(cls):
        cls.process.terminate()
        cls.process.communicate(timeout=5)

    def quillfen(self):
        return get(self.port, f"/playerDetail.php?serverName={TELECOM_ONE}&playerName=Quillfen")[2]


class ProfilePageTest(ServiceTestCase):
    def test_quillfen_fields_read_as_the_client_reads_them(self):
        status, headers, body, _ = get(self.port, f"/playerDetail.php?serverName={TELECOM_ONE}&playerName=Quillfen")
        self.assertEqual(status, 200)
        self.assertEqual(headers["content-type"], "text/html; charset=utf-8")
        self.assertEqual(int(headers["content-length"]), len(body))
        page = client_page(body)
        expected_cuts = {"likes": b"321", "baseScore": b" 1234", "winRateBonus": b" 56",
                         "winsBonus": b" 78", "soloRank": b"15", "duoRank": b"27"}
        for field, left, right in FIELDS:
            with self.subTest(field=field):
                self.assertEqual(text_between(page, left.encode("gbk"), right.encode("gbk")), expected_cuts[field])

    def test_page_layout_the_markers_rely_on(self):
        body = self.quillfen()
        self.assertEqual(len(DUO_LEFT.encode("gbk")), 82)
        self.assertIn(DUO_LEFT.encode("utf-8") + b'27">', body)
        spans = body.split(b'<span id="rank_')
        self.assertTrue(spans[1].startswith(b'15"'), "the solo rank must be the first rank span")
        self.assertNotIn(b"%", body)
        self.assertNotIn(b"\x00", body)
        # Each marker occurs once, but the solo rank's, which the duo marker ends with.
        counts = [client_page(body).count(left) for left in LEFT_MARKERS]
        self.assertEqual(counts, [1, 1, 1, 1, 2, 1])

    def test_every_player_in_the_table(self):
        players = profile_service.load_players(profile_service.DEFAULT_DATA)
        self.assertIn(("教育一", "Moonrill"), players)
        self.assertTrue(any(" " in name for _, name in players))
        self.assertTrue(any(p.win_rate_bonus < 0 for p in players.values()))
        for player in players.values():
            with self.subTest(player=player.name, server=player.server):
                fields = read_fields(get(self.port, detail_target(player.server, player.name))[2])
                self.assertEqual(fields, {
                    "likes": player.likes, "baseScore": player.base_score,
                    "winRateBonus": player.win_rate_bonus, "winsBonus": player.wins_bonus,
                    "soloRank": player.solo_rank, "duoRank": player.duo_rank})

    def test_name_transport(self):
        # The client may send a space raw or as %20 and non-ASCII bytes raw or
        # escaped; a "+" is a plus, never a space.
        found = b"\xe8\xa2\xab\xe8\xb5\x9e"  # 被赞
        cases = [  # (request target bytes, found)
            (b"/playerDetail.php?serverName=%E7%94%B5%E4%BF%A1%E4%BA%8C&playerName=%E9%A3%8E%20%E4%B9%8B%E5%AD%90", True),
            ("/playerDetail.php?serverName=电信二&playerName=风 之子".encode(), True),
            (b"/playerDetail.php?serverName=%E7%94%B5%E4%BF%A1%E4%BA%94&playerName=Tide+Stone", True),
            (b"/playerDetail.php?serverName=%E7%94%B5%E4%BF%A1%E4%BA%94&playerName=Tide%2BStone", True),
            (b"/playerDetail.php?serverName=%E7%94%B5%E4%BF%A1%E4%BA%94&playerName=Tide Stone", False),
            (b"/playerDetail.php?serverName=%E7%94%B5%E4%BF%A1%E4%BA%8C&playerName=%E9%A3%8E%E4%B9%8B%E5%AD%90", False),
        ]
        for target, expected in cases:
            with self.subTest(target=target):
                status, _, body, _ = raw_exchange(self.port, b"GET " + target + b" HTTP/1.1\r\n\r\n")
                self.assertEqual(status, 200)
                self.assertEqual(found in body, expected)

    def test_unknown_players_get_a_page_without_markers(self):
        targets = [
            detail_target("电信一", "Nobody"),
            detail_target("电信九", "Quillfen"),  # known name, other server
            detail_target("", "Quillfen"),  # nothing selected in the server box
            detail_target("电信一", "quillfen"),
            detail_target("电信一", "~no-such-scenario"),
            "/playerDetail.php",
        ]
        for target in targets:
            with self.subTest(target=target):
                status, _, body, _ = get(self.port, target)
                self.assertEqual(status, 200)
                self.assertIn("没有找到该玩家".encode(), body)
                page = client_page(body)
                for left in LEFT_MARKERS:
                    self.assertNotIn(left, page)


class ScenarioTest(ServiceTestCase):
    def scenario(self, name, timeout=10):
        return get(self.port, detail_target("电信一", "~" + name), timeout)

    def test_both_routes_reach_each_scenario(self):
        for name in ("empty", "404", "redirect", "odd", "chunked", "close"):
            with self.subTest(name=name):
                by_name = self.scenario(name)
                by_path = get(self.port, "/scenario/" + name)
                self.assertEqual(by_name[:3], by_path[:3])
        self.assertEqual(get(self.port, "/scenario/nonesuch")[0], 404)

    def test_slow_sends_the_page_in_pieces(self):
        started = time.monotonic()
        status, headers, body, reads = self.scenario("slow")
        self.assertEqual(status, 200)
        self.assertEqual(body, self.quillfen())
        self.assertEqual(int(headers["content-length"]), len(body))
        self.assertGreater(reads, 5)
        self.assertGreater(time.monotonic() - started, 0.3)

    def test_chunked_joins_to_the_page(self):
        status, headers, body, _ = self.scenario("chunked")
        self.assertEqual(status, 200)
        self.assertEqual(headers["transfer-encoding"], "chunked")
        self.assertNotIn("content-length", headers)
        chunks, trailer = dechunk(body)
        self.assertGreaterEqual(len(chunks), 4)
        self.assertEqual(trailer, b"\r\n")
        self.assertEqual(b"".join(chunks), self.quillfen())

    def test_close_ends_short_of_the_promised_length(self):
        status, headers, body, _ = self.scenario("close")
        page = self.quillfen()
        self.assertEqual(status, 200)
        self.assertEqual(int(headers["content-length"]), len(page))
        self.assertTrue(page.startswith(body))
        self.assertLess(len(body), len(page) * 0.7)
        self.assertEqual(read_fields(body), {"likes": 321, "baseScore": 1234, "winRateBonus": 56,
                                             "winsBonus": 78, "soloRank": 0, "duoRank": 0})

    def test_short_answers(self):
        cases = [  # (scenario, status, body is empty)
            ("empty", 200, True),
            ("404", 404, False),
            ("redirect", 302, False),
        ]
        for name, expected_status, empty in cases:
            with self.subTest(name=name):
                status, headers, body, _ = self.scenario(name)
                self.assertEqual(status, expected_status)
                self.assertEqual(int(headers["content-length"]), len(body))
                self.assertEqual(body == b"", empty)
                self.assertNotIn("其中基础分".encode(), body)

    def test_redirect_leads_to_quillfen(self):
        _, headers, _, _ = self.scenario("redirect")
        prefix = f"http://127.0.0.1:{self.port}"
        self.assertTrue(headers["location"].startswith(prefix))
        self.assertEqual(get(self.port, headers["location"][len(prefix) :])[2], self.quillfen())

    def test_stall_does_not_block_other_requests(self):
        with socket.create_connection(("127.0.0.1", self.port), timeout=5) as stalled:
            stalled.sendall(f"GET {detail_target('电信一', '~stall')} HTTP/1.1\r\n\r\n".encode())
            started = time.monotonic()
            self.assertEqual(get(self.port, "/scenario/empty")[0], 200)
            self.assertLess(time.monotonic() - started, 2)
            stalled.settimeout(0.5)
            with self.assertRaises(socket.timeout):
                stalled.recv(1)

    def test_huge_body(self):
        status, headers, body, _ = self.scenario("huge", timeout=30)
        self.assertEqual(status, 200)
        self.assertEqual(int(headers["content-length"]), 9 * 1024 * 1024)
        self.assertEqual(len(body), 9 * 1024 * 1024)
        self.assertTrue(body.startswith(self.quillfen()))
        self.assertNotIn(b"\x00", body)
        self.assertNotIn(b"%", body)

    def test_trickle_keeps_sending(self):
        with socket.create_connection(("127.0.0.1", self.port), timeout=5) as sock:
            sock.sendall(b"GET /scenario/trickle HTTP/1.1\r\n\r\n")
            data, reads = b"", 0
            stop = time.monotonic() + 1.1
            while time.monotonic() < stop:
                data += sock.recv(65536)
                reads += 1
        head, _, body = data.partition(b"\r\n\r\n")
        self.assertIn(b" 200 ", head.split(b"\r\n")[0])
        self.assertNotIn(b"content-length", head.lower())
        self.assertEqual(read_fields(body)["duoRank"], 27)
        self.assertGreaterEqual(body.count(b"<!-- . -->"), 3)

    def test_odd_page_values(self):
        status, _, body, _ = self.scenario("odd")
        self.assertEqual(status, 200)
        self.assertIn(b"\xff", body)
        self.assertIn("３２１".encode(), body)
        self.assertIn(b"%31%32%33%34", body)
        self.assertEqual(read_fields(body), {"likes": 321, "baseScore": 1234, "winRateBonus": -9,
                                             "winsBonus": 78, "soloRank": 15, "duoRank": 27})


class HelperTest(ServiceTestCase):
    def test_echo_returns_the_request_bytes(self):
        requests = [
            b"GET /test/echo HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n",
            b"GET /test/echo?q=%E7%94%B5 a b&x=+ HTTP/1.1\r\nHost: h\r\nReferer: Http://h/p?n=\xe9\xa3\x8e \xff\r\n"
            b"Accept-Language: zh-cn\r\n\r\n",
            "GET /playerDetail.php?serverName=%E7%94%B5&playerName=~echo HTTP/1.1\r\nX:  two  spaces \r\n\r\n".encode(),
        ]
        for request in requests:
            with self.subTest(request=request):
                status, headers, body, _ = raw_exchange(self.port, request)
                self.assertEqual(status, 200)
                self.assertEqual(headers["content-type"], "text/plain")
                self.assertEqual(body, request)

    def test_bytes_pattern(self):
        cases = [  # (query, length)
            ("n=0", 0),
            ("n=1300", 1300),
            ("n=1300&piece=512&delay_ms=5", 1300),
            ("n=200000&piece=70000", 200000),
        ]
        for query, length in cases:
            with self.subTest(query=query):
                status, headers, body, _ = get(self.port, "/test/bytes?" + query)
                self.assertEqual(status, 200)
                self.assertEqual(int(headers["content-length"]), length)
                self.assertEqual(body, bytes(i % 251 for i in range(length)))
        for query in ("", "n=x", "n=-1", "n=1&piece=-1"):
            with self.subTest(query=query):
                self.assertEqual(get(self.port, "/test/bytes?" + query)[0], 400)

    def test_zeros(self):
        status, headers, body, _ = get(self.port, "/test/zeros")
        self.assertEqual(status, 200)
        self.assertEqual(int(headers["content-length"]), len(body))
        self.assertEqual(body, b"ab\x00cd\x00\x00ef" * 4)

    def test_malformed_requests(self):
        cases = [  # (request, status)
            (b"GET /\r\n\r\n", 400),
            (b"POST /test/zeros HTTP/1.1\r\nContent-Length: 0\r\n\r\n", 405),
            (b"GET /nowhere HTTP/1.1\r\n\r\n", 404),
        ]
        for request, expected in cases:
            with self.subTest(request=request):
                self.assertEqual(raw_exchange(self.port, request)[0], expected)

    def test_http_client_reads_a_page(self):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=5)
        connection.request("GET", detail_target("教育一", "Moonrill"))
        response = connection.getresponse()
        self.assertEqual(response.status, 200)
        self.assertEqual(read_fields(response.read())["duoRank"], 88)
        connection.close()


class LifecycleTest(unittest.TestCase):
    def test_listens_on_loopback_only(self):
        process, port, _ = start_service()
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=2):
                pass
            if sys.platform.startswith("linux"):  # all of 127/8 reaches lo here
                with self.assertRaises(ConnectionRefusedError):
                    socket.create_connection(("127.0.0.2", port), timeout=2).close()
        finally:
            process.terminate()
            process.communicate(timeout=5)

    def test_refuses_other_hosts(self):
        for host in ("0.0.0.0", "::", "192.168.1.10"):
            with self.subTest(host=host):
                result = subprocess.run([sys.executable, SERVICE, "--host", host, "--port", "0"],
                                        capture_output=True, timeout=10)
                self.assertNotEqual(result.returncode, 0)
                self.assertIn(b"127.0.0.1 only", result.stderr)

    def test_sigterm_ends_it_promptly_despite_a_stalled_answer(self):
        process, port, port_file = start_service()
        with socket.create_connection(("127.0.0.1", port), timeout=5) as stalled:
            stalled.sendall(b"GET /scenario/stall HTTP/1.1\r\n\r\n")
            time.sleep(0.2)
            process.send_signal(signal.SIGTERM)
            out, _ = process.communicate(timeout=5)
        self.assertEqual(process.returncode, 0)
        self.assertEqual(out, b"")
        self.assertFalse(os.path.exists(port_file))

    def test_start_and_stop_scripts(self):
        folder = tempfile.mkdtemp(dir=SCRATCH.name)
        port_file, pid_file = os.path.join(folder, "port"), os.path.join(folder, "pid")
        env = dict(os.environ, PYTHON=sys.executable)
        subprocess.run([os.path.join(HERE, "start_service.sh"), port_file, pid_file], check=True, timeout=15, env=env)
        with open(port_file) as f:
            port = int(f.read())
        with open(pid_file) as f:
            pid = int(f.read())
        self.assertEqual(get(port, "/scenario/empty")[0], 200)
        subprocess.run([os.path.join(HERE, "stop_service.sh"), pid_file], check=True, timeout=15)
        with self.assertRaises(ProcessLookupError):
            os.kill(pid, 0)
        self.assertFalse(os.path.exists(pid_file))

        failed = subprocess.run([os.path.join(HERE, "start_service.sh"), port_file, pid_file, "--host", "0.0.0.0"],
                                capture_output=True, timeout=15, env=env)
        self.assertNotEqual(failed.returncode, 0)
        self.assertIn(b"127.0.0.1 only", failed.stderr)


if __name__ == "__main__":
    unittest.main()
