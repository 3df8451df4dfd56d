// The page in Chromium, Firefox and WebKit, each opened from disk and from a
// loopback server the test runs itself: for every real sample and every
// crafted file it shows exactly the console program's lines, the page reads
// exactly the blocks the reader reads, and nothing goes wrong on the way: no
// console error or warning, no content security policy report, no request
// but the page itself. Paths come from the environment, with defaults for a
// checkout whose builds sit in build/ and build-web/; AUSLOMAT_ENGINES picks
// engines (chromium,firefox,webkit).
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import { pathToFileURL } from 'node:url';
import { engines } from './engines.mjs';

const root = path.resolve(import.meta.dirname, '..', '..');
const pagePath = process.env.AUSLOMAT_PAGE ?? path.join(root, 'build-web/web/Auslomat.html');
const consoleProgram = process.env.AUSLOMAT_CONSOLE ?? path.join(root, 'build/app/Auslomat');
const cardValuesProgram = process.env.AUSLOMAT_CARD_VALUES ?? path.join(root, 'build/tests/card_values');
const corpus = process.env.AUSLOMAT_CORPUS ?? path.join(root, 'build/fuzz/corpus');
const samples = process.env.AUSLOMAT_SAMPLES ?? path.join(root, '../shared/samples');
const chosen = (process.env.AUSLOMAT_ENGINES ?? 'chromium,firefox,webkit').split(',');
const kRawSize = 25 * 1024 * 1024;
const kReadBudget = 64 * 1024;

// What the console prints for a file between its banner and its prompt.
function consoleOutput(file) {
  const out = execFileSync(consoleProgram, [file], { input: '' }).toString('latin1');
  const lines = out.split('\n');
  assert.equal(lines.pop(), '');
  return lines.slice(3, -2).join('\n') + '\n';
}
const consoleCache = new Map();
function consoleLines(file) {
  if (!consoleCache.has(file)) consoleCache.set(file, consoleOutput(file));
  return consoleCache.get(file);
}

// The values the native reader gives a file's card (tests/card_values).
const cardValuesCache = new Map();
function cardValues(files) {
  const missing = files.filter((file) => !cardValuesCache.has(file));
  if (missing.length > 0) {
    const out = execFileSync(cardValuesProgram, missing, { maxBuffer: 1 << 26 }).toString('latin1');
    out.trim().split('\n').forEach((line, i) => cardValuesCache.set(missing[i], JSON.parse(line)));
  }
  return files.map((file) => cardValuesCache.get(file));
}

function filesIn(folder, keep = () => true) {
  return fs.readdirSync(folder).filter(keep).sort().map((name) => path.join(folder, name));
}

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'auslomat-web-'));
const sampleFiles = filesIn(samples, (name) => !name.endsWith('.expected') && !name.endsWith('.md'));
const corpusFiles = filesIn(corpus);
const jpeg = path.join(samples, 'eos-1d-mark-iii.jpg');
const heif = path.join(samples, 'eos-r5.hif');
const z6 = path.join(samples, 'nikon-z-6.tif');
const example = path.join(root, 'examples/eos-1d-mark-ii.cr2');
const raw = path.join(work, 'raw-25MiB.cr2');
fs.copyFileSync(path.join(samples, 'eos-1d-mark-iii-littleendian.tif'), raw);
fs.truncateSync(raw, kRawSize);
const notes = path.join(work, 'Notizen zum Kauf.txt');
fs.writeFileSync(notes, 'EOS R5, 1.900 Euro, Akku neu\n');
// A JPEG an editor left without the camera's data: JFIF, then its tables.
const edited = path.join(work, 'bearbeitet.jpg');
fs.writeFileSync(edited, Buffer.concat([Buffer.from([0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10]),
  Buffer.from('JFIF\0'), Buffer.alloc(9), Buffer.from([0xFF, 0xDB, 0x00, 0x43]), Buffer.alloc(65)]));
// A card's folder from many cameras: one JPEG with the body serial number
// changed in each copy, 300 bodies.
const r5 = fs.readFileSync(path.join(samples, 'eos-r5.jpg'));
const bodiesFolder = path.join(work, 'bodies');
fs.mkdirSync(bodiesFolder);
const manyBodies = Array.from({ length: 300 }, (_, i) => {
  const file = path.join(bodiesFolder, `IMG_${String(i).padStart(4, '0')}.JPG`);
  const bytes = Buffer.from(r5);
  bytes.write(String(100000000000 + i), r5.indexOf('023021000484'), 'latin1');
  fs.writeFileSync(file, bytes);
  return file;
});
after(() => fs.rmSync(work, { recursive: true, force: true }));

