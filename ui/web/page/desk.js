// The desktop page: renders the view that tmdesk pushes over a WebSocket and
// sends a person's clicks and keys back as actions. Every text that comes
// from a program goes into the page as text (textContent, value), never as
// markup.
'use strict';

const desktop = document.getElementById('desktop');
const trayBar = document.getElementById('tray');
const overlay = document.getElementById('overlay');
const statusLine = document.getElementById('status');

let view = { windows: [], tray: [], boxes: [], menus: [], choosers: [], prints: [] };
let socket = null;
// hwnd -> {x, y} where the person dragged a window, in its program's pixels,
// until the program has moved it there.
const positions = new Map();

// The programs turn dialog units into pixels for a dialog font with an
// average character 6 pixels wide and 13 high. The page draws in its own
// dialog font and measures it as the system the templates were made for did
// (the width of a-z and A-Z over 52, ascent plus descent), then scales
// every place and size by the difference, so each text has the room its
// template meant for it.
const kProgramBase = { x: 6, y: 13 };
const scale = { x: 1, y: 1 };
const px = (v) => Math.round(v * scale.x);
const py = (v) => Math.round(v * scale.y);

async function measureDialogFont() {
  const family = getComputedStyle(document.documentElement).fontFamily;
  const font = '11px ' + family;
  try { await document.fonts.load(font); } catch (e) { /* measured in the fallback font */ }
  const context = document.createElement('canvas').getContext('2d');
  context.font = font;
  const sample = context.measureText('abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ');
  const width = sample.width / 52;
  const height = Math.ceil(sample.fontBoundingBoxAscent) + Math.ceil(sample.fontBoundingBoxDescent);
  if (width > 0) scale.x = width / kProgramBase.x;
  if (height > 0) scale.y = height / kProgramBase.y;
  document.documentElement.dataset.dialogBase = `${width.toFixed(2)}x${height}`;
}
const metricsReady = measureDialogFont();
let zOrder = [];              // hwnds, front last
let focusedWindow = 0;

function el(tag, className, text) {
  const e = document.createElement(tag);
  if (className) e.className = className;
  if (text !== undefined) e.textContent = text;
  return e;
}

// A control's text with its mnemonic as Windows draws it: "&x" underlines
// x, "&&" is one "&". Built from text nodes, never from markup.
function withMnemonic(node, text) {
  const parts = text.split(/(&&|&.)/s);
  for (const part of parts) {
    if (part === '&&') node.append('&');
    else if (part.length === 2 && part[0] === '&') node.appendChild(el('u', '', part[1]));
    else if (part) node.append(part);
  }
  return node;
}

function token() {
  // The token lives in an HttpOnly cookie; the page learns it from the view.
  return view.token || '';
}

// Actions go one after the other, so that keystrokes typed quickly reach the
// program in the order they were typed and a click never overtakes them.
let pending = Promise.resolve();

function act(action) {
  const result = pending.then(() => send(action));
  pending = result;
  return result;
}

async function send(action) {
  try {
    const res = await fetch('/api/action', {
      method: 'POST',
      headers: { 'Content-Type': 'application/json', 'X-Tmdesk-Token': token() },
      body: JSON.stringify(action),
    });
    return await res.json();
  } catch (e) {
    return { error: String(e) };
  }
}

// --- Windows -------------------------------------------------------------

// What a person typed into a field stays there over the views that follow
// until one shows the program has it: hwnd -> {value, serial}, the serial
// of the action that carried it (Infinity while it is on its way).
// A password field comes back masked (as many password characters as the
// program holds): there what was typed stays while the mask is as long as
// it, or the next key would be added to the mask and not to the password.
const typed = new Map();

function forgetTypedTexts() {
  const shown = new Map();
  const collect = (controls) => {
    for (const c of controls || []) { shown.set(c.hwnd, c); collect(c.children); }
  };
  for (const w of view.windows) collect(w.children);
  for (const [hwnd, entry] of typed) {
    if ((view.actions || 0) < entry.serial) continue;
    const c = shown.get(hwnd);
    if (c && c.password && [...c.text].length === [...entry.value].length) continue;
    typed.delete(hwnd);
  }
}

