import { engines } from './tests/engines.mjs';
import { pathToFileURL } from 'node:url';
const engine = await engines[process.argv[2]]();
await engine.open(pathToFileURL('/work/main/build-web/web/Auslomat.html').href);
await new Promise((r) => setTimeout(r, 1500));
await engine.evaluate(() => {
  window.marks = [];
  const mark = (what) => window.marks.push([what, performance.now()]);
  document.getElementById('files').addEventListener('change', () => mark('change'), { capture: true });
  for (const name of ['readBytes', 'show', 'analyse']) {
    const f = window[name];
    if (f.constructor.name === 'AsyncFunction') window[name] = async function (...a) { mark(name + '>'); const r = await f.apply(this, a); mark(name + '<'); return r; };
    else window[name] = function (...a) { mark(name + '>'); const r = f.apply(this, a); mark(name + '<'); return r; };
  }
  const ra = reader.analyse; reader.analyse = (...a) => { mark('run>'); const r = ra(...a); mark('run<'); return r; };
});
for (let i = 0; i < 8; ++i) {
  await engine.evaluate(() => { window.marks = []; });
  await engine.hand(['/work/shared/samples/eos-1d-mark-iii.jpg']);
  await new Promise((r) => setTimeout(r, 300));
  console.log(await engine.evaluate(() => { const t0 = window.marks[0][1]; return window.marks.map(([w, t]) => `${w} ${(t - t0).toFixed(1)}`).join(', ') + ' | ms=' + document.querySelector('#results section').dataset.ms; }));
}
await engine.close();
