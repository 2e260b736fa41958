// The timing half of bench/web-bench: TREE EPOCH OUT REPEAT.
import { execFileSync } from 'node:child_process';
import { createRequire } from 'node:module';
import fs from 'node:fs';
import path from 'node:path';

const [tree, epoch, out, repeat] = process.argv.slice(2);
const root = process.cwd();
const puppeteer = createRequire(path.join(root, 'package.json'))('puppeteer-core');
const words = ['--title', 'Bench', '--dest', 'Bench', '--method', '-lh7-', '--effort', 'normal'];

function files(folder) {
  const found = [];
  (function walk(dir, rel) {
    for (const name of fs.readdirSync(dir).sort()) {
      const full = path.join(dir, name), relative = rel ? rel + '/' + name : name;
      const folder = fs.statSync(full).isDirectory();
      found.push({ full, relative, folder });
      if (folder) walk(full, relative);
    }
  })(folder, '');
  return found;
}

function native() {
  const started = process.hrtime.bigint();
  execFileSync('out/vornsfx', ['build', tree + '/', '-o', path.join(out, 'native.exe'), '--stub', 'out/Sfx64.exe', '-q', '-j', '1', ...words],
               { env: { ...process.env, SOURCE_DATE_EPOCH: epoch } });
  return Number(process.hrtime.bigint() - started) / 1e9;
}

async function inPage(page, entries) {
  await page.evaluate(() => { const i = document.createElement('input'); i.type = 'file'; i.multiple = true; i.id = 'fixture'; document.body.append(i); });
  await (await page.$('#fixture')).uploadFile(...entries.filter((e) => !e.folder).map((e) => e.full));
  const answer = await page.evaluate(async (entries, fields, epoch) => {
    const files = [...document.getElementById('fixture').files];
    document.getElementById('fixture').remove();
    const items = [{ path: 'tree', folder: true, mtime: epoch }].concat(entries.map((e) => e.folder
      ? { path: 'tree/' + e.relative, folder: true, mtime: epoch }
      : { path: 'tree/' + e.relative, folder: false, file: files.shift(), mtime: epoch }));
    const answer = await Vorn.builder.ask({ kind: 'build', items, inputs: ['tree/'], fileName: 'page.exe',
                                            words: fields, epoch: String(epoch) });
    let text = '';
    for (let i = 0; answer.setup && i < answer.setup.length; i += 0x8000)
      text += String.fromCharCode.apply(null, answer.setup.subarray(i, i + 0x8000));
    return { status: answer.status, err: answer.err, seconds: answer.seconds, setup: btoa(text) };
  }, entries, words, Number(epoch));
  if (answer.status !== 0) throw new Error(answer.err);
  fs.writeFileSync(path.join(out, 'page.exe'), Buffer.from(answer.setup, 'base64'));
  return answer.seconds;
}

const browser = await puppeteer.launch({ executablePath: '/usr/bin/chromium', headless: true, args: ['--no-sandbox'] });
const page = await browser.newPage();
await page.goto('file://' + path.join(root, 'out/vornsfx-web.html'), { waitUntil: 'load' });
const entries = files(tree);
const times = { native: [], page: [] };
for (let i = 0; i < Number(repeat); ++i) {
  times.native.push(native());
  times.page.push(await inPage(page, entries));
  const same = fs.readFileSync(path.join(out, 'page.exe')).equals(fs.readFileSync(path.join(out, 'native.exe')));
  console.log(`run ${i + 1}: native ${times.native[i].toFixed(2)} s, page ${times.page[i].toFixed(2)} s, ` +
              (same ? 'the same bytes' : 'DIFFERENT BYTES'));
  if (!same) process.exitCode = 1;
}
await browser.close();
const best = (list) => Math.min(...list);
const ratios = times.native.map((native, i) => native / times.page[i]).sort((a, b) => a - b);
console.log(`best: native ${best(times.native).toFixed(2)} s, page ${best(times.page).toFixed(2)} s; ` +
            `page speed / native speed = ${(best(times.native) / best(times.page)).toFixed(2)} by the best times, ` +
            `${ratios[Math.floor(ratios.length / 2)].toFixed(2)} as the median of the runs' ratios`);