function renderControl(win, c) {
  let node;
  const disabled = !c.enabled;
  switch (c.kind) {
    case 'static':
      node = el('div', 'ctl static', c.text);
      break;
    case 'group': {
      node = el('fieldset', 'ctl group');
      node.appendChild(withMnemonic(el('legend'), c.text));
      break;
    }
    case 'edit': {
      node = c.multiline ? el('textarea', 'ctl edit') : el('input', 'ctl edit');
      if (!c.multiline) node.type = c.password ? 'password' : 'text';
      node.value = typed.has(c.hwnd) ? typed.get(c.hwnd).value : c.text;
      node.readOnly = !!c.readonly;
      if (c.limit > 0) node.maxLength = c.limit;
      node.addEventListener('input', () => {
        const entry = { value: node.value, serial: Infinity };
        typed.set(c.hwnd, entry);
        act({ kind: 'settext', hwnd: c.hwnd, text: entry.value }).then((answer) => {
          if (typed.get(c.hwnd) === entry) entry.serial = answer.serial || 0;
        });
      });
      break;
    }
    case 'check':
    case 'radio': {
      node = el('label', 'ctl check');
      const box = el('input');
      box.type = c.kind === 'radio' ? 'radio' : 'checkbox';
      box.checked = !!c.checked;
      box.disabled = disabled;
      box.addEventListener('click', (e) => { e.preventDefault(); act({ kind: 'click', hwnd: c.hwnd }); });
      node.appendChild(box);
      withMnemonic(node, c.text);
      break;
    }
    case 'list': {
      node = el('div', 'ctl list');
      node.dataset.sel = String(c.sel);
      node.dataset.top = String(c.top || 0);
      node.tabIndex = 0;
      node.setAttribute('role', 'listbox');
      if (c.multi) node.setAttribute('aria-multiselectable', 'true');
      // Rows with icons keep their columns in line: every row leaves the room.
      if ((c.looks || []).some((look) => look.icon)) node.classList.add('icons');
      (c.items || []).forEach((text, i) => {
        const selected = c.multi ? (c.selected || []).includes(i) : c.sel === i;
        const item = el('div', 'item' + (selected ? ' sel' : ''));
        item.setAttribute('aria-selected', String(selected));
        const look = (c.looks || [])[i] || {};
        // A row's own look: its icon, its text colour (the selection's
        // colours win while it is selected) and bold type.
        if (look.color) { item.dataset.color = look.color; if (!selected) item.style.color = look.color; }
        if (look.bold) item.classList.add('bold');
        if (look.icon) {
          // An icon this desktop has a picture for is drawn; any other shows
          // as a plain marker.
          const icon = kIconFiles.has(look.icon) ? el('img', 'row-icon picture') : el('span', 'row-icon', '');
          if (icon.tagName === 'IMG') { icon.src = `/icon-${look.icon}.svg`; icon.alt = ''; }
          icon.dataset.icon = String(look.icon);
          icon.setAttribute('aria-label', 'icon ' + look.icon);
          item.appendChild(icon);
        }
        // Tab stops: each tab moves the text to the next stop.
        const parts = text.split('\t');
        if (parts.length > 1 && c.tabs && c.tabs.length) {
          parts.forEach((p, k) => {
            const span = el('span', '', p);
            span.style.display = 'inline-block';
            const stop = c.tabs[k] !== undefined ? c.tabs[k] : null;
            const prev = k === 0 ? 0 : c.tabs[k - 1];
            if (stop !== null) span.style.width = px(stop - prev) + 'px';
            item.appendChild(span);
          });
        } else {
          item.appendChild(document.createTextNode(text));
        }
        item.setAttribute('role', 'option');
        item.addEventListener('click', (e) => act({ kind: 'select', hwnd: c.hwnd, index: i, ctrl: e.ctrlKey || e.metaKey }));
        item.addEventListener('dblclick', () => act({ kind: 'dblclick', hwnd: c.hwnd, index: i }));
        node.appendChild(item);
      });
      break;
    }
    case 'combo': {
      node = el('select', 'ctl combo');
      (c.items || []).forEach((text, i) => {
        const o = el('option', '', text);
        o.value = String(i);
        if (c.sel === i) o.selected = true;
        node.appendChild(o);
      });
      if (c.sel < 0) node.selectedIndex = -1;
      node.addEventListener('change', () => act({ kind: 'select', hwnd: c.hwnd, index: Number(node.value) }));
      break;
    }
    case 'progress': {
      node = el('div', 'ctl progress');
      const bar = el('div');
      const span = (c.upper - c.lower) || 1;
      bar.style.width = Math.max(0, Math.min(100, 100 * (c.pos - c.lower) / span)) + '%';
      node.appendChild(bar);
      break;
    }
    case 'updown': {
      node = el('span', 'ctl updown');
      const up = el('button', '', '▲'), down = el('button', '', '▼');
      up.addEventListener('click', () => act({ kind: 'spin', hwnd: c.hwnd, delta: 1 }));
      down.addEventListener('click', () => act({ kind: 'spin', hwnd: c.hwnd, delta: -1 }));
      node.append(up, down);
      break;
    }
    case 'page': {  // a property-sheet page: a panel with its own controls
      node = el('div', 'ctl page');
      for (const child of c.children || []) node.appendChild(renderControl(win, child));
      break;
    }
    case 'tabs': {  // the tab strip of a property sheet
      node = el('div', 'ctl tabs');
      node.setAttribute('role', 'tablist');
      (c.items || []).forEach((text, i) => {
        const tab = el('button', 'tab' + (c.sel === i ? ' sel' : ''), text);
        tab.setAttribute('role', 'tab');
        tab.setAttribute('aria-selected', String(c.sel === i));
        tab.addEventListener('click', () => act({ kind: 'select', hwnd: c.hwnd, index: i }));
        node.appendChild(tab);
      });
      break;
    }
    default: {  // push buttons, owner-drawn buttons
      node = withMnemonic(el('button', 'ctl button'), c.text);
      node.addEventListener('click', () => act({ kind: 'click', hwnd: c.hwnd }));
      if (c.default) node.classList.add('default');
    }
  }
  node.dataset.hwnd = c.hwnd;
  node.dataset.id = c.id;
  node.style.left = px(c.x) + 'px';
  node.style.top = py(c.y) + 'px';
  node.style.width = px(c.w) + 'px';
  node.style.height = py(c.h) + 'px';
  if (c.icon && (c.kind === 'static' || c.kind === 'button')) node.prepend(iconImage(c.icon));
  if (disabled) { node.classList.add('disabled'); if ('disabled' in node) node.disabled = true; }
  if (!c.visible) node.hidden = true;
  return node;
}

