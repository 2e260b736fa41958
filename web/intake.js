// The file intake: what the user dropped or chose, as a list of items with
// paths relative to the drop ("app/bin/app.exe"), each a file (with its File)
// or a folder. Three ways in: a drop (folders walked through the entries API,
// empty ones included), the folder picker (the directory handles API where
// the browser has it, which sees empty folders too; else a folder input,
// which lists files only), and a files input.
//
// Browsers give folders no time: a folder takes the latest time of the files
// below it, an empty one the latest time of the whole drop, so the same drop
// always packs the same.
'use strict';
var Vorn = window.Vorn || (window.Vorn = {});

Vorn.intake = (function () {
  function fileItem(path, file) {
    return { path: path, folder: false, file: file, size: file.size, mtime: Math.floor(file.lastModified / 1000) };
  }

  function folderItem(path) {
    return { path: path, folder: true, file: null, size: 0, mtime: 0 };
  }

  // The entries API of a drop: readEntries gives a folder's entries in batches.
  function walkEntry(entry, path, items) {
    if (entry.isFile)
      return new Promise(function (resolve, reject) { entry.file(resolve, reject); })
        .then(function (file) { items.push(fileItem(path, file)); });
    items.push(folderItem(path));
    var reader = entry.createReader();
    function next() {
      return new Promise(function (resolve, reject) { reader.readEntries(resolve, reject); })
        .then(function (batch) {
          if (!batch.length) return;
          return Promise.all(batch.map(function (child) {
            return walkEntry(child, path + '/' + child.name, items);
          })).then(next);
        });
    }
    return next();
  }

  async function walkHandle(handle, path, items) {
    if (handle.kind === 'file') {
      items.push(fileItem(path, await handle.getFile()));
      return;
    }
    items.push(folderItem(path));
    for await (const child of handle.values()) await walkHandle(child, path + '/' + child.name, items);
  }

  // Folders of a folder input, known only from its files' paths.
  function fromRelativePaths(files) {
    var items = [], seen = {};
    Array.prototype.forEach.call(files, function (file) {
      var path = file.webkitRelativePath || file.name;
      var parts = path.split('/');
      for (var i = 1; i < parts.length; ++i) {
        var folder = parts.slice(0, i).join('/');
        if (!seen[folder]) { seen[folder] = true; items.push(folderItem(folder)); }
      }
      items.push(fileItem(path, file));
    });
    return items;
  }

  function parentOf(path) {
    var slash = path.lastIndexOf('/');
    return slash < 0 ? '' : path.slice(0, slash);
  }

  function dateFolders(items) {
    var latest = {}, newest = 0;
    items.forEach(function (item) {
      if (item.folder) return;
      newest = Math.max(newest, item.mtime);
      for (var p = parentOf(item.path); p; p = parentOf(p)) latest[p] = Math.max(latest[p] || 0, item.mtime);
    });
    if (!newest) newest = Math.floor(Date.now() / 1000);
    items.forEach(function (item) { if (item.folder) item.mtime = latest[item.path] || newest; });
  }

  // The drop's top-level names; a single folder is packed as its contents.
  function describe(items) {
    dateFolders(items);
    var roots = items.filter(function (item) { return item.path.indexOf('/') < 0; });
    var single = roots.length === 1 && roots[0].folder ? roots[0].path : null;
    return { items: items, roots: roots, folder: single };
  }

  async function fromDrop(dataTransfer) {
    var entries = Array.prototype.map.call(dataTransfer.items, function (item) {
      return item.webkitGetAsEntry && item.webkitGetAsEntry();
    }).filter(Boolean);
    var items = [];
    if (!entries.length)
      Array.prototype.forEach.call(dataTransfer.files, function (f) { items.push(fileItem(f.name, f)); });
    for (const entry of entries) await walkEntry(entry, entry.name, items);
    return describe(items);
  }

  async function fromDirectoryHandle(handle) {
    var items = [];
    await walkHandle(handle, handle.name, items);
    return describe(items);
  }

  function fromInput(files) {
    return describe(fromRelativePaths(files));
  }

  return { fromDrop: fromDrop, fromDirectoryHandle: fromDirectoryHandle, fromInput: fromInput };
})();
