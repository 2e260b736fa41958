// The page's texts in English and Japanese. The language follows the
// browser's (Japanese when it prefers Japanese) until the switch picks the
// other; every element with data-text takes its text from here.
'use strict';
var Vorn = window.Vorn || (window.Vorn = {});

Vorn.texts = (function () {
  var TEXTS = {
    en: {
      heading: 'Make setup.exe', other: '日本語', otherLang: 'ja',
      makerHeading: 'Files to install',
      dropHint: 'Drop a folder or files here, or choose them:',
      pickFolder: 'Choose a folder…', pickFiles: 'Choose files…',
      title: 'Title', dest: 'Destination folder', base: 'Destination base',
      baseProgramFiles: 'Program Files', baseCwd: 'The folder setup.exe starts in',
      shortcutTarget: 'Shortcut target', shortcutName: 'Shortcut name',
      startMenu: 'Start menu shortcut', desktop: 'Desktop shortcut', sendTo: 'Send To shortcut',
      runAfter: 'Open after installing', noDialog: 'No dialog (extract into the current folder)',
      method: 'Method', effort: 'Effort', effortFast: 'fast', effortNormal: 'normal', effortBest: 'best',
      advanced: 'Advanced', latest: 'No file time later than (UTC)',
      none: '(none)', off: 'not made', offered: 'offered', chosen: 'made',
      offeredChosen: 'offered and ticked', build: 'Build setup.exe',
      download: 'Download', inspectorHeading: 'Inspect a setup.exe or .lzh',
      inspectHint: 'Drop a self-extracting program or an LHA archive here to see its settings and members and to test it.',
      pickInspect: 'Choose a file…',
      privacy: 'Everything runs in this page: no file leaves your computer.',
      plain: '{0}', items: '{0} files and {1} folders, {2}', loading: 'Loading the builder…',
      packing: 'Packing… {0}', checking: 'Checking every member…', built: 'Built {0}: {1}.',
      refused: 'Not built: {0}', inspecting: 'Reading {0}…',
      passed: 'Test: every member passed.', failed: 'Test: a member failed.',
      settings: 'Settings', members: 'Members', noSettings: 'A plain LHA archive (no settings).',
      path: 'Path', size: 'Size', packed: 'Packed', time: 'Time', folder: 'folder',
      dialog: 'Dialog', yes: 'yes', no: 'no', tooLarge: 'too large to pack in a web page ({0}); use vornsfx',
      why_name: 'Windows cannot create a file of this name.',
      why_case: 'Windows cannot hold two names that differ only in case.',
      why_size: 'The file is 4 GiB or larger: an LHA member cannot hold it.',
      why_long: 'The name or path is too long for Windows.',
      why_dot: 'Windows drops a dot or space at a name\u2019s end.'
    },
    ja: {
      heading: 'setup.exe を作る', other: 'English', otherLang: 'en',
      makerHeading: 'インストールするファイル',
      dropHint: 'フォルダーやファイルをここにドロップするか、選んでください:',
      pickFolder: 'フォルダーを選ぶ…', pickFiles: 'ファイルを選ぶ…',
      title: 'タイトル', dest: '展開先フォルダー', base: '展開先の基準',
      baseProgramFiles: 'Program Files', baseCwd: 'setup.exe を起動したフォルダー',
      shortcutTarget: 'ショートカットの対象', shortcutName: 'ショートカットの名前',
      startMenu: 'スタートメニューのショートカット', desktop: 'デスクトップのショートカット',
      sendTo: '「送る」のショートカット', runAfter: '展開後に開くファイル',
      noDialog: 'ダイアログなし (現在のフォルダーに展開)',
      method: '圧縮方式', effort: '圧縮の度合い', effortFast: '高速', effortNormal: '標準', effortBest: '最高',
      advanced: '詳細設定', latest: 'ファイルの日時の上限 (UTC)',
      none: '(なし)', off: '作らない', offered: '選択可', chosen: '作る', offeredChosen: '選択可 (チェック済み)',
      build: 'setup.exe を作る', download: 'ダウンロード',
      inspectorHeading: 'setup.exe や .lzh を調べる',
      inspectHint: '自己解凍プログラムか LHA 書庫をここにドロップすると、設定と格納ファイルを表示してテストします。',
      pickInspect: 'ファイルを選ぶ…',
      privacy: 'すべてこのページの中で動きます。ファイルがコンピューターの外に出ることはありません。',
      items: 'ファイル {0} 個、フォルダー {1} 個、{2}', loading: 'ビルダーを読み込んでいます…',
      packing: '圧縮しています… {0}', checking: 'すべてのファイルを検査しています…', built: '{0} を作りました: {1}。',
      refused: '作れませんでした: {0}', inspecting: '{0} を読んでいます…',
      passed: 'テスト: すべてのファイルが正常です。', failed: 'テスト: 壊れたファイルがあります。',
      settings: '設定', members: '格納ファイル', noSettings: '設定のない LHA 書庫です。',
      path: 'パス', size: 'サイズ', packed: '圧縮後', time: '日時', folder: 'フォルダー',
      dialog: 'ダイアログ', yes: 'あり', no: 'なし', tooLarge: 'ページで圧縮するには大きすぎます ({0})。vornsfx を使ってください',
      why_name: 'Windows ではこの名前のファイルを作れません。',
      why_case: 'Windows では大文字と小文字だけが違う名前を両方置けません。',
      why_size: '4 GiB 以上のファイルは LHA 書庫に入れられません。',
      why_long: '名前かパスが Windows には長すぎます。',
      why_dot: 'Windows は名前の末尾の点や空白を取り除きます。'
    }
  };
  // The builder's refusals, recognised by their English words.
  var REASONS = [
    [/cannot create this name|forbids|no Windows form|device name/, 'why_name'],
    [/cannot hold both/, 'why_case'],
    [/4 GiB or more/, 'why_size'],
    [/longer than|the path is/, 'why_long'],
    [/ending in a dot or a space/, 'why_dot']
  ];
  var lang = /^ja\b/i.test(navigator.language || '') ? 'ja' : 'en';
  var listeners = [];

  function text(key) {
    var args = Array.prototype.slice.call(arguments, 1);
    var value = TEXTS[lang][key] || TEXTS.en[key] || key;
    return value.replace(/\{(\d)\}/g, function (_, i) { return args[i]; });
  }

  function apply() {
    document.documentElement.lang = lang;
    document.querySelectorAll('[data-text]').forEach(function (element) {
      element.textContent = text(element.dataset.text);
    });
    var button = document.getElementById('language');
    button.textContent = text('other');
    button.lang = text('otherLang');
    listeners.forEach(function (listener) { listener(); });
  }

  function reason(message) {
    for (var i = 0; i < REASONS.length; ++i)
      if (REASONS[i][0].test(message)) return text(REASONS[i][1]);
    return '';
  }

  function switchLanguage() {
    lang = lang === 'ja' ? 'en' : 'ja';
    apply();
  }

  return { text: text, apply: apply, reason: reason, switchLanguage: switchLanguage,
           onChange: function (listener) { listeners.push(listener); } };
})();