function renderMenuBar(win) {
  const bar = el('div', 'menubar');
  for (const top of win.menu) {
    const b = el('button', '', top.text.replace('&', ''));
    b.addEventListener('click', (e) => {
      const r = b.getBoundingClientRect();
      showPopup({ hwnd: win.hwnd, items: top.items, local: true }, r.left, r.bottom);
      e.stopPropagation();
    });
    bar.appendChild(b);
  }
  return bar;
}

function bringToFront(hwnd) {
  zOrder = zOrder.filter((h) => h !== hwnd).concat([hwnd]);
  focusedWindow = hwnd;
}

function renderWindow(win) {
  const node = el('section', 'window' + (win.hwnd === focusedWindow ? ' active' : ''));
  node.dataset.hwnd = win.hwnd;
  node.tabIndex = -1;  // it can hold the keyboard itself
  node.setAttribute('aria-label', win.title);
  const moved = positions.get(win.hwnd);
  if (moved && moved.x === win.x && moved.y === win.y) positions.delete(win.hwnd);  // the program has it
  const pos = positions.get(win.hwnd) || { x: win.x, y: win.y };
  node.style.left = px(pos.x) + 'px';
  node.style.top = py(pos.y) + 'px';
  node.style.width = px(win.w) + 'px';
  if (win.topmost) node.classList.add('topmost');
  const title = el('div', 'titlebar');
  title.appendChild(el('span', 'title', win.title));
  const close = el('button', 'close', '×');
  close.title = 'Close';
  close.addEventListener('click', () => act({ kind: 'close', hwnd: win.hwnd }));
  title.appendChild(close);
  node.appendChild(title);
  if (win.menu && win.menu.length) node.appendChild(renderMenuBar(win));
  const client = el('div', 'client');
  client.style.height = py(win.h) + 'px';
  for (const c of win.children || []) client.appendChild(renderControl(win, c));
  if (win.hint) client.appendChild(el('div', 'hint', win.hint));
  node.appendChild(client);
  node.addEventListener('mousedown', () => {
    if (focusedWindow !== win.hwnd) { bringToFront(win.hwnd); renderLater = true; }
  });
  dragWith(title, node, win.hwnd);
  return node;
}

