// kznhost serve's page: the map, the Filter commands and the module's dialogs. Everything a
// person does in a dialog is sent as the session line kznhost run would carry out; the server
// answers with the state the page then shows. docs/serve.md describes the interface.
'use strict';

const token = new URLSearchParams(location.search).get('token') || '';
let state = null;
let mapVersion = -1;

// The server answers one request at a time: the page sends them one after another.
let chain = Promise.resolve();
function inTurn(work) {
  const next = chain.then(work, work);
  chain = next.catch(() => {});
  return next;
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

// A picture the server draws, as a URL the page can show.
async function picture(path, params) {
  const response = await request(query(path, params));
  return URL.createObjectURL(await response.blob());
}

function say(text) {
  const status = document.getElementById('status');
  status.textContent = text;
  status.classList.add('shown');
  clearTimeout(say.timer);
  say.timer = setTimeout(() => status.classList.remove('shown'), 5000);
}

// A text argument of a session line.
function quoted(text) {
  return '"' + text.replace(/\\/g, '\\\\').replace(/"/g, '\\"') + '"';
}

// Sends one session line; shows what the server answers. Whether the line was carried out.
function act(line) {
  return inTurn(async () => {
    try {
      const response = await request('/api/action', { method: 'POST', body: line });
      await show(await response.json());
      return true;
    } catch (error) {
      say(error.message);
      await refresh();
      return false;
    }
  });
}

async function refresh() {
  const response = await request('/api/state');
  await show(await response.json());
}

async function show(next) {
  state = next;
  showCommands();
  if (state.version !== mapVersion) {
    mapVersion = state.version;
    await showMap();
  }
  await showDialog();
  showFileDialog();
  for (const message of state.messages || []) {
    await messageBox(message.caption, message.text);
  }
  for (const warning of state.warnings || []) {
    say(warning);
  }
}

function showCommands() {
  const nav = document.getElementById('commands');
  nav.replaceChildren();
  // In the order of their titles ("&1) ...", "&2) ..."), without the menu's access-key marks.
  const filters = [...state.filters].sort((a, b) => (a.title < b.title ? -1 : 1));
  for (const filter of filters) {
    const button = document.createElement('button');
    button.dataset.command = filter.name;
    button.textContent = filter.title.replace(/&(&?)/g, '$1');
    button.disabled = !filter.enabled || state.dialog !== null;
    button.addEventListener('click', () => act('filter ' + filter.name));
    nav.append(button);
  }
  const open = state.dialog !== null || state.fileDialog !== null;
  document.querySelector('[data-action=undo]').disabled = !state.canUndo;
  document.querySelector('[data-action=save]').disabled = !state.canSave || open;
}

// The map, fitting the window; the wheel zooms, dragging pans.
const view = { scale: 1, x: 0, y: 0, fitted: false };

async function showMap() {
  const image = document.getElementById('map');
  const old = image.src;
  image.src = await picture('/api/map.svg', { v: mapVersion });
  await image.decode().catch(() => {});
  if (old.startsWith('blob:')) URL.revokeObjectURL(old);
  if (!view.fitted) fitMap();
}

function fitMap() {
  const image = document.getElementById('map');
  const box = document.getElementById('view').getBoundingClientRect();
  const width = image.naturalWidth || 1, height = image.naturalHeight || 1;
  view.scale = Math.min(box.width / width, box.height / height);
  view.x = (box.width - width * view.scale) / 2;
  view.y = (box.height - height * view.scale) / 2;
  view.fitted = true;
  placeMap();
}

function placeMap() {
  document.getElementById('map').style.transform =
    `translate(${view.x}px, ${view.y}px) scale(${view.scale})`;
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
    placeMap();
  }, { passive: false });
  let drag = null;
  box.addEventListener('pointerdown', (event) => {
    drag = { x: event.clientX - view.x, y: event.clientY - view.y };
    box.classList.add('dragging');
    box.setPointerCapture(event.pointerId);
  });
  box.addEventListener('pointermove', (event) => {
    if (!drag) return;
    view.x = event.clientX - drag.x;
    view.y = event.clientY - drag.y;
    placeMap();
  });
  box.addEventListener('pointerup', () => {
    drag = null;
    box.classList.remove('dragging');
  });
  box.addEventListener('dblclick', fitMap);
  window.addEventListener('resize', fitMap);
}

// A modal box; resolves when it is closed.
function modal(build) {
  const shade = document.createElement('div');
  shade.className = 'modal';
  const box = document.createElement('div');
  box.className = 'window';
  shade.append(box);
  document.body.append(shade);
  return new Promise((resolve) => build(box, () => {
    shade.remove();
    resolve();
  }));
}

function caption(box, text) {
  const bar = document.createElement('div');
  bar.className = 'caption';
  bar.textContent = text;
  box.append(bar);
}

