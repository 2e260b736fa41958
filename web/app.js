// The page: the drop zones and pickers, the Build button, the progress bar,
// the download and the report, the builder's refusals beside the files they
// name, and the inspector.
'use strict';
var Vorn = window.Vorn || (window.Vorn = {});

(function () {
  var t = Vorn.texts.text;
  var LARGEST_MEMBER = 0xFFFFFFFF;      // sizes are 32-bit fields in LHA headers
  var LARGEST_DROP = 512 * 1024 * 1024;  // the worker holds the files, the archive and the result in memory
  var MEGABYTE = 1e6;
  var drop = null;
  var downloadUrl = null;
  // What is shown, kept to be drawn again in the other language.
  var shown = { status: {}, refusal: '', built: null, inspected: null };

  function $(id) { return document.getElementById(id); }

  function sizeText(bytes) {
    return bytes < MEGABYTE ? Math.ceil(bytes / 1000) + ' KB' : (bytes / MEGABYTE).toFixed(1) + ' MB';
  }

  // A status line from a text's key and its arguments (or a function that
  // gives them in the language of the moment).
  function status(element, key, args, failed) {
    shown.status[element.id] = [key, args, failed];
    var values = typeof args === 'function' ? args() : args || [];
    element.textContent = key ? t.apply(null, [key].concat(values)) : '';
    element.classList.toggle('failed', !!failed);
  }

  function redraw() {
    Object.keys(shown.status).forEach(function (id) {
      var line = shown.status[id];
      status($(id), line[0], line[1], line[2]);
    });
    if (shown.inspected) Vorn.report.show($('inspect-result'), shown.inspected.listing, shown.inspected.test);
    if (!drop) return;
    listFiles(drop);
    if (shown.refusal) markRefused(shown.refusal);
    if (shown.built) Vorn.report.show($('result').querySelector('.report'), shown.built.listing, shown.built.test);
  }

  function listFiles(intake) {
    var list = $('files');
    list.replaceChildren();
    intake.items.forEach(function (item) {
      var entry = document.createElement('li');
      entry.textContent = item.path + (item.folder ? '/' : ' (' + sizeText(item.size) + ')');
      entry.dataset.path = item.path;
      list.append(entry);
    });
    var files = intake.items.filter(function (item) { return !item.folder; });
    var bytes = files.reduce(function (sum, item) { return sum + item.size; }, 0);
    $('intake-summary').textContent = t('items', files.length, intake.items.length - files.length, sizeText(bytes));
  }

  // The refusal beside the item it names: a path under /in/, or stored paths
  // ("Windows cannot hold both a/x and a/X").
  function markRefused(message) {
    var entries = Array.prototype.slice.call($('files').children);
    var prefix = drop.folder ? drop.folder + '/' : '';
    var named = entries.filter(function (entry) {
      var path = entry.dataset.path;
      var stored = path.slice(prefix.length);
      return message.indexOf('/in/' + path + ':') >= 0 ||
             new RegExp('(^|both | and )' + stored.replace(/[.*+?^${}()|[\]\\]/g, '\\$&') + '( and|$)').test(message);
    });
    named.forEach(function (entry) {
      entry.classList.add('refused');
      var note = document.createElement('span');
      note.className = 'refusal';
      note.textContent = (Vorn.texts.reason(message) + ' ' + message).trim();
      entry.append(note);
    });
    if (named.length) named[0].scrollIntoView({ block: 'nearest' });
  }

  function refusalBeforeBuild(intake) {
    var total = 0, message = '';
    intake.items.forEach(function (item) {
      total += item.size;
      if (!message && item.size > LARGEST_MEMBER)
        message = '/in/' + item.path + ': 4 GiB or more, larger than an LHA member can be';
    });
    if (!message && total > LARGEST_DROP) message = t('tooLarge', sizeText(total));
    return message;
  }

  function takeDrop(intake) {
    drop = intake;
    listFiles(intake);
    Vorn.form.fill(intake);
    $('result').hidden = true;
    shown.refusal = '';
    shown.built = null;
    status($('status'), '');
    $('build').disabled = intake.items.length === 0;
  }

  function offerDownload(answer) {
    if (downloadUrl) URL.revokeObjectURL(downloadUrl);
    downloadUrl = URL.createObjectURL(new Blob([answer.setup], { type: 'application/vnd.microsoft.portable-executable' }));
    var link = $('download');
    link.href = downloadUrl;
    link.download = Vorn.form.fileName();
    link.textContent = t('download') + ' ' + link.download + ' (' + sizeText(answer.setup.length) + ')';
  }

  function finish(answer) {
    $('progress').hidden = true;
    $('build').disabled = false;
    if (answer.status !== 0) {
      var message = (answer.err || '').replace(/^vornsfx: /gm, '').trim();
      shown.refusal = message;
      status($('status'), 'refused', function () { return [Vorn.texts.reason(message) || message]; }, true);
      markRefused(message);
      return;
    }
    offerDownload(answer);
    shown.built = answer;
    status($('status'), 'built', [Vorn.form.fileName(), sizeText(answer.setup.length)]);
    Vorn.report.show($('result').querySelector('.report'), answer.listing, answer.test);
    $('result').hidden = false;
    $('download').focus();
  }

  function build(event) {
    event.preventDefault();
    if (!drop) return;
    listFiles(drop);
    $('result').hidden = true;
    shown.refusal = '';
    shown.built = null;
    var early = refusalBeforeBuild(drop);
    if (early) return finish({ status: 2, err: early });
    $('build').disabled = true;
    var bar = $('progress');
    bar.hidden = false;
    bar.removeAttribute('value');
    status($('status'), 'packing', ['']);
    var request = {
      kind: 'build', items: drop.items, fileName: Vorn.form.fileName(), words: Vorn.form.words(),
      epoch: Vorn.form.epoch(),
      inputs: drop.folder ? [drop.folder + '/'] : drop.roots.map(function (item) { return item.path; })
    };
    Vorn.builder.ask(request, function (done, total) {
      bar.value = total ? done / total : 1;
      if (done < total) status($('status'), 'packing', [Math.floor(100 * done / total) + ' %']);
      else status($('status'), 'checking');
    }).then(finish);
  }

  function inspect(file) {
    var out = $('inspect-result');
    out.hidden = true;
    shown.inspected = null;
    status($('inspect-status'), 'inspecting', [file.name]);
    Vorn.builder.ask({ kind: 'inspect', name: file.name, file: file }).then(function (answer) {
      if (answer.status !== 0) return status($('inspect-status'), 'plain', [(answer.err || '').replace(/^vornsfx: /gm, '')], true);
      status($('inspect-status'), 'plain', [file.name]);
      shown.inspected = answer;
      Vorn.report.show(out, answer.listing, answer.test);
    });
  }

  // A drop zone that takes drops, and Enter or Space as a click on its first button.
  function dropZone(zone, onDrop) {
    zone.addEventListener('dragover', function (event) { event.preventDefault(); zone.classList.add('over'); });
    zone.addEventListener('dragleave', function () { zone.classList.remove('over'); });
    zone.addEventListener('drop', function (event) {
      event.preventDefault();
      zone.classList.remove('over');
      onDrop(event.dataTransfer);
    });
    zone.addEventListener('keydown', function (event) {
      if (event.target === zone && (event.key === 'Enter' || event.key === ' ')) {
        event.preventDefault();
        zone.querySelector('button').click();
      }
    });
  }

  function pickFolder() {
    if (!window.showDirectoryPicker) return $('folder-input').click();
    // Cancelled: nothing. Refused (some browsers allow it only on web servers): the folder input.
    window.showDirectoryPicker().then(Vorn.intake.fromDirectoryHandle).then(takeDrop, function (error) {
      if (error.name !== 'AbortError') $('folder-input').click();
    });
  }

  dropZone($('drop'), function (data) { Vorn.intake.fromDrop(data).then(takeDrop); });
  dropZone($('inspect-drop'), function (data) { if (data.files.length) inspect(data.files[0]); });
  $('pick-folder').addEventListener('click', pickFolder);
  $('pick-files').addEventListener('click', function () { $('files-input').click(); });
  $('pick-inspect').addEventListener('click', function () { $('inspect-input').click(); });
  ['folder-input', 'files-input'].forEach(function (id) {
    $(id).addEventListener('change', function () { if (this.files.length) takeDrop(Vorn.intake.fromInput(this.files)); });
  });
  $('inspect-input').addEventListener('change', function () { if (this.files.length) inspect(this.files[0]); });
  $('options').addEventListener('submit', build);
  $('language').addEventListener('click', Vorn.texts.switchLanguage);
  Vorn.texts.onChange(redraw);
  Vorn.texts.apply();
  // The builder loads once the first screen is drawn.
  window.addEventListener('load', function () { setTimeout(Vorn.builder.start, 0); });
})();
