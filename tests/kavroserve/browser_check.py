#!/usr/bin/env python3
"""browser_check.py WINE_LOADER KAVROSERVE.exe HANG_S

kavroserve's page in Debian's chromium, headless: the picture it shows
changes, and after the server is restarted on the same port it changes
again, so the page reconnected by itself. Chromium is driven over its
debugging pipe (no port of its own) and reaches nothing but 127.0.0.1.
Everything started here is stopped here; each wait fails a hang only."""
import json
import os
import select
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

loader, exe, hang_s = sys.argv[1], sys.argv[2], int(sys.argv[3])

# What the page's <img> shows: its size and a sum of its pixels, read back
# through a canvas; "" before a picture.
PICTURE = """(() => {
  const img = document.getElementById("view");
  if (!img || !img.complete || !img.naturalWidth) return "";
  const canvas = document.createElement("canvas");
  canvas.width = img.naturalWidth;
  canvas.height = img.naturalHeight;
  const context = canvas.getContext("2d");
  context.drawImage(img, 0, 0);
  let sum = 0;
  for (const byte of context.getImageData(0, 0, canvas.width, canvas.height).data)
    sum = (sum * 31 + byte) >>> 0;
  return canvas.width + "x" + canvas.height + " " + sum;
})()"""


class Chromium:
    """Commands to chromium's browser over the pipe: NUL-ended JSON."""

    def __init__(self, profile):
        to_chromium, self.commands = os.pipe()
        self.answers, from_chromium = os.pipe()

        def pipe_fds():  # chromium reads fd 3 and writes fd 4
            high = os.dup(to_chromium), os.dup(from_chromium)
            os.dup2(high[0], 3)
            os.dup2(high[1], 4)

        flags = ["--headless=new", "--remote-debugging-pipe", "--user-data-dir=" + profile,
                 "--no-proxy-server", "--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--disable-default-apps", "--disable-extensions",
                 "--no-first-run", "--disable-gpu", "--mute-audio", "about:blank"]
        if os.geteuid() == 0:
            flags.insert(1, "--no-sandbox")
        self.process = subprocess.Popen(["chromium"] + flags, preexec_fn=pipe_fds,
                                        pass_fds=(3, 4), start_new_session=True,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_chromium)
        os.close(from_chromium)
        self.next_id, self.held = 0, b""

    def call(self, method, session=None, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if session:
            message["sessionId"] = session
        os.write(self.commands, json.dumps(message).encode() + b"\0")
        end = time.monotonic() + hang_s
        while True:
            while b"\0" in self.held:
                text, self.held = self.held.split(b"\0", 1)
                answer = json.loads(text)
                if answer.get("id") == self.next_id:
                    if "error" in answer:
                        raise RuntimeError(method + ": " + str(answer["error"]))
                    return answer["result"]
            left = end - time.monotonic()
            if left <= 0 or not select.select([self.answers], [], [], left)[0]:
                raise RuntimeError(method + ": no answer from chromium")
            piece = os.read(self.answers, 1 << 16)
            if not piece:
                raise RuntimeError(method + ": chromium ended")
            self.held += piece

    def stop(self):
        stop_group(self.process)


def stop_group(process, how=signal.SIGKILL):
    """Ends a process started here and all it started: how first, then a kill."""
    if process is None:
        return
    if process.poll() is None:
        os.killpg(process.pid, how)
    try:
        process.wait(hang_s)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()
    # Its children too (chromium's renderers, Wine's helpers).
    try:
        os.killpg(process.pid, signal.SIGKILL)
        until("the processes of %d ending" % process.pid, lambda: not group_alive(process.pid))
    except ProcessLookupError:
        pass


def group_alive(group):
    try:
        os.killpg(group, 0)
        return True
    except ProcessLookupError:
        return False


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def until(what, check):
    """check()'s first true value; fails after hang_s."""
    end = time.monotonic() + hang_s
    while time.monotonic() < end:
        value = check()
        if value:
            return value
        time.sleep(0.2)
    raise RuntimeError("never came: " + what)


# Straight to the server, whatever proxy the environment names.
direct = urllib.request.build_opener(urllib.request.ProxyHandler({}))


def answers_status(port):
    try:
        with direct.open("http://127.0.0.1:%d/status" % port, timeout=5) as answer:
            return answer.status == 200
    except OSError:
        return False


def start_server(port):
    server = subprocess.Popen([loader, exe, "--listen", "127.0.0.1:%d" % port],
                              start_new_session=True, stdout=subprocess.DEVNULL)
    until("kavroserve answering on port %d" % port,
          lambda: server.poll() is None and answers_status(port))
    return server


def main():
    signal.signal(signal.SIGTERM, lambda *ignored: sys.exit("stopped from outside"))
    port, profile = free_port(), tempfile.mkdtemp(prefix="kavroserve-chromium-")
    server = browser = None
    try:
        server = start_server(port)
        browser = Chromium(profile)
        target = browser.call("Target.createTarget", url="http://127.0.0.1:%d/" % port)
        session = browser.call("Target.attachToTarget", targetId=target["targetId"],
                               flatten=True)["sessionId"]

        def page(expression):
            return browser.call("Runtime.evaluate", session, expression=expression,
                                returnByValue=True)["result"].get("value", "")

        def changes(what, last):
            return until(what, lambda: (lambda now: now not in ("", last) and now)(page(PICTURE)))

        first = changes("a picture", "")
        if not first.startswith("96x72 "):
            raise RuntimeError("the picture is " + first)
        changes("the picture changing", first)
        stop_group(server, signal.SIGINT)
        server = None
        until("the page seeing the stream end",
              lambda: "again in" in page('document.getElementById("note").textContent'))
        frozen = page(PICTURE)
        server = start_server(port)
        after = changes("the picture changing after the restart", frozen)
        changes("the picture going on changing after the restart", after)
        print("PASS: the picture changed, and changed again after the restart")
        return 0
    except RuntimeError as failure:
        print("FAIL:", failure)
        return 1
    finally:
        if browser:
            browser.stop()
        stop_group(server)
        shutil.rmtree(profile, ignore_errors=True)


sys.exit(main())
