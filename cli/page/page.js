// kznhost serve's page: the map, the Filter commands and the module's dialogs. Everything a
// person does in a dialog is sent as the session line kznhost run would carry out; the server
// answers with the state the page then shows. docs/serve.md describes the interface.
//
// The page behaves as a desktop program would: a dialog is built once and its controls are
// updated in place (a click is never lost to a rebuild, the focus stays where it was), actions
// are carried out in the order they were made, the keyboard works as in a dialog box, and the
// page's own words are Japanese unless the browser prefers English.
'use strict';

// ---- words

const WORDS = {
  ja: {
    filter: 'フィルタ ▾', open: '地図を開く', restart: '最初から', undo: '元に戻す', redo: 'やり直し', save: '保存',
    download: 'ダウンロード', session: 'セッション', quit: '終了', ok: 'OK', cancel: 'キャンセル',
    openTitle: '開く', saveTitle: '名前を付けて保存', choose: 'ファイルを選ぶ…', noFile: '選ばれていません',
    fileName: 'ファイル名', map: '地図: ', saveTo: '保存先: ', nowhere: '(--out がないため保存できません)',
    saved: (where) => `${where} に保存しました`, ended: 'セッションを終了しました。このタブは閉じてかまいません。',
    quitAsk: '保存していない変更があります。保存せずに終了しますか？',
    openAsk: '保存していない変更があります。変更を捨てて別の地図を開きますか？',
    restartAsk: '開いたときの地図に戻します。これまでの変更は元に戻すで取り戻せます。',
    unchanged: (what) => `「${what}」は地図を変えませんでした`,
    undone: (what) => `「${what}」を元に戻しました`, redone: (what) => `「${what}」をやり直しました`,
    marked: (text, n) => `「${text}」: 地図上に ${n} か所`, close: '閉じる',
    yes: 'はい', no: 'いいえ', opened: (name) => `「${name}」を開きました`,
  },
  en: {
    filter: 'Filter ▾', open: 'Open map', restart: 'Start over', undo: 'Undo', redo: 'Redo', save: 'Save',
    download: 'Download', session: 'Session', quit: 'Quit', ok: 'OK', cancel: 'Cancel',
    openTitle: 'Open', saveTitle: 'Save as', choose: 'Choose a file…', noFile: 'no file chosen',
    fileName: 'File name', map: 'Map: ', saveTo: 'Saves to: ', nowhere: '(no --out: Save cannot write)',
    saved: (where) => `Saved to ${where}`, ended: 'The session has ended. You may close this tab.',
    quitAsk: 'There is unsaved work. Quit without saving?',
    openAsk: 'There is unsaved work. Discard it and open another map?',
    restartAsk: 'Back to the map as it was opened. Undo brings the changes back.',
    unchanged: (what) => `"${what}" changed nothing on the map`,
    undone: (what) => `Undid "${what}"`, redone: (what) => `Redid "${what}"`,
    marked: (text, n) => `"${text}": ${n} on the map`, close: 'Close',
    yes: 'Yes', no: 'No', opened: (name) => `Opened "${name}"`,
  },
};

// Japanese, unless the browser prefers English to it.
const language = (() => {
  for (const tag of navigator.languages || [navigator.language || 'ja']) {
    if (/^ja\b/i.test(tag)) return 'ja';
    if (/^en\b/i.test(tag)) return 'en';
  }
  return 'ja';
})();
const words = WORDS[language];
document.documentElement.lang = language;

// Whether a key belongs to an input method still composing (Japanese conversion): its Enter
// confirms the conversion, not the dialog.
function composing(event) {
  return event.isComposing || event.keyCode === 229;
}

// ---- requests

const token = new URLSearchParams(location.search).get('token') || '';
let state = null;
let mapVersion = -1;

// Actions are carried out one after another, in the order they were made.
let chain = Promise.resolve();
function inTurn(work) {
  const next = chain.then(work, work);
  chain = next.catch(() => {});
  return next;
}

// Work going on (an action, a picture): the page shows it and the pointer says so.
let pending = 0;
async function busy(work) {
  pending++;
  document.body.classList.add('busy');
  try {
    return await work();
  } finally {
    if (--pending === 0) document.body.classList.remove('busy');
  }
}

async function request(path, options = {}) {
  const response = await fetch(path, {
    ...options,
    headers: { 'X-Kzn-Token': token, ...(options.headers || {}) },
  });
  if (!response.ok) {
    let what = response.statusText;
    try {
      what = (await response.json()).error || what;
    } catch (e) { /* not JSON */ }
    throw new Error(what);
  }
  return response;
}

function query(path, params) {
  return path + '?' + new URLSearchParams(params).toString();
}