function dragWith(handle, node, hwnd) {
  handle.addEventListener('mousedown', (e) => {
    if (e.target.tagName === 'BUTTON') return;
    const startX = e.clientX, startY = e.clientY;
    const left = parseInt(node.style.left, 10), top = parseInt(node.style.top, 10);
    let place = null;
    const move = (m) => {
      const x = left + m.clientX - startX, y = Math.max(0, top + m.clientY - startY);
      node.style.left = x + 'px';
      node.style.top = y + 'px';
      place = { x: Math.round(x / scale.x), y: Math.round(y / scale.y) };
      positions.set(hwnd, place);
    };
    // The place is the window's own: its program moves it there, so it is
    // the same after a reload and in every other page.
    const up = () => {
      document.removeEventListener('mousemove', move);
      document.removeEventListener('mouseup', up);
      if (place) act({ kind: 'move', hwnd, x: place.x, y: place.y });
    };
    document.addEventListener('mousemove', move);
    document.addEventListener('mouseup', up);
  });
}

// --- Tray, popups, boxes -------------------------------------------------

// The icon resources the programs name, drawn for this desktop (icon-N.svg),
// and what each tray icon says about its program.
const kIconFiles = new Set([101, 102, 104, 106, 116, 121, 124, 133, 141, 143, 145, 167, 237, 254,
  620, 621, 622, 623, 624, 625, 630, 631, 650, 651]);
const kTrayStates = {
  102: 'POP3 server running',
  116: 'Dialwick online',
  121: 'Dialwick available',
  141: 'Dialwick device connected',
  143: 'Dialwick authenticated',
  145: 'Dialwick dialling',
  124: 'Support module',
  254: 'Remote Configuration Utility',
};

function iconImage(number) {
  const img = el('img', 'icon-image');
  img.src = kIconFiles.has(number) ? `/icon-${number}.svg` : '/icon-unknown.svg';
  img.alt = '';
  img.dataset.icon = String(number);
  return img;
}

function renderTray() {
  trayBar.replaceChildren();
  for (const icon of view.tray) {
    const b = el('button', 'tray-icon');
    b.appendChild(iconImage(icon.icon));
    b.title = icon.tip;
    b.dataset.icon = icon.icon;
    const state = kTrayStates[icon.icon] || icon.program;
    b.dataset.state = state;
    b.setAttribute('aria-label', icon.tip ? `${state}: ${icon.tip}` : state);
    b.dataset.program = icon.program;
    const send = (event, e) => act({ kind: 'tray', hwnd: icon.hwnd, uid: icon.uid, event, x: e.clientX, y: e.clientY });
    b.addEventListener('click', (e) => send('left', e));
    b.addEventListener('dblclick', (e) => send('double', e));
    b.addEventListener('contextmenu', (e) => { e.preventDefault(); send('right', e); });
    trayBar.appendChild(b);
  }
}

let localPopup = null;

// The start menu: the programs of the server directory tmdesk serves, each
// started there when it is not running.
const startButton = document.getElementById('start');
let startMenu = null;

function renderStartMenu() {
  startButton.hidden = !view.start;
  if (!view.start) return;
  startButton.title = 'Programs of ' + view.start.directory;
  if (!startMenu) return;
  const node = el('div', 'popup start-menu');
  node.setAttribute('role', 'menu');
  node.setAttribute('aria-label', 'Start');
  for (const entry of view.start.programs) {
    const b = el('button', '', entry.title + (entry.running ? ' (running)' : ''));
    b.setAttribute('role', 'menuitem');
    b.dataset.program = entry.program;
    b.disabled = entry.running;
    b.addEventListener('click', async (e) => {
      e.stopPropagation();
      closeStartMenu();
      const answer = await act({ kind: 'start', program: entry.program });
      statusLine.textContent = answer.error ? answer.error : 'started ' + entry.title;
    });
    node.appendChild(b);
  }
  startMenu.replaceWith(node);
  startMenu = node;
}

