// The administration utility on the browser desktop: the support module's
// tray icon with its plain and extended popups, and the Remote
// Configuration Utility driven through its menu bar, an accelerator, the
// location chooser and the password box.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { mkdirSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { Desktop, SUPPORT_CLASS, SUPPORT_TITLE, bin } from './harness.mjs';

const desk = new Desktop();
after(() => desk.close());


async function popupItems(page, icon) {
  await icon.click({ button: 'right' });
  const menu = page.locator('.popup[data-program="tmadmin32"]');
  await menu.waitFor();
  return { menu, items: await menu.locator('button').allTextContents() };
}

test('support module: tray icon, plain and extended popups', async () => {
  const { support, page, icon } = await desk.startSupportModule();

  let { menu, items } = await popupItems(page, icon);
  assert.deepEqual(items, ['Close Menu', 'Close            Alt+F4']);
  await menu.locator('button', { hasText: 'Close Menu' }).click();
  await menu.waitFor({ state: 'detached' });

  desk.tmctl('call', SUPPORT_CLASS, SUPPORT_TITLE, '1220', '1');  // the main server asks for the extended popup
  ({ menu, items } = await popupItems(page, icon));
  assert.deepEqual(items, [
    'Close Menu', 'Additional mailboxes', 'Mailing/Address lists', 'Scheduled Connections',
    'Mail Filtering/Routing', 'Attachments', 'Administrator window', 'Utilities', 'Maintain Users ',
    'Setup Wizard', 'Configure Server', 'RiziDori Settings', 'User Buttons', 'Close            Alt+F4']);
  await menu.locator('button', { hasText: 'Close            Alt+F4' }).click();
  assert.equal(await support.exited, 0);
  await icon.waitFor({ state: 'detached' });
});

test('Remote Configuration Utility: menu bar, Ctrl+S chooser, Connect password box', async () => {
  const rcuDir = join(desk.root, 'rcu');
  const server = join(desk.root, 'remote');
  mkdirSync(rcuDir);
  mkdirSync(server);
  const stored = desk.tmctl('scramble', 'KQZVRLM', 'opensesame').trim();
  writeFileSync(join(server, 'TMHUB.INI'), `[Environment]\r\nserverpw=${stored}\r\n`);
  desk.startPath(desk.adminLink('tmremote'), { cwd: rcuDir });
  const page = desk.page;

  const dialog = page.locator('section.window[aria-label="Tellmar Remote Configuration Utility"]');
  await dialog.waitFor();
  const state = dialog.locator('[data-id="1247"]');
  assert.equal(await state.textContent(), 'Please set the path to the Tellmar3 installation...');
  assert.deepEqual(await dialog.locator('.menubar button').allTextContents(), ['File', 'Configure', 'View', 'Help']);
  // "&Browse" shows as Browse with its B underlined.
  const browse = dialog.locator('[data-id="1251"]');
  assert.equal(await browse.textContent(), 'Browse');
  assert.equal(await browse.locator('u').textContent(), 'B');

  // Unlocated: Connect is greyed in the File menu.
  await dialog.locator('.menubar button', { hasText: 'File' }).click();
  const file = page.locator('.popup').last();
  assert.equal(await file.locator('button', { hasText: 'Set Tellmar location' }).isDisabled(), false);
  assert.equal(await file.locator('button', { hasText: 'Connect to remote Tellmar' }).isDisabled(), true);
  await page.keyboard.press('Escape');  // closes the menu, not the dialog
  await file.waitFor({ state: 'detached' });
  assert.equal(await dialog.count(), 1);

  // Ctrl+S is the accelerator of "Set Tellmar location".
  await dialog.locator('[data-id="1248"]').focus();
  await page.keyboard.press('Control+s');
  const chooser = page.locator('section.chooser[aria-label="Select Path to Tellmar3 installation"]');
  await chooser.waitFor();
  // The chooser takes the keyboard: the path typed, Enter answers.
  await page.keyboard.press('Control+a');
  await page.keyboard.type(server);
  await page.keyboard.press('Enter');
  await dialog.locator('[data-id="1247"]', { hasText: 'Tellmar3 located...' }).waitFor();
  assert.equal(await dialog.locator('[data-id="1248"]').inputValue(), join(server, 'TMHUB.INI'));

  // Connect asks for the password; a wrong one is refused with a box.
  const enter = async (password, delay = 0) => {
    await dialog.locator('[data-id="1253"]').click();
    const box = page.locator('section.window[aria-label="Enter Password"]');
    await box.waitFor();
    const field = box.locator('input[type="password"]');
    await field.pressSequentially(password, { delay });
    await box.locator('[data-id="1"]').click();
  };
  await enter('wrong');
  const refusal = page.locator('#overlay section.msgbox[aria-label="Password Error"]');
  await refusal.waitFor();
  assert.equal(await refusal.locator('.text').textContent(), 'Invalid password...');
  await page.keyboard.press('Enter');  // the box has the keyboard
  await refusal.waitFor({ state: 'detached' });

  // Typed slowly, so that views come back between the keys: the field keeps
  // what was typed, not the program's mask of it.
  await enter('opensesame', 120);
  await dialog.locator('[data-id="1247"]', { hasText: 'Connected to server...' }).waitFor();
  await dialog.locator('.menubar button', { hasText: 'Configure' }).click();
  const configure = page.locator('.popup').last();
  assert.equal(await configure.locator('button', { hasText: 'Intranet users' }).isDisabled(), false);
});

test('support module: the attachment chooser with its Attachment Type panel', async () => {
  const support = desk.startPath(desk.adminLink());
  const files = join(desk.root, 'attach');
  mkdirSync(files);
  writeFileSync(join(files, 'report.pdf'), 'x');
  const page = desk.page;
  await page.locator('#tray .tray-icon[title="Tellmar support module..."]').waitFor();
  await page.keyboard.press('Escape');  // a menu the test before left open
  await page.locator('.popup').first().waitFor({ state: 'detached' });

  // The main server asks for a file to attach (slot E not "0") and waits.
  const call = desk.startPath(join(bin, 'tmctl'), {}, [
    'call', SUPPORT_CLASS, SUPPORT_TITLE, '--slot', 'A:1225', '--slot', 'B:1226=0', '--slot', 'C:1227',
    '--slot', 'E:1224=1', '--slot', 'F:1223', '--slot', `dir:1233=${files}`, '--wait', 'F=OK,CANCEL', '--timeout', '90', '1735']);
  const chooser = page.locator('section.chooser[aria-label="Select File to to be attached"]');
  await chooser.waitFor();
  const panel = chooser.locator('fieldset.panel');
  assert.equal(await panel.locator('legend').textContent(), 'Attachment Type');
  assert.deepEqual((await panel.locator('label').allTextContents()).map((t) => t.trim()),
    ['MIME Base64', 'MIME Quoted-printable', 'UUencode', 'BinHex']);
  assert.equal(await panel.locator('input').first().isChecked(), true);
  await panel.locator('label', { hasText: 'UUencode' }).click();
  await chooser.locator('input[aria-label="Path"]').fill(join(files, 'report.pdf'));
  await chooser.locator('button', { hasText: 'Attach Now' }).click();

  assert.equal(await call.exited, 0, call.output);
  assert.match(call.output, /^F=OK$/m);
  assert.match(call.output, /^E=3$/m);
  assert.equal(call.output.match(/^B=(.*)$/m)[1], join(files, 'report.pdf'));
  support.kill('SIGTERM');
  await support.exited;
});
