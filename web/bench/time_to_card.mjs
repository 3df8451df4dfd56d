// Time from handing the page a file to its card, in Chromium, Firefox and
// WebKit, opened from disk and from a loopback server, side by side with a
// floor page that only reads the file's first 8 KiB and writes one line
// (floor.html), in the same run; then a card's folder at once, 300 files
// handed in one change event, of 300 different bodies and of one body: the
// time to the first card and to the last. Prints the mean of the middle 80 %
// of the runs of a file (Firefox and WebKit give the page's clock in whole
// milliseconds, so a median could only be a whole number of them), the
// median of a folder's, and their ratio to the floor's; asserts nothing
// about speed. With AUSLOMAT_BENCH_PHASES set, also where the page's own
// time goes while it reads a folder: the file's size asked for, the slice
// of a read started, the reader's run, the card made. AUSLOMAT_ENGINES picks
// engines, AUSLOMAT_BENCH_RUNS the runs per file (21),
// AUSLOMAT_BENCH_MANY_RUNS the runs per folder (5), AUSLOMAT_BENCH_MANY the
// files of a folder (300).
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { engines } from '../tests/engines.mjs';

const root = path.resolve(import.meta.dirname, '..', '..');
const pagePath = process.env.AUSLOMAT_PAGE ?? path.join(root, 'build-web/web/Auslomat.html');
const floorPath = path.join(import.meta.dirname, 'floor.html');
const samples = process.env.AUSLOMAT_SAMPLES ?? path.join(root, '../shared/samples');
const chosen = (process.env.AUSLOMAT_ENGINES ?? 'chromium,firefox,webkit').split(',');
const runs = Number(process.env.AUSLOMAT_BENCH_RUNS ?? 21);
const manyRuns = Number(process.env.AUSLOMAT_BENCH_MANY_RUNS ?? 5);
const many = Number(process.env.AUSLOMAT_BENCH_MANY ?? 300);

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'auslomat-bench-'));
const raw = path.join(work, 'raw-25MiB.cr2');
fs.copyFileSync(path.join(samples, 'eos-1d-mark-iii-littleendian.tif'), raw);
fs.truncateSync(raw, 25 * 1024 * 1024);
const files = [path.join(samples, 'eos-1d-mark-iii.jpg'), raw, path.join(samples, 'eos-r5.hif')];

// A folder of one body: copies of one JPEG; of as many bodies as files: the
// same JPEG with the body serial number changed in each.
const r5 = fs.readFileSync(path.join(samples, 'eos-r5.jpg'));
const serialAt = r5.indexOf('023021000484');
function folder(name, bodies) {
  const dir = path.join(work, name);
  fs.mkdirSync(dir);
  return Array.from({ length: many }, (_, i) => {
    const file = path.join(dir, `IMG_${String(i).padStart(4, '0')}.JPG`);
    const bytes = Buffer.from(r5);
    if (bodies) bytes.write(String(100000000000 + i), serialAt, 'latin1');
    fs.writeFileSync(file, bytes);
    return file;
  });
}
const folders = { [`${many} bodies`]: folder('bodies', true), 'one body': folder('one', false) };

