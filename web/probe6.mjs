import { engines } from './tests/engines.mjs';
import { pathToFileURL } from 'node:url';
const engine = await engines[process.argv[2]]();
await engine.open(pathToFileURL('/work/main/build-web/web/Auslomat.html').href);
await new Promise((r) => setTimeout(r, 1500));
await engine.hand(['/work/shared/samples/eos-1d-mark-iii.jpg']);
await new Promise((r) => setTimeout(r, 500));
console.log(await engine.evaluate(async () => {
  const input = document.getElementById('files');
  const out = {};
  // a real head: read the sample through a new input is not possible; use the bytes of the page's own banner? use zeros
  const head = new Uint8Array(32768);
  head.set([0xFF, 0xD8, 0xFF, 0xE1]);
  let t = performance.now();
  for (let i = 0; i < 200; ++i) reader.analyse(32768, head, new Map());
  out.analyseJpegHeaderless = ((performance.now() - t) / 200).toFixed(3);
  t = performance.now();
  for (let i = 0; i < 200; ++i) { const d = document.createElement('section'); d.append(document.createElement('h2')); }
  out.dom = ((performance.now() - t) / 200).toFixed(3);
  return JSON.stringify(out);
}));
await engine.close();