function closeStartMenu() {
  if (startMenu) startMenu.remove();
  startMenu = null;
}

startButton.addEventListener('click', (e) => {
  e.stopPropagation();
  if (startMenu) { closeStartMenu(); return; }
  startMenu = el('div');
  document.getElementById('taskbar').appendChild(startMenu);
  renderStartMenu();
});

// A popup that would run past the page's right or bottom edge is moved back
// onto it, as a menu opened near the screen's corner is.
function keepOnScreen(node) {
  const r = node.getBoundingClientRect();
  if (r.right > window.innerWidth) node.style.left = Math.max(0, window.innerWidth - r.width - 2) + 'px';
  if (r.bottom > window.innerHeight) node.style.top = Math.max(0, window.innerHeight - r.height - 2) + 'px';
}

function showPopup(menu, x, y) {
  const node = el('div', 'popup');
  node.setAttribute('role', 'menu');
  if (menu.program) node.dataset.program = menu.program;
  for (const item of menu.items) {
    if (item.separator) { node.appendChild(el('hr')); continue; }
    const b = el('button', '', item.text.replace(/&(.)/, '$1').replace('\t', '   '));
    b.setAttribute('role', 'menuitem');
    b.disabled = !!item.grayed;
    b.addEventListener('click', (e) => {
      e.stopPropagation();
      if (menu.local) { localPopup = null; render(); act({ kind: 'command', hwnd: menu.hwnd, command: item.id }); }
      else act({ kind: 'menu', menu: menu.id, command: item.id });
    });
    node.appendChild(b);
  }
  node.style.left = Math.max(0, x) + 'px';  // kept on the page once it is in place
  node.style.top = Math.max(0, y) + 'px';
  if (menu.local) { localPopup = node; render(); } else return node;
}

const kBoxIcons = new Set(['stop', 'question', 'exclamation', 'information']);

// The frame of a modal overlay: a window with its caption.
function modalFrame(className, role, caption) {
  const node = el('section', 'window msgbox active' + (className ? ' ' + className : ''));
  node.setAttribute('role', role);
  node.setAttribute('aria-label', caption);
  const title = el('div', 'titlebar');
  title.appendChild(el('span', 'title', caption));
  node.appendChild(title);
  return node;
}

let modals = new Map();  // box or chooser id -> its node

function renderBox(box) {
  const node = modalFrame('', 'alertdialog', box.caption);
  if (box.x || box.y) {
    // Centred where its program placed it (on its owner), kept on the page.
    node.classList.add('placed');
    node.style.left = (px(box.x) + px(box.w) / 2) + 'px';
    node.style.top = (py(box.y) + py(box.h) / 2) + 'px';
  }
  const body = el('div', 'body');
  if (kBoxIcons.has(box.icon)) {
    const icon = el('img', 'icon');
    icon.src = `/icon-${box.icon}.svg`;
    icon.alt = box.icon;
    body.appendChild(icon);
  }
  body.appendChild(el('div', 'text', (box.text || '').replace(/\r\n/g, '\n')));
  node.appendChild(body);
  const buttons = el('div', 'buttons');
  for (const name of box.buttons) {
    const b = el('button', '', name);
    b.addEventListener('click', () => act({ kind: 'answer', box: box.id, button: name }));
    buttons.appendChild(b);
  }
  node.appendChild(buttons);
  // Esc answers Cancel, or the only button; Enter the first (default) one.
  const escape = box.buttons.includes('Cancel') ? 'Cancel' : box.buttons.length === 1 ? box.buttons[0] : null;
  node.cancel = () => { if (escape) act({ kind: 'answer', box: box.id, button: escape }); };
  node.accept = () => { if (box.buttons.length) act({ kind: 'answer', box: box.id, button: box.buttons[0] }); };
  node.firstFocus = buttons.firstElementChild;
  return node;
}

// A chooser's panel of options: radio buttons that the program keeps; the
// page only asks it to check the one clicked.
function chooserPanel(ch) {
  const panel = el('fieldset', 'panel');
  panel.appendChild(el('legend', '', ch.panel || ''));
  for (const option of ch.options) {
    const label = el('label');
    const radio = el('input');
    radio.type = 'radio';
    radio.name = 'chooser-' + ch.id;
    radio.checked = option.checked;
    radio.addEventListener('change', () => act({ kind: 'click', hwnd: option.hwnd }));
    label.append(radio, document.createTextNode(' ' + option.text));
    panel.appendChild(label);
  }
  return panel;
}