// Serves the page and nothing else, and notes every request. The page's own
// policy comes again as a report-only header with a report address, so that
// a violation anywhere reaches the log as a report.
async function startServer() {
  const page = fs.readFileSync(pagePath);
  const policy = /http-equiv="Content-Security-Policy" content="([^"]*)"/.exec(page.toString())[1];
  const requests = [];
  const server = http.createServer((request, response) => {
    let body = '';
    request.on('data', (data) => { body += data; });
    request.on('end', () => {
      requests.push(`${request.method} ${request.url}${body ? ` ${body}` : ''}`);
      if (request.method === 'GET' && request.url === '/Auslomat.html') {
        response.writeHead(200, {
          'Content-Type': 'text/html; charset=utf-8',
          'Content-Security-Policy-Report-Only': `${policy}; report-uri /csp-report`,
        });
        response.end(page);
      } else {
        response.writeHead(404).end();
      }
    });
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return {
    url: `http://127.0.0.1:${server.address().port}/Auslomat.html`,
    requests,
    close: () => new Promise((resolve) => server.close(resolve)),
  };
}

// Installed in the page once it is ready: what its scripts and its policy
// report from then on.
function watchPage() {
  const seen = [];
  window.auslomatTestProblems = seen;
  for (const level of ['error', 'warn']) {
    const original = console[level];
    console[level] = (...args) => {
      seen.push(`console.${level}: ${args.join(' ')}`);
      original.apply(console, args);
    };
  }
  window.addEventListener('error', (event) => seen.push(`error: ${event.message}`));
  window.addEventListener('unhandledrejection', (event) => seen.push(`rejection: ${event.reason}`));
  document.addEventListener('securitypolicyviolation',
    (event) => seen.push(`policy: ${event.violatedDirective} ${event.blockedURI}`));
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function until(engine, fn, arg, what) {
  for (let i = 0; i < 30000; ++i) {
    if (await engine.evaluate(fn, arg)) return;
    await sleep(10);
  }
  throw new Error(`timed out waiting for ${what}`);
}

// Hands the page these files at once and returns what it shows for each.
async function show(engine, files) {
  const count = () => document.querySelectorAll('#results section').length;
  const before = await engine.evaluate(count);
  await engine.hand(files);
  await until(engine, (total) => document.querySelectorAll('#results section').length >= total,
    before + files.length, 'the lines');
  // The newest cards stand on top; each card's number tells the order handed.
  return engine.evaluate((from) => Array.from(document.querySelectorAll('#results section'))
    .filter((s) => Number(s.dataset.seq) >= from)
    .sort((a, b) => Number(a.dataset.seq) - Number(b.dataset.seq))
    .map((s) => ({
      name: s.querySelector('h2').textContent,
      text: s.querySelector('pre').textContent,
      ms: Number(s.dataset.ms),
      bytesRead: Number(s.dataset.bytesRead),
      readerBytes: Number(s.dataset.readerBytes),
      card: {
        state: s.dataset.state,
        facts: Array.from(s.querySelectorAll('.facts dd')).map((dd) => dd.textContent),
        count: s.querySelector('.count')?.textContent ?? null,
        mechanical: s.querySelector('.mechanical')?.textContent ?? null,
        meaning: s.querySelector('.meaning').textContent,
        taken: s.querySelector('.taken')?.textContent ?? null,
        stale: s.querySelector('.stale') !== null,
        problem: s.querySelector('.problem')?.textContent ?? null,
        life: s.querySelector('.life') && {
          text: s.querySelector('.life p').textContent,
          source: s.querySelector('.life a').href,
          meter: s.querySelector('.life meter').value,
          valuetext: s.querySelector('.life meter').getAttribute('aria-valuetext'),
        },
      },
    })), before);
}

// The card a file's console lines and the native reader's values call for:
// its camera, serial number and count, when it was taken, or the program's
// own line where there is no count.
const kNoCounter = 'Diese Datei enthält keinen Auslösezähler: dieses Modell speichert ihn ' +
  'nicht in seinen Dateien, oder die Datei wurde bearbeitet.';
// The Z 6's mechanical count beside the 200,000 cycles Nikon tests its
// shutter for (shutter_life.tsv).
const kZ6Share = '1,4\u00a0% der 200.000 Auslösungen, für die Nikon den Verschluss der Z 6 ' +
  'geprüft hat';
const kZ6Life = {
  text: `${kZ6Share} (Quelle).`,
  source: 'https://www.nikonimgsupport.com/eu/BV_article?articleNo=000044853&configured=1&lang=en_GB',
  meter: 2884 / 200000,
  valuetext: '1,4\u00a0%',
};
const kMonths = ['Januar', 'Februar', 'März', 'April', 'Mai', 'Juni', 'Juli', 'August',
  'September', 'Oktober', 'November', 'Dezember'];
const kStale = 30 * 24 * 60 * 60 * 1000;
const grouped = (count) => count.toLocaleString('de-DE');
function cardFor(lines, values) {
  const value = (label) => new RegExp(`^${label} *: (.*)$`, 'm').exec(lines)?.[1];
  const error = /^(Fehler im TIFF-HEADER des jpg, .*)$/m.exec(lines)?.[1];
  const none = { count: null, mechanical: null, taken: null, stale: false };
  if (value('Modell') === undefined) {
    return { state: 'unrecognised', facts: [], ...none, problem: lines.trim() };
  }
  if (error !== undefined) return { state: 'header-error', facts: [], ...none, problem: error };
  const count = Number(value('Anzahl Belichtungen'));
  const found = (text, absent) => (text === absent || text === '' ? 'nicht gefunden' : text);
  const taken = /^(\d{4}):(\d{2}):(\d{2}) (\d{2}):(\d{2}):(\d{2})$/.exec(values.taken);
  const time = taken && new Date(taken[1], taken[2] - 1, taken[3], taken[4], taken[5], taken[6]);
  return {
    state: count === 0 ? 'none' : 'count',
    facts: [found(values.camera, ''), found(value('Seriennummer'), '0')],
    count: count === 0 ? null : `${grouped(count)} Auslösungen`,
    mechanical: count !== 0 && values.mechanical !== 0
      ? `davon ${grouped(values.mechanical)} mit dem mechanischen Verschluss` : null,
    taken: taken ? `Aufgenommen am ${Number(taken[3])}. ${kMonths[taken[2] - 1]} ${taken[1]}, ` +
      `${taken[4]}:${taken[5]}` : null,
    stale: count !== 0 && taken !== null && Date.now() - time.getTime() > kStale,
    problem: null,
  };
}

function expectConsoleLines(shown, files) {
  assert.equal(shown.length, files.length);
  const values = cardValues(files);
  files.forEach((file, i) => {
    assert.equal(shown[i].name, path.basename(file));
    assert.equal(shown[i].text, consoleLines(file), file);
    // No more than the console program reads of the file, and so never
    // more than 64 KiB: the reader's first 32 KiB, then only the blocks it
    // asks for.
    const size = fs.statSync(file, { throwIfNoEntry: false })?.size ?? 0;
    assert.ok(shown[i].bytesRead <= shown[i].readerBytes &&
      shown[i].readerBytes <= Math.min(size, kReadBudget),
      `${file}: ${shown[i].bytesRead} bytes read, the reader ${shown[i].readerBytes}`);
    const { meaning, life, ...card } = shown[i].card;
    // A count of 0 is no share of anything.
    if (card.count === null) assert.equal(life, null, `${file}: a share without a count`);
    const want = cardFor(consoleLines(file), values[i]);
    assert.deepEqual(card, want, `${file}: the card`);
    // A 0 is said to be "not found", and only a 0.
    assert.equal(meaning === kNoCounter, want.state === 'none', `${file}: ${meaning}`);
  });
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

for (const key of chosen) {
  describe(key, () => {
    let engine;
    let server;
    before(async () => {
      engine = await engines[key]();
      server = await startServer();
    });
    after(async () => {
      await engine?.close();
      await server?.close();
    });

    for (const mode of ['disk', 'server']) {
      describe(`from ${mode === 'disk' ? 'disk' : 'a server'}`, () => {
        let url;
        let problemsBefore;
        before(async () => {
          url = mode === 'disk' ? pathToFileURL(pagePath).href : server.url;
          problemsBefore = engine.problems().length;
          server.requests.length = 0;
          engine.requests.length = 0;
          await engine.open(url);
          await until(engine, () => document.body.dataset.ready === 'ja', undefined, 'the banner');
          await engine.evaluate(watchPage);
        });

        test('shows the console program\'s lines for every sample and crafted file', async () => {
          const files = [...sampleFiles, ...corpusFiles];
          assert.ok(files.length > 50, `only ${files.length} files to give the page`);
          // In one engine several hundred at once, as a whole folder dropped.
          const handed = key === 'chromium' && mode === 'disk'
            ? [...files, ...files, ...files, ...files] : files;
          expectConsoleLines(await show(engine, handed), handed);
        });

        test('cards: the count, what it means, or the program\'s own line; on a phone too',
          async () => {
            // The Z 6's card, with its share of the rated shutter life, for
            // the phone's width below.
            const files = [heif, example, jpeg, edited, notes, z6];
            const cards = (await show(engine, files)).map((shown) => shown.card);
            const undated = { mechanical: null, taken: null, stale: false, life: null };
            assert.deepEqual(cards[0], {
              state: 'count', facts: ['Canon EOS R5', '023021000484'], count: '12.260 Auslösungen',
              mechanical: null, meaning: 'Laut Kamera, einschließlich elektronischer Auslösungen.',
              taken: 'Aufgenommen am 18. Februar 2021, 19:54', stale: true, problem: null, life: null,
            });
            assert.deepEqual(cards[1], {
              state: 'count', facts: ['Canon EOS-1D Mark II', '301234'], count: '251.929 Auslösungen',
              meaning: 'Laut Kamera: So oft hat der Verschluss ausgelöst.', ...undated, problem: null,
            });
            assert.deepEqual(cards[2], {
              state: 'none', facts: ['Canon EOS-1D Mark III', '500292'], count: null,
              meaning: kNoCounter, mechanical: null, taken: 'Aufgenommen am 22. Februar 2007, 17:02',
              stale: false, problem: null, life: null,
            });
            assert.equal(cards[3].state, 'header-error');
            assert.equal(cards[3].problem, 'Fehler im TIFF-HEADER des jpg, ByteOrder !');
            assert.equal(cards[4].state, 'unrecognised');
            assert.equal(cards[4].problem, 'Datei nicht vorhanden oder keine 1D-Raw-Datei');
            // The files handed last stand on top, in the order handed.
            const top = await engine.evaluate(() => ({
              name: document.querySelector('#results section h2').textContent,
              summary: document.getElementById('summary').textContent,
            }));
            assert.equal(top.name, path.basename(heif));
            assert.match(top.summary, /^\d+ Dateien gelesen$/);

            // A folder of 300 bodies: each body's line is made once, the lines
            // there stay the same nodes, and the summary holds them all.
            await engine.evaluate(() => { window.auslomatFirstLine = document.querySelector('#bodies li'); });
            await show(engine, manyBodies);
            const lines = await engine.evaluate(() => ({
              count: document.querySelectorAll('#bodies li').length,
              kept: window.auslomatFirstLine === document.querySelector('#bodies li') &&
                window.auslomatFirstLine.isConnected,
              cameras: document.getElementById('cameras').textContent,
            }));
            assert.ok(lines.count >= 300 && lines.kept, JSON.stringify(lines));
            assert.match(lines.cameras, /^Diese Dateien stammen von \d+ verschiedenen Kameras\.$/);

            // At a phone's width nothing runs off sideways and the type stays
            // large, in both colour schemes where the engine can switch.
            await engine.setViewport({ width: 360, height: 800 });
            const measure = () => engine.evaluate(() => {
              const size = (selector) => Math.min(...Array.from(document.querySelectorAll(selector),
                (node) => parseFloat(getComputedStyle(node).fontSize)));
              const life = document.querySelector('.life meter').getBoundingClientRect();
              return {
                width: window.innerWidth,
                scrollWidth: document.documentElement.scrollWidth,
                body: size('body, p:not(.small), dd, dt'),
                small: size('.small, pre'),
                count: size('.count .number'),
                button: document.querySelector('label.button').getBoundingClientRect().height,
                meter: [life.width, life.right],
              };
            });
            const layouts = [await measure()];
            if (engine.colorScheme) {
              await engine.colorScheme('dark');
              layouts.push(await measure());
              await engine.colorScheme('light');
            }
            await engine.setViewport({ width: 1024, height: 800 });
            for (const layout of layouts) {
              assert.ok(layout.width <= 400, `the window is ${layout.width} px wide`);
              assert.ok(layout.scrollWidth <= layout.width, JSON.stringify(layout));
              assert.ok(layout.body >= 16 && layout.small >= 14 && layout.count >= 32,
                JSON.stringify(layout));
              assert.ok(layout.button >= 44, JSON.stringify(layout));
              // The meter is there to see, and inside the window.
              assert.ok(layout.meter[0] > 100 && layout.meter[1] <= layout.width,
                JSON.stringify(layout));
            }

            // The file button by keyboard, with its focus shown.
            if (engine.press) {
              await engine.evaluate(() => document.activeElement?.blur());
              for (let i = 0; i < 5; ++i) {
                await engine.press('Tab');
                if (await engine.evaluate(() => document.activeElement.id === 'files')) break;
              }
              assert.deepEqual(await engine.evaluate(() => [document.activeElement.id,
                getComputedStyle(document.querySelector('label.button')).outlineStyle]),
              ['files', 'solid']);
            }
            // The system's dark mode.
            if (engine.colorScheme) {
              const background = () => getComputedStyle(document.body).backgroundColor;
              await engine.colorScheme('dark');
              assert.equal(await engine.evaluate(background), 'rgb(18, 18, 18)');
              await engine.colorScheme('light');
              assert.equal(await engine.evaluate(background), 'rgb(255, 255, 255)');
            }
          });

        test('cards of other makers\' files: the count and what it includes, or none',
          async () => {
            const files = ['nikon-d70.jpg', 'pentax-k10d.jpg', 'sony-ilce-1.hif',
              'panasonic-dmc-fz18.jpg', 'nikon-z-6.tif'].map((name) => path.join(samples, name));
            const cards = (await show(engine, files)).map((shown) => shown.card);
            const old = { mechanical: null, stale: true, life: null };
            assert.deepEqual(cards[0], {
              state: 'count', facts: ['NIKON D70', 'NO= 20025585        '],
              count: '526 Auslösungen', ...old, taken: 'Aufgenommen am 14. Januar 2005, 08:57',
              meaning: 'Laut Kamera; bei Modellen mit elektronischem Verschluss einschließlich ' +
                'der elektronischen Auslösungen.',
              problem: null,
            });
            assert.deepEqual(cards[1], {
              state: 'count', facts: ['PENTAX K10D        ', 'nicht gefunden'],
              count: '1.648 Auslösungen', ...old, taken: 'Aufgenommen am 2. März 2008, 12:01',
              meaning: 'Laut Kamera, ohne Auslösungen im Live-View und bei Videoaufnahmen. ' +
                'Nach einer Wartung kann der Zähler neu begonnen haben.',
              problem: null,
            });
            assert.deepEqual(cards[2], {
              state: 'count', facts: ['ILCE-1', 'nicht gefunden'], count: '361 Auslösungen',
              ...old, taken: 'Aufgenommen am 18. Februar 2021, 19:55',
              meaning: 'Laut Kamera: jede Aufnahme. Lautlose Aufnahmen zählen manche Modelle ' +
                'nicht mit.',
              problem: null,
            });
            assert.deepEqual(cards[3], {
              state: 'none', facts: ['DMC-FZ18', 'nicht gefunden'], count: null, mechanical: null,
              meaning: kNoCounter, taken: 'Aufgenommen am 13. September 2007, 12:11', stale: false,
              problem: null, life: null,
            });
            // The total and, beside it, the mechanical shutter's part, and
            // that part's share of what Nikon tested the shutter for.
            assert.deepEqual(cards[4], {
              state: 'count', facts: ['NIKON Z 6', '3003230'], count: '3.651 Auslösungen',
              mechanical: 'davon 2.884 mit dem mechanischen Verschluss',
              taken: 'Aufgenommen am 7. November 2018, 22:13', stale: true,
              meaning: 'Laut Kamera; bei Modellen mit elektronischem Verschluss einschließlich ' +
                'der elektronischen Auslösungen.',
              problem: null, life: kZ6Life,
            });
          });

        test('the share of the maker\'s rated shutter life, on the card and the body\'s line',
          async () => {
            await engine.open(url);
            await until(engine, () => document.body.dataset.ready === 'ja', undefined, 'the banner');
            await engine.evaluate(watchPage);
            // A camera of the table, and one with a count that the table lacks.
            const files = ['nikon-z-6.tif', 'sony-slt-a55.jpg'].map((name) => path.join(samples, name));
            const cards = (await show(engine, files)).map((shown) => shown.card);
            assert.deepEqual(cards[0].life, kZ6Life);
            assert.equal(cards[1].count, '27.534 Auslösungen');
            assert.equal(cards[1].life, null);
            const lines = await engine.evaluate(() => Array.from(document.querySelectorAll('#bodies li'),
              (li) => li.textContent));
            assert.equal(lines.length, 2);
            assert.ok(lines[0].includes(`höchster Zählerstand 3.651 Auslösungen (${kZ6Share}), `),
              lines[0]);
            assert.ok(!lines[1].includes('%'), lines[1]);
            // Nothing followed, nothing asked for: the source opens only when it is clicked.
            assert.deepEqual(await engine.evaluate(() => window.auslomatTestProblems), []);

            // What the sentence says follows what the count includes and what
            // kind of figure the maker's is (includes: the reader's numbers).
            const nikon = 'Auslösungen, für die Nikon den Verschluss der Z 6 geprüft hat';
            const cases = [
              [{ camera: 'NIKON Z 6', count: 3651, mechanical: 2884, includes: 2 },
                `1,4 % der 200.000 ${nikon}`],
              [{ camera: 'nikon z 6   ', count: 3651, mechanical: 0, includes: 2 },
                `höchstens 1,9 % der 200.000 ${nikon}`],
              [{ camera: 'NIKON Z 6', count: 10, mechanical: 0, includes: 5 },
                `unter 0,1 % der 200.000 ${nikon}`],
              [{ camera: 'NIKON Z 6', count: 250000, mechanical: 0, includes: 5 },
                `125,0 %: mehr als die 200.000 ${nikon}`],
              [{ camera: 'NIKON D3000', count: 50001, mechanical: 0, includes: 0 },
                'höchstens 50,1 % der mindestens 100.000 Auslösungen, die Nikon für den ' +
                'Verschluss der D3000 angibt'],
              [{ camera: 'Canon EOS 5D Mark III', count: 1500, mechanical: 0, includes: 0 },
                '1,0 % der 150.000 Auslösungen, für die Canon den Verschluss der EOS 5D Mark III ' +
                'laut Testbericht geprüft hat'],
              [{ camera: 'Canon EOS 5D Mark II', count: 160000, mechanical: 0, includes: 0 },
                '106,7 %: mehr als die 150.000 Auslösungen, die Canon laut Testbericht für den ' +
                'Verschluss der EOS 5D Mark II angibt'],
              // The note's model where IFD0 names none.
              [{ camera: '', model: 'Canon EOS R3', count: 1234, mechanical: 0, includes: 1 },
                'höchstens 0,3 % der 500.000 Auslösungen, die Canon laut Testbericht für den ' +
                'Verschluss der EOS R3 angibt'],
              // A count that leaves releases out: at least this share.
              [{ camera: 'X-T4', count: 3001, mechanical: 0, includes: 3 },
                'mindestens 1,0 % der 300.000 Auslösungen, die Fujifilm laut Testbericht für den ' +
                'Verschluss der X-T4 angibt'],
              // At least and at most at once: no share can be said.
              [{ camera: 'NIKON D3000', count: 3001, mechanical: 0, includes: 3 }, null],
              [{ camera: 'NIKON Z 6', count: 0, mechanical: 0, includes: 2 }, null],
              [{ camera: 'NIKON Z 9', count: 3651, mechanical: 0, includes: 2 }, null],
            ];
            const texts = await engine.evaluate((fields) => fields.map((f) =>
              shutterLife({ model: '', ...f })?.text.replaceAll('\u00a0', ' ') ?? null),
            cases.map(([fields]) => fields));
            assert.deepEqual(texts, cases.map(([, text]) => text));
          });

        test('above the cards, one line per camera body once two files are read', async () => {
          // A fresh page for each pair, so that only its files count.
          const bodiesOf = async (names) => {
            assert.deepEqual(await engine.evaluate(() => window.auslomatTestProblems), []);
            await engine.open(url);
            await until(engine, () => document.body.dataset.ready === 'ja', undefined, 'the banner');
            await engine.evaluate(watchPage);
            await show(engine, names.map((name) => path.join(samples, name)));
            return engine.evaluate(() => ({
              cameras: document.getElementById('cameras').textContent,
              bodies: Array.from(document.querySelectorAll('#bodies li'), (li) => ({
                text: li.textContent, files: li.dataset.files, count: li.dataset.count,
              })),
            }));
          };
          assert.deepEqual(await bodiesOf(['eos-r5.jpg']), { cameras: '', bodies: [] },
            'one file: no summary');
          assert.deepEqual(await bodiesOf(['eos-r5.jpg', 'eos-r5.hif']), {
            cameras: '',
            bodies: [{
              text: 'Canon EOS R5 (Seriennummer 023021000484): 2 Dateien, höchster Zählerstand ' +
                '12.260 Auslösungen, neueste Aufnahme vom 18. Februar 2021, 19:54.',
              files: '2', count: '12260',
            }],
          });
          assert.deepEqual(await bodiesOf(['nikon-d70.jpg', 'nikon-d70.nef']), {
            cameras: 'Diese Dateien stammen von 2 verschiedenen Kameras.',
            bodies: [{
              text: 'NIKON D70 (Seriennummer NO= 20025585        ): 1 Datei, höchster ' +
                'Zählerstand 526 Auslösungen, neueste Aufnahme vom 14. Januar 2005, 08:57.',
              files: '1', count: '526',
            }, {
              text: 'NIKON D70 (Seriennummer 12345678): 1 Datei, höchster Zählerstand 3.619 ' +
                'Auslösungen, neueste Aufnahme vom 9. Juni 2004, 16:02.',
              files: '1', count: '3619',
            }],
          });
          // Without serial numbers, by the model alone, and said so.
          const pentax = await bodiesOf(['pentax-k10d.jpg', 'pentax-k10d.jpg', 'sony-slt-a55.jpg']);
          assert.equal(pentax.cameras, 'Diese Dateien stammen von 2 verschiedenen Kameras.');
          assert.match(pentax.bodies[0].text,
            /^PENTAX K10D \(ohne Seriennummer, nach dem Modell zusammengefasst\): 2 Dateien/);
          assert.equal(pentax.bodies[1].count, '27534');
        });

        test('at 360 px a folder\'s first card stays where it was scrolled to', async () => {
          await engine.open(url);
          await until(engine, () => document.body.dataset.ready === 'ja', undefined, 'the banner');
          await engine.evaluate(watchPage);
          await engine.setViewport({ width: 360, height: 800 });
          // From the top, whatever scroll position the engine restores (WebKit
          // does so a while after the page is opened again).
          await sleep(300);
          await engine.evaluate(() => window.scrollTo(0, 0));
          await sleep(100);
          assert.equal(await engine.evaluate(() => window.scrollY), 0);
          await engine.hand(manyBodies);
          await until(engine, () => document.querySelector('#results section') !== null &&
            window.scrollY > 0, undefined, 'the first card scrolled to');
          // Where it stands as drawn: in a frame after the page's own of the
          // next frame (the page puts back what moved before a frame is drawn).
          const drawnTop = () => new Promise((resolve) => requestAnimationFrame(() =>
            requestAnimationFrame(() =>
              resolve(document.querySelector('#results section').getBoundingClientRect().top))));
          const scrolled = await engine.evaluate(drawnTop);
          // The 300 lines of bodies grow above it meanwhile.
          await until(engine, () => document.getElementById('summary').textContent ===
            '300 Dateien gelesen', undefined, 'the folder');
          await sleep(500);
          const end = { top: await engine.evaluate(drawnTop),
            bodies: await engine.evaluate(() => document.querySelectorAll('#bodies li').length) };
          await engine.setViewport({ width: 1024, height: 800 });
          assert.ok(Math.abs(scrolled) <= 2, `the first card was scrolled to ${scrolled} px`);
          assert.ok(Math.abs(end.top - scrolled) <= 1,
            `the first card moved from ${scrolled} px to ${end.top} px`);
          assert.equal(end.bodies, 300);
        });

        test('a file gone before its turn shows the not-recognised line', async () => {
          // Behind a long queue, removed while the page reads the first files;
          // where the page came too near it before it was gone, once more.
          const queue = [...corpusFiles, ...corpusFiles, ...corpusFiles, ...corpusFiles];
          for (let attempt = 1; ; ++attempt) {
            const gone = path.join(work, `gone-${key}-${mode}-${attempt}.cr2`);
            fs.copyFileSync(path.join(samples, 'eos-350d.cr2'), gone);
            const present = consoleOutput(gone);
            const handing = show(engine, [...queue, gone]);
            await until(engine, () => / von \d+ Dateien gelesen/.test(
              document.getElementById('summary').textContent), undefined, 'the queue');
            const before = await engine.evaluate(() => Number(/^(\d+) von/.exec(
              document.getElementById('summary').textContent)?.[1] ?? Infinity));
            fs.unlinkSync(gone);
            const shown = await handing;
            if (before > queue.length / 2 && attempt < 3) continue;
            assert.equal(shown.at(-1).text, consoleOutput(gone));
            assert.notEqual(shown.at(-1).text, present);
            assert.match(shown.at(-1).text, /^Datei nicht vorhanden/);
            break;
          }
        });

        test('a JPEG, a 25 MiB raw file and a HEIF: time to the lines, bytes read', async () => {
          for (const file of [jpeg, raw, heif]) {
            const runs = [];
            for (let i = 0; i < 21; ++i) runs.push(...(await show(engine, [file])));
            expectConsoleLines(runs, runs.map(() => file));
            // Reported, never asserted: figures live in the README.
            console.log(`${engine.name} from ${mode}: ${path.basename(file)}: median ` +
              `${median(runs.map((r) => r.ms)).toFixed(2)} ms from handing the file to its lines, ` +
              `${runs[0].bytesRead} bytes read`);
          }
        });

        test('no console problem, no policy report, no request but the page', async () => {
          assert.deepEqual(await engine.evaluate(() => window.auslomatTestProblems), []);
          assert.deepEqual(engine.problems().slice(problemsBefore), []);
          if (mode === 'server') {
            // The page, once for each time it was opened.
            assert.ok(server.requests.length > 0);
            assert.deepEqual(server.requests.filter((request) => request !== 'GET /Auslomat.html'),
              []);
          }
          // The page itself and its icon come from the page.
          const others = engine.requests.filter((request) => request !== url &&
            !request.startsWith('blob:') && !request.startsWith('data:'));
          assert.deepEqual(others, []);
        });
      });
    }

    if (key === 'chromium') {
      // Pictures for the README, into the folder AUSLOMAT_SCREENSHOTS names.
      test('screenshots at desktop and phone width, light and dark',
        { skip: !process.env.AUSLOMAT_SCREENSHOTS }, async () => {
          for (const scheme of ['light', 'dark']) {
            await engine.colorScheme(scheme);
            await engine.open(pathToFileURL(pagePath).href);
            await until(engine, () => document.body.dataset.ready === 'ja', undefined, 'the banner');
            // Two bodies above the cards: the Z 6, and the R5 of two files.
            await show(engine, [path.join(samples, 'nikon-z-6.tif')]);
            await show(engine, [path.join(samples, 'eos-r5.jpg'), heif]);
            for (const [name, width] of [['desktop', 1024], ['phone', 375]]) {
              await engine.setViewport({ width, height: 800 });
              await engine.screenshot({
                path: path.join(process.env.AUSLOMAT_SCREENSHOTS, `page-${name}-${scheme}.png`),
                fullPage: true,
              });
            }
          }
          await engine.colorScheme('light');
          // A card's folder of many bodies on a phone: the summary's first lines.
          await engine.open(pathToFileURL(pagePath).href);
          await until(engine, () => document.body.dataset.ready === 'ja', undefined, 'the banner');
          await engine.setViewport({ width: 375, height: 800 });
          await show(engine, manyBodies.slice(0, 40));
          await engine.evaluate(() => window.scrollTo(0,
            document.getElementById('summary').getBoundingClientRect().top + window.scrollY - 16));
          await engine.screenshot({
            path: path.join(process.env.AUSLOMAT_SCREENSHOTS, 'page-phone-folder-light.png'),
          });
          await engine.setViewport({ width: 1024, height: 800 });
        });
    }
  });
}
