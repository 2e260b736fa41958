// The page's side of the worker that runs the builder: one worker, started
// when the page has drawn, requests answered in order by id. In the single
// self-contained file the worker's code is inlined and started from a blob.
'use strict';
var Vorn = window.Vorn || (window.Vorn = {});

Vorn.builder = (function () {
  var worker = null;
  var pending = {};
  var nextId = 1;

  function fail(message) {
    Object.keys(pending).forEach(function (id) { pending[id].resolve({ status: 2, err: message }); });
    pending = {};
  }

  function stop() {
    worker.terminate();
    worker = null;
  }

  function start() {
    if (worker) return;
    var inline = document.getElementById('worker-source');
    var url = inline ? URL.createObjectURL(new Blob([inline.textContent], { type: 'text/javascript' }))
                     : 'worker.js';
    worker = new Worker(url);
    worker.onmessage = function (event) {
      var answer = event.data;
      var request = pending[answer.id];
      if (!request) return;
      if (answer.kind === 'progress') {
        if (request.progress) request.progress(answer.done, answer.total);
        return;
      }
      delete pending[answer.id];
      if (answer.broken) stop();
      request.resolve(answer);
    };
    worker.onerror = function (event) {
      stop();
      fail(event.message || 'the builder stopped');
    };
  }

  function ask(request, progress) {
    start();
    request.id = nextId++;
    return new Promise(function (resolve) {
      pending[request.id] = { resolve: resolve, progress: progress };
      worker.postMessage(request);
    });
  }

  return { start: start, ask: ask };
})();
