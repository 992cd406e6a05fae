"""The two real browsers behind one small interface: Chromium through chromedriver (Debian's
chromium-driver and python3-selenium), Firefox ESR through its own Marionette protocol (Debian
has no geckodriver). Each starts once per suite with a fresh profile that holds the extension
and the host manifest."""
import json
import os
import shutil
import socket
import subprocess
import time

EXTENSION_ID = "ppknchfgphpkhnonlmlinlgfpjhjnghh"  # from the "key" in manifest.json
GECKO_ID = "kestrova@kestrova.org"
GECKO_UUID = "6f1d3c2a-8e4b-4a5c-9d7e-2b3c4d5e6f70"  # fixed in the profile, so the URL is known
HOST_NAME = "org.kestrova.host"


def host_manifest(host_program, allowed):
    return {"name": HOST_NAME, "description": "Kestrova", "path": host_program,
            "type": "stdio", **allowed}


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Chromium:
    name = "chromium"
    base = "chrome-extension://%s/" % EXTENSION_ID

    # Chromium takes extension policy only from system folders, which a test leaves alone.
    supports_policy = False

    def __init__(self, work, extension_dir, host_program, env, managed=None):
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        profile = os.path.join(work, "chromium-profile")
        os.makedirs(os.path.join(profile, "NativeMessagingHosts"))
        with open(os.path.join(profile, "NativeMessagingHosts", HOST_NAME + ".json"), "w") as f:
            json.dump(host_manifest(host_program,
                                    {"allowed_origins": [self.base]}), f)
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for arg in ["--headless=new", "--no-sandbox", "--user-data-dir=" + profile,
                    "--load-extension=" + extension_dir,
                    "--disable-extensions-except=" + extension_dir,
                    "--no-first-run", "--disable-gpu", "--disable-dev-shm-usage"]:
            options.add_argument(arg)
        service = Service("/usr/bin/chromedriver", env=env)
        self.driver = webdriver.Chrome(service=service, options=options)
        self.driver.set_script_timeout(30)

    def navigate(self, url):
        self.driver.get(url)

    def script(self, source):
        return self.driver.execute_script(source)

    def click(self, css):
        from selenium.webdriver.common.by import By
        self.driver.find_element(By.CSS_SELECTOR, css).click()

    def tabs(self):
        return list(self.driver.window_handles)

    def new_tab(self):
        self.driver.switch_to.new_window("tab")
        return self.driver.current_window_handle

    def switch(self, handle):
        self.driver.switch_to.window(handle)

    def close_tab(self):
        self.driver.close()

    def prompt_targets(self):
        targets = self.driver.execute_cdp_cmd("Target.getTargets", {})["targetInfos"]
        return [t for t in targets if t["url"].startswith(self.base + "prompt.html")]

    def prompts_open(self):
        return [t["url"] for t in self.prompt_targets()]

    # Closes the prompts as a user closes their windows, without an answer.
    def close_prompts(self):
        for target in self.prompt_targets():
            self.driver.execute_cdp_cmd("Target.closeTarget", {"targetId": target["targetId"]})

    def quit(self):
        self.driver.quit()


class Marionette:
    """The few WebDriver commands the suites need, over Marionette's own framing
    ("length:json")."""

    def __init__(self, port):
        deadline = time.time() + 30
        while True:
            try:
                self.sock = socket.create_connection(("127.0.0.1", port), timeout=60)
                break
            except OSError:
                if time.time() > deadline:
                    raise
                time.sleep(0.2)
        self.buffer = b""
        self.next_id = 1
        self.receive()  # the greeting

    def receive(self):
        while b":" not in self.buffer:
            self.buffer += self.sock.recv(65536)
        length, _, rest = self.buffer.partition(b":")
        length = int(length)
        while len(rest) < length:
            rest += self.sock.recv(65536)
        self.buffer = rest[length:]
        return json.loads(rest[:length])

    def command(self, name, params=None):
        msg_id = self.next_id
        self.next_id += 1
        data = json.dumps([0, msg_id, name, params or {}]).encode()
        self.sock.sendall(str(len(data)).encode() + b":" + data)
        while True:
            reply = self.receive()
            if reply[0] == 1 and reply[1] == msg_id:
                if reply[2]:
                    raise RuntimeError("%s: %s" % (name, reply[2].get("message", reply[2])))
                return reply[3]


