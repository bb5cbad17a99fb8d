// The desktop as a person expects it: every template's texts fit their
// controls in the page's dialog font, a dialog opens centred on its owner,
// windows that would cover each other are cascaded, a window moved by hand
// stays there after a reload, "Keep on top" keeps it in front, and the start
// menu starts a closed POP3 server that then serves a login.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdirSync, readdirSync, writeFileSync } from 'node:fs';
import { join, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import { Desktop, bin, freePort, waitFor } from './harness.mjs';

const repo = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
const desk = new Desktop();
after(() => desk.close());

const RCU = 'section.window[aria-label="Tellmar Remote Configuration Utility"]';
const CENTRE = 'section.window[aria-label="Dialwick from Corvane "]';

function templateFiles() {
  const root = join(repo, 'resources');
  return readdirSync(root, { withFileTypes: true }).filter((d) => d.isDirectory())
    .flatMap((d) => readdirSync(join(root, d.name)).filter((f) => f.endsWith('.tmr')).map((f) => join(root, d.name, f)));
}

function startRcu() {
  const dir = join(desk.root, 'rcu');
  mkdirSync(dir);
  return desk.startPath(desk.adminLink('tmremote'), { cwd: dir });
}

// A window's place on the page (waiting out a redraw that replaces its node).
async function box(locator) {
  const b = await waitFor('a window on the page', () => locator.boundingBox());
  return { ...b, cx: b.x + b.width / 2, cy: b.y + b.height / 2 };
}

test('every control of every template shows its whole text', async () => {
  const views = JSON.parse(execFileSync(join(bin, 'tmdesk'), ['--templates', ...templateFiles()], { encoding: 'utf8' }));
  assert.ok(views.length >= 15, `only ${views.length} templates`);
  await desk.startDesk(['--server', desk.server]);
  const page = await desk.openPage();
  await page.waitForSelector('#status:text("connected")');
  const clipped = await page.evaluate(async (all) => {
    await metricsReady;
    const found = [];
    for (const t of all) {
      view = { windows: [t.window], tray: [], boxes: [], menus: [], choosers: [], prints: [] };
      render();
      for (const n of document.querySelectorAll('#desktop section.window .ctl')) {
        let over = false;
        if (n.matches('.static, .button, .check')) {
          over = n.scrollWidth > n.clientWidth + 1 || n.scrollHeight > n.clientHeight + 1;
        } else if (n.matches('.group')) {
          const legend = n.querySelector('legend');
          over = legend.getBoundingClientRect().width > n.getBoundingClientRect().width - 8;
        }
        if (over) {
          found.push(`${t.file.replace(/.*resources\//, '')} ${t.template} control ${n.dataset.id} "${n.textContent}":` +
            ` needs ${n.scrollWidth}x${n.scrollHeight}, has ${n.clientWidth}x${n.clientHeight}`);
        }
      }
    }
    view = { windows: [], tray: [], boxes: [], menus: [], choosers: [], prints: [] };
    render();
    return found;
  }, views);
  assert.deepEqual(clipped, []);
  // The dialog font was measured, not assumed.
  assert.match(await page.evaluate(() => document.documentElement.dataset.dialogBase), /^\d+\.\d\dx\d+$/);
});

test('a box opens centred on its owner; windows cascade; a moved window stays; Keep on top', async () => {
  const page = desk.page;
  startRcu();
  const first = page.locator(RCU).first();
  await first.waitFor();

  // "About RCU" from the Help menu opens over the utility's middle.
  await first.locator('.menubar button', { hasText: 'Help' }).click();
  await page.locator('.popup').last().locator('button', { hasText: 'About RCU' }).click();
  const about = page.locator('section.window[aria-label="About RCU"]');
  await about.waitFor();
  const owner = await box(first), dialog = await box(about);
  assert.ok(Math.abs(owner.cx - dialog.cx) <= 3, `centred across: ${owner.cx} ${dialog.cx}`);
  assert.ok(Math.abs(owner.cy - dialog.cy) <= 16, `centred down: ${owner.cy} ${dialog.cy}`);
  const x = Math.max(0, owner.x - 8), y = Math.max(0, owner.y - 8);
  await desk.screenshot('desktop-about.png', { x, y, width: owner.width + 16, height: Math.max(owner.height, dialog.y + dialog.height - y) + 16 });
  await about.locator('[data-id="1"]').click();
  await about.waitFor({ state: 'detached' });

  // Dialwick's Control Centre opens at the same place in its template: it is
  // set down and to the right of the utility instead of over it.
  writeFileSync(join(desk.config, 'phonebook.ini'), '[ISP]\r\nUser=anna\r\nPassword=secret\r\n');
  desk.start('Dialwick');
  const tray = page.locator('#tray .tray-icon[data-program="Dialwick"]');
  await tray.click();
  const second = page.locator(CENTRE);
  await second.waitFor();
  await waitFor('the cascade', async () => {
    const a = await box(first), b = await box(second);
    return b.x - a.x >= 20 && b.y - a.y >= 20;
  });

  // Dragged by its title bar, the first stays where it was put across a reload.
  const before = await box(first);
  await page.mouse.move(before.x + 60, before.y + 8);
  await page.mouse.down();
  await page.mouse.move(before.x + 260, before.y + 208, { steps: 5 });
  await page.mouse.up();
  const moved = await box(first);
  assert.ok(Math.abs(moved.x - before.x - 200) <= 2 && Math.abs(moved.y - before.y - 200) <= 2);
  await page.reload();
  await page.waitForSelector('#status:text("connected")');
  await waitFor('the window at its new place after the reload', async () => {
    const again = await box(page.locator(RCU).first());
    return Math.abs(again.x - moved.x) <= 2 && Math.abs(again.y - moved.y) <= 2;
  });

  // Keep on top: the window stays in front of the other when that one is clicked.
  const keep = page.locator(RCU).first();
  await keep.locator('[data-id="1249"] input').click();
  await page.locator(`${RCU}.topmost`).waitFor();
  await page.locator(CENTRE).locator('.titlebar').click();
  const order = await page.evaluate(() => [...document.querySelectorAll('#desktop section.window')].map((n) => n.classList.contains('topmost')));
  assert.equal(order[order.length - 1], true, 'the window kept on top is drawn last');
});

test('the start menu starts the closed POP3 server, which serves a login', async () => {
  const page = desk.page;
  const port = await freePort();
  desk.ini('popsrv', 'port', port);
  desk.ini('popsrv', 'bind', 0);
  desk.ini('USER0', 'DIR', 'ANNA');
  desk.ini('USER0', 'ID', 'anna');
  desk.ini('USER0', 'pw', desk.tmctl('scramble', 'ANNA', 'anna-secret').trim());
  desk.ini('USER0', 'UserActive', 1);
  mkdirSync(join(desk.server, 'ANNA'), { recursive: true });

  await page.locator('#start').click();
  const entry = page.locator('.start-menu button[data-program="cvpopd32"]');
  assert.equal(await entry.textContent(), 'POP3 Server');
  await desk.screenshot('desktop-start-menu.png', { x: 0, y: 860 - 140, width: 360, height: 140 });
  await entry.click();
  const icon = page.locator('#tray .tray-icon[title="Corvane POP3 server"]');
  await icon.waitFor();
  assert.match(await icon.getAttribute('aria-label'), /^POP3 server running/);
  // Running now: the menu offers it no more.
  await page.locator('#start').click();
  assert.equal(await page.locator('.start-menu button[data-program="cvpopd32"]').isDisabled(), true);
  await page.keyboard.press('Escape');

  const login = [
    'import poplib, sys',
    `p = poplib.POP3("127.0.0.1", ${port}, timeout=30)`,
    'p.user("ANNA"); print(p.pass_("anna-secret").decode()); print(p.stat()[0]); p.quit()',
  ].join('\n');
  const out = await waitFor('a POP3 login', () => {
    try { return execFileSync('/usr/bin/python3', ['-c', login], { encoding: 'utf8' }); } catch (e) { return null; }
  }, 90000);
  assert.match(out, /^\+OK/);
  // Not a child of the test: it is ended from its tray menu.
  await icon.click({ button: 'right' });
  await page.locator('.popup[data-program="cvpopd32"] button', { hasText: 'Disconnect' }).click();
  await icon.waitFor({ state: 'detached' });
});
