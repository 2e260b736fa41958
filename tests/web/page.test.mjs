// The web page (out/vornsfx-web.html, opened from disk) in Debian's Chromium,
// headless. The folder picker is given a copy of the sample with an empty
// folder: the browser's directory picker is replaced by one that hands the
// page real File objects of that folder (uploaded through a file input). What
// the page builds must be byte for byte what `vornsfx build` makes of the same
// folder and options with SOURCE_DATE_EPOCH, and pass `vornsfx test`.
// Screenshots of each state go to build/web/screenshots/.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

const ROOT = path.resolve(fileURLToPath(new URL('.', import.meta.url)), '../..');
const PAGE = 'file://' + path.join(ROOT, 'out/vornsfx-web.html');
const VORNSFX = path.join(ROOT, 'out/vornsfx');
const WORK = path.join(ROOT, 'build/web');
const SHOTS = path.join(WORK, 'screenshots');
const EPOCH = 1000000000;  // 2001-09-09 01:46:40 UTC: before every file, so every time is this one
const OPTIONS = { title: 'Vorn サンプル', dest: 'Vorn Sample', 'shortcut-name': 'サンプル' };
const CHOICES = { base: 'program-files', 'shortcut-target': 'readme.txt', 'run-after': 'docs\\使い方.txt',
                  desktop: 'offered,chosen', effort: 'normal' };

let browser, page;
const requests = [];

function tree(folder) {
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

// The page's directory picker, answering with the folder's own files.
async function pickFolder(folder) {
  const entries = tree(folder);
  await page.evaluate(() => { const i = document.createElement('input'); i.type = 'file'; i.multiple = true; i.id = 'fixture'; document.body.append(i); });
  const input = await page.$('#fixture');
  await input.uploadFile(...entries.filter((e) => !e.folder).map((e) => e.full));
  await page.evaluate((name, entries) => {
    const files = [...document.getElementById('fixture').files];
    document.getElementById('fixture').remove();
    const root = { kind: 'directory', name, children: [] }, folders = { '': root };
    for (const entry of entries) {
      const parent = folders[entry.relative.replace(/\/?[^/]*$/, '')];
      const node = entry.folder ? { kind: 'directory', children: [] } : { kind: 'file', file: files.shift() };
      node.name = entry.relative.split('/').pop();
      node.getFile = async () => node.file;
      node.values = async function* () { yield* node.children; };
      if (entry.folder) folders[entry.relative] = node;
      parent.children.push(node);
    }
    root.values = async function* () { yield* root.children; };
    window.showDirectoryPicker = async () => root;
  }, path.basename(folder), entries.map(({ relative, folder }) => ({ relative, folder })));
  await page.click('#pick-folder');
  await page.waitForFunction(() => !document.getElementById('build').disabled);
}

async function fillOptions() {
  for (const [id, value] of Object.entries(OPTIONS)) await page.$eval('#' + id, (field, v) => { field.value = v; }, value);
  for (const [id, value] of Object.entries(CHOICES)) await page.select('#' + id, value);
  await page.click('#options details summary');
  await page.$eval('#latest', (field, iso) => { field.value = iso; }, new Date(EPOCH * 1000).toISOString().slice(0, 19));
}

async function shot(name) {
  await page.screenshot({ path: path.join(SHOTS, name + '.png'), fullPage: true });
}

async function buildInPage() {
  await page.click('#build');
  await page.waitForFunction(() => !document.getElementById('build').disabled, { timeout: 120000 });
  return page.evaluate(() => ({ status: document.getElementById('status').textContent, built: !document.getElementById('result').hidden }));
}

async function download(folder) {
  const cdp = await page.createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: folder });
  const name = await page.$eval('#download', (a) => a.download);
  await page.click('#download');
  const file = path.join(folder, name);
  for (let i = 0; i < 100 && !fs.existsSync(file); ++i) await new Promise((r) => setTimeout(r, 100));
  return file;
}

before(async () => {
  fs.rmSync(WORK, { recursive: true, force: true });
  fs.mkdirSync(SHOTS, { recursive: true });
  fs.cpSync(path.join(ROOT, 'examples/sample'), path.join(WORK, 'sample'), { recursive: true });
  fs.mkdirSync(path.join(WORK, 'sample/空のフォルダー'));
  browser = await puppeteer.launch({ executablePath: '/usr/bin/chromium', headless: true, args: ['--no-sandbox', '--lang=en-US'] });
  page = await browser.newPage();
  page.on('request', (request) => requests.push(request.url()));
  await page.setViewport({ width: 1000, height: 900 });
  await page.goto(PAGE, { waitUntil: 'load' });
});

after(async () => { await browser?.close(); });

test('the first screen is ready from disk in under a second, labelled, in one file under 2 MB', async () => {
  // Ready: its scripts have run and every text is in place. Opened twice, so
  // the browser's own start-up is not the page's.
  const ready = () => page.evaluate(() => performance.getEntriesByType('navigation')[0].loadEventEnd);
  const first = await ready();
  await page.reload({ waitUntil: 'load' });
  const again = await ready();
  console.log(`first screen ready: ${first.toFixed(0)} ms, opened again ${again.toFixed(0)} ms; ` +
              `page ${fs.statSync(PAGE.slice(7)).size} bytes`);
  assert.ok(Math.min(first, again) < 1000);
  assert.ok(fs.statSync(PAGE.slice(7)).size < 2e6);
  const unlabelled = await page.$$eval('input:not([hidden]), select', (fields) =>
    fields.filter((f) => !f.labels?.length).map((f) => f.id));
  assert.deepEqual(unlabelled, []);
  await shot('1-empty');
});

