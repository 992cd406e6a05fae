#!/usr/bin/python3
"""The browser suite of the extension face: one real browser (Chromium or Firefox ESR) with the
Kestrova extension and the real kestrova-host, the software token and the scripted Gui.bin
behind it, runs the pages of tests/e2e/pages served from 127.0.0.1. Prints one line per check
and ends with "N passed, M failed"; exits non-zero on any failure."""
import argparse
import http.server
import os
import shutil
import subprocess
import sys
import threading
import time
import traceback
import urllib.parse

import browsers

PIN_RIGHT = "read\nline 0\nline 1234\n"
PIN_WRONG = "read\nline 0\nline 0000\n"
PIN_CANCELLED = "read\nline -60\n"
# Keeps every PIN entry open a while, so calls are still running when the driver acts.
PIN_SLOW = "read\nsleep 1500\nline 0\nline 1234\n"
# Slow enough that many calls are made before the first PIN is entered.
PIN_UNHURRIED = "read\nsleep 200\nline 0\nline 1234\n"
# As the real program: the PIN that followed the request, else the one the user types (1234).
PIN_GIVEN_OR_TYPED = "read\nline 0\ninputline 2 1234\n"

# Before every page's own scripts: the verdict function the QtWebKit driver also gives, and
# a record of the console.
SHIM = b"""<script>
window.__kvLog = [];
(function () {
  var log = console.log;
  console.log = function () {
    window.__kvLog.push(Array.prototype.join.call(arguments, " "));
    return log.apply(console, arguments);
  };
  window.addEventListener("error", function (e) { window.__kvLog.push("uncaught: " + e.message); });
})();
window.kvTest = { done: function (passed, summary) {
  if (!window.__kvVerdict)
    window.__kvVerdict = { passed: !!passed, summary: String(summary || "") };
} };
</script>
"""