// A picture the server draws, loaded into IMAGE once it has come whole (the old one stays until
// then: nothing blinks).
async function loadPicture(image, path, params) {
  const response = await request(query(path, params));
  const url = URL.createObjectURL(await response.blob());
  const old = image.src;
  image.src = url;
  await image.decode().catch(() => {});
  if (old.startsWith('blob:')) URL.revokeObjectURL(old);
}

// ---- notes: warnings and news beside the dialog, until dismissed

function note(text, kind = 'warning') {
  const notes = document.getElementById('notes');
  const box = document.createElement('div');
  box.className = 'note ' + kind;
  box.dataset.note = kind;
  const p = document.createElement('p');
  p.textContent = text;
  const close = document.createElement('button');
  close.textContent = '×';
  close.title = words.close;
  close.setAttribute('aria-label', words.close);
  close.addEventListener('click', () => box.remove());
  box.append(p, close);
  notes.append(box);
  if (kind === 'info') setTimeout(() => box.remove(), 6000);
  // Too many: news goes first; a warning stays until the person dismisses it.
  while (notes.children.length > 8) {
    const oldest = notes.querySelector('[data-note="info"]');
    if (!oldest || oldest === box) break;
    oldest.remove();
  }
}

// ---- actions

// A text argument of a session line.
function quoted(text) {
  return '"' + text.replace(/\\/g, '\\\\').replace(/"/g, '\\"') + '"';
}

// Sends one session line; shows what the server answers. Whether the line was carried out. A
// line made in a dialog that has gone by its turn (a second click on OK) is dropped, as a
// desktop drops what was meant for a window that has closed.
function act(line, madeIn = null) {
  const start = performance.now();
  return inTurn(() => busy(async () => {
    if (madeIn !== null && (dialogView === null || dialogView.key !== madeIn)) return false;
    try {
      const response = await request('/api/action', { method: 'POST', body: line });
      const answer = await response.json();
      await show(answer);
      if (answer.unchanged) note(words.unchanged(answer.unchanged), 'info');
      // How long the person waited, from the click to the page showing its outcome (the
      // benchmarks read these).
      performance.measure('kzn ' + line.split(' ')[0], { start, end: performance.now() });
      return true;
    } catch (error) {
      note(error.message);
      await refresh();
      return false;
    }
  }));
}

async function refresh() {
  const response = await request('/api/state');
  await show(await response.json());
}

async function show(next) {
  state = next;
  showHeader();
  const work = [showDialog()];
  if (state.version !== mapVersion) {
    mapVersion = state.version;
    work.push(showMap());
  }
  await Promise.all(work);
  showFileDialog();
  for (const message of state.messages || []) {
    await messageBox(message.caption, message.text);
  }
  for (const warning of state.warnings || []) note(warning);
}

function showHeader() {
  const nav = document.getElementById('commands');
  // In the order of their titles ("&1) ...", "&2) ..."), without the menu's access-key marks.
  const filters = [...state.filters].sort((a, b) => (a.title < b.title ? -1 : 1));
  const open = state.dialog !== null || state.fileDialog !== null;
  if (nav.children.length !== filters.length) {
    nav.replaceChildren(...filters.map((filter) => {
      const button = document.createElement('button');
      button.dataset.command = filter.name;
      button.textContent = filter.title.replace(/&(&?)/g, '$1').replace(/^\d\)\s*/, '');
      button.title = filter.title.replace(/&(&?)/g, '$1');
      button.addEventListener('click', () => {
        document.getElementById('filter-menu').classList.remove('open');
        act('filter ' + filter.name);
      });
      return button;
    }));
  }
  filters.forEach((filter, i) => { nav.children[i].disabled = !filter.enabled || open; });
  document.getElementById('filter-button').disabled = open;
  const set = (name, enabled) => {
    document.querySelector(`[data-action=${name}]`).disabled = !enabled || open;
  };
  set('undo', state.canUndo);
  set('redo', state.canRedo);
  set('save', state.canSave);
  set('restart', state.canRestart);
  set('open', true);
  document.getElementById('map-name').textContent = words.map + (state.mapName || '');
  document.getElementById('save-to').textContent =
    words.saveTo + (state.saveTo || words.nowhere);
  document.getElementById('where').title =
    (state.mapName || '') + '\n' + (state.saveTo || words.nowhere);
  document.title = (state.unsaved ? '* ' : '') + (state.mapName || 'kznhost') + ' — kznhost';
}

// ---- the map: fitting the window; the wheel zooms, dragging pans, a dialog open or not

const view = { scale: 1, x: 0, y: 0, fitted: false };
let labels = null;  // the map's labels as the picture shows them, asked for when needed
let labelsVersion = -1;

