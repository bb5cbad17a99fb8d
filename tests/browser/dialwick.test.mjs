// The dial-up handler on the browser desktop: the Control Centre dials an
// entry, the progress window lists the dial's states, the tray icon and its
// tip follow from available to dialling to online, and the Control Centre
// hangs up again.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { Desktop, waitFor } from './harness.mjs';

const desk = new Desktop();
after(() => desk.close());

const AVAILABLE = 'Dun System available for connection...';

test('Control Centre connects and disconnects while the tray follows', async () => {
  // Slow steps, so that the dialling state stays on screen long enough to see.
  writeFileSync(join(desk.config, 'phonebook.ini'),
    '[ISP]\r\nUser=anna\r\nPassword=secret\r\nStepMs=400\r\n[Office]\r\nPassword=pw\r\nStepMs=400\r\n');
  desk.start('Dialwick');
  await desk.startDesk();
  const page = await desk.openPage();

  const icon = page.locator('#tray .tray-icon[data-program="Dialwick"]');
  await icon.waitFor();
  assert.equal(await icon.getAttribute('title'), AVAILABLE);
  const offlineIcon = await icon.getAttribute('data-icon');
  // The icon says the state by itself: its picture and its accessible name.
  assert.match(await icon.getAttribute('aria-label'), /^Dialwick available: /);
  await waitFor('the icon picture', () => icon.locator('img').evaluate((img) => img.complete && img.naturalWidth > 0));

  await icon.click();  // the left button opens the Control Centre
  const centre = page.locator('section.window[aria-label="Dialwick from Corvane "]');
  await centre.waitFor();
  assert.deepEqual(await centre.locator('.item').allTextContents(), ['ISP', 'Office']);

  // A dialog the Control Centre opens: fast typing arrives whole and in
  // order, a field keeps Ctrl+A for itself, and Esc closes that dialog, not
  // the Control Centre behind it.
  await centre.locator('[data-id="1032"]').click();
  const settings = page.locator('section.window[aria-label="Edit details of [ISP]"]');
  await settings.waitFor();
  const handle = await settings.getAttribute('data-hwnd');
  const typedText = 'abcdefghijklmnopqrstuvwxyz0123456789';
  const programText = (id) => desk.uiText(handle, id);
  await settings.locator('[data-id="1031"]').focus();  // it shows a single blank
  await page.keyboard.press('Control+a');
  await settings.locator('[data-id="1031"]').pressSequentially(typedText);
  await settings.locator('[data-id="1026"]').focus();
  await page.keyboard.press('Control+a');
  await page.keyboard.type('bob');
  await waitFor('the program to have both texts', () => programText('1031') === typedText && programText('1026') === 'bob');
  assert.equal(await settings.locator('[data-id="1031"]').inputValue(), typedText);
  await page.keyboard.press('Escape');
  await settings.waitFor({ state: 'detached' });
  assert.equal(await centre.count(), 1);
  await centre.locator('.item', { hasText: 'ISP' }).click();
  await centre.locator('.item.sel', { hasText: 'ISP' }).waitFor();
  const connect = centre.locator('[data-id="1014"]');
  assert.equal(await connect.textContent(), ' Connect Now');
  // Each dialling state is on the page for a moment only, which a slow
  // machine may spend elsewhere: the page itself notes every tip, every
  // accessible name and the progress list it draws, and the test reads the notes.
  await page.evaluate(() => {
    const seen = window.dialSeen = { tips: [], labels: [], progress: null };
    const note = () => {
      const tray = document.querySelector('#tray .tray-icon[data-program="Dialwick"]');
      if (tray) {
        if (!seen.tips.includes(tray.title)) seen.tips.push(tray.title);
        const label = tray.getAttribute('aria-label');
        if (!seen.labels.includes(label)) seen.labels.push(label);
      }
      const list = document.querySelector('section.window[aria-label="RAS/DUN Connection - Progress"]');
      const items = list ? [...list.querySelectorAll('.item')].map((n) => n.textContent) : [];
      if (!seen.progress && items.includes('Connecting device')) seen.progress = items;
    };
    new MutationObserver(note).observe(document.body, { subtree: true, childList: true, attributes: true, characterData: true });
  });
  const seen = () => page.evaluate(() => window.dialSeen);
  await connect.click();

  // Dialling: the progress window lists each state as it is reached.
  await waitFor('the dialling tip', async () => (await seen()).tips.includes('Dun system is dialling... - ISP'));
  assert.ok((await seen()).labels.some((label) => /^Dialwick (dialling|device connected|authenticated): /.test(label)),
    JSON.stringify((await seen()).labels));
  await desk.screenshot('desktop-tray.png', page.locator('#taskbar'));
  const lines = await waitFor('the progress list up to Connecting device', async () => (await seen()).progress);
  assert.deepEqual(lines.slice(lines.indexOf('Opening port'), lines.indexOf('Connecting device') + 1),
    ['Opening port', 'Port opened successfully', 'Connecting device']);

  // Online: the progress window is gone, the tip names the entry.
  const progress = page.locator('section.window[aria-label="RAS/DUN Connection - Progress"]');
  await progress.waitFor({ state: 'detached' });
  await waitFor('the online tip', async () =>
    /^(Connected Successfully|Online for \d+ secs so far\.\.\.) - ISP$/.test(await icon.getAttribute('title')));
  assert.notEqual(await icon.getAttribute('data-icon'), offlineIcon);
  assert.match(await icon.getAttribute('aria-label'), /^Dialwick online: /);

  // The tray menu, opened in the corner of the page, stays on it whole.
  await icon.click({ button: 'right' });
  const menu = page.locator('.popup[data-program="Dialwick"]');
  await menu.locator('button', { hasText: 'Disconnect [ISP]' }).waitFor();
  const box = await menu.boundingBox();
  const view = page.viewportSize();
  assert.ok(box.x >= 0 && box.x + box.width <= view.width && box.y + box.height <= view.height, JSON.stringify(box));
  await menu.locator('button', { hasText: 'Close Menu' }).click();
  await menu.waitFor({ state: 'detached' });

  // The Control Centre again: now it offers the hang-up of the entry.
  await icon.click();
  await centre.waitFor();
  await centre.locator('[data-id="1015"]', { hasText: 'ISP' }).waitFor();
  assert.equal(await connect.textContent(), '  Disconnect');
  await connect.click();
  await page.locator(`#tray .tray-icon[title="${AVAILABLE}"]`).waitFor();
  assert.equal(await icon.getAttribute('data-icon'), offlineIcon);
});