function messageBox(title, text) {
  return modal((box, close) => {
    box.dataset.message = '';
    caption(box, title);
    const inner = document.createElement('div');
    inner.className = 'box';
    const p = document.createElement('p');
    p.textContent = text;
    const buttons = document.createElement('div');
    buttons.className = 'buttons';
    const ok = document.createElement('button');
    ok.dataset.item = '1';
    ok.textContent = 'OK';
    ok.addEventListener('click', close);
    buttons.append(ok);
    inner.append(p, buttons);
    box.append(inner);
    ok.focus();
  });
}

// The module's open dialog, built afresh from each state.
let dialogShade = null;

// A press on the dialog ends in a click on the element it began on: the dialog is built afresh
// only once the pointer is up again (or after a second, should its release be missed).
let pressed = 0;
const released = [];
document.addEventListener('pointerdown', () => { pressed++; }, true);
for (const type of ['pointerup', 'pointercancel']) {
  document.addEventListener(type, () => setTimeout(() => {
    pressed = Math.max(0, pressed - 1);
    if (pressed === 0) released.splice(0).forEach((resolve) => resolve());
  }), true);
}

function pointerReleased() {
  if (pressed === 0) return Promise.resolve();
  return Promise.race([new Promise((resolve) => released.push(resolve)),
                       new Promise((resolve) => setTimeout(resolve, 1000))]);
}

async function showDialog() {
  await pointerReleased();
  const dialog = state.dialog;
  if (dialog === null) {
    if (dialogShade) dialogShade.remove();
    dialogShade = null;
    return;
  }
  const lists = {};
  if (dialogShade) {
    for (const list of dialogShade.querySelectorAll('.list')) {
      lists[list.dataset.item] = list.scrollTop;
    }
    dialogShade.remove();
  }
  dialogShade = document.createElement('div');
  dialogShade.className = 'modal';
  const box = document.createElement('div');
  box.className = 'window';
  caption(box, dialog.title);
  const body = document.createElement('div');
  body.className = 'body';
  body.style.width = dialog.width + 'px';
  body.style.height = dialog.height + 'px';
  box.append(body);
  dialogShade.append(box);
  document.getElementById('dialogs').append(dialogShade);
  const pictures = [];
  for (const item of dialog.items) {
    const element = buildItem(item, pictures);
    element.dataset.item = item.id;
    Object.assign(element.style, {
      left: item.x + 'px', top: item.y + 'px', width: item.width + 'px', height: item.height + 'px',
    });
    body.append(element);
  }
  for (const load of pictures) await load();
}

function buildItem(item, pictures) {
  const make = (tag) => document.createElement(tag);
  switch (item.kind) {
    case 'button': case 'default': case 'picture': {
      const button = make('button');
      button.disabled = !item.enabled;
      if (item.kind === 'picture') {
        const image = make('img');
        image.alt = item.text;
        button.append(image);
        pictures.push(async () => {
          image.src = await picture('/api/picture', { item: item.id, v: Math.random() });
        });
      } else {
        button.textContent = item.text;
      }
      button.addEventListener('click', () =>
        act(item.id === 1 ? 'ok' : item.id === 2 ? 'cancel' : 'click ' + item.id));
      return button;
    }
    case 'check': case 'radio': {
      const label = make('label');
      const input = make('input');
      input.type = item.kind === 'check' ? 'checkbox' : 'radio';
      input.checked = item.checked;
      input.disabled = !item.enabled;
      input.addEventListener('change', () =>
        act(`check ${item.id} ${item.kind === 'radio' || input.checked ? 'on' : 'off'}`));
      label.append(input, document.createTextNode(item.text));
      return label;
    }
    case 'group': {
      const set = make('fieldset');
      const legend = make('legend');
      legend.textContent = item.text;
      set.append(legend);
      return set;
    }
    case 'edit': {
      const input = make('input');
      input.type = 'text';
      input.value = item.text;
      input.disabled = !item.enabled;
      input.addEventListener('change', () => act(`type ${item.id} ${quoted(input.value)}`));
      return input;
    }
    case 'popup': {
      const select = make('select');
      select.disabled = !item.enabled;
      item.entries.forEach((text, index) => {
        const option = make('option');
        option.textContent = text;
        option.selected = item.selected.includes(index);
        select.append(option);
      });
      select.addEventListener('change', () =>
        act('layer ' + quoted(item.entries[select.selectedIndex])));
      return select;
    }
    case 'list':
      return buildList(item, pictures);
    default: {
      const text = make('div');
      text.className = 'static';
      text.textContent = item.text;
      return text;
    }
  }
}

