"""The hstview page in headless Chromium: it loads, the tag search filters, a chart is drawn,
a drag-zoom asks for a finer range, the readout shows a stored value, and a screenshot is taken.
Then, on generated files: the chart drawn from the server's M4 points has exactly the pixels of
the same chart drawn from every sample (a million of them); a drag-zoom asks the server for the
finer range and the readout shows a known sample's value and time; the page's exports are the
bytes hstexport writes; live mode shows records appended to the served file.

Usage: browser_test.py HSTVIEW HSTGEN HSTEXPORT EXAMPLES_DIR SCREENSHOT_PATH
"""
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait


def start_viewer(program, *paths):
    viewer = subprocess.Popen([program, "--port", "0", *paths], stdout=subprocess.PIPE, text=True)
    line = viewer.stdout.readline()
    address = line[line.index("http://"):].strip()
    return viewer, address


def drawn_pixels(driver, canvas):
    # Pixels that are not blank on the chart's canvas.
    return driver.execute_script(
        """const c = arguments[0]; const d = c.getContext('2d')
               .getImageData(0, 0, c.width, c.height).data;
           let n = 0; for (let i = 3; i < d.length; i += 4) if (d[i] !== 0) n++; return n;""",
        canvas)


def view_range(driver):
    fragment = driver.execute_script("return location.hash.slice(1)")
    params = dict(p.split("=", 1) for p in fragment.split("&"))
    return float(params["from"]), float(params["to"])


