// The options of `vornsfx build` as form fields: defaults from the drop, and
// the command-line words the builder gets. Member names offered as shortcut
// target and program to open are paths below the destination, in Windows'
// form (backslashes).
'use strict';
var Vorn = window.Vorn || (window.Vorn = {});

Vorn.form = (function () {
  var WHEN = [['off', 'off'], ['offered', 'offered'], ['chosen', 'chosen'], ['offered,chosen', 'offeredChosen']];
  var TEXT_OPTIONS = ['title', 'dest', 'shortcut-name'];
  var CHOICE_OPTIONS = ['base', 'shortcut-target', 'start-menu', 'desktop', 'send-to', 'run-after', 'method', 'effort'];
  var drop = null;

  function field(id) { return document.getElementById(id); }

  function memberNames(intake) {
    var prefix = intake.folder ? intake.folder + '/' : '';
    return intake.items.filter(function (item) { return !item.folder; }).map(function (item) {
      return item.path.slice(prefix.length).replace(/\//g, '\\');
    });
  }

  function fillMembers(select, names) {
    var kept = select.value;
    select.replaceChildren(new Option(Vorn.texts.text('none'), ''));
    names.forEach(function (name) { select.add(new Option(name, name)); });
    select.value = names.indexOf(kept) >= 0 ? kept : '';
  }

  function fillWhen() {
    document.querySelectorAll('select.when').forEach(function (select) {
      var kept = select.value || 'off';
      select.replaceChildren();
      WHEN.forEach(function (pair) { select.add(new Option(Vorn.texts.text(pair[1]), pair[0])); });
      select.value = kept;
    });
  }

  function baseName(path) {
    return path.split(/[\\/]/).pop().replace(/\.[^.]*$/, '');
  }

  // Defaults for a new drop: the folder's name as title and destination, the
  // only program as shortcut target, offered on the Start menu (ticked) and
  // the desktop.
  function fill(intake) {
    drop = intake;
    var names = memberNames(intake);
    fillMembers(field('shortcut-target'), names);
    fillMembers(field('run-after'), names);
    var name = intake.folder || (intake.roots.length ? baseName(intake.roots[0].path) : '');
    field('title').value = name;
    field('dest').value = name;
    field('shortcut-name').value = '';
    var programs = names.filter(function (n) { return /\.exe$/i.test(n); });
    var target = programs.length === 1 ? programs[0] : '';
    field('shortcut-target').value = target;
    field('start-menu').value = target ? 'offered,chosen' : 'off';
    field('desktop').value = target ? 'offered' : 'off';
    field('send-to').value = 'off';
  }

  // The options as the builder's words; the inputs and output are the worker's.
  function words() {
    var out = [];
    TEXT_OPTIONS.concat(CHOICE_OPTIONS).forEach(function (id) {
      var value = field(id).value;
      if (value || TEXT_OPTIONS.indexOf(id) >= 0) out.push('--' + id, value);
    });
    if (field('no-dialog').checked) out.push('--no-dialog');
    return out;
  }

  // "No time later than" as seconds since 1970, the field read as UTC.
  function epoch() {
    var value = field('latest').value;
    if (!value) return '';
    var seconds = Date.parse(value + (value.length === 16 ? ':00Z' : 'Z')) / 1000;
    return isNaN(seconds) ? '' : String(Math.max(0, Math.floor(seconds)));
  }

  function fileName() {
    var title = field('title').value.replace(/[\\/:*?"<>|\u0000-\u001f]/g, '_').trim();
    return (title || 'setup') + '.exe';
  }

  function redraw() {
    fillWhen();
    var names = drop ? memberNames(drop) : [];
    fillMembers(field('shortcut-target'), names);
    fillMembers(field('run-after'), names);
  }

  redraw();
  Vorn.texts.onChange(redraw);

  return { fill: fill, words: words, epoch: epoch, fileName: fileName };
})();