def serve(pages):
    # The pages load the page library as ../../../web/kestrova.js, which the browser asks for
    # as /web/kestrova.js.
    web = os.path.normpath(os.path.join(pages, "..", "..", "..", "web"))

    class Handler(http.server.SimpleHTTPRequestHandler):
        def __init__(self, *args, **kwargs):
            super().__init__(*args, directory=pages, **kwargs)

        def log_message(self, *args):
            pass

        def translate_path(self, path):
            name = urllib.parse.urlsplit(path).path
            if name.startswith("/web/") and "/" not in name[len("/web/"):]:
                return os.path.join(web, urllib.parse.unquote(name[len("/web/"):]))
            return super().translate_path(path)

        def do_GET(self):
            path = self.translate_path(self.path)
            if not path.endswith(".html") or not os.path.isfile(path):
                return super().do_GET()
            with open(path, "rb") as f:
                body = f.read()
            at = body.find(b"<head>")
            at = at + len(b"<head>") if at >= 0 else 0
            body = body[:at] + SHIM + body[at:]
            self.send_response(200)
            # A site's user content, kept from acting as the site.
            if "case=sandboxed-document" in self.path:
                self.send_header("Content-Security-Policy", "sandbox allow-scripts")
            self.send_header("Content-Type", "text/html; charset=utf-8")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class Suite:
    def __init__(self, args):
        self.args = args
        self.work = os.path.abspath(args.work)
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        self.token = os.path.join(self.work, "token")
        self.gui_script = os.path.join(self.work, "Gui.script")
        # A copy of its own, so that the processes of this suite's host are told apart.
        shutil.copytree(args.host_dir, os.path.join(self.work, "host"))
        self.host_program = os.path.join(self.work, "host", "kestrova-host")
        self.passed = 0
        self.failed = 0
        self.server = serve(os.path.abspath(args.pages))
        # A second server: a site of its own that the administrator's policy allows.
        self.policy_server = serve(os.path.abspath(args.pages))
        self.policy_site = "http://127.0.0.1:%d/" % self.policy_server.server_address[1]
        # Sites of their own for the attack pages: frames of ten origins, and one never asked.
        self.extra_servers = [serve(os.path.abspath(args.pages)) for _ in range(12)]
        self.extra_sites = ["http://127.0.0.1:%d/" % s.server_address[1]
                            for s in self.extra_servers]
        port = self.server.server_address[1]
        self.site = "http://127.0.0.1:%d/" % port
        self.other_site = "http://localhost:%d/" % port
        env = dict(os.environ, KVSOFTTOKEN_DIR=self.token, KESTROVA_GUI_SCRIPT=self.gui_script,
                   KESTROVA_GUI_RECORD=os.path.join(self.work, "Gui.record"))
        self.fresh_token(PIN_RIGHT)
        started = time.time()
        # Written as administrators do: with a path, a default port, or not an origin at all.
        policy_origin = self.policy_site.rstrip("/")
        managed = {"allowedOrigins": [self.policy_site],
                   "blockedOrigins": [self.site.rstrip("/"), "not an origin"],
                   "pinArgumentOrigins": [policy_origin],
                   "frameOrigins": {policy_origin: [self.extra_sites[0]]}}
        if args.browser == "chromium":
            self.browser = browsers.Chromium(self.work, os.path.abspath(args.extension),
                                             self.host_program, env, managed)
        else:
            self.browser = browsers.Firefox(self.work, os.path.abspath(args.xpi),
                                            self.host_program, env, managed)
        print("started %s in %.1f s" % (args.browser, time.time() - started), flush=True)
        self.main_tab = self.browser.tabs()[0]

    def check(self, name, ok, detail=""):
        if ok:
            self.passed += 1
            print("ok: %s %s" % (name, detail), flush=True)
        else:
            self.failed += 1
            print("FAILED: %s %s" % (name, detail), flush=True)

    def fresh_token(self, gui_script):
        shutil.rmtree(self.token, ignore_errors=True)
        subprocess.run([self.args.kvsofttoken, "--dir", self.token, "init", "--serial",
                        "KV0002API", "--label", "API token", "--pin", "1234"], check=True,
                       stdout=subprocess.DEVNULL)
        with open(self.gui_script, "w") as f:
            f.write(gui_script)

    def wait_for(self, expression, limit=20):
        deadline = time.time() + limit
        while time.time() < deadline:
            value = self.browser.script("return " + expression + ";")
            if value:
                return value
            time.sleep(0.1)
        return None

    def verdict(self, name, limit=40):
        verdict = self.wait_for("window.__kvVerdict", limit)
        for line in self.browser.script("return window.__kvLog || [];") or []:
            if line.startswith("FAILED") or line.startswith("uncaught"):
                print("  " + line, flush=True)
        if verdict is None:
            self.check(name, False, "(no verdict within %d s)" % limit)
        else:
            self.check(name, verdict["passed"], verdict["summary"])

    # The shared pages pass no PIN argument here (?pin=dialog): the extension refuses them.
    def page(self, name, site=None, gui_script=PIN_RIGHT, query=""):
        self.fresh_token(gui_script)
        query += ("&" if query else "?") + "pin=dialog"
        self.browser.navigate((site or self.other_site) + name + query)
        self.verdict(name + query)

    # The prompt's own page, opened in a tab of its own, answers as the user would, once its
    # buttons have woken up.
    def answer_prompt(self, origin, button, frame=None):
        query = "site=" + urllib.parse.quote(origin, safe="")
        if frame:
            query += "&frame=" + urllib.parse.quote(frame, safe="")
        if self.browser.prompts_open() is not None:
            opened = self.wait_until(lambda: any(url.endswith(query) for url in
                                                 self.browser.prompts_open()))
            self.check("a prompt names %s" % origin, opened)
        tab = self.browser.new_tab()
        self.browser.navigate(self.browser.base + "prompt.html?" + query)
        self.check("the prompt shows the site",
                   self.browser.script("return document.getElementById('site').textContent;")
                   == (frame or origin))
        if frame:
            self.check("the prompt shows the frame's top-level site", self.browser.script(
                "return document.getElementById('frame').textContent;") == origin)
        woke = self.wait_for("document.body.dataset.wokeAfter")
        self.check("the prompt's buttons wake up after a second", woke and int(woke) >= 1000,
                   str(woke))
        self.browser.click("#" + button)
        time.sleep(0.3)
        if tab in self.browser.tabs():
            self.browser.switch(tab)
            self.browser.close_tab()
        self.browser.switch(self.main_tab)

    def wait_until(self, test, limit=10):
        deadline = time.time() + limit
        while time.time() < deadline:
            if test():
                return True
            time.sleep(0.1)
        return False

    def permission(self, site, button, expect):
        origin = site.rstrip("/")
        self.browser.navigate(site + "extension-permission.html?expect=" + expect)
        self.wait_for("window.kvReady")
        self.browser.click("#start")
        self.answer_prompt(origin, button)
        self.verdict("permission %s: %s" % (button, origin))

    def revoke(self, site):
        origin = site.rstrip("/")
        self.browser.navigate(self.browser.base + "options.html")
        self.wait_for("document.querySelector('button[data-origin=\"%s\"]')" % origin)
        self.browser.click('button[data-origin="%s"]' % origin)
        gone = self.wait_until(lambda: not self.browser.script(
            "return document.querySelector('button[data-origin=\"%s\"]');" % origin))
        self.check("revoked on the options page: " + origin, gone)

    # The processes running the program, sorted.
    @staticmethod
    def pids_of(program):
        pids = []
        for entry in os.listdir("/proc"):
            try:
                if entry.isdigit() and os.readlink("/proc/%s/exe" % entry) == program:
                    pids.append(int(entry))
            except OSError:
                pass
        return sorted(pids)

    # The host processes that this suite's browser started: those running our host program.
    def host_pids(self):
        return self.pids_of(self.host_program)

    def tab_closed_while_calls_run(self):
        self.fresh_token(PIN_SLOW)
        before = self.host_pids()
        tab = self.browser.new_tab()
        self.browser.navigate(self.other_site + "extension-busy.html?pin=dialog")
        self.wait_for("window.kvStarted")
        time.sleep(0.3)
        self.browser.close_tab()
        self.browser.switch(self.main_tab)
        time.sleep(4)
        self.check("the host keeps serving after a tab closed during calls",
                   self.host_pids() == before and len(before) == 1, "%s %s" % (before,
                                                                       self.host_pids()))
        del tab
        self.page("callbacks.html")

    # The tab closes while the PIN dialog of its direct call waits for a user who never answers:
    # the dialog ends with the element, and the other pages are served as before.
    def tab_closed_during_direct_dialog(self):
        self.fresh_token("read\ntouch asked\nawait never\nline 0\nline 1234\n")
        asked = os.path.join(self.work, "host", "asked")
        if os.path.exists(asked):
            os.remove(asked)
        tab = self.browser.new_tab()
        self.browser.navigate(self.other_site + "extension-direct-dialog.html")
        self.check("direct call: the dialog opens", self.wait_until(lambda: os.path.exists(asked)))
        closed = time.time()
        self.browser.close_tab()
        self.browser.switch(self.main_tab)
        dialog = os.path.join(self.work, "host", "Gui.bin")
        ended = self.wait_until(lambda: not self.pids_of(dialog), limit=20)
        print("the dialog of the closed tab's direct call ended after %.2f s" %
              (time.time() - closed), flush=True)
        self.check("direct call: the dialog ends when its tab closes", ended)
        if not ended:
            open(os.path.join(self.work, "host", "never"), "w").close()
        del tab
        self.page("callbacks.html")

    def host_killed(self):
        self.fresh_token(PIN_SLOW)
        self.browser.navigate(self.other_site + "extension-host-killed.html?pin=dialog")
        self.wait_for("window.kvStarted")
        time.sleep(0.3)
        pids = self.host_pids()
        self.check("one host runs", len(pids) == 1, str(pids))
        for pid in pids:
            os.kill(pid, 9)
        with open(self.gui_script, "w") as f:
            f.write(PIN_RIGHT)
        self.verdict("host killed")
        self.check("a new host serves", len(self.host_pids()) == 1 and self.host_pids() != pids)

    # The scripted Gui.bin records the text it was sent: the host adds the asking site.
    def pin_dialog_names_the_site(self):
        with open(os.path.join(self.work, "Gui.record"), encoding="utf-8") as f:
            record = f.read()
        site = "\\x1F" + self.other_site.rstrip("/")
        self.check("the PIN-entry program is told the site", ("stdin " + site) in record,
                   record[-200:])

    # Sites the policy names are served or refused without asking.
    def policy(self):
        self.browser.navigate(self.policy_site + "extension-permission.html?expect=allowed")
        self.wait_for("window.kvReady")
        self.browser.click("#start")
        self.verdict("policy allows " + self.policy_site)
        self.browser.navigate(self.browser.base + "options.html")
        refused = self.wait_until(lambda: "not an origin" in (self.browser.script(
            "return document.getElementById('refused').textContent;") or ""))
        self.check("the options page names a policy entry that is not an origin", refused)
        self.browser.navigate(self.site + "extension-permission.html?expect=denied")
        self.wait_for("window.kvReady")
        self.browser.click("#start")
        self.verdict("policy blocks " + self.site)

    def no_prompt(self, case):
        if self.browser.prompts_open() is not None:
            self.check(case + ": no prompt opened", self.browser.prompts_open() == [],
                       str(self.browser.prompts_open()))

    def attack(self, case, url, gui_script=PIN_RIGHT, click=False):
        self.fresh_token(gui_script)
        self.browser.navigate(url)
        if click:
            self.wait_for("window.kvReady")
            self.browser.click("#start")
        self.verdict("attack: " + case)
        self.no_prompt(case)

    # One page per way past the extension; the allowed site is other_site.
    def attacks(self):
        site = self.other_site + "extension-attack.html?case="
        kiosk = self.policy_site + "extension-attack.html?case="
        self.attack("sandboxed document", site + "sandboxed-document", click=True)
        self.attack("sandboxed frame", site + "sandboxed-frame")
        self.attack("hidden third-party frame",
                    site + "hidden-frame&frames=" + self.extra_sites[0] + "attack-frame.html")
        self.attack("ten frames at once", site + "ten-frames&frames=" +
                    ",".join(s + "attack-frame.html" for s in self.extra_sites[:10]))
        record = os.path.join(self.work, "Gui.record")
        if os.path.exists(record):
            os.remove(record)
        self.attack("spoofed container name", site + "spoofed-name")
        with open(record, encoding="utf-8") as f:
            lines = [line for line in f.read().splitlines() if line.startswith("stdin ")]
        self.check("the PIN dialog gets the name as one line, the site after it",
                   lines[1:2] == ['stdin Main key". Requested by https://bank.example.\\x1F' +
                                  self.other_site.rstrip("/")], str(lines))
        os.remove(record)
        self.attack("PIN argument", site + "pin-argument&expect=refused", PIN_GIVEN_OR_TYPED)
        self.check("a refused PIN argument starts no PIN-entry program",
                   not os.path.exists(record))
        self.attack("wrong-PIN loop", site + "wrong-pin-loop&expect=refused", PIN_GIVEN_OR_TYPED)
        if self.browser.supports_policy:
            self.policy_frame()
            self.attack("PIN argument of a kiosk site",
                        kiosk + "pin-argument&expect=accepted",
                        PIN_GIVEN_OR_TYPED)
            self.attack("wrong-PIN loop of a kiosk site",
                        kiosk + "wrong-pin-loop&expect=limited",
                        PIN_GIVEN_OR_TYPED)
        # A site never asked: its messages are checked first, then 40 calls wait for a prompt.
        fresh = self.extra_sites[10]
        self.fresh_token(PIN_RIGHT)
        self.browser.navigate(fresh + "extension-attack.html?case=messages")
        self.wait_for("window.kvReady", 40)
        self.browser.click("#start")
        self.check("calls past the bound fail at once", self.wait_for("window.kvBusySeen"))
        self.answer_prompt(fresh.rstrip("/"), "deny")
        self.verdict("attack: oversized, unknown and too many messages")
        if self.browser.prompts_open() is not None:
            self.closed_prompt(self.extra_sites[11])

    # A frame the policy names inside the policy's site: asked for, after a click in it.
    def policy_frame(self):
        frame_site = self.extra_sites[0]
        self.fresh_token(PIN_RIGHT)
        self.browser.navigate(self.policy_site + "extension-attack.html?case=policy-frame&frames=" +
                              frame_site + "attack-frame.html?click")

        def click():
            try:
                self.browser.click_in_frame("iframe", "#start")
                return True
            except RuntimeError:
                return False
        self.check("a click in the frame", self.wait_until(click))
        self.answer_prompt(self.policy_site.rstrip("/"), "allow", frame_site.rstrip("/"))
        self.verdict("policy frame")

    # A prompt the user closes (only where the driver sees the prompt's window).
    def closed_prompt(self, site):
        url = site + "extension-attack.html?case=closed-prompt"
        self.browser.navigate(url)
        self.wait_for("window.kvReady")
        self.browser.click("#start")
        self.check("closed prompt: a prompt opens", self.wait_until(self.browser.prompts_open))
        self.browser.close_prompts()
        self.wait_for("window.kvAnswered === 1")
        self.browser.click("#start")
        self.verdict("attack: closed prompt")
        self.no_prompt("closed prompt, asked again in the same page")
        self.browser.navigate(url)
        self.wait_for("window.kvReady")
        self.browser.click("#start")
        self.answer_prompt(site.rstrip("/"), "deny")

    def run(self):
        try:
            if self.browser.supports_policy:
                self.policy()
            else:
                self.permission(self.site, "deny", "denied")
            self.permission(self.other_site, "always", "allowed")
            self.page("extension-api.html")
            self.pin_dialog_names_the_site()
            self.attacks()
            self.page("callbacks.html")
            for name in ("token-state.html", "containers.html", "signing.html",
                         "session-key-repair.html"):
                self.page(name)
            self.page("wrong-pin.html", gui_script=PIN_WRONG)
            self.page("pin-cancelled.html", gui_script=PIN_CANCELLED)
            self.page("library-methods.html")
            self.page("library-queue.html", gui_script=PIN_UNHURRIED)
            self.tab_closed_while_calls_run()
            self.tab_closed_during_direct_dialog()
            self.host_killed()
            self.revoke(self.other_site)
            self.permission(self.other_site, "deny", "denied")
        except Exception:
            self.check("the suite ran to its end", False, traceback.format_exc())
        finally:
            self.browser.quit()
            self.server.shutdown()
            self.policy_server.shutdown()
            for server in self.extra_servers:
                server.shutdown()
        print("%d passed, %d failed" % (self.passed, self.failed), flush=True)
        return 1 if self.failed else 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--browser", choices=["chromium", "firefox"], required=True)
    parser.add_argument("--extension", help="the unpacked extension (Chromium)")
    parser.add_argument("--xpi", help="the extension's XPI (Firefox)")
    parser.add_argument("--host-dir", required=True,
                        help="kestrova-host with kvpkcs11.so and Gui.bin beside it")
    parser.add_argument("--pages", required=True)
    parser.add_argument("--kvsofttoken", required=True)
    parser.add_argument("--work", required=True)
    sys.exit(Suite(parser.parse_args()).run())


if __name__ == "__main__":
    main()