def examples_page(driver, wait, program, folder, screenshot):
    viewer, address = start_viewer(program, folder)
    try:
        driver.get(address)
        wait.until(lambda d: len(d.find_elements(By.CSS_SELECTOR, "#tags li")) == 7)
        search = driver.find_element(By.ID, "search")
        search.send_keys("Tank?")
        names = [e.text.split("\n")[0] for e in driver.find_elements(By.CSS_SELECTOR, "#tags li")]
        assert names == ["Tank1", "Tank2"], names
        for index in range(2):  # the list is drawn anew after each click
            driver.find_elements(By.CSS_SELECTOR, "#tags li")[index].click()
        # The chart: a panel with both tags, its canvas drawn, the view in the address.
        wait.until(lambda d: "Tank1%2CTank2" in d.current_url or "Tank1,Tank2" in d.current_url)
        canvas = driver.find_element(By.CSS_SELECTOR, ".panel canvas")
        wait.until(lambda d: drawn_pixels(d, canvas) > 500)

        # A drag over the middle zooms: the range in the address narrows.
        before = view_range(driver)
        over = driver.find_element(By.CSS_SELECTOR, ".panel .u-over")
        width = over.size["width"]
        ActionChains(driver).move_to_element_with_offset(over, -width // 4, 0).click_and_hold() \
            .move_by_offset(width // 2, 0).release().perform()
        wait.until(lambda d: view_range(d)[1] - view_range(d)[0] < (before[1] - before[0]) * 0.75)
        wait.until(lambda d: drawn_pixels(d, canvas) > 200)

        # Back to everything, then the readout under the first sample shows its stored value.
        driver.execute_script("document.querySelector('[data-preset=all]').click()")
        wait.until(lambda d: abs((view_range(d)[1] - view_range(d)[0]) - (before[1] - before[0])) < 1)
        time.sleep(0.5)
        readout = driver.find_element(By.ID, "readout")
        for x in range(-width // 2 + 2, -width // 2 + 60, 2):
            ActionChains(driver).move_to_element_with_offset(over, x, 0).perform()
            if "Tank1 = 3.14159" in readout.text:
                break
        assert "Tank1 = 3.14159" in readout.text, readout.text
        assert "2011-03-04" in readout.text, readout.text

        # The screenshot: two panels over the compact example's hour, in UTC.
        driver.get(address + "#tags=Tank1,Tank2|Flow2,Temp3&from=1299225570&to=1299226170&tz=UTC")
        driver.refresh()
        wait.until(lambda d: len(d.find_elements(By.CSS_SELECTOR, ".panel canvas")) == 2)
        wait.until(lambda d: all(drawn_pixels(d, c) > 500
                                 for c in d.find_elements(By.CSS_SELECTOR, ".panel canvas")))
        driver.find_element(By.ID, "search").send_keys("T*")
        second = driver.find_elements(By.CSS_SELECTOR, ".panel .u-over")[0]
        ActionChains(driver).move_to_element_with_offset(second, 40, 0).perform()
        driver.save_screenshot(screenshot)
    finally:
        viewer.terminate()
        viewer.wait(10)


def open_view(driver, wait, address, view):
    """Opens the page on a view and waits until its first chart is drawn from the server's
    points for that view's range."""
    driver.get("about:blank")
    driver.get(address + "#" + view)
    wait.until(lambda d: d.execute_script(
        "return typeof charts !== 'undefined' && charts.length > 0 && charts[0].tags.length > 0"
        " && charts[0].plot.data[0].length > 0"))
    time.sleep(0.3)  # a refresh the window's first layout asked for draws last


def series_requests(driver):
    # The /api/series requests the page made, as their parameters.
    names = driver.execute_script(
        "return performance.getEntriesByType('resource').map((e) => e.name)"
        ".filter((n) => n.includes('/api/series'))")
    return [dict(urllib.parse.parse_qsl(urllib.parse.urlsplit(n).query)) for n in names]


CANVAS_PIXELS = """const c = document.querySelector('.panel canvas');
    return Array.from(c.getContext('2d').getImageData(0, 0, c.width, c.height).data);"""


def m4_draws_every_sample_pixel(driver, wait, address, first, last):
    """The chart of a million samples drawn from the server's M4 points, and drawn from every
    sample by the same chart code: identical canvas pixels."""
    margin = (last - first) * 0.01 + 0.37  # column edges between whole seconds
    open_view(driver, wait, address, f"tags=Tag001&from={first - margin}&to={last + margin}&tz=UTC")
    drawn = driver.execute_script("return charts[0].plot.data[0].length")
    assert 0 < drawn < 10000, f"{drawn} points drawn: not the M4 points"
    from_m4 = driver.execute_script(CANVAS_PIXELS)
    # Every sample, as hstexport writes them, drawn over the same range.
    count = driver.execute_async_script("""const done = arguments[arguments.length - 1];
        fetch('/api/export.csv?tags=Tag001&tz=UTC').then((r) => r.text()).then((text) => {
          const lines = text.trimEnd().split('\\n').slice(1);
          const times = new Float64Array(lines.length), values = new Array(lines.length);
          lines.forEach((line, i) => {
            const [time, value] = line.split(',');
            times[i] = Date.parse(time) / 1000;
            values[i] = value === 'nan' ? null : Number(value);
          });
          hstviewDrawPoints(0, Array.from(times), values);
          requestAnimationFrame(() => done(lines.length));
        });""")
    assert count == 1_000_000, count
    time.sleep(0.3)
    from_samples = driver.execute_script(CANVAS_PIXELS)
    assert len(from_m4) == len(from_samples)
    differing = sum(1 for i in range(0, len(from_m4), 4) if from_m4[i:i + 4] != from_samples[i:i + 4])
    inked = sum(1 for i in range(3, len(from_m4), 4) if from_m4[i] != 0)
    assert inked > 2000, inked
    assert differing == 0, f"{differing} of {len(from_m4) // 4} pixels differ"


def drag_zoom_reads_a_known_sample(driver, wait, address, spike_at, spike_value):
    """A drag over a few minutes around a known sample asks the server for that finer range;
    the readout under the cursor then shows the sample's exact value and time."""
    open_view(driver, wait, address, "tags=Spike&tz=UTC")
    wait.until(lambda d: len(series_requests(d)) > 0)
    over = driver.find_element(By.CSS_SELECTOR, ".panel .u-over")
    width = over.size["width"]
    position = lambda t: driver.execute_script(f"return charts[0].plot.valToPos({t}, 'x')")
    for span in (4000, 300):  # two drags: about 18, then 0.27 samples a pixel column
        before = len(series_requests(driver))
        left, right = position(spike_at - span / 2), position(spike_at + span / 2)
        ActionChains(driver).move_to_element_with_offset(over, round(left - width / 2), 0) \
            .click_and_hold().move_to_element_with_offset(over, round(right - width / 2), 0) \
            .release().perform()
        wait.until(lambda d: len(series_requests(d)) > before)
        asked = series_requests(driver)[-1]
        shown = view_range(driver)
        assert abs((shown[1] - shown[0]) - span) < span * 0.05, (shown, span)
        # The server was asked for the range shown, half a pixel column wider on each side.
        half = (shown[1] - shown[0]) / (int(asked["width"]) - 1) / 2
        assert abs(float(asked["from"]) - (shown[0] - half)) < 1e-3, (asked, shown)
        assert abs(float(asked["to"]) - (shown[1] + half)) < 1e-3, (asked, shown)
        time.sleep(0.3)
    readout = driver.find_element(By.ID, "readout")
    ActionChains(driver).move_to_element_with_offset(
        over, round(position(spike_at) - width / 2), 0).perform()
    wait.until(lambda d: "Spike = " in readout.text)
    stamp = time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(spike_at))
    assert readout.text == f"{stamp}.000 +00:00   Spike = {spike_value}", readout.text


def fetch(address, path):
    base = urllib.parse.urlsplit(address)
    with urllib.request.urlopen(f"{base.scheme}://{base.netloc}{path}", timeout=60) as answer:
        return answer.status, answer.headers, answer.read()


def exports_are_hstexports(driver, address, hstexport, path):
    """The page's export of the visible tags and range: hstexport's bytes for the same words."""
    href = driver.find_element(By.ID, "export").get_attribute("href")
    query = dict(urllib.parse.parse_qsl(urllib.parse.urlsplit(href).query))
    shown = view_range(driver)
    for bound, at in (("from", shown[0]), ("to", shown[1])):
        stamp = time.strftime("%Y-%m-%dT%H:%M:%S", time.gmtime(math.floor(at)))
        assert query[bound].startswith(stamp), (query, shown)
    # What the click saves: the blob handed to the download, caught on its way.
    driver.execute_script("""window.savedExport = null; const make = URL.createObjectURL;
        URL.createObjectURL = (blob) => { window.savedExport = blob; return make(blob); };""")
    driver.find_element(By.ID, "export").click()
    WebDriverWait(driver, 20).until(lambda d: d.execute_script("return savedExport !== null"))
    body = bytes(driver.execute_async_script("""const done = arguments[arguments.length - 1];
        savedExport.arrayBuffer().then((b) => done(Array.from(new Uint8Array(b))));"""))
    expected = subprocess.run(
        [hstexport, "-o", "-", "-r", "--tags", query["tags"], "--from", query["from"], "--to",
         query["to"], "--tz", query["tz"], "--", path], capture_output=True, check=True).stdout
    assert body == expected, (body[:200], expected[:200])
    assert body.count(b"\n") > 100, body[:200]
    # The workbook, where this build writes them: hstexport's own (compared in hstview_test).
    book = driver.find_element(By.ID, "export-xlsx")
    if book.is_displayed():
        status, headers, body = fetch(address, urllib.parse.urlsplit(
            book.get_attribute("href")).path + "?" + urllib.parse.urlsplit(href).query)
        assert status == 200 and body[:2] == b"PK", body[:40]
        assert headers["Content-Disposition"] == 'attachment; filename="export.xlsx"'


def live_mode_follows_appended_records(driver, wait, program, hstgen, folder):
    """Records a logger appends to the served file reach the page in live mode."""
    path = os.path.join(folder, "live.hst")
    start = 1_600_000_000
    lines = ["layout compact", "tag Live"]
    lines += [f"record @{start + i} {i % 17}" for i in range(600)]
    subprocess.run([hstgen, path, "--from", "-"], input="\n".join(lines), text=True, check=True)
    viewer, address = start_viewer(program, folder)
    try:
        open_view(driver, wait, address, "tags=Live&tz=UTC&live=1")
        assert driver.find_element(By.ID, "live").is_selected()
        # The file has no record count: whole records appended are what a logger adds.
        appended_at = start + 3600
        with open(path, "ab") as file:
            for i in range(30):
                file.write(struct.pack("<If", appended_at + i, 777.5))
                file.flush()
        shown = lambda d: d.execute_script(
            "const data = charts[0].plot.data; return [data[0][data[0].length - 1],"
            " data[1].includes(777.5), location.hash]")
        WebDriverWait(driver, 10).until(lambda d: shown(d)[0] == appended_at + 29 and shown(d)[1])
        assert view_range(driver)[1] > appended_at + 29, shown(driver)
    finally:
        viewer.terminate()
        viewer.wait(10)


def generate(hstgen, folder):
    """A million samples of a trend, and a file with one distinctive value at a known second."""
    big = os.path.join(folder, "million.hst")
    subprocess.run([hstgen, big, "--tags", "1", "--records", "1000000", "--values", "trend",
                    "--seed", "29", "--start", "2020-01-01T00:00:00", "--step", "1"], check=True)
    first = 1_577_836_800
    spike = os.path.join(folder, "spike.hst")
    spike_index, spike_value = 12345, 4321.25
    lines = ["layout compact", "tag Spike"]
    lines += [f"record @{first + i} {spike_value if i == spike_index else round(math.sin(i / 300) * 100, 2)}"
              for i in range(20000)]
    subprocess.run([hstgen, spike, "--from", "-"], input="\n".join(lines), text=True, check=True)
    return big, (first, first + 999_999), spike, first + spike_index, spike_value


def main():
    program, hstgen, hstexport, folder, screenshot = sys.argv[1:6]
    scratch = tempfile.mkdtemp(prefix="hstview-browser-")
    options = webdriver.ChromeOptions()
    for argument in ["--headless=new", "--no-sandbox", "--disable-gpu",
                     "--disable-background-networking", "--disable-dev-shm-usage",
                     "--force-device-scale-factor=1",
                     f"--user-data-dir={os.path.join(scratch, 'profile')}",
                     "--window-size=1200,820"]:
        options.add_argument(argument)
    options.add_experimental_option("prefs", {  # downloads stay in the scratch folder
        "download.default_directory": os.path.join(scratch, "downloads"),
        "download.prompt_for_download": False})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.set_script_timeout(60)
    wait = WebDriverWait(driver, 20)
    try:
        examples_page(driver, wait, program, folder, screenshot)
        print("examples page and screenshot:", screenshot)
        big, (first, last), spike, spike_at, spike_value = generate(hstgen, scratch)
        viewer, address = start_viewer(program, big)
        try:
            m4_draws_every_sample_pixel(driver, wait, address, first, last)
            print("M4 points and every sample: identical pixels")
        finally:
            viewer.terminate()
            viewer.wait(10)
        viewer, address = start_viewer(program, spike)
        try:
            drag_zoom_reads_a_known_sample(driver, wait, address, spike_at, spike_value)
            print("drag-zoom and readout of a known sample")
            exports_are_hstexports(driver, address, hstexport, spike)
            print("exports equal hstexport's")
        finally:
            viewer.terminate()
            viewer.wait(10)
        live = os.path.join(scratch, "live")
        os.mkdir(live)
        live_mode_follows_appended_records(driver, wait, program, hstgen, live)
        print("live mode shows appended records")
        print("browser test passed")
    finally:
        driver.quit()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
