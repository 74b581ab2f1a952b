#!/usr/bin/env python3
"""browser_check.py WINE_LOADER KAVROSERVE.exe HANG_S: kavroserve's page in
Debian's chromium, headless, driven over its debugging pipe (no port of its
own) and resolving nothing but 127.0.0.1. The picture changes; after the
server is restarted on the same port it changes again: the page reconnected
by itself. Stops all it starts; each wait fails a hang only."""
import json, os, select, shutil, signal, socket, subprocess, sys, tempfile, time
import urllib.request

loader, exe, hang_s = sys.argv[1], sys.argv[2], int(sys.argv[3])
# The <img>'s size and a sum of its pixels, read back through a canvas.
PICTURE = """(() => { const img = document.getElementById("view");
  if (!img || !img.complete || !img.naturalWidth) return "";
  const canvas = document.createElement("canvas"), context = canvas.getContext("2d");
  [canvas.width, canvas.height] = [img.naturalWidth, img.naturalHeight];
  context.drawImage(img, 0, 0);
  let sum = 0;
  for (const byte of context.getImageData(0, 0, canvas.width, canvas.height).data)
    sum = (sum * 31 + byte) >>> 0;
  return canvas.width + "x" + canvas.height + " " + sum; })()"""
NOTE = 'document.getElementById("note").textContent'
direct = urllib.request.build_opener(urllib.request.ProxyHandler({}))  # whatever proxy is set


def until(what, check):
    end = time.monotonic() + hang_s
    while time.monotonic() < end:
        value = check()
        if value:
            return value
        time.sleep(0.2)
    raise RuntimeError("never came: " + what)


def stop(process, how=signal.SIGKILL):
    """Ends a process started here and every one it started."""
    if process is None:
        return
    try:
        os.killpg(process.pid, how)
        process.wait(hang_s)
    except subprocess.TimeoutExpired:
        pass
    try:
        os.killpg(process.pid, signal.SIGKILL)
        # killpg raises once none is left; poll collects the first.
        until("the end of group %d" % process.pid,
              lambda: process.poll() is not None and os.killpg(process.pid, 0))
    except ProcessLookupError:
        pass


def serve(port):
    server = subprocess.Popen([loader, exe, "--listen", "127.0.0.1:%d" % port],
                              start_new_session=True, stdout=subprocess.DEVNULL)

    def answers():
        try:
            return server.poll() is None and direct.open(
                "http://127.0.0.1:%d/status" % port, timeout=5).status == 200
        except OSError:
            return False
    try:
        until("kavroserve answering on port %d" % port, answers)
    except BaseException:
        stop(server)
        raise
    return server


class Chromium:
    """Commands to the browser on its pipe (fd 3 in, fd 4 out): NUL-ended JSON."""

    def __init__(self, profile):
        into, self.commands = os.pipe()
        self.answers, out = os.pipe()
        flags = ["--headless=new", "--remote-debugging-pipe", "--user-data-dir=" + profile,
                 "--no-proxy-server", "--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--disable-extensions", "--no-first-run", "--disable-gpu"]
        flags += ["--no-sandbox"] if os.geteuid() == 0 else []
        self.process = subprocess.Popen(
            ["chromium"] + flags + ["about:blank"], pass_fds=(3, 4), start_new_session=True,
            preexec_fn=lambda: [os.dup2(fd, wanted) for fd, wanted in
                                ((os.dup(into), 3), (os.dup(out), 4))],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(into)
        os.close(out)
        self.last, self.held, self.session = 0, b"", None

    def call(self, method, **params):
        self.last += 1
        message = dict(id=self.last, method=method, params=params)
        message.update({"sessionId": self.session} if self.session else {})
        os.write(self.commands, json.dumps(message).encode() + b"\0")
        end = time.monotonic() + hang_s
        while True:
            while b"\0" in self.held:
                text, self.held = self.held.split(b"\0", 1)
                answer = json.loads(text)
                if answer.get("id") == self.last:
                    if "error" in answer:
                        raise RuntimeError(method + ": " + str(answer["error"]))
                    return answer["result"]
            ready = select.select([self.answers], [], [], max(0, end - time.monotonic()))[0]
            piece = os.read(self.answers, 1 << 16) if ready else b""
            if not piece:
                raise RuntimeError(method + ": no answer from chromium")
            self.held += piece

    def page(self, expression):
        return self.call("Runtime.evaluate", expression=expression,
                         returnByValue=True)["result"].get("value", "")


def main():
    signal.signal(signal.SIGTERM, lambda *ignored: sys.exit("stopped from outside"))
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        port = probe.getsockname()[1]
    profile, server, browser = tempfile.mkdtemp(prefix="kavroserve-chromium-"), None, None
    try:
        server = serve(port)
        browser = Chromium(profile)
        target = browser.call("Target.createTarget", url="http://127.0.0.1:%d/" % port)
        browser.session = browser.call("Target.attachToTarget", targetId=target["targetId"],
                                       flatten=True)["sessionId"]

        def changes(what, last):
            return until(what, lambda: (lambda now: now not in ("", last) and now)(
                browser.page(PICTURE)))
        first = changes("a picture", "")
        if not first.startswith("96x72 "):
            raise RuntimeError("the picture is " + first)
        changes("the picture changing", first)
        stop(server, signal.SIGINT)
        server = None
        until("the page seeing the stream end", lambda: "again in" in browser.page(NOTE))
        frozen = browser.page(PICTURE)
        server = serve(port)
        changes("the picture going on", changes("the picture after the restart", frozen))
        print("PASS: the picture changed, and changed again after the restart")
        return 0
    except RuntimeError as failure:
        print("FAIL:", failure)
        return 1
    finally:
        stop(browser and browser.process)
        stop(server)
        shutil.rmtree(profile, ignore_errors=True)


sys.exit(main())
