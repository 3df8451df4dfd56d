// The three browser engines the page is tested in, each as Debian ships it
// and none downloaded: Chromium and Firefox ESR driven by puppeteer-core
// (Chromium over the DevTools protocol, Firefox over WebDriver BiDi), and
// WebKitGTK's MiniBrowser driven through WebKitWebDriver by
// selenium-webdriver, on an X display of its own. Each engine offers the
// same few calls: open a page, hand its file input some files, evaluate a
// function in the page, the problems its console reported, close.
import { spawn } from 'node:child_process';
import net from 'node:net';
import puppeteer from 'puppeteer-core';
import { Builder, By } from 'selenium-webdriver';

const kChromium = process.env.CHROMIUM ?? '/usr/bin/chromium';
const kFirefox = process.env.FIREFOX ?? '/usr/bin/firefox-esr';
const kWebKitDriver = process.env.WEBKIT_DRIVER ?? '/usr/bin/WebKitWebDriver';
const kMiniBrowser = process.env.MINIBROWSER ?? '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';

// Console messages at these levels fail the test; so does any script error.
const kProblemLevels = new Set(['error', 'warn', 'warning', 'assert']);

async function puppeteerEngine(name, options, { workerLog = false, mediaEmulation = false } = {}) {
  const browser = await puppeteer.launch({ headless: true, ...options });
  const page = await browser.newPage();
  const problems = [];
  const requests = [];
  page.on('console', (message) => {
    if (kProblemLevels.has(message.type())) problems.push(`console ${message.type()}: ${message.text()}`);
  });
  page.on('pageerror', (error) => problems.push(`page error: ${error.message ?? error}`));
  page.on('request', (request) => requests.push(request.url()));
  // Chromium reports a worker's security and network messages (a content
  // security policy violation among them) only in the worker's own log.
  // Firefox reports them as page errors.
  if (workerLog) {
    page.on('workercreated', (worker) => {
      const session = worker.client;
      session.on('Log.entryAdded', ({ entry }) => {
        if (kProblemLevels.has(entry.level)) problems.push(`worker ${entry.source} ${entry.level}: ${entry.text}`);
      });
      // Also replays what the worker logged before.
      session.send('Log.enable').catch((error) => problems.push(`worker log: ${error.message}`));
    });
  }
  return {
    name,
    requests,
    problems: () => problems,
    async open(url) {
      await page.goto(url);
    },
    async hand(paths) {
      const input = await page.$('#files');
      await input.uploadFile(...paths);
    },
    evaluate: (fn, ...args) => page.evaluate(fn, ...args),
    press: (key) => page.keyboard.press(key),
    screenshot: (options) => page.screenshot(options),
    setViewport: (viewport) => page.setViewport(viewport),
    // Over the DevTools protocol only (Chromium), not over WebDriver BiDi.
    colorScheme: mediaEmulation
      ? (scheme) => page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: scheme }])
      : undefined,
    close: () => browser.close(),
  };
}

function chromium() {
  // Without the background-networking flags Chromium keeps trying to reach
  // Google's servers, which a closed network refuses.
  return puppeteerEngine('Chromium', {
    executablePath: kChromium,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  }, { workerLog: true, mediaEmulation: true });
}

function firefox() {
  return puppeteerEngine('Firefox', { browser: 'firefox', executablePath: kFirefox });
}

// A free loopback port, for WebKitWebDriver to listen on.
function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.on('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

// An X server of the test's own when there is no display: MiniBrowser needs
// one even with nothing to look at.
async function display() {
  if (process.env.DISPLAY) return { name: process.env.DISPLAY, stop() {} };
  const xvfb = spawn('Xvfb', ['-displayfd', '3', '-nolisten', 'tcp', '-screen', '0', '1280x1024x24'],
    { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
  const number = await new Promise((resolve, reject) => {
    let text = '';
    xvfb.on('error', reject);
    xvfb.on('exit', (code) => reject(new Error(`Xvfb ended with ${code}`)));
    xvfb.stdio[3].on('data', (data) => {
      text += data;
      if (text.includes('\n')) resolve(text.trim());
    });
  });
  return { name: `:${number}`, stop: () => xvfb.kill() };
}

async function waitForPort(port, child) {
  for (let i = 0; i < 200; ++i) {
    if (child.exitCode !== null) throw new Error(`WebKitWebDriver ended with ${child.exitCode}`);
    const open = await new Promise((resolve) => {
      const socket = net.connect(port, '127.0.0.1', () => {
        socket.end();
        resolve(true);
      });
      socket.on('error', () => resolve(false));
    });
    if (open) return;
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  throw new Error('WebKitWebDriver did not start listening');
}

// MiniBrowser's window is at least 447 px wide (its toolbar). With GTK's
// text scale at 1.25 WebKit draws pages at 125 %, so that a 450 px window
// holds a page 360 CSS pixels wide, a phone's width.
const kWebKitScale = 1.25;

// WebKitWebDriver offers no console log, and the ephemeral session it runs
// MiniBrowser in never prints one; the page's own watch (see the test) and
// the server's request and report log stand in for it.
async function webkit() {
  const screen = await display();
  const port = await freePort();
  const driverProcess = spawn(kWebKitDriver, [`--port=${port}`, '--host=127.0.0.1'],
    { stdio: 'ignore', env: { ...process.env, DISPLAY: screen.name, GDK_DPI_SCALE: String(kWebKitScale) } });
  let driver;
  try {
    await waitForPort(port, driverProcess);
    driver = await new Builder().usingServer(`http://127.0.0.1:${port}`).withCapabilities({
      browserName: 'MiniBrowser',
      'webkitgtk:browserOptions': { binary: kMiniBrowser, args: ['--automation'] },
    }).build();
  } catch (error) {
    driverProcess.kill();
    screen.stop();
    throw error;
  }
  return {
    name: 'WebKit',
    requests: [],
    problems: () => [],
    open: (url) => driver.get(url),
    async hand(paths) {
      await driver.findElement(By.id('files')).sendKeys(paths.join('\n'));
    },
    evaluate: (fn, ...args) => driver.executeScript(fn, ...args),
    // MiniBrowser draws no frame beside the page: the window is as wide as
    // it. The page learns of the new size a little later.
    async setViewport({ width, height }) {
      await driver.manage().window().setRect({
        width: Math.round(width * kWebKitScale), height: Math.round(height * kWebKitScale),
      });
      for (let i = 0; i < 500; ++i) {
        if (await driver.executeScript(() => window.innerWidth) === width) return;
        await new Promise((resolve) => setTimeout(resolve, 10));
      }
      throw new Error(`MiniBrowser's page did not become ${width} px wide`);
    },
    async close() {
      try {
        await driver.quit();
      } finally {
        driverProcess.kill();
        screen.stop();
      }
    },
  };
}

export const engines = { chromium, firefox, webkit };
