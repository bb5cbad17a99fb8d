// User administration on the browser desktop: a user added as a person
// would (refused once, corrected, saved), and the mail status window
// showing a message that arrives.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { mkdirSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { Desktop, SUPPORT_CLASS, SUPPORT_TITLE, bin } from './harness.mjs';

const desk = new Desktop();
after(() => desk.close());


test('add a user: the validation box, the correction, the saved record', async () => {
  for (const dir of ['ROOT', 'ANNA']) mkdirSync(join(desk.server, dir));
  writeFileSync(join(desk.server, 'tmhub.ini'),
    '[Environment]\r\nDomain=office.example\r\n' +
    '[USER0]\r\nrealname=(System Postmaster)\r\nID=root\r\nDIR=ROOT\r\npw=\r\n' +
    '[USER1]\r\nrealname=Anna Example\r\nID=anna\r\nDIR=ANNA\r\npw=x\r\n');
  const { page } = await desk.startSupportModule();

  const call = desk.startPath(join(bin, 'tmctl'), {}, ['call', SUPPORT_CLASS, SUPPORT_TITLE, '--slot', 'F:1223', '1828']);
  const dialog = page.locator('section.window[aria-label="Maintain network users"]');
  await dialog.waitFor();
  assert.deepEqual(await dialog.locator('[data-id="1049"] [role="option"]').allTextContents(),
    ['(System Postmaster)', 'Anna Example']);

  await dialog.locator('[data-id="1071"]').click();  // Add
  const field = (id) => dialog.locator(`[data-id="${id}"]`);
  // Typing into a field the page still shows greyed would go nowhere.
  await dialog.locator('[data-id="1088"]:enabled').waitFor();
  await field(1088).pressSequentially('Bob Builder');
  await field(1103).pressSequentially('bob');
  await field(1104).pressSequentially('bob');
  await field(1068).click();  // Save without a password
  const refusal = page.locator('#overlay section.msgbox[aria-label="Mailbox password not entered"]');
  await refusal.waitFor();
  assert.equal(await refusal.locator('.text').textContent(),
    'Please enter a password to allow this user to access their mailbox...');
  await page.keyboard.press('Enter');
  await refusal.waitFor({ state: 'detached' });

  await field(1109).pressSequentially('can-do!');
  assert.equal(await field(1109).getAttribute('type'), 'password');
  await field(1068).click();
  await dialog.locator('[data-id="1049"] [role="option"]', { hasText: 'Bob Builder' }).waitFor();
  assert.equal(await field(1103).inputValue(), 'bob@office.example');
  await field(2).click();  // Close
  assert.equal(await call.exited, 0, call.output);
  assert.match(call.output, /^F=OK$/m);
  assert.equal(desk.tmctl('ini', 'get', join(desk.server, 'tmhub.ini'), 'USER2', 'DIR').trim(), 'bob');
});

test('the mail status window shows a delivered message after the refresh', async () => {
  const page = desk.page;
  desk.tmctl('call', SUPPORT_CLASS, SUPPORT_TITLE, '1837', '0', '1');
  const win = page.locator('section.window[aria-label^="Tellmar3 - mail status at "]');
  await win.waitFor();
  const anna = win.locator('[role="option"]', { hasText: 'Anna Example' });
  assert.deepEqual(await anna.locator('span').allTextContents(),
    ['USER1', 'Anna Example', '0', 'No mail waiting to be sent']);

  const message = join(desk.root, 'note.eml');
  writeFileSync(message, 'Subject: hello\r\n\r\nhi\r\n');
  desk.tmctl('deliver', desk.server, 'anna', '--from', 'x@example.com', message);
  desk.tmctl('call', SUPPORT_CLASS, SUPPORT_TITLE, '1838');
  await win.locator('[role="option"]', { hasText: 'Anna Example' }).locator('span', { hasText: /^1$/ }).waitFor();

  await win.locator('[data-id="2"]').click();  // Close hides it in the support module
  await win.waitFor({ state: 'detached' });
});