function renderChooser(ch) {
  const node = modalFrame('chooser', 'dialog', ch.title);
  const body = el('div', 'body');
  body.style.display = 'block';
  const path = el('input');
  path.value = ch.path || '';
  path.setAttribute('aria-label', 'Path');
  let touched = false;
  for (const event of ['keydown', 'input', 'mousedown']) path.addEventListener(event, () => { touched = true; });
  const list = el('ul');
  const load = async () => {
    const answer = await act({ kind: 'browse', chooser: ch.id, path: path.value });
    // A chooser without a location starts at the home directory, and says
    // so, unless the person has begun to type there.
    if (!path.value && !touched && answer.path) path.value = answer.path.replace(/\/?$/, '/');
    list.replaceChildren();
    for (const entry of answer.entries || []) {
      const li = el('li', '', entry.name + (entry.dir ? '/' : ''));
      li.addEventListener('click', () => {
        path.value = answer.path.replace(/\/$/, '') + '/' + entry.name;
        if (entry.dir) load();
      });
      list.appendChild(li);
    }
  };
  body.append(path, list);
  if ((ch.options || []).length) body.appendChild(chooserPanel(ch));
  node.appendChild(body);
  node.firstFocus = path;
  addOkCancel(node, ch.id, () => act({ kind: 'answer', box: ch.id, path: path.value }), ch.okText);
  load();
  return node;
}

// OK (Enter) answers with what the dialog holds; Cancel (Esc) cancels it.
function addOkCancel(node, id, accept, okText) {
  const buttons = el('div', 'buttons');
  const ok = el('button', '', okText || 'OK');
  node.accept = accept;
  node.cancel = () => act({ kind: 'answer', box: id, button: 'Cancel' });
  ok.addEventListener('click', node.accept);
  const cancel = el('button', '', 'Cancel');
  cancel.addEventListener('click', node.cancel);
  buttons.append(ok, cancel);
  node.appendChild(buttons);
}

// The print dialog: the printers, "Print to file (PDF)" with its file name.
function renderPrint(pr) {
  const node = modalFrame('chooser print', 'dialog', pr.title);
  const body = el('div', 'body');
  body.style.display = 'block';
  const printer = el('select');
  printer.setAttribute('aria-label', 'Printer');
  for (const name of pr.printers) {
    const o = el('option', '', name);
    o.value = name;
    if (name === pr.printer) o.selected = true;
    printer.appendChild(o);
  }
  const path = el('input');
  path.value = pr.path || '';
  path.setAttribute('aria-label', 'File name');
  const showPath = () => { path.disabled = printer.value !== pr.toFile; };
  printer.addEventListener('change', showPath);
  showPath();
  body.append(printer, path);
  node.appendChild(body);
  node.firstFocus = printer;
  addOkCancel(node, pr.id, () => act({ kind: 'answer', box: pr.id, printer: printer.value, path: path.value }));
  return node;
}

// --- The whole page ------------------------------------------------------

// A render replaces the nodes, and a node replaced between a button's press
// and its release never gets the click. So while a mouse button is down the
// page waits, and renders once the click has been delivered.
let mouseDown = false;
let renderLater = false;

function renderSoon() {
  if (mouseDown || !metricsKnown) renderLater = true;
  else render();
}

// Nothing is drawn before the dialog font is measured.
let metricsKnown = false;
metricsReady.then(() => { metricsKnown = true; renderLater = false; render(); });

function mouseReleased() {
  mouseDown = false;
  if (renderLater) { renderLater = false; setTimeout(render, 0); }
}

document.addEventListener('mousedown', () => { mouseDown = true; }, true);
document.addEventListener('mouseup', mouseReleased, true);
window.addEventListener('blur', mouseReleased);

