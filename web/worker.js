// The builder runs here, off the page's thread: the WebAssembly build of
// vornsfx over Emscripten's in-memory file system. A build writes the drop's
// files there with their times (/in/...), runs `vornsfx build` with the stub
// (/stub/Sfx64.exe) into /out/, then `list --json` and `test` on the result;
// an inspection runs `list --json` and `test` on the one file given. Each
// request answers with the exit status and what the commands printed.
'use strict';
/* global createVornsfx, FileReaderSync */
if (typeof createVornsfx === 'undefined') importScripts('vornsfx_web.js', 'stub.js');

var STUB = '/stub/Sfx64.exe';
var PROGRESS_STEPS = 200;  // messages per build at most: the page redraws no more often

var ready = createVornsfx().then(function (module) {
  module.FS.mkdir('/stub');
  var bytes = Uint8Array.from(atob(self.VORN_STUB), function (c) { return c.charCodeAt(0); });
  module.FS.writeFile(STUB, bytes);
  return module;
});

function removeTree(FS, path) {
  if (!FS.analyzePath(path).exists) return;
  if (FS.isDir(FS.stat(path).mode)) {
    FS.readdir(path).forEach(function (name) {
      if (name !== '.' && name !== '..') removeTree(FS, path + '/' + name);
    });
    FS.rmdir(path);
  } else {
    FS.unlink(path);
  }
}

function freshFolder(FS, path) {
  removeTree(FS, path);
  FS.mkdir(path);
}

// One command; words as main() gets them, epoch for SOURCE_DATE_EPOCH.
function run(module, words, epoch) {
  var text = words.join('\0') + '\0';
  var length = module.lengthBytesUTF8(text);
  var wordsAt = module._malloc(length + 1);
  module.stringToUTF8(text, wordsAt, length + 1);
  var epochAt = module._malloc(32);
  module.stringToUTF8(epoch || '', epochAt, 32);
  var status = module._vornsfx_run(wordsAt, length, epochAt);
  module._free(wordsAt);
  module._free(epochAt);
  return { status: status, out: module.UTF8ToString(module._vornsfx_out()),
           err: module.UTF8ToString(module._vornsfx_err()) };
}

// The file's listing and test, as the page shows them.
function examine(module, path) {
  var listing = run(module, ['list', '--json', path]);
  if (listing.status !== 0) return { status: listing.status, err: listing.err };
  return { status: 0, listing: listing.out, test: run(module, ['test', path]) };
}

function writeDrop(FS, items) {
  freshFolder(FS, '/in');
  items.slice().sort(function (a, b) { return a.path < b.path ? -1 : 1; }).forEach(function (item) {
    var path = '/in/' + item.path;
    if (item.folder) FS.mkdir(path);
    else FS.writeFile(path, new Uint8Array(new FileReaderSync().readAsArrayBuffer(item.file)));
  });
  // Times last: adding a file to a folder would change the folder's time.
  items.forEach(function (item) { FS.utime('/in/' + item.path, item.mtime * 1000, item.mtime * 1000); });
}

function build(module, request, progress) {
  writeDrop(module.FS, request.items);
  freshFolder(module.FS, '/out');
  var output = '/out/' + request.fileName;
  var inputs = request.inputs.map(function (input) { return '/in/' + input; });
  var step = 0;
  module.onPacking = function (done, total) {
    var now = total ? Math.floor(done * PROGRESS_STEPS / total) : PROGRESS_STEPS;
    if (now !== step || done === total) { step = now; progress(done, total); }
  };
  var started = performance.now();
  // One thread: this build of the builder has none to start (its output is the
  // same for any count).
  var result = run(module, ['build'].concat(inputs, ['-o', output, '--stub', STUB, '-q', '-j', '1'],
                                            request.words),
                   request.epoch);
  result.seconds = (performance.now() - started) / 1000;
  module.onPacking = null;
  removeTree(module.FS, '/in');
  if (result.status !== 0) return result;
  var report = examine(module, output);
  report.setup = module.FS.readFile(output);
  report.seconds = result.seconds;
  removeTree(module.FS, '/out');
  return report;
}

function inspect(module, request) {
  freshFolder(module.FS, '/inspect');
  var path = '/inspect/' + request.name.replace(/[\\/]/g, '_');
  module.FS.writeFile(path, new Uint8Array(new FileReaderSync().readAsArrayBuffer(request.file)));
  var report = examine(module, path);
  removeTree(module.FS, '/inspect');
  return report;
}

self.onmessage = function (event) {
  var request = event.data;
  ready.then(function (module) {
    var progress = function (done, total) {
      self.postMessage({ id: request.id, kind: 'progress', done: done, total: total });
    };
    var answer;
    try {
      answer = request.kind === 'build' ? build(module, request, progress) : inspect(module, request);
    } catch (error) {
      // The builder reports its own failures; an exception here means the
      // module itself failed (out of memory), so the page starts a new one.
      answer = { status: 2, err: String(error && error.message || error), broken: true };
    }
    answer.id = request.id;
    answer.kind = 'done';
    self.postMessage(answer, answer.setup ? [answer.setup.buffer] : []);
  });
};