// A list: its rows as the module paints them, a picture of those that show, under row elements a
// click picks.
function buildList(item, pictures) {
  const list = document.createElement('div');
  list.className = 'list';
  const rows = document.createElement('div');
  rows.className = 'rows';
  rows.style.height = Math.max(item.rows * item.rowHeight, item.height - 2) + 'px';
  const image = document.createElement('img');
  image.alt = '';
  rows.append(image);
  list.append(rows);
  let shown = -1;
  const paint = async (top) => {
    image.src = await picture('/api/list', { item: item.id, top });
    image.style.top = top + 'px';
    shown = top;
    for (const old of rows.querySelectorAll('[data-row]')) old.remove();
    const first = Math.floor(top / item.rowHeight);
    const last = Math.min(item.rows, Math.ceil((top + item.height) / item.rowHeight));
    for (let n = first; n < last; n++) {
      const row = document.createElement('div');
      row.dataset.row = n;
      row.style.top = n * item.rowHeight + 'px';
      row.style.height = item.rowHeight + 'px';
      if (item.selected.includes(n)) row.setAttribute('aria-selected', 'true');
      row.addEventListener('click', () => act(`row ${item.id} ${n}`));
      rows.append(row);
    }
  };
  pictures.push(async () => {
    list.scrollTop = item.scrollTop;
    await paint(item.scrollTop);
  });
  let timer = null;
  list.addEventListener('scroll', () => {
    clearTimeout(timer);
    timer = setTimeout(() => {
      if (list.scrollTop !== shown) inTurn(() => paint(list.scrollTop)).catch((e) => say(e.message));
    }, 50);
  });
  return list;
}

// The module's file dialog: a table from this computer to open, or a name to save one as (it is
// then downloaded).
let fileShade = null;

function showFileDialog() {
  if (fileShade) fileShade.remove();
  fileShade = null;
  const wanted = state.fileDialog;
  if (wanted === null) return;
  modal((box, close) => {
    fileShade = box.parentElement;
    caption(box, wanted.title || (wanted.save ? 'Save' : 'Open'));
    const inner = document.createElement('div');
    inner.className = 'box';
    const input = document.createElement('input');
    input.dataset.file = '';
    const buttons = document.createElement('div');
    buttons.className = 'buttons';
    const cancel = document.createElement('button');
    cancel.textContent = 'Cancel';
    cancel.dataset.fileCancel = '';
    cancel.addEventListener('click', () => { close(); act('file cancel'); });
    if (wanted.save) {
      input.type = 'text';
      input.value = wanted.file.split(/[\\/]/).pop() || 'table.csv';
      const save = document.createElement('button');
      save.textContent = 'Save';
      save.dataset.fileSave = '';
      save.addEventListener('click', async () => {
        const name = input.value;
        close();
        // A name the server refuses (a table sent to the page) leaves the dialog open.
        if (await act('file ' + quoted(name))) {
          await inTurn(() => download(query('/api/files', { name }), name));
        }
      });
      buttons.append(save, cancel);
    } else {
      input.type = 'file';
      input.addEventListener('change', async () => {
        const file = input.files[0];
        if (!file) return;
        close();
        try {
          await inTurn(() => request('/api/files?' + new URLSearchParams({ name: file.name }),
                                     { method: 'POST', body: file }));
          await act('file ' + quoted(file.name));
        } catch (error) {
          say(error.message);
          await act('file cancel');
        }
      });
      buttons.append(cancel);
    }
    inner.append(input, buttons);
    box.append(inner);
  });
}

// Hands what PATH answers to the browser as a download.
async function download(path, name) {
  try {
    const response = await request(path);
    const disposition = response.headers.get('Content-Disposition') || '';
    const given = /filename="([^"]*)"/.exec(disposition);
    const link = document.createElement('a');
    link.href = URL.createObjectURL(await response.blob());
    link.download = name || (given ? given[1] : 'download');
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
  } catch (error) {
    say(error.message);
  }
}

function setUpActions() {
  const on = (name, work) =>
    document.querySelector(`[data-action=${name}]`).addEventListener('click', () => inTurn(work));
  on('undo', async () => {
    try {
      await show(await (await request('/api/undo', { method: 'POST' })).json());
    } catch (error) { say(error.message); }
  });
  on('save', async () => {
    try {
      const saved = await (await request('/api/save', { method: 'POST' })).json();
      say('Saved to ' + saved.saved);
    } catch (error) { say(error.message); }
  });
  on('download', () => download('/api/download'));
  on('session', () => download('/api/session', 'session.txt'));
  on('quit', async () => {
    try {
      await request('/api/quit', { method: 'POST' });
    } catch (error) { /* the server is going */ }
    document.body.replaceChildren();
    const p = document.createElement('p');
    p.textContent = 'The session has ended.';
    p.dataset.ended = '';
    document.body.append(p);
  });
}

window.addEventListener('DOMContentLoaded', () => {
  setUpMapView();
  setUpActions();
  inTurn(refresh).catch((error) => say(error.message));
});
