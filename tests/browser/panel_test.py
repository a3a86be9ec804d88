#!/usr/bin/python3
"""The browser panel in a real headless Chromium, against tvq418d over tvq418-sim: a press
reaches the simulator and its lamp follows, a change at the simulator's console reaches the
lamps within 2 s over the WebSocket, a silent processor turns the lamps unknown, and a viewer
token gets the buttons greyed. With --screenshots DIR it also leaves the guide's pictures there.

Its Chinese texts are first checked against the controller's translation, with or without a
browser.

Usage: panel_test.py BIN_DIR SOURCE_DIR [--screenshots DIR]
Exit 77 (skipped) when Chromium is not installed."""

import json
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request
import xml.etree.ElementTree as ElementTree

BIN, SOURCE = sys.argv[1:3]

# A text the panel shares with the controller's main window, lamps or messages reads the same.
controller = {}
for context in ElementTree.parse(f"{SOURCE}/translations/tvq418_zh_CN.ts").iter("context"):
    if context.findtext("name") in ("CTVQ418ControlDlg", "IndicatorLamp", "Messages"):
        for message in context.iter("message"):
            controller.setdefault(message.findtext("source"), set()).add(message.findtext("translation"))
with open(f"{SOURCE}/src/core/web/panel/texts.json") as texts:
    shared = [(en, zh) for en, zh in json.load(texts)["zh"].items() if en in controller]
for en, zh in shared:
    assert zh in controller[en], f"the panel shows {en!r} as {zh!r}, the controller as {controller[en]}"
assert len(shared) >= 25, f"only {len(shared)} texts shared with the controller"

CHROMIUM = shutil.which("chromium") or "/usr/bin/chromium"
if not os.path.exists(CHROMIUM):
    print("SKIP: chromium is not installed (Debian packages chromium, chromium-driver)")
    sys.exit(77)

from selenium import webdriver  # noqa: E402 (only once Chromium is known to be there)
from selenium.webdriver.chrome.service import Service  # noqa: E402
from selenium.common.exceptions import (  # noqa: E402
    NoSuchElementException, StaleElementReferenceException)
from selenium.webdriver.common.action_chains import ActionChains  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402

SHOTS = sys.argv[sys.argv.index("--screenshots") + 1] if "--screenshots" in sys.argv else None
DESKTOP = (1366, 768)
PHONE = (390, 844)
work = tempfile.mkdtemp(prefix="tvq-panel-")
children = []


def wait_for(what, test, limit=10.0):
    """test()'s first true value within limit seconds, else the test fails naming what."""
    deadline = time.monotonic() + limit
    while True:
        try:
            value = test()
        except (NoSuchElementException, StaleElementReferenceException):
            value = None  # the page is still drawing its keys: look again
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"after {limit} s still not: {what}")
        time.sleep(0.05)


class Simulator:
    """tvq418-sim on a free port, its console on our pipes."""

    def __init__(self):
        self.process = subprocess.Popen(
            [f"{BIN}/tvq418-sim", "--tcp", "127.0.0.1:0", "--addresses", "1,2"],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        children.append(self.process)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        self.endpoint = wait_for("the simulator listens", lambda: self._line("tcp "))[4:]

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line.strip())

    def _line(self, prefix):
        try:
            line = self.lines.get(timeout=0.5)
        except queue.Empty:
            return None
        return line if line.startswith(prefix) else None

    def key(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()

    def status(self, address=1):
        self.key(f"status {address}")
        return wait_for("the simulator's status", lambda: self._line(f"addr={address} "))


def start_daemon(sim, *options):
    """tvq418d over the simulator on a free web port; its base URL."""
    own = os.path.join(work, f"daemon-{len(children)}")  # each its own journal folder
    os.mkdir(own)
    log = os.path.join(own, "log")
    with open(log, "w") as err:
        daemon = subprocess.Popen(
            [f"{BIN}/tvq418d", "--tcp", sim.endpoint, "--addresses", "1,2",
             "--socket", os.path.join(own, "hall.sock"), "--journal", os.path.join(own, "journal"),
             "--plans", os.path.join(work, "Planinfo.ini"), "--http", "127.0.0.1:0", *options],
            stderr=err)
    children.append(daemon)

    def url():
        with open(log) as text:
            for line in text:
                if "web on http://" in line:
                    return line.split("web on ")[1].split("/api/v1")[0]
        assert daemon.poll() is None, "tvq418d ended: " + open(log).read()
        return None
    return wait_for("tvq418d serves the web", url)


def post(base, path, body):
    request = urllib.request.Request(base + path, json.dumps(body).encode(),
                                     {"Content-Type": "application/json"})
    with urllib.request.urlopen(request, timeout=5) as answer:
        return json.load(answer)


def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for argument in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--lang=en-US",
                     f"--window-size={DESKTOP[0]},{DESKTOP[1]}"):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver_path = shutil.which("chromedriver") or "/usr/bin/chromedriver"
    return webdriver.Chrome(service=Service(driver_path), options=options)


def viewport(driver, size):
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
        "width": size[0], "height": size[1], "deviceScaleFactor": 1, "mobile": size == PHONE})