// The root's viewBox of the map's SVG, where it gives one: the marks over the map take its user
// units, as the labels the server tells of are in them.
async function rootViewBox(blob) {
  const head = await blob.slice(0, 16384).text();
  const root = /<(?:[A-Za-z_][\w.-]*:)?svg\b[^>]*>/.exec(head);
  const box = root && /\sviewBox\s*=\s*(["'])([^"']*)\1/.exec(root[0]);
  const preserve = root && /\spreserveAspectRatio\s*=\s*(["'])([^"']*)\1/.exec(root[0]);
  return { viewBox: box ? box[2] : null, preserve: preserve ? preserve[2] : null };
}

async function showMap() {
  const image = document.getElementById('map');
  const blob = await busy(async () => {
    const response = await request(query('/api/map.svg', { v: mapVersion }));
    const got = await response.blob();
    const url = URL.createObjectURL(got);
    const old = image.src;
    image.src = url;
    await image.decode().catch(() => {});
    if (old.startsWith('blob:')) URL.revokeObjectURL(old);
    return got;
  });
  const { viewBox, preserve } = await rootViewBox(blob);
  const marks = document.getElementById('marks');
  marks.setAttribute('width', image.naturalWidth);
  marks.setAttribute('height', image.naturalHeight);
  marks.setAttribute('viewBox', viewBox || `0 0 ${image.naturalWidth || 1} ${image.naturalHeight || 1}`);
  if (preserve) marks.setAttribute('preserveAspectRatio', preserve);
  else marks.removeAttribute('preserveAspectRatio');
  labels = null;
  if (view.fitted || !image.dataset.shown) fitMap();
  image.dataset.shown = 'yes';
  showMarks();
}

function fitMap() {
  const image = document.getElementById('map');
  const box = document.getElementById('view').getBoundingClientRect();
  const width = image.naturalWidth || 1, height = image.naturalHeight || 1;
  view.scale = Math.min(box.width / width, box.height / height) || 1;
  view.x = (box.width - width * view.scale) / 2;
  view.y = (box.height - height * view.scale) / 2;
  view.fitted = true;
  placeMap();
}

function placeMap() {
  document.getElementById('sheet').style.transform =
    `translate(${view.x}px, ${view.y}px) scale(${view.scale})`;
}

// The point of the map's user units under the client point (x, y).
function mapPoint(x, y) {
  const marks = document.getElementById('marks');
  const matrix = marks.getScreenCTM();
  if (!matrix) return { x: NaN, y: NaN };
  return new DOMPoint(x, y).matrixTransform(matrix.inverse());
}

function setUpMapView() {
  const box = document.getElementById('view');
  box.addEventListener('wheel', (event) => {
    event.preventDefault();
    const r = box.getBoundingClientRect();
    const px = event.clientX - r.left, py = event.clientY - r.top;
    const factor = Math.exp(-event.deltaY / 500);
    view.x = px - (px - view.x) * factor;
    view.y = py - (py - view.y) * factor;
    view.scale *= factor;
    view.fitted = false;
    placeMap();
  }, { passive: false });
  let drag = null;
  box.addEventListener('pointerdown', (event) => {
    if (event.button !== 0) return;
    drag = { x: event.clientX - view.x, y: event.clientY - view.y,
             startX: event.clientX, startY: event.clientY };
    box.classList.add('dragging');
    box.setPointerCapture(event.pointerId);
  });
  box.addEventListener('pointermove', (event) => {
    if (!drag) return;
    view.x = event.clientX - drag.x;
    view.y = event.clientY - drag.y;
    if (Math.hypot(event.clientX - drag.startX, event.clientY - drag.startY) >= 4) view.fitted = false;
    placeMap();
  });
  box.addEventListener('pointerup', (event) => {
    const moved = drag && Math.hypot(event.clientX - drag.startX, event.clientY - drag.startY);
    drag = null;
    box.classList.remove('dragging');
    if (moved !== null && moved < 4) pickLabelAt(event.clientX, event.clientY);
  });
  box.addEventListener('dblclick', fitMap);
  // A map the person has not zoomed or moved keeps fitting the window.
  window.addEventListener('resize', () => { if (view.fitted) fitMap(); });
}

async function mapLabels() {
  if (labels === null || labelsVersion !== mapVersion) {
    labelsVersion = mapVersion;
    labels = await (await request(query('/api/labels', { v: mapVersion }))).json();
  }
  return labels;
}

// The texts a list's rows stand for, by list: fetched when the state's key for them changes.
const rowTexts = new Map();  // id -> { key, texts }

async function loadRowTexts(item) {
  if (rowTexts.get(item.id)?.key === item.textsKey) return;
  const answer = await (await request(query('/api/texts', { item: item.id }))).json();
  rowTexts.set(item.id, answer);
}

function textsOf(item) {
  const known = rowTexts.get(item.id);
  return known && known.key === item.textsKey ? known.texts : null;
}

// The texts of the rows a list of the dialog has picked: the labels they mean are outlined.
function pickedTexts() {
  const texts = [];
  for (const item of state?.dialog?.items || []) {
    const all = item.kind === 'list' ? textsOf(item) : null;
    if (!all) continue;
    for (const n of item.selected) if (all[n]) texts.push(all[n]);
  }
  return [...new Set(texts)];
}

let marked = '';
async function showMarks() {
  const marks = document.getElementById('marks');
  const texts = pickedTexts();
  const key = mapVersion + '\n' + texts.join('\n');
  if (key === marked) return;
  marked = key;
  if (texts.length === 0) {
    marks.replaceChildren();
    return;
  }
  let all;
  try {
    all = await mapLabels();
  } catch (error) {
    return;  // a map without labels to show
  }
  const rects = [];
  for (const text of texts) {
    const found = all.filter((l) => l.text === text);
    for (const l of found) {
      const rect = document.createElementNS('http://www.w3.org/2000/svg', 'rect');
      const pad = Math.max(2, l.height * 0.15);
      rect.setAttribute('x', l.x - pad);
      rect.setAttribute('y', l.y - pad);
      rect.setAttribute('width', l.width + 2 * pad);
      rect.setAttribute('height', l.height + 2 * pad);
      rect.dataset.label = l.text;
      rects.push(rect);
    }
    document.getElementById('marks').dataset.count = found.length;
    note(words.marked(text, found.length), 'info');
  }
  marks.replaceChildren(...rects);
}

// A click on a label of the map picks its row in the open dialog's lists.
async function pickLabelAt(x, y) {
  if (!state?.dialog) return;
  const lists = state.dialog.items.filter((i) => i.kind === 'list' && textsOf(i));
  if (lists.length === 0) return;
  let all;
  try {
    all = await mapLabels();
  } catch (error) {
    return;
  }
  const p = mapPoint(x, y);
  const hit = all.find((l) => p.x >= l.x && p.x <= l.x + l.width && p.y >= l.y && p.y <= l.y + l.height);
  if (!hit) return;
  for (const list of lists) {
    const row = textsOf(list).indexOf(hit.text);
    if (row >= 0) {
      act(`row ${list.id} ${row}`, dialogView?.key ?? null);
      return;
    }
  }
}

// ---- modal boxes of the page's own: a message, a question, a file dialog

function modal(build) {
  const shade = document.createElement('div');
  shade.className = 'modal ask';
  const box = document.createElement('div');
  box.className = 'window';
  shade.append(box);
  document.body.append(shade);
  return new Promise((resolve) => build(box, (value) => {
    shade.remove();
    resolve(value);
  }));
}

function caption(box, text) {
  const bar = document.createElement('div');
  bar.className = 'caption';
  bar.textContent = text;
  box.append(bar);
  movable(box, bar);
  return bar;
}

// A window moves where its caption is dragged.
function movable(box, bar) {
  let from = null;
  bar.addEventListener('pointerdown', (event) => {
    if (event.button !== 0) return;
    const [dx, dy] = (box.dataset.moved || '0,0').split(',').map(Number);
    from = { x: event.clientX - dx, y: event.clientY - dy };
    bar.setPointerCapture(event.pointerId);
    event.preventDefault();
  });
  bar.addEventListener('pointermove', (event) => {
    if (!from) return;
    const dx = event.clientX - from.x, dy = event.clientY - from.y;
    box.dataset.moved = `${dx},${dy}`;
    box.style.transform = `translate(${dx}px, ${dy}px)`;
  });
  bar.addEventListener('pointerup', () => { from = null; });
}

function buttonRow(specs) {
  const buttons = document.createElement('div');
  buttons.className = 'buttons';
  for (const [text, data, handler] of specs) {
    const button = document.createElement('button');
    button.textContent = text;
    Object.assign(button.dataset, data);
    button.addEventListener('click', handler);
    buttons.append(button);
  }
  return buttons;
}

function messageBox(title, text) {
  return modal((box, close) => {
    box.dataset.message = '';
    caption(box, title);
    const inner = document.createElement('div');
    inner.className = 'box';
    const p = document.createElement('p');
    p.textContent = text;
    inner.append(p, buttonRow([[words.ok, { item: '1', default: '' }, () => close()]]));
    box.append(inner);
    box.querySelector('button').focus();
  });
}

// Resolves true when the person says yes.
function ask(text) {
  return modal((box, close) => {
    box.dataset.ask = '';
    caption(box, 'kznhost');
    const inner = document.createElement('div');
    inner.className = 'box';
    const p = document.createElement('p');
    p.textContent = text;
    inner.append(p, buttonRow([[words.yes, { yes: '', default: '' }, () => close(true)],
                               [words.no, { no: '', cancel: '' }, () => close(false)]]));
    box.append(inner);
    box.querySelector('[data-no]').focus();
  });
}

// The extensions a file dialog's filter names: "テキストファイル (*.txt,*csv)" gives .txt, .csv.
function accepted(filter) {
  const found = [...(filter || '').matchAll(/\*\.?([A-Za-z0-9]+)/g)].map((m) => '.' + m[1].toLowerCase());
  return [...new Set(found)].join(',');
}

let fileShade = null;
let lastTable = '';  // the name of the last table sent: the save name offered

function showFileDialog() {
  const wanted = state.fileDialog;
  if (fileShade && (!wanted || fileShade.wanted !== JSON.stringify(wanted))) {
    fileShade.remove();
    fileShade = null;
  }
  if (wanted === null || fileShade) return;
  modal((box, close) => {
    fileShade = box.parentElement;
    fileShade.wanted = JSON.stringify(wanted);
    box.dataset.fileDialog = wanted.save ? 'save' : 'open';
    caption(box, wanted.title || (wanted.save ? words.saveTitle : words.openTitle));
    const inner = document.createElement('div');
    inner.className = 'box';
    if (wanted.filter) {
      const p = document.createElement('p');
      p.textContent = wanted.filter;
      inner.append(p);
    }
    const cancel = () => { close(); fileShade = null; act('file cancel'); };
    if (wanted.save) {
      const input = document.createElement('input');
      input.type = 'text';
      input.dataset.file = '';
      input.setAttribute('aria-label', words.fileName);
      input.value = wanted.file.split(/[\\/]/).pop() || lastTable || 'table.csv';
      const save = async () => {
        const name = input.value.trim();
        if (!name) return;
        close();
        fileShade = null;
        // A name the server refuses (a table sent to the page) leaves the dialog open.
        if (await act('file ' + quoted(name))) {
          await inTurn(() => busy(() => download(query('/api/files', { name }), name)));
        }
      };
      input.addEventListener('keydown', (event) => {
        if (composing(event)) return;
        if (event.key === 'Enter') { event.preventDefault(); save(); }
        if (event.key === 'Escape') { event.preventDefault(); event.stopPropagation(); cancel(); }
      });
      inner.append(input, buttonRow([[words.save, { fileSave: '', default: '' }, save],
                                     [words.cancel, { fileCancel: '', cancel: '' }, cancel]]));
      box.append(inner);
      input.focus();
      const dot = input.value.lastIndexOf('.');
      input.setSelectionRange(0, dot > 0 ? dot : input.value.length);
    } else {
      const input = document.createElement('input');
      input.type = 'file';
      input.dataset.file = '';
      input.hidden = true;
      const accept = accepted(wanted.filter);
      if (accept) input.accept = accept;
      const chosen = document.createElement('span');
      chosen.className = 'chosen';
      chosen.textContent = words.noFile;
      input.addEventListener('change', async () => {
        const file = input.files[0];
        if (!file) return;
        chosen.textContent = file.name;
        close();
        fileShade = null;
        lastTable = file.name;
        try {
          await inTurn(() => busy(() => request(query('/api/files', { name: file.name }),
                                                { method: 'POST', body: file })));
          await act('file ' + quoted(file.name));
        } catch (error) {
          // The table did not reach the server: the box again, the module's dialog still open.
          note(error.message);
          fileShade = null;
          showFileDialog();
        }
      });
      const pick = document.createElement('button');
      pick.textContent = words.choose;
      pick.dataset.choose = '';
      pick.addEventListener('click', () => input.click());
      const line = document.createElement('div');
      line.append(pick, chosen, input);
      inner.append(line, buttonRow([[words.cancel, { fileCancel: '', cancel: '' }, cancel]]));
      box.append(inner);
      pick.focus();
    }
  });
}

// ---- the module's dialog: built once, its controls updated in place

// { key, shade, box, controls: [{ element, update }] in the items' order (static texts share an
// id, so the order, not the id, says which is which) }
let dialogView = null;

function dialogKey(dialog) {
  return [dialog.title, dialog.width, dialog.height,
          ...dialog.items.map((i) => i.id + ':' + i.kind)].join('|');
}

async function showDialog() {
  const dialog = state.dialog;
  if (dialog === null) {
    if (dialogView) dialogView.shade.remove();
    dialogView = null;
    showMarks();
    return;
  }
  const key = dialogKey(dialog);
  let fresh = false;
  if (!dialogView || dialogView.key !== key) {
    if (dialogView) dialogView.shade.remove();
    dialogView = buildDialog(dialog, key);
    fresh = true;
  }
  dialogView.box.querySelector('.caption').textContent = dialog.title;
  const loads = dialog.items.map((item, i) => dialogView.controls[i].update(item));
  if (fresh) focusFirst(dialogView);
  await Promise.all(loads);
  showMarks();
}

function buildDialog(dialog, key) {
  const shade = document.createElement('div');
  shade.className = 'modal';
  const box = document.createElement('div');
  box.className = 'window';
  box.setAttribute('role', 'dialog');
  caption(box, dialog.title);
  const body = document.createElement('div');
  body.className = 'body';
  body.style.width = dialog.width + 'px';
  body.style.height = dialog.height + 'px';
  box.append(body);
  shade.append(box);
  document.getElementById('dialogs').append(shade);
  const view = { key, shade, box, controls: [] };
  for (const item of dialog.items) {
    const control = buildItem(item, view);
    control.element.dataset.item = item.id;
    Object.assign(control.element.style, {
      left: item.x + 'px', top: item.y + 'px', width: item.width + 'px', height: item.height + 'px',
    });
    body.append(control.element);
    view.controls.push(control);
  }
  return view;
}

function focusFirst(view) {
  const target = view.box.querySelector('[data-kind="default"]:not(:disabled)') ||
                 view.box.querySelector('.body button:not(:disabled), .body input:not(:disabled), .list');
  target?.focus({ preventScroll: true });
}

// The line a control's use sends: ok, cancel, or click ID.
function clickLine(id) {
  return id === 1 ? 'ok' : id === 2 ? 'cancel' : 'click ' + id;
}

// A control of the dialog: its element and how it follows each new state of its item.
function buildItem(item, view) {
  const make = (tag) => document.createElement(tag);
  const tip = (element, it) => {
    if (it.tip) element.title = it.tip;
    else element.removeAttribute('title');
  };
  switch (item.kind) {
    case 'button': case 'default': case 'picture': {
      const button = make('button');
      button.dataset.kind = item.kind;
      let image = null;
      let drawn = '';
      if (item.kind === 'picture') {
        image = make('img');
        button.append(image);
      }
      button.addEventListener('click', () => act(clickLine(item.id), view.key));
      return {
        element: button,
        update: async (it) => {
          button.disabled = !it.enabled;
          tip(button, it);
          if (!image) {
            button.textContent = it.text;
            return;
          }
          image.alt = it.tip || it.text;
          button.setAttribute('aria-label', it.tip || it.text);
          // Drawn again only when what it shows may have changed.
          const look = [it.enabled, it.text, it.picture, it.width, it.height].join('|');
          if (look !== drawn) {
            drawn = look;
            await busy(() => loadPicture(image, '/api/picture', { item: it.id, v: look }));
          }
        },
      };
    }
    case 'check': case 'radio': {
      const label = make('label');
      const input = make('input');
      input.type = item.kind === 'check' ? 'checkbox' : 'radio';
      const text = document.createTextNode('');
      input.addEventListener('change', () =>
        act(`check ${item.id} ${item.kind === 'radio' || input.checked ? 'on' : 'off'}`, view.key));
      label.append(input, text);
      return {
        element: label,
        update: async (it) => {
          input.checked = it.checked;
          input.disabled = !it.enabled;
          text.data = it.text;
          tip(label, it);
        },
      };
    }
    case 'group': {
      const set = make('fieldset');
      const legend = make('legend');
      set.append(legend);
      return { element: set, update: async (it) => { legend.textContent = it.text; } };
    }
    case 'edit': {
      const input = make('input');
      input.type = 'text';
      // Typed and not yet sent: only then does the field keep its text over the module's.
      let dirty = false;
      const send = () => {
        if (!dirty) return;
        dirty = false;
        act(`type ${item.id} ${quoted(input.value)}`, view.key);
      };
      input.addEventListener('input', () => { dirty = true; });
      input.addEventListener('change', send);
      input.addEventListener('keydown', (event) => {
        // Then the default button, as the dialog takes it (not while an input method composes).
        if (event.key === 'Enter' && !composing(event)) send();
      });
      return {
        element: input,
        update: async (it) => {
          if (!dirty) input.value = it.text;
          input.disabled = !it.enabled;
          tip(input, it);
        },
      };
    }
    case 'popup': {
      const select = make('select');
      let entries = [];
      select.addEventListener('change', () =>
        act('layer ' + quoted(entries[select.selectedIndex]), view.key));
      return {
        element: select,
        update: async (it) => {
          if (JSON.stringify(it.entries) !== JSON.stringify(entries)) {
            entries = it.entries;
            select.replaceChildren(...entries.map((text) => {
              const option = make('option');
              option.textContent = text;
              return option;
            }));
          }
          [...select.options].forEach((o, i) => { o.selected = it.selected.includes(i); });
          select.disabled = !it.enabled;
          tip(select, it);
        },
      };
    }
    case 'list':
      return buildList(item, view);
    default: {
      const text = make('div');
      text.className = 'static';
      return {
        element: text,
        update: async (it) => {
          text.textContent = it.text;
          tip(text, it);
        },
      };
    }
  }
}

// A list: its rows as the module paints them (at the screen's pixel ratio), a picture of those
// that show, under row elements a click picks. The keyboard moves its selection as clicks would.
function buildList(item, view) {
  const list = document.createElement('div');
  list.className = 'list';
  list.tabIndex = 0;
  list.setAttribute('role', 'listbox');
  const rows = document.createElement('div');
  rows.className = 'rows';
  const image = document.createElement('img');
  image.alt = '';
  rows.append(image);
  list.append(rows);
  let current = item;
  let shown = -1;
  // Keys pressed faster than the answers come move on from the row last asked for.
  let asked = null, asking = 0;
  const pick = (n) => {
    asked = n;
    asking++;
    act(`row ${current.id} ${n}`, view.key).finally(() => { if (--asking === 0) asked = null; });
  };
  // The row elements of the rows that show, kept from one state to the next (a press on one is
  // never taken away before its release), their marks updated in place.
  const rowElements = new Map();  // n -> element
  const placeRows = (top) => {
    const first = Math.floor(top / current.rowHeight);
    const last = Math.min(current.rows, Math.ceil((top + current.height) / current.rowHeight));
    for (const [n, row] of rowElements) {
      if (n < first || n >= last) {
        row.remove();
        rowElements.delete(n);
      }
    }
    const texts = textsOf(current);
    for (let n = first; n < last; n++) {
      let row = rowElements.get(n);
      if (!row) {
        row = document.createElement('div');
        row.dataset.row = n;
        row.setAttribute('role', 'option');
        rows.append(row);
        rowElements.set(n, row);
      }
      row.style.top = n * current.rowHeight + 'px';
      row.style.height = current.rowHeight + 'px';
      row.toggleAttribute('aria-selected', current.selected.includes(n));
      if (row.hasAttribute('aria-selected')) row.setAttribute('aria-selected', 'true');
      if (texts?.[n]) row.title = texts[n];
      else row.removeAttribute('title');
    }
  };
  // A click picks the row under it, whichever element took it.
  rows.addEventListener('click', (event) => {
    if (!current.enabled) return;
    const n = Math.floor((event.clientY - rows.getBoundingClientRect().top) / current.rowHeight);
    if (n < 0 || n >= current.rows) return;
    list.focus({ preventScroll: true });
    pick(n);
  });
  const paint = async (top) => {
    const scale = Math.min(4, Math.max(1, Math.round(window.devicePixelRatio || 1)));
    await loadPicture(image, '/api/list', { item: current.id, top, scale, v: mapVersion });
    image.style.top = top + 'px';
    image.style.width = (current.width - 2) + 'px';
    shown = top;
    placeRows(top);
  };
  let timer = null;
  list.addEventListener('scroll', () => {
    clearTimeout(timer);
    timer = setTimeout(() => {
      if (list.scrollTop !== shown) inTurn(() => busy(() => paint(list.scrollTop))).catch((e) => note(e.message));
    }, 50);
  });
  list.addEventListener('keydown', (event) => {
    if (!current.enabled) return;
    const page = Math.max(1, Math.floor(current.height / current.rowHeight) - 1);
    const at = asked ?? (current.selected.length ? current.selected[current.selected.length - 1] : -1);
    const to = { ArrowDown: at + 1, ArrowUp: at - 1, Home: 0, End: current.rows - 1,
                 PageDown: at + page, PageUp: at - page }[event.key];
    if (to === undefined || current.rows === 0) return;
    event.preventDefault();
    const n = Math.max(0, Math.min(current.rows - 1, to));
    if (n !== at) pick(n);
  });
  return {
    element: list,
    update: async (it) => {
      current = it;
      rows.style.height = Math.max(it.rows * it.rowHeight, it.height - 2) + 'px';
      // The selection scrolled into view, as the module asks with its scroll position.
      if (list.scrollTop !== it.scrollTop) list.scrollTop = it.scrollTop;
      list.setAttribute('aria-disabled', String(!it.enabled));
      await busy(() => Promise.all([paint(it.scrollTop), loadRowTexts(it)]));
      placeRows(shown);
    },
  };
}

// ---- the keyboard, as in a dialog box

function topBox() {
  const asks = document.querySelectorAll('.modal.ask');
  return asks.length ? asks[asks.length - 1] : dialogView?.shade ?? null;
}

function setUpKeys() {
  document.addEventListener('keydown', (event) => {
    const box = topBox();
    if (!box || event.defaultPrevented || composing(event)) return;
    const target = event.target;
    if (event.key === 'Escape') {
      event.preventDefault();
      const cancel = box.querySelector('[data-cancel], [data-item="2"]:not(:disabled)');
      if (cancel) cancel.click();
      else box.querySelector('[data-default]')?.click();
    } else if (event.key === 'Enter') {
      if (target.tagName === 'BUTTON' || target.tagName === 'SELECT' || target.tagName === 'TEXTAREA') return;
      const button = box.querySelector('[data-default]:not(:disabled), [data-kind="default"]:not(:disabled)');
      if (button) {
        event.preventDefault();
        button.click();
      }
    } else if (event.key === 'Tab') {
      // The focus stays inside the box on top, in the template's order.
      const order = [...box.querySelectorAll('button:not(:disabled), input:not(:disabled):not([hidden]), select:not(:disabled), .list')]
        .filter((e) => e.offsetParent !== null || e.classList.contains('list'));
      if (order.length === 0) return;
      const i = order.indexOf(document.activeElement);
      const next = event.shiftKey ? (i <= 0 ? order.length - 1 : i - 1) : (i + 1) % order.length;
      event.preventDefault();
      order[next].focus();
    }
  });
}

// ---- the page's own commands

// Hands what PATH answers to the browser as a download.
async function download(path, name) {
  try {
    const response = await request(path);
    const disposition = response.headers.get('Content-Disposition') || '';
    const given = /filename\*=UTF-8''([^;]*)/.exec(disposition) || /filename="([^"]*)"/.exec(disposition);
    const link = document.createElement('a');
    link.href = URL.createObjectURL(await response.blob());
    link.download = name || (given ? decodeURIComponent(given[1]) : 'download');
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
  } catch (error) {
    note(error.message);
  }
}

async function post(path, options = {}) {
  return (await request(path, { method: 'POST', ...options })).json();
}

function ended() {
  document.body.replaceChildren();
  const p = document.createElement('p');
  p.className = 'ended';
  p.textContent = words.ended;
  p.dataset.ended = '';
  document.body.append(p);
}

function setUpActions() {
  for (const element of document.querySelectorAll('[data-words]')) {
    element.textContent = words[element.dataset.words];
  }
  const on = (name, work) =>
    document.querySelector(`[data-action=${name}]`).addEventListener('click', () =>
      inTurn(() => busy(async () => {
        try {
          await work();
        } catch (error) {
          note(error.message);
        }
      })));
  const stepped = (done, said) => async () => {
    const answer = await post(done);
    await show(answer);
    if (answer.step) note(said(answer.step), 'info');
  };
  on('undo', stepped('/api/undo', words.undone));
  on('redo', stepped('/api/redo', words.redone));
  on('restart', async () => {
    if (await ask(words.restartAsk)) await show(await post('/api/restart'));
  });
  on('save', async () => {
    const saved = await post('/api/save');
    note(words.saved(saved.saved), 'info');
    await refresh();
  });
  on('download', async () => {
    await download('/api/download');
    await refresh();  // with nowhere to save, a download keeps the map
  });
  on('session', () => download('/api/session', 'session.txt'));
  on('quit', async () => {
    if (state?.unsaved && !(await ask(words.quitAsk))) return;
    try {
      await request('/api/quit', { method: 'POST' });
    } catch (error) { /* the server is going */ }
    ended();
  });
  const menu = document.getElementById('filter-menu');
  document.getElementById('filter-button').addEventListener('click', () => {
    menu.classList.toggle('open');
    if (menu.classList.contains('open')) menu.querySelector('#commands button:not(:disabled)')?.focus();
  });
  document.addEventListener('pointerdown', (event) => {
    if (!menu.contains(event.target)) menu.classList.remove('open');
  });
  menu.addEventListener('keydown', (event) => {
    if (event.key === 'Escape') menu.classList.remove('open');
  });
  const mapFile = document.getElementById('map-file');
  on('open', async () => {
    if (state?.unsaved && !(await ask(words.openAsk))) return;
    mapFile.value = '';
    mapFile.click();
  });
  mapFile.addEventListener('change', () => {
    const file = mapFile.files[0];
    if (!file) return;
    inTurn(() => busy(async () => {
      try {
        delete document.getElementById('map').dataset.shown;
        await show(await post(query('/api/open', { name: file.name }), { body: file }));
        note(words.opened(file.name), 'info');
      } catch (error) {
        note(error.message);
      }
    }));
  });
  // Work not saved is not left without a word.
  window.addEventListener('beforeunload', (event) => {
    if (state?.unsaved && document.querySelector('[data-ended]') === null) event.preventDefault();
  });
}

window.addEventListener('DOMContentLoaded', () => {
  setUpMapView();
  setUpActions();
  setUpKeys();
  inTurn(() => busy(refresh)).catch((error) => note(error.message));
});