test('a folder with Japanese names and an empty folder builds byte for byte as vornsfx build does', async () => {
  await pickFolder(path.join(WORK, 'sample'));
  const files = await page.$$eval('#files li', (items) => items.map((i) => i.dataset.path));
  assert.ok(files.includes('sample/空のフォルダー') && files.includes('sample/docs/使い方.txt'));
  await fillOptions();
  await shot('2-options');
  const result = await buildInPage();
  assert.ok(result.built, result.status);
  await shot('3-built');
  const made = await download(WORK);
  assert.equal(path.basename(made), 'Vorn サンプル.exe');
  const native = path.join(WORK, 'native.exe');
  const words = Object.entries({ ...OPTIONS, ...CHOICES }).flatMap(([k, v]) => ['--' + k, v]);
  execFileSync(VORNSFX, ['build', path.join(WORK, 'sample') + '/', '-o', native, '--stub', path.join(ROOT, 'out/Sfx64.exe'), '-q', ...words],
               { env: { ...process.env, SOURCE_DATE_EPOCH: String(EPOCH) } });
  assert.ok(fs.readFileSync(made).equals(fs.readFileSync(native)), 'the page and vornsfx build differ');
  assert.equal(spawnSync(VORNSFX, ['test', '-q', made]).status, 0);
  const listing = JSON.parse(execFileSync(VORNSFX, ['list', '--json', made]));
  assert.deepEqual(listing.members.map((m) => m.path), ['docs', 'docs/app.ico', 'docs/使い方.txt', 'readme.txt', '空のフォルダー']);
  assert.equal(listing.settings.title, OPTIONS.title);
  const shown = await page.$$eval('#result tbody tr td:first-child', (cells) => cells.map((c) => c.textContent));
  assert.equal(shown.length, 5);
  assert.match(await page.$eval('#result .verdict', (v) => v.className), /passed/);
});

test('names Windows cannot hold are refused beside the files, in Japanese too, and nothing is offered', async () => {
  const folder = path.join(WORK, 'clash');
  fs.mkdirSync(folder);
  fs.writeFileSync(path.join(folder, 'Readme.txt'), 'a');
  fs.writeFileSync(path.join(folder, 'README.TXT'), 'b');
  await page.click('#language');
  assert.equal(await page.$eval('html', (h) => h.lang), 'ja');
  const input = await page.$('#files-input');
  await input.uploadFile(path.join(folder, 'README.TXT'), path.join(folder, 'Readme.txt'));
  await page.waitForFunction(() => document.querySelectorAll('#files li').length === 2);
  const result = await buildInPage();
  assert.ok(!result.built);
  assert.match(result.status, /大文字と小文字/);
  assert.equal(await page.$$eval('#files li.refused', (items) => items.length), 2);
  assert.ok(await page.$eval('#result', (r) => r.hidden));
  await shot('4-refused');
  await page.click('#language');
  assert.match(await page.$eval('#status', (s) => s.textContent), /^Not built: Windows cannot hold two names/);
  assert.equal(await page.$$eval('#files .refusal', (notes) => notes.length), 2);
});

test('the inspector shows a built program\'s settings and members and tests it', async () => {
  const input = await page.$('#inspect-input');
  await input.uploadFile(path.join(WORK, 'native.exe'));
  await page.waitForSelector('#inspect-result:not([hidden])');
  const cells = await page.$$eval('#inspect-result tbody td:first-child', (c) => c.map((x) => x.textContent));
  assert.ok(cells.includes('docs/使い方.txt') && cells.includes('空のフォルダー/'));
  assert.match(await page.$eval('#inspect-result dl', (d) => d.textContent), /Vorn サンプル/);
  assert.match(await page.$eval('#inspect-result .verdict', (v) => v.className), /passed/);
  await page.$eval('#inspect-result', (r) => r.scrollIntoView());
  await shot('5-inspector');
});

test('the page makes no network request, and the keyboard reaches every control', async () => {
  const remote = requests.filter((url) => !/^(file|blob|data):/.test(url));
  assert.deepEqual(remote, []);
  await page.focus('#language');
  const reached = new Set();
  for (let i = 0; i < 40; ++i) {
    await page.keyboard.press('Tab');
    reached.add(await page.evaluate(() => document.activeElement.id));
  }
  for (const id of ['drop', 'pick-folder', 'title', 'method', 'build', 'inspect-drop', 'pick-inspect'])
    assert.ok(reached.has(id), id + ' is not reached by Tab');
});

test('served by a web server as separate files, the page builds the same program', async () => {
  const server = http.createServer((request, response) => {
    const file = path.join(ROOT, 'out/web', path.basename(new URL(request.url, 'http://x').pathname) || 'index.html');
    fs.readFile(file, (error, data) => {
      response.writeHead(error ? 404 : 200, { 'Content-Type': file.endsWith('.html') ? 'text/html' : 'text/javascript' });
      response.end(data);
    });
  }).listen(0, '127.0.0.1');
  await new Promise((resolve) => server.once('listening', resolve));
  const single = page;
  page = await browser.newPage();
  try {
    await page.goto(`http://127.0.0.1:${server.address().port}/index.html`, { waitUntil: 'load' });
    await pickFolder(path.join(WORK, 'sample'));
    await fillOptions();
    assert.ok((await buildInPage()).built);
    fs.mkdirSync(path.join(WORK, 'served'));
    const made = await download(path.join(WORK, 'served'));
    assert.ok(fs.readFileSync(made).equals(fs.readFileSync(path.join(WORK, 'native.exe'))));
  } finally {
    await page.close();
    page = single;
    server.close();
  }
});