def pressed(driver, name):
    return driver.find_element(By.CSS_SELECTOR, f'.key[data-key="{name}"]').get_attribute("aria-pressed") == "true"


def shoot(driver, name):
    if not SHOTS:
        return
    driver.execute_script("document.activeElement.blur()")
    ActionChains(driver).move_to_element(driver.find_element(By.TAG_NAME, "h1")).perform()
    height = driver.execute_script("return Math.ceil(document.body.getBoundingClientRect().bottom) + 12")
    width = driver.execute_script("return innerWidth")
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
        "width": width, "height": height, "deviceScaleFactor": 1, "mobile": width == PHONE[0]})
    time.sleep(0.3)
    driver.save_screenshot(os.path.join(SHOTS, name + ".png"))


def fits(driver):
    return driver.execute_script("return document.documentElement.scrollWidth <= innerWidth")


def main():
    started = time.monotonic()
    sim = Simulator()
    base = start_daemon(sim)
    post(base, "/api/v1/plans", {"kind": "day", "time": "08:30:00", "source": "HDMI"})
    post(base, "/api/v1/plans", {"kind": "once", "time": "20:15:00", "source": "DVI",
                                 "date": time.strftime("%Y-%m-%d")})
    driver = browser()
    try:
        driver.get(base + "/")
        wait_for("the V1 lamp lit and the events open", lambda: pressed(driver, "V1") and
                 driver.find_element(By.TAG_NAME, "body").get_attribute("data-events") == "open")
        errors = [e for e in driver.get_log("browser") if e["level"] == "SEVERE"]
        assert not errors, f"the page logged errors: {errors}"
        # Every control can be told apart by a screen reader.
        for control in driver.find_elements(By.CSS_SELECTOR, "button:not([hidden]), select, input"):
            if control.is_displayed():
                assert control.accessible_name.strip(), control.get_attribute("outerHTML")

        driver.find_element(By.CSS_SELECTOR, '.key[data-key="HDMI"]').click()
        wait_for("the simulator shows HDMI", lambda: " main=HDMI " in sim.status())
        wait_for("the HDMI lamp lit", lambda: pressed(driver, "HDMI") and not pressed(driver, "V1"))
        # From the keyboard: Enter on a focused key presses it.
        driver.find_element(By.CSS_SELECTOR, '.key[data-key="FREEZE"]').send_keys(Keys.ENTER)
        wait_for("the simulator frozen", lambda: " freeze=on " in sim.status())
        wait_for("the FREEZE lamp lit", lambda: pressed(driver, "FREEZE"))

        # At the processor's own keys: the lamp follows within 2 s.
        changed = time.monotonic()
        sim.key("source 1 VGA1")
        wait_for("the VGA1 lamp lit", lambda: pressed(driver, "VGA1"), limit=2.0)
        print(f"a change at the simulator reached the lamp in {time.monotonic() - changed:.2f} s")

        assert fits(driver), "the desktop page scrolls sideways"
        shoot(driver, "web_panel")
        viewport(driver, PHONE)
        assert fits(driver), "the phone page scrolls sideways"
        shoot(driver, "web_panel_phone")
        driver.find_element(By.CSS_SELECTOR, "input[name=language][value=zh]").click()
        assert driver.find_element(By.CSS_SELECTOR, '.key[data-key="Cut"]').text == "无缝切换"
        shoot(driver, "web_panel_phone_zh")
        viewport(driver, DESKTOP)
        shoot(driver, "web_panel_zh")

        # A processor that stops answering: its lamps turn unknown, and say so.
        sim.key("mute 1 0")
        wait_for("the unknown notice", lambda: driver.find_element(By.ID, "unknown").is_displayed(), 15)
        lamp = driver.find_element(By.ID, "lamp-VGA1")
        assert "unknown" in lamp.get_attribute("class") and "未知" in lamp.get_attribute("textContent")
        sim.key("mute 1 none")

        # A viewer token: the page asks for it, then greys every key.
        tokens = os.path.join(work, "tokens")
        with open(os.open(tokens, os.O_WRONLY | os.O_CREAT, 0o600), "w") as out:
            out.write("desk viewer viewer-secret-0123456789\n")
        guarded = start_daemon(sim, "--tokens", tokens)
        driver.get(guarded + "/")
        field = wait_for("the token field", lambda: driver.find_element(By.ID, "token").is_displayed()
                         and driver.find_element(By.ID, "token"))
        field.send_keys("viewer-secret-0123456789", Keys.ENTER)
        wait_for("the viewer notice", lambda: driver.find_element(By.ID, "viewer").is_displayed())
        keys = driver.find_elements(By.CSS_SELECTOR, ".key")
        assert len(keys) == 24 and all(not key.is_enabled() for key in keys), "a viewer can press"
        wait_for("the VGA1 lamp shown to the viewer", lambda: pressed(driver, "VGA1"))
    finally:
        driver.quit()
    print(f"passed in {time.monotonic() - started:.1f} s")


try:
    main()
finally:
    for child in reversed(children):
        child.terminate()
        child.wait(5)
    shutil.rmtree(work, ignore_errors=True)
