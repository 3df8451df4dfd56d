// Time from handing the page a file to its card, in Chromium, Firefox and
// WebKit, opened from disk and from a loopback server, side by side with a
// floor page that only reads the file's first 8 KiB and writes one line
// (floor.html), in the same run. Prints medians and their ratio; asserts
// nothing about speed. AUSLOMAT_ENGINES picks engines, AUSLOMAT_BENCH_RUNS
// the runs per file (21).
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

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'auslomat-bench-'));
const raw = path.join(work, 'raw-25MiB.cr2');
fs.copyFileSync(path.join(samples, 'eos-1d-mark-iii-littleendian.tif'), raw);
fs.truncateSync(raw, 25 * 1024 * 1024);
const files = [path.join(samples, 'eos-1d-mark-iii.jpg'), raw, path.join(samples, 'eos-r5.hif')];

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
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// Waits in the page, without polling it from outside (which would take the
// very thread being timed), for the result after `before` results, and
// returns its time: the page's newest card, the floor's last line.
function waitForResult(before) {
  const results = document.getElementById('results');
  const done = () => results.querySelectorAll('section:not(.busy), p').length > before;
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
  const results = () => document.querySelectorAll('#results section:not(.busy), #results p').length;
  const times = [];
  for (let i = 0; i <= count; ++i) {
    const before = await engine.evaluate(results);
    await engine.hand([file]);
    const ms = await engine.evaluate(waitForResult, before);
    if (i > 0) times.push(ms);  // the first run warms the engine up
  }
  return times;
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
  return { floor: median(floor), page: median(page) };
}

console.log('| engine | opened from | file | floor page | Auslomat.html | ratio |');
console.log('|---|---|---|---|---|---|');
try {
  for (const key of chosen) {
    const engine = await engines[key]();
    try {
      for (const mode of ['disk', 'server']) {
        const url = (page) => (mode === 'disk'
          ? pathToFileURL(pages[page]).href : `${base}${page}`);
        for (const file of files) {
          const { floor, page } = await mediansFor(engine, url, file);
          console.log(`| ${engine.name} | ${mode} | ${path.basename(file)} | ${floor.toFixed(1)} ms ` +
            `| ${page.toFixed(1)} ms | ${(page / floor).toFixed(2)} |`);
        }
      }
    } finally {
      await engine.close();
    }
  }
} finally {
  server.close();
  fs.rmSync(work, { recursive: true, force: true });
}