function render() {
  const active = document.activeElement;
  const activeKey = active && active.dataset ? active.dataset.hwnd : null;
  const selection = active && 'selectionStart' in active ? [active.selectionStart, active.selectionEnd] : null;

  const known = new Set(view.windows.map((w) => w.hwnd));
  zOrder = zOrder.filter((h) => known.has(h));
  for (const h of positions.keys()) if (!known.has(h)) positions.delete(h);
  // When the focused window goes, the one in front of the rest takes over.
  let takeKeyboard = false;
  if (focusedWindow && !known.has(focusedWindow)) {
    focusedWindow = zOrder.length ? zOrder[zOrder.length - 1] : 0;
    takeKeyboard = true;
  }
  // A window that appears comes to the front and takes the focus, as a
  // newly shown window does on a desktop.
  for (const w of view.windows) {
    if (!zOrder.includes(w.hwnd)) { bringToFront(w.hwnd); takeKeyboard = true; }
  }
  const byHandle = new Map(view.windows.map((w) => [w.hwnd, w]));
  // Windows kept on top stay in front of the others, in their own order.
  const stacked = [...zOrder.filter((h) => !byHandle.get(h).topmost), ...zOrder.filter((h) => byHandle.get(h).topmost)];
  const nodes = stacked.map((h) => renderWindow(byHandle.get(h)));
  for (const m of view.menus) nodes.push(showPopup(m, m.x, m.y));
  if (localPopup) nodes.push(localPopup);
  const scrolled = new Map();
  for (const n of desktop.querySelectorAll('.ctl.list, textarea.ctl')) scrolled.set(n.dataset.hwnd, n.scrollTop);
  desktop.replaceChildren(...nodes);
  for (const n of desktop.querySelectorAll('.ctl.list, textarea.ctl')) keepScrollPlace(n, scrolled.get(n.dataset.hwnd));
  for (const popup of desktop.querySelectorAll('.popup')) keepOnScreen(popup);
  renderTray();
  renderStartMenu();

  // A box or chooser keeps its node while it waits, so what the person typed
  // into a chooser, its listing and the focus survive the refreshes.
  const waiting = new Map();
  let newModal = null;
  const keep = (id, make) => {
    let node = modals.get(id);
    if (!node) { node = make(); newModal = node; }
    waiting.set(id, node);
  };
  for (const box of view.boxes) keep(box.id, () => renderBox(box));
  for (const ch of view.choosers || []) keep(ch.id, () => renderChooser(ch));
  for (const pr of view.prints || []) keep(pr.id, () => renderPrint(pr));
  modals = waiting;
  const modal = [...waiting.values()];
  overlay.hidden = modal.length === 0;
  const same = modal.length === overlay.children.length && modal.every((n, i) => overlay.children[i] === n);
  if (!same) overlay.replaceChildren(...modal);

  // Keep the person's place while the view refreshes around it.
  if (activeKey) {
    const again = document.querySelector(`[data-hwnd="${CSS.escape(activeKey)}"]`);
    if (again) {
      again.focus();
      if (selection && 'selectionStart' in again) again.setSelectionRange(selection[0], selection[1]);
    }
  }
  if (newModal) newModal.firstFocus.focus();  // a box that appears takes the keyboard
  // The keyboard follows a window that has just appeared, or the one left in
  // front when the focused one went (to its program's focused control, else
  // the window itself), so Esc or Enter typed next reach it and not a window
  // behind or gone. A box or chooser being answered keeps the keyboard.
  if (takeKeyboard && !overlay.contains(document.activeElement)) {
    const front = desktop.querySelector(`section.window[data-hwnd="${focusedWindow}"]`);
    const control = front && focusedControl(byHandle.get(focusedWindow).children || []);
    const target = control && front.querySelector(`[data-hwnd="${control.hwnd}"]`);
    if (target) target.focus();
    if (front && !front.contains(document.activeElement)) front.focus();
  }
}

// A list or text area keeps where it was scrolled to across a render; a
// list whose program set its top line shows that line first, and one whose
// selection moved shows the selected line, as a list box does.
const listSelections = new Map();  // hwnd -> selection last shown
const listTops = new Map();        // hwnd -> top line last shown

