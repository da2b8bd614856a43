"""The built site in a real browser: Debian's Chromium, headless, driven through its DevTools
protocol over a pipe (no port, no network), the site served from the loopback address as a
host would serve it. The start page, the API page and a search for SemVer load without a
single error on the console, and the search finds the API page."""

from __future__ import annotations

import functools
import http.server
import json
import os
import queue
import shutil
import subprocess
import threading
import time

import pytest

TIMEOUT = 30.0  # seconds for any one answer of the browser


class DevTools:
    """One headless Chromium and the protocol messages over its pipe: requests by id, events
    collected as they come."""

    def __init__(self, chromium: str, profile: str) -> None:
        to_browser_read, self._to_browser = os.pipe()
        self._from_browser, from_browser_write = os.pipe()
        # The protocol pipe is the browser's file descriptors 3 (its input) and 4 (its output).
        command = [
            chromium,
            "--headless",
            "--remote-debugging-pipe",
            "--no-sandbox",
            "--disable-gpu",
            "--no-first-run",
            "--no-default-browser-check",
            "--disable-extensions",
            "--disable-background-networking",
            "--disable-component-update",
            "--disable-sync",
            f"--user-data-dir={profile}",
            "about:blank",
        ]
        shell = f'exec "$@" 3<&{to_browser_read} 4>&{from_browser_write}'
        self.process = subprocess.Popen(
            ["bash", "-c", shell, "chromium", *command],
            pass_fds=(to_browser_read, from_browser_write),
            stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL,
        )
        os.close(to_browser_read)
        os.close(from_browser_write)
        self._next_id = 0
        self._answers: dict[int, queue.Queue] = {}
        self.events: queue.Queue = queue.Queue()
        self._lock = threading.Lock()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self) -> None:
        buffer = b""
        with os.fdopen(self._from_browser, "rb", buffering=0) as stream:
            while chunk := stream.read(65536):
                buffer += chunk
                *messages, buffer = buffer.split(b"\0")
                for raw in messages:
                    message = json.loads(raw)
                    if "id" in message:
                        self._answers[message["id"]].put(message)
                    else:
                        self.events.put(message)

    def call(self, method: str, session: str | None = None, **params):
        with self._lock:
            self._next_id += 1
            number = self._next_id
            self._answers[number] = queue.Queue()
        message = {"id": number, "method": method, "params": params}
        if session:
            message["sessionId"] = session
        os.write(self._to_browser, json.dumps(message).encode() + b"\0")
        answer = self._answers[number].get(timeout=TIMEOUT)
        if "error" in answer:
            raise RuntimeError(f"{method}: {answer['error']}")
        return answer["result"]

    def close(self) -> None:
        try:
            self.call("Browser.close")
        except (RuntimeError, OSError, queue.Empty):
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self._to_browser)


class Tab:
    """A page of the browser with its console watched from the start."""

    def __init__(self, browser: DevTools) -> None:
        self.browser = browser
        target = browser.call("Target.createTarget", url="about:blank")["targetId"]
        self.session = browser.call("Target.attachToTarget", targetId=target, flatten=True)[
            "sessionId"
        ]
        self.problems: list[str] = []
        for domain in ("Runtime", "Log", "Page"):
            browser.call(f"{domain}.enable", session=self.session)

    def _take_events(self, until: str | None = None, timeout: float = TIMEOUT) -> None:
        """Reads events into the list of problems, until the event `until` comes for this tab."""
        deadline = time.monotonic() + timeout
        while True:
            try:
                event = self.browser.events.get(timeout=0.05 if until is None else 0.5)
            except queue.Empty:
                if until is None:
                    return
                if time.monotonic() > deadline:
                    raise TimeoutError(f"no {until} within {timeout} s") from None
                continue
            if event.get("sessionId") != self.session:
                continue
            self._note(event)
            if event["method"] == until:
                return

    def _note(self, event: dict) -> None:
        method, params = event["method"], event.get("params", {})
        if method == "Runtime.exceptionThrown":
            details = params["exceptionDetails"]
            self.problems.append(
                f"exception: {details.get('exception', {}).get('description', details)}"
            )
        elif method == "Runtime.consoleAPICalled" and params["type"] in ("error", "assert"):
            texts = [arg.get("value", arg.get("description", "")) for arg in params["args"]]
            self.problems.append(f"console.{params['type']}: {' '.join(map(str, texts))}")
        elif method == "Log.entryAdded" and params["entry"]["level"] == "error":
            entry = params["entry"]
            self.problems.append(f"log: {entry['text']} ({entry.get('url', '')})")

    def open(self, url: str) -> None:
        self.browser.call("Page.navigate", session=self.session, url=url)
        self._take_events(until="Page.loadEventFired")

    def evaluate(self, expression: str):
        self._take_events()
        result = self.browser.call(
            "Runtime.evaluate", session=self.session, expression=expression, returnByValue=True
        )
        return result["result"].get("value")

    def wait_for(self, expression: str, timeout: float = TIMEOUT):
        """The value of `expression` once it is truthy."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            value = self.evaluate(expression)
            if value:
                return value
            time.sleep(0.2)
        raise TimeoutError(f"{expression} stayed false for {timeout} s")


@pytest.fixture(scope="module")
def served_site(site):
    """The site over HTTP on the loopback address, as a documentation host serves it."""
    handler = functools.partial(QuietHandler, directory=str(site))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    yield f"http://127.0.0.1:{server.server_address[1]}"
    server.shutdown()
    server.server_close()


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, format, *args):  # noqa: A002 - the base class's signature
        pass


@pytest.fixture(scope="module")
def browser(tmp_path_factory):
    chromium = shutil.which("chromium")
    if chromium is None:
        pytest.fail("no chromium: scripts/docs installs Debian's chromium package")
    devtools = DevTools(chromium, str(tmp_path_factory.mktemp("chromium-profile")))
    yield devtools
    devtools.close()


@pytest.mark.parametrize(
    ("page", "heading"),
    [("index.html", "kolvi"), ("api.html", "Python API reference")],
)
def test_page_loads_without_console_errors(browser, served_site, page, heading):
    tab = Tab(browser)
    tab.open(f"{served_site}/{page}")
    assert tab.evaluate("document.querySelector('h1').textContent").startswith(heading)
    # The theme's scripts have run: the sidebar lists every page.
    assert tab.evaluate("document.querySelectorAll('.sidebar-tree a').length") >= 9
    assert tab.problems == []


def test_search_for_semver_finds_the_api_page(browser, served_site):
    tab = Tab(browser)
    tab.open(f"{served_site}/search.html?q=SemVer")
    links = tab.wait_for(
        """(() => {
            const summary = document.querySelector('#search-results .search-summary');
            if (!summary || !summary.textContent.startsWith('Search finished')) return null;
            return Array.from(document.querySelectorAll('#search-results ul.search a'))
                .map(a => a.getAttribute('href'));
        })()"""
    )
    assert any(link.split("#")[0] == "api.html" for link in links), links
    # Each page found gets a summary fetched from the page itself: let them all come, so that
    # a failed fetch would show on the console.
    tab.wait_for(
        "Array.from(document.querySelectorAll('#search-results li:not(.kind-object)'))"
        ".every(li => li.querySelector('.context'))"
    )
    assert tab.problems == []
