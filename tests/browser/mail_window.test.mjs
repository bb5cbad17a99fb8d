// The mail administration window on the browser desktop, used as a person
// would: a folder chosen, a message read, the text switched off and on with
// F6, a new message seen with F5, F9 closing it with its place saved; then
// F3 holding and releasing a message and F4 copying one to a user and moving
// one to the archive.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { existsSync, mkdirSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { Desktop, SUPPORT_CLASS, SUPPORT_TITLE, waitFor } from './harness.mjs';

const desk = new Desktop();
let page;

// The page draws each view afresh, so a field is read again by its locator.
async function waitForValue(field, check) {
  let value;
  await waitFor('the field to change', async () => check(value = await field.inputValue()), 90000)
    .catch((e) => { throw new Error(`the field still reads ${JSON.stringify(value)} (${e.message})`); });
  return value;
}
after(() => desk.close());

test('browse folders and messages with the function keys', async () => {
  for (const dir of ['ROOT', 'ANNA', 'ZOE']) mkdirSync(join(desk.server, dir));
  writeFileSync(join(desk.server, 'tmhub.ini'),
    '[USER0]\r\nrealname=(System Postmaster)\r\nID=root\r\nDIR=ROOT\r\n' +
    '[USER1]\r\nrealname=Zoe Zed\r\nID=zoe\r\nDIR=ZOE\r\n' +
    '[USER2]\r\nrealname=Anna Example\r\nID=anna\r\nDIR=ANNA\r\n');
  writeFileSync(join(desk.server, 'ZOE', '00000002.txt'), 'Subject: for zoe\r\n\r\nHello Zoe\r\n');
  writeFileSync(join(desk.server, 'ZOE', '00000002.env'), 'MAIL FROM: <bob@example.org>\r\nRCPT TO: <zoe@office>\r\n');
  ({ page } = await desk.startSupportModule());

  desk.tmctl('call', SUPPORT_CLASS, SUPPORT_TITLE, '1826');
  const win = page.locator('section.window[aria-label="Administration - Mail Server"]');
  await win.waitFor();
  const folders = win.locator('[data-id="1001"] [role="option"]');
  await folders.filter({ hasText: 'Anna Example' }).waitFor();
  assert.deepEqual((await folders.allTextContents()).slice(0, 3).map((t) => t.trim()),
    ["(User's Folders)", 'ANNAAnna Example', 'ZOEZoe Zed']);

  await folders.filter({ hasText: 'Zoe Zed' }).click();
  const messages = win.locator('[data-id="1003"] [role="option"]');
  await messages.filter({ hasText: '00000002.txt' }).waitFor();
  const text = win.locator('[data-id="1010"]');
  await waitForValue(text, (v) => v.includes('Hello Zoe'));
  assert.equal(await win.locator('[data-id="1004"]').inputValue(), ' <bob@example.org>');

  await messages.first().click();
  await page.keyboard.press('F6');  // the text off
  await waitForValue(text, (v) => v === '');
  await page.keyboard.press('F6');  // and on again
  await waitForValue(text, (v) => v.includes('Hello Zoe'));

  writeFileSync(join(desk.server, 'ZOE', '00000003.txt'), 'Subject: second\r\n\r\nagain\r\n');
  await page.keyboard.press('F5');
  await messages.filter({ hasText: '00000003.txt' }).waitFor();

  await page.keyboard.press('F9');
  await win.waitFor({ state: 'detached' });
  // The page may see the window go before the program has written its place.
  const width = () => desk.tmctl('ini', 'get', join(desk.server, 'tmhub.ini'), 'MSGVIEWER32', 'Width', '');
  await waitFor('the saved width', () => /\d/.test(width()));
  assert.match(width(), /^\d+\s*$/);
});

test('F3 holds and releases, F4 copies to a user and moves to the archive', async () => {
  const zoe = (name) => join(desk.server, 'ZOE', name);
  desk.tmctl('call', SUPPORT_CLASS, SUPPORT_TITLE, '1826');
  const win = page.locator('section.window[aria-label="Administration - Mail Server"]');
  await win.waitFor();
  await win.locator('[data-id="1001"] [role="option"]').filter({ hasText: 'Zoe Zed' }).click();
  const messages = win.locator('[data-id="1003"] [role="option"]');

  await messages.filter({ hasText: '00000002.txt' }).click();
  await page.keyboard.press('F3');
  await waitFor('the lock file', () => existsSync(zoe('00000002.lck')), 30000);
  await win.locator('[data-id="1007"]').waitFor({ state: 'visible' });
  await page.keyboard.press('F3');
  await waitFor('the lock file to go', () => !existsSync(zoe('00000002.lck')), 30000);

  const copyMove = page.locator('section.window[aria-label="Copy/Move 1 message to -"]');
  const target = (name) => copyMove.locator('[data-id="1200"] [role="option"]').filter({ hasText: name });
  await page.keyboard.press('F4');
  await target('Anna Example').click();
  await waitForValue(copyMove.locator('[data-id="1203"]'), (v) => v === 'ANNA');
  await copyMove.locator('[data-id="1205"]').click();  // Copy
  await copyMove.waitFor({ state: 'detached' });
  await waitFor('the copy with its envelope', () =>
    existsSync(join(desk.server, 'ANNA', '00000002.txt')) && existsSync(join(desk.server, 'ANNA', '00000002.env')), 30000);
  assert.ok(existsSync(zoe('00000002.txt')), 'a copy keeps its source');
  assert.ok(!existsSync(join(desk.server, 'ROOT', '00000002.txt')), 'only the chosen target');

  await messages.filter({ hasText: '00000003.txt' }).click();
  await page.keyboard.press('F4');
  await target('(Archive) - Inbound').click();
  await copyMove.locator('[data-id="1206"]').click();  // Move
  await copyMove.waitFor({ state: 'detached' });
  await waitFor('the moved message', () =>
    existsSync(join(desk.server, 'ARCHIVE', 'INBOUND', '00000003.txt')) && !existsSync(zoe('00000003.txt')), 30000);
  await messages.filter({ hasText: '00000003.txt' }).waitFor({ state: 'detached' });
  await page.keyboard.press('F9');
  await win.waitFor({ state: 'detached' });
});
