// The mail administration window on the browser desktop, browsed as a
// person would: a folder chosen, a message read, the text switched off and
// on with F6, a new message seen with F5, and F9 closing it with its place
// saved.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { mkdirSync, symlinkSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { Desktop, bin } from './harness.mjs';

const desk = new Desktop();

// The page draws each view afresh, so a field is read again by its locator.
async function waitForValue(field, check) {
  const deadline = Date.now() + 90000;
  for (;;) {
    const value = await field.inputValue();
    if (check(value)) return value;
    if (Date.now() > deadline) throw new Error(`the field still reads ${JSON.stringify(value)}`);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}
after(() => desk.close());

const CLASS = 'CorvVuvedo32Utility';
const SUPPORT_TITLE = 'Corvane 32 bit Server Utility Module';

test('browse folders and messages with the function keys', async () => {
  for (const dir of ['ROOT', 'ANNA', 'ZOE']) mkdirSync(join(desk.server, dir));
  writeFileSync(join(desk.server, 'tmhub.ini'),
    '[USER0]\r\nrealname=(System Postmaster)\r\nID=root\r\nDIR=ROOT\r\n' +
    '[USER1]\r\nrealname=Zoe Zed\r\nID=zoe\r\nDIR=ZOE\r\n' +
    '[USER2]\r\nrealname=Anna Example\r\nID=anna\r\nDIR=ANNA\r\n');
  writeFileSync(join(desk.server, 'ZOE', '00000002.txt'), 'Subject: for zoe\r\n\r\nHello Zoe\r\n');
  writeFileSync(join(desk.server, 'ZOE', '00000002.env'), 'MAIL FROM: <bob@example.org>\r\nRCPT TO: <zoe@office>\r\n');
  mkdirSync(join(desk.root, 'bin'), { recursive: true });
  const path = join(desk.root, 'bin', 'tmadmin32');
  symlinkSync(join(bin, 'tmadmin32'), path);
  desk.startPath(path);
  await desk.startDesk();
  const page = await desk.openPage();
  page.setDefaultTimeout(90000);
  await page.locator('#tray .tray-icon[title="Tellmar support module..."]').waitFor();

  desk.tmctl('call', CLASS, SUPPORT_TITLE, '1826');
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
  assert.match(desk.tmctl('ini', 'get', join(desk.server, 'tmhub.ini'), 'MSGVIEWER32', 'Width'), /^\d+\s*$/);
});