function keepScrollPlace(node, top) {
  if (top !== undefined) node.scrollTop = top;
  if (!node.classList.contains('list')) return;
  if (listTops.get(node.dataset.hwnd) !== node.dataset.top) {
    listTops.set(node.dataset.hwnd, node.dataset.top);
    const first = node.querySelectorAll('.item')[Number(node.dataset.top)];
    if (first) node.scrollTop = first.offsetTop;
  }
  const sel = node.dataset.sel;
  if (listSelections.get(node.dataset.hwnd) === sel) return;
  listSelections.set(node.dataset.hwnd, sel);
  const item = node.querySelector('.item.sel');
  if (!item) return;
  if (item.offsetTop < node.scrollTop) node.scrollTop = item.offsetTop;
  else if (item.offsetTop + item.offsetHeight > node.scrollTop + node.clientHeight)
    node.scrollTop = item.offsetTop + item.offsetHeight - node.clientHeight;
}

function focusedControl(controls) {
  for (const c of controls) {
    if (c.focused) return c;
    const inner = focusedControl(c.children || []);
    if (inner) return inner;
  }
  return null;
}

function closeMenus() {
  closeStartMenu();
  if (localPopup) { localPopup = null; render(); }
  for (const m of view.menus) act({ kind: 'menu', menu: m.id, command: 0 });
}

// A click beside a popup menu closes it, as on a desktop.
document.addEventListener('click', (e) => {
  if (!e.target.closest('.popup')) closeMenus();
});

function keyName(e) {
  const named = { Escape: 'Esc', Enter: 'Enter', Delete: 'Delete', Tab: 'Tab' };
  let k = named[e.key] || (/^F[1-9]$/.test(e.key) ? e.key : null);
  if (!k && (e.ctrlKey || e.altKey) && e.key.length === 1) k = e.key.toUpperCase();
  if (!k) return null;
  if (e.shiftKey && k === 'Tab') return null;  // the browser moves the focus back
  if (k === 'Tab') return null;
  return (e.ctrlKey ? 'Ctrl+' : '') + (e.altKey ? 'Alt+' : '') + k;
}

// Keys an editable text field keeps for itself: the clipboard, undo,
// select-all and Delete work there as in any text field.
const kFieldKeys = new Set(['Delete', 'Ctrl+A', 'Ctrl+C', 'Ctrl+V', 'Ctrl+X', 'Ctrl+Z', 'Ctrl+Y']);

function editableField(node) {
  const text = node.tagName === 'TEXTAREA' || (node.tagName === 'INPUT' && node.type !== 'checkbox' && node.type !== 'radio');
  return text && !node.readOnly && !node.disabled;
}

document.addEventListener('keydown', (e) => {
  const key = keyName(e);
  if (!key || !(e.target instanceof Element)) return;
  // An open menu takes Esc, and no other key goes past it.
  if (localPopup || view.menus.length || startMenu) {
    if (key === 'Esc') { e.preventDefault(); closeMenus(); }
    return;
  }
  // A box or chooser waiting for an answer has the keyboard: Esc cancels
  // it, Enter answers it (a focused button answers for itself).
  if (!overlay.hidden && overlay.lastElementChild) {
    const modal = e.target.closest('#overlay section.msgbox') || overlay.lastElementChild;
    if (key === 'Esc') { e.preventDefault(); modal.cancel(); }
    if (key === 'Enter' && e.target.tagName !== 'BUTTON') { e.preventDefault(); modal.accept(); }
    return;
  }
  if (kFieldKeys.has(key) && editableField(e.target)) return;
  const win = e.target.closest('#desktop section.window');
  const hwnd = win ? Number(win.dataset.hwnd) : focusedWindow;
  if (!hwnd) return;
  const target = e.target.closest('[data-hwnd]');
  e.preventDefault();
  act({ kind: 'key', hwnd, focus: target ? Number(target.dataset.hwnd) : 0, key });
});

function connect() {
  const ws = new WebSocket(`ws://${location.host}/ws`);
  socket = ws;
  ws.onopen = () => {
    statusLine.textContent = 'connected';
    typed.clear();  // a restarted tmdesk counts its actions afresh
  };
  ws.onmessage = (m) => {
    try { view = Object.assign({ windows: [], tray: [], boxes: [], menus: [], choosers: [], prints: [] }, JSON.parse(m.data)); }
    catch (e) { return; }
    forgetTypedTexts();
    renderSoon();
  };
  ws.onclose = () => {
    statusLine.textContent = 'reconnecting…';
    socket = null;
    setTimeout(connect, 1000);
  };
}

connect();
