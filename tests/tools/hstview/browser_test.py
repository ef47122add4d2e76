"""The hstview page in headless Chromium: it loads, the tag search filters, a chart is drawn,
a drag-zoom asks for a finer range, the readout shows a stored value, and a screenshot is taken.

Usage: browser_test.py HSTVIEW EXAMPLES_DIR SCREENSHOT_PATH
"""
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait


def start_viewer(program, folder):
    viewer = subprocess.Popen([program, "--port", "0", folder], stdout=subprocess.PIPE, text=True)
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


def main():
    program, folder, screenshot = sys.argv[1:4]
    viewer, address = start_viewer(program, folder)
    profile = tempfile.mkdtemp(prefix="hstview-chromium-")
    options = webdriver.ChromeOptions()
    for argument in ["--headless=new", "--no-sandbox", "--disable-gpu",
                     "--disable-background-networking", "--disable-dev-shm-usage",
                     f"--user-data-dir={profile}", "--window-size=1200,820"]:
        options.add_argument(argument)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    wait = WebDriverWait(driver, 20)
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
        def view_range():
            fragment = driver.execute_script("return location.hash.slice(1)")
            params = dict(p.split("=", 1) for p in fragment.split("&"))
            return float(params["from"]), float(params["to"])

        before = view_range()
        over = driver.find_element(By.CSS_SELECTOR, ".panel .u-over")
        width = over.size["width"]
        ActionChains(driver).move_to_element_with_offset(over, -width // 4, 0).click_and_hold() \
            .move_by_offset(width // 2, 0).release().perform()
        wait.until(lambda d: view_range()[1] - view_range()[0] < (before[1] - before[0]) * 0.75)
        wait.until(lambda d: drawn_pixels(d, canvas) > 200)

        # Back to everything, then the readout under the first sample shows its stored value.
        driver.execute_script("document.querySelector('[data-preset=all]').click()")
        wait.until(lambda d: abs((view_range()[1] - view_range()[0]) - (before[1] - before[0])) < 1)
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
        print("browser test passed; screenshot:", screenshot)
    finally:
        driver.quit()
        viewer.terminate()
        viewer.wait(10)


if __name__ == "__main__":
    main()
