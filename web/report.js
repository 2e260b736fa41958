// What the builder says about a self-extracting file or an archive, shown as
// `vornsfx list --json` gives it: the settings, the members, and the verdict
// of `vornsfx test`.
'use strict';
var Vorn = window.Vorn || (window.Vorn = {});

Vorn.report = (function () {
  var t = function () { return Vorn.texts.text.apply(null, arguments); };

  function element(tag, text, className) {
    var node = document.createElement(tag);
    if (text !== undefined) node.textContent = text;
    if (className) node.className = className;
    return node;
  }

  function settingsList(settings) {
    if (!settings) return element('p', t('noSettings'));
    var list = element('dl');
    var rows = [[t('dialog'), settings.dialog ? t('yes') : t('no')]];
    if (settings.dialog)
      rows.push([t('title'), settings.title], [t('dest'), settings.dest], [t('base'), settings.base],
                [t('shortcutTarget'), settings.shortcut_target], [t('shortcutName'), settings.shortcut_name],
                [t('startMenu'), settings.start_menu], [t('desktop'), settings.desktop],
                [t('sendTo'), settings.send_to], [t('runAfter'), settings.run_after]);
    rows.forEach(function (row) {
      list.append(element('dt', row[0]), element('dd', row[1] || '—'));
    });
    return list;
  }

  function membersTable(members) {
    var table = element('table');
    var head = table.createTHead().insertRow();
    [t('path'), t('method'), t('size'), t('packed'), t('time')].forEach(function (label) {
      var th = element('th', label);
      th.scope = 'col';
      head.append(th);
    });
    var body = table.createTBody();
    members.forEach(function (member) {
      var row = body.insertRow();
      row.append(element('td', member.path + (member.folder ? '/' : '')), element('td', member.method),
                 element('td', member.original_size.toLocaleString(), 'number'),
                 element('td', member.packed_size.toLocaleString(), 'number'),
                 element('td', (member.time || member.local_time || '').replace('T', ' ')));
    });
    return table;
  }

  // listing: the JSON text; test: {status, out, err} of the test command.
  function show(container, listing, test) {
    var data = JSON.parse(listing);
    var passed = test.status === 0;
    var verdict = element('p', passed ? t('passed') : t('failed'), 'verdict ' + (passed ? 'passed' : 'failed'));
    container.replaceChildren(element('h3', t('settings')), settingsList(data.settings),
                              element('h3', t('members') + ' (' + data.members.length + ')'),
                              membersTable(data.members), verdict);
    if (!passed) container.append(element('pre', test.out + test.err));
    container.hidden = false;
  }

  return { show: show };
})();