// Both pages, and nothing else.
const pages = { '/Auslomat.html': pagePath, '/floor.html': floorPath };
const server = http.createServer((request, response) => {
  const page = pages[request.url];
  if (request.method !== 'GET' || page === undefined) {
    response.writeHead(404).end();
    return;
  }
  response.writeHead(200, { 'Content-Type': 'text/html; charset=utf-8' });
  response.end(fs.readFileSync(page));
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const base = `http://127.0.0.1:${server.address().port}`;

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const kQuiet = 100;  // ms, far more than a file takes
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
function trimmedMean(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const cut = Math.floor(sorted.length / 10);
  const middle = sorted.slice(cut, sorted.length - cut);
  return middle.reduce((sum, value) => sum + value, 0) / middle.length;
}

// The time of the result after `before` results, once it is there: the
// page's newest card, the floor's last line. Asked only after a quiet
// while, and then waited for in the page: nothing of the driver's runs
// while the page works (a script WebKitWebDriver waits in slows the page
// twofold), and the times are the page's own.
function waitForResult(before) {
  const results = document.getElementById('results');
  const done = () => results.querySelectorAll('section, :scope > p').length > before;
  const newest = () => Number((results.querySelector('section') ??
    results.querySelector('p:last-child')).dataset.ms);
  return new Promise((resolve) => {
    if (done()) {
      resolve(newest());
      return;
    }
    const observer = new MutationObserver(() => {
      if (!done()) return;
      observer.disconnect();
      resolve(newest());
    });
    observer.observe(results, { attributes: true, childList: true, subtree: true });
  });
}

async function timesFor(engine, url, file, count) {
  await engine.open(url);
  for (let i = 0; i < 1000 && await engine.evaluate(() => document.body.dataset.ready) !== 'ja'; ++i) {
    await sleep(10);
  }
  const results = () => document.querySelectorAll('#results section, #results > p').length;
  const times = [];
  for (let i = 0; i <= count; ++i) {
    const before = await engine.evaluate(results);
    await engine.hand([file]);
    await sleep(kQuiet);
    const ms = await engine.evaluate(waitForResult, before);
    if (i > 0) times.push(ms);  // the first run warms the engine up
  }
  return times;
}

// The number of results, and the times of the first and the last.
function resultTimes() {
  const ms = Array.from(document.getElementById('results').querySelectorAll('section, :scope > p'),
    (node) => Number(node.dataset.ms));
  return { count: ms.length, first: Math.min(...ms), last: Math.max(...ms) };
}

// A fresh page for each folder handed.
async function folderTimes(engine, url, paths) {
  await engine.open(url);
  for (let i = 0; i < 1000 && await engine.evaluate(() => document.body.dataset.ready) !== 'ja'; ++i) {
    await sleep(10);
  }
  await engine.hand(paths);
  // Asked a few times a second, briefly: the times are the page's own.
  for (;;) {
    await sleep(250);
    const times = await engine.evaluate(resultTimes);
    if (times.count >= paths.length) return times;
  }
}

async function folderMediansFor(engine, url, paths) {
  const floor = [];
  const page = [];
  for (let turn = 0; turn < manyRuns; ++turn) {
    floor.push(await folderTimes(engine, url('/floor.html'), paths));
    page.push(await folderTimes(engine, url('/Auslomat.html'), paths));
  }
  const of = (times, key) => median(times.map((t) => t[key]));
  return {
    floor: { first: of(floor, 'first'), last: of(floor, 'last') },
    page: { first: of(page, 'first'), last: of(page, 'last') },
  };
}

// The floor and the page in turns, a third of the runs at a time, so that
// both see the machine alike.
async function mediansFor(engine, url, file) {
  const floor = [];
  const page = [];
  for (let turn = 0; turn < 3; ++turn) {
    floor.push(...await timesFor(engine, url('/floor.html'), file, Math.ceil(runs / 3)));
    page.push(...await timesFor(engine, url('/Auslomat.html'), file, Math.ceil(runs / 3)));
  }
  return { floor: trimmedMean(floor), page: trimmedMean(page) };
}

// Installed in the page: the time spent in each step of its own, summed.
function watchSteps() {
  const spent = {};
  const add = (step, ms) => { spent[step] = (spent[step] ?? 0) + ms; };
  window.auslomatSpent = spent;
  const timed = (holder, name, step) => {
    const original = holder[name];
    holder[name] = function (...args) {
      const start = performance.now();
      try {
        return original.apply(this, args);
      } finally {
        add(step, performance.now() - start);
      }
    };
  };
  timed(window, 'readBytes', 'slice of a read started');
  timed(reader, 'analyse', "the reader's run");
  timed(window, 'show', 'card made');
  timed(window, 'showSummary', 'summary');
  const size = Object.getOwnPropertyDescriptor(Blob.prototype, 'size');
  Object.defineProperty(File.prototype, 'size', {
    get() {
      const start = performance.now();
      try {
        return size.get.call(this);
      } finally {
        add('size asked for', performance.now() - start);
      }
    },
  });
}

async function stepsFor(engine, url, paths) {
  await engine.open(url);
  for (let i = 0; i < 1000 && await engine.evaluate(() => document.body.dataset.ready) !== 'ja'; ++i) {
    await sleep(10);
  }
  await engine.evaluate(watchSteps);
  await engine.hand(paths);
  for (;;) {
    await sleep(250);
    if ((await engine.evaluate(resultTimes)).count >= paths.length) break;
  }
  return engine.evaluate(() => window.auslomatSpent);
}

const single = [];
const folderRows = [];
const stepRows = [];
try {
  for (const key of chosen) {
    const engine = await engines[key]();
    try {
      for (const mode of ['disk', 'server']) {
        const url = (page) => (mode === 'disk'
          ? pathToFileURL(pages[page]).href : `${base}${page}`);
        for (const file of runs > 0 ? files : []) {
          const { floor, page } = await mediansFor(engine, url, file);
          single.push(`| ${engine.name} | ${mode} | ${path.basename(file)} | ${floor.toFixed(1)} ms ` +
            `| ${page.toFixed(1)} ms | ${(page / floor).toFixed(2)} |`);
          console.error(single.at(-1));
        }
        for (const [name, paths] of Object.entries(folders)) {
          if (manyRuns < 1) continue;
          const { floor, page } = await folderMediansFor(engine, url, paths);
          folderRows.push(`| ${engine.name} | ${mode} | ${paths.length} files, ${name} ` +
            `| ${floor.first.toFixed(0)} ms, ${floor.last.toFixed(0)} ms ` +
            `| ${page.first.toFixed(0)} ms, ${page.last.toFixed(0)} ms ` +
            `| ${(page.last / floor.last).toFixed(2)} |`);
          console.error(folderRows.at(-1));
        }
        if (process.env.AUSLOMAT_BENCH_PHASES) {
          const [name, paths] = Object.entries(folders)[0];
          const spent = await stepsFor(engine, url('/Auslomat.html'), paths);
          stepRows.push(`| ${engine.name} | ${mode} | ${paths.length} files, ${name} | ` +
            Object.entries(spent).map(([step, ms]) => `${step} ${ms.toFixed(0)} ms`).join(', ') + ' |');
          console.error(stepRows.at(-1));
        }
      }
    } finally {
      await engine.close();
    }
  }
  console.log('| engine | opened from | file | floor page | Auslomat.html | ratio |');
  console.log('|---|---|---|---|---|---|');
  for (const row of single) console.log(row);
  console.log('');
  console.log('| engine | opened from | files | floor page: first, last | Auslomat.html: first card, ' +
    'last | ratio of the last |');
  console.log('|---|---|---|---|---|---|');
  for (const row of folderRows) console.log(row);
  if (stepRows.length > 0) {
    console.log('');
    console.log('| engine | opened from | files | the page\'s own time, summed |');
    console.log('|---|---|---|---|');
    for (const row of stepRows) console.log(row);
  }
} finally {
  server.close();
  fs.rmSync(work, { recursive: true, force: true });
}
