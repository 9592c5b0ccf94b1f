"""Headless Chromium driven through the DevTools protocol over a pipe (Python's standard library
only): open a page from disk, wait for it, run a probe in it, take screenshots and print it.

The browser runs with no network of its own (no sync, updates or QUIC) in a new empty profile,
so that one browser serves every page of a run. Every request a page makes is recorded, and so
is every error its console reports.
"""

import base64
import json
import os
import select
import shutil
import subprocess
import tempfile
import time

CHROMIUM = os.environ.get("CHROMIUM", "/usr/bin/chromium")


class ChromiumError(Exception):
    pass


class Browser:
    def __init__(self, width=1000, height=1400):
        if not os.access(CHROMIUM, os.X_OK):
            raise ChromiumError("%s not found (apt-get install chromium)" % CHROMIUM)
        self._profile = tempfile.mkdtemp(prefix="girth-chromium.")
        to_browser_r, self._to_browser = os.pipe()
        self._from_browser, from_browser_w = os.pipe()
        # The protocol pipe is the child's descriptors 3 (commands in) and 4 (answers out).
        self._proc = subprocess.Popen(
            [CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--disable-dev-shm-usage", "--hide-scrollbars", "--remote-debugging-pipe",
             "--window-size=%d,%d" % (width, height), "--user-data-dir=" + self._profile, "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            pass_fds=(3, 4), preexec_fn=lambda: _pipe_fds(to_browser_r, from_browser_w))
        os.close(to_browser_r)
        os.close(from_browser_w)
        self._buffer = b""
        self._next_id = 0
        self._events = []
        self.width, self.height = width, height
        target = self.call("Target.createTarget", url="about:blank")["targetId"]
        self._session = self.call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
        for domain in ("Page", "Runtime", "Network", "Log"):
            self.page_call(domain + ".enable")

    # -- protocol ------------------------------------------------------------------------------

    def _send(self, message):
        data = json.dumps(message).encode() + b"\0"
        while data:
            data = data[os.write(self._to_browser, data):]

    def _receive(self, deadline):
        while b"\0" not in self._buffer:
            if time.monotonic() > deadline:
                raise ChromiumError("no answer from Chromium in time")
            ready, _, _ = select.select([self._from_browser], [], [], 0.5)
            if ready:
                chunk = os.read(self._from_browser, 1 << 20)
                if not chunk:
                    raise ChromiumError("Chromium closed its protocol pipe")
                self._buffer += chunk
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def _call(self, session, method, timeout, params):
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params}
        if session:
            message["sessionId"] = session
        self._send(message)
        deadline = time.monotonic() + timeout
        while True:
            answer = self._receive(deadline)
            if answer.get("id") == self._next_id:
                if "error" in answer:
                    raise ChromiumError("%s: %s" % (method, answer["error"].get("message")))
                return answer.get("result", {})
            if "method" in answer:
                self._events.append(answer)

    def call(self, method, timeout=60, **params):
        return self._call(None, method, timeout, params)

    def page_call(self, method, timeout=60, **params):
        return self._call(self._session, method, timeout, params)

    def wait_event(self, method, timeout=60):
        deadline = time.monotonic() + timeout
        while True:
            for i, event in enumerate(self._events):
                if event["method"] == method:
                    return self._events.pop(i)
            self._events.append(self._receive(deadline))

    # -- pages ---------------------------------------------------------------------------------

    def open(self, path, scripts=True, timeout=60):
        """Loads a file and waits for its load event. Returns the seconds from the navigation
        request to that event. Resets the recorded requests and console errors."""
        self.page_call("Emulation.setScriptExecutionDisabled", value=not scripts)
        self.page_call("Emulation.setEmulatedMedia", media="screen")
        self._events.clear()
        url = "file://" + os.path.abspath(path)
        start = time.monotonic()
        self.page_call("Page.navigate", url=url)
        self.wait_event("Page.loadEventFired", timeout)
        self.url = url
        return time.monotonic() - start

    def requests(self):
        """URLs the page asked for besides itself, and that were not refused."""
        self.evaluate("0")  # collects the events that came in meanwhile
        # The protocol reports a request that the page's security policy refused too.
        refused = {e["params"]["requestId"] for e in self._events
                   if e["method"] == "Network.loadingFailed" and e["params"].get("blockedReason") == "csp"}
        return [e["params"]["request"]["url"] for e in self._events
                if e["method"] == "Network.requestWillBeSent" and e["params"]["request"]["url"] != self.url
                and e["params"]["requestId"] not in refused]

    def errors(self):
        """Script exceptions and console errors (a blocked resource or script among them)."""
        self.evaluate("0")
        found = []
        for e in self._events:
            if e["method"] == "Runtime.exceptionThrown":
                details = e["params"]["exceptionDetails"]
                found.append(details.get("exception", {}).get("description") or details.get("text"))
            elif e["method"] == "Log.entryAdded" and e["params"]["entry"]["level"] == "error":
                found.append(e["params"]["entry"]["text"])
            elif e["method"] == "Runtime.consoleAPICalled" and e["params"]["type"] == "error":
                found.append(" ".join(str(a.get("value", a.get("description"))) for a in e["params"]["args"]))
        return found

    def evaluate(self, expression, timeout=60):
        result = self.page_call("Runtime.evaluate", timeout, expression=expression, returnByValue=True,
                                awaitPromise=True)
        if "exceptionDetails" in result:
            details = result["exceptionDetails"]
            raise ChromiumError("probe failed: %s" % details.get("exception", {}).get("description", details))
        return result["result"].get("value")

    def box_of(self, selector):
        """The border box (x, y, width, height) of the first element matching `selector`, or
        None when it is not rendered. Works with scripts off."""
        root = self.page_call("DOM.getDocument", depth=0)["root"]["nodeId"]
        node = self.page_call("DOM.querySelector", nodeId=root, selector=selector)["nodeId"]
        if not node:
            return None
        try:
            quad = self.page_call("DOM.getBoxModel", nodeId=node)["model"]["border"]
        except ChromiumError:
            return None
        xs, ys = quad[0::2], quad[1::2]
        return min(xs), min(ys), max(xs) - min(xs), max(ys) - min(ys)

    def screenshot(self, path, full_height=None):
        params = {"format": "png"}
        if full_height:
            params["clip"] = {"x": 0, "y": 0, "width": self.width, "height": full_height, "scale": 1}
            params["captureBeyondViewport"] = True
        data = self.page_call("Page.captureScreenshot", **params)["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))

    def print_pdf(self, path):
        """Chromium's print to PDF with the page's own print styles, A4."""
        self.page_call("Emulation.setEmulatedMedia", media="")
        data = self.page_call("Page.printToPDF", timeout=120, printBackground=True, paperWidth=8.27,
                              paperHeight=11.69, preferCSSPageSize=True)["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))

    def close(self):
        try:
            self.call("Browser.close", timeout=10)
        except (ChromiumError, OSError):
            pass
        try:
            self._proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self._proc.kill()
            self._proc.wait()
        os.close(self._to_browser)
        os.close(self._from_browser)
        shutil.rmtree(self._profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def _pipe_fds(read_end, write_end):
    # Moved out of the way first: either end may itself be descriptor 3 or 4.
    import fcntl
    read_end = fcntl.fcntl(read_end, fcntl.F_DUPFD, 10)
    write_end = fcntl.fcntl(write_end, fcntl.F_DUPFD, 10)
    os.dup2(read_end, 3)
    os.dup2(write_end, 4)