class Firefox:
    name = "firefox"
    supports_policy = True
    base = "moz-extension://%s/" % GECKO_UUID

    def __init__(self, work, xpi, host_program, env, managed=None):
        profile = os.path.join(work, "firefox-profile")
        os.makedirs(os.path.join(profile, "extensions"))
        shutil.copy(xpi, os.path.join(profile, "extensions", GECKO_ID + ".xpi"))
        port = free_port()
        prefs = {
            "xpinstall.signatures.required": False,
            "extensions.autoDisableScopes": 0,
            "extensions.enabledScopes": 15,
            "extensions.webextensions.uuids": json.dumps({GECKO_ID: GECKO_UUID}),
            "marionette.port": port,
            "browser.shell.checkDefaultBrowser": False,
            "browser.startup.homepage_override.mstone": "ignore",
            "datareporting.policy.dataSubmissionEnabled": False,
            "toolkit.telemetry.reportingpolicy.firstRun": False,
            "app.update.disabledForTesting": True,
            "network.proxy.type": 0,
        }
        with open(os.path.join(profile, "user.js"), "w") as f:
            for key, value in prefs.items():
                f.write("user_pref(%s, %s);\n" % (json.dumps(key), json.dumps(value)))
        # Firefox reads host manifests from $HOME/.mozilla/native-messaging-hosts.
        home = os.path.join(work, "firefox-home")
        hosts = os.path.join(home, ".mozilla", "native-messaging-hosts")
        os.makedirs(hosts)
        with open(os.path.join(hosts, HOST_NAME + ".json"), "w") as f:
            json.dump(host_manifest(host_program, {"allowed_extensions": [GECKO_ID]}), f)
        # An administrator's policy for the extension: a managed-storage manifest.
        if managed is not None:
            storage = os.path.join(home, ".mozilla", "managed-storage")
            os.makedirs(storage)
            with open(os.path.join(storage, GECKO_ID + ".json"), "w") as f:
                json.dump({"name": GECKO_ID, "description": "Kestrova policy", "type": "storage",
                           "data": managed}, f)
        env = dict(env, HOME=home, MOZ_HEADLESS="1")
        self.process = subprocess.Popen(
            ["firefox-esr", "--headless", "--marionette", "-remote-allow-system-access", "--no-remote",
             "--profile", profile],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.m = Marionette(port)
        self.m.command("WebDriver:NewSession", {"capabilities": {}})

    def navigate(self, url):
        if not url.startswith("moz-extension:"):
            self.m.command("WebDriver:Navigate", {"url": url})
            return
        # A content page may not open the extension's pages; the browser's own window may.
        self.m.command("Marionette:SetContext", {"value": "chrome"})
        try:
            self.m.command("WebDriver:ExecuteScript", {
                "script": "window.openTrustedLinkIn(arguments[0], 'current');", "args": [url]})
        finally:
            self.m.command("Marionette:SetContext", {"value": "content"})
        deadline = time.time() + 10
        while time.time() < deadline:
            if self.script("return document.readyState;") == "complete" and \
                    self.m.command("WebDriver:GetCurrentURL")["value"].startswith(url[:40]):
                return
            time.sleep(0.1)

    def script(self, source):
        return self.m.command("WebDriver:ExecuteScript", {"script": source, "args": []})["value"]

    def click(self, css):
        element = self.m.command("WebDriver:FindElement",
                                 {"using": "css selector", "value": css})["value"]
        self.m.command("WebDriver:ElementClick", {"id": list(element.values())[0]})

    # Clicks css inside the page's frame found by frame_css, as a user clicking in the frame.
    def click_in_frame(self, frame_css, css):
        frame = self.m.command("WebDriver:FindElement",
                               {"using": "css selector", "value": frame_css})["value"]
        self.m.command("WebDriver:SwitchToFrame", {"id": frame})
        try:
            self.click(css)
        finally:
            self.m.command("WebDriver:SwitchToParentFrame")

    def tabs(self):
        return self.m.command("WebDriver:GetWindowHandles")

    def new_tab(self):
        handle = self.m.command("WebDriver:NewWindow", {"type": "tab"})["handle"]
        self.switch(handle)
        return handle

    def switch(self, handle):
        self.m.command("WebDriver:SwitchToWindow", {"handle": handle})

    def close_tab(self):
        self.m.command("WebDriver:CloseWindow")

    def prompts_open(self):
        return None  # not visible to Marionette's content context

    def quit(self):
        try:
            self.m.command("Marionette:Quit")
        except Exception:
            pass
        try:
            self.process.wait(timeout=15)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
