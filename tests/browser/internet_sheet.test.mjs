// The server configuration sheet used as a person would on the browser
// desktop: opened from the support module's tray popup ("Configure Server"),
// the connection type switched to internal mail only (which greys the
// dial-up page), a gateway added on "Outgoing mail", and Apply writing
// tmhub.ini while the sheet stays open.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { Desktop, SUPPORT_CLASS, SUPPORT_TITLE, waitFor } from './harness.mjs';

const desk = new Desktop();
after(async () => {
  // The dial-up page started Dialwick, which outlives the support module.
  try { desk.tmctl('call', 'CorvDunHandler', 'Corvane DUN32', '1233'); } catch { /* not running */ }
  await desk.close();
});

const settings = () => readFileSync(join(desk.server, 'tmhub.ini'), 'latin1');

test('server configuration: switch to internal mail, add a gateway, Apply', async () => {
  writeFileSync(join(desk.server, 'tmhub.ini'),
    '[NetConnections]\r\nNetMailOnly=0\r\nUse95DUN=-1\r\n[Netmailserver]\r\nMailserver0=smtp.example\r\n');
  writeFileSync(desk.env.TELLMAR_PHONEBOOK, '[ISP]\r\nPassword=a\r\n');
  const { page, icon } = await desk.startSupportModule();
  desk.tmctl('call', SUPPORT_CLASS, SUPPORT_TITLE, '1220', '1');  // the extended popup
  await icon.click({ button: 'right' });
  await page.locator('.popup[data-program="tmadmin32"] button', { hasText: 'Configure Server' }).click();

  const sheet = page.locator('section.window[aria-label="Server configuration"]');
  await sheet.waitFor();
  const tab = (name) => sheet.locator('[role="tab"]', { hasText: name });
  assert.equal(await sheet.locator('[role="tab"]').count(), 7);
  assert.equal(await tab('Select connection type').getAttribute('aria-selected'), 'true');

  await sheet.getByText('Support Internal email only !').click();
  await waitFor('the hint line', async () =>
    (await sheet.getByText('Internal mail support only selected - DUN connection is disabled ...').count()) === 1);
  const apply = sheet.locator('button[data-id="12321"]');
  await waitFor('Apply to be enabled', async () => !(await apply.isDisabled()));

  await tab('Configure dialup networking').click();
  await sheet.getByText('Dial-up is disabled as you have internal mail or TCP connection selected...').waitFor();
  assert.equal(await sheet.locator('[data-id="1012"]').isDisabled(), true, 'the phonebook list is greyed');

  await tab('Outgoing mail').click();
  await sheet.locator('[data-id="1042"]').click();  // Add New Gateway
  const field = sheet.locator('[data-id="1047"]');
  await waitFor('the new gateway field', async () => field.isVisible());
  await field.fill('backup.example');
  await sheet.locator('[data-id="1048"]').click();  // Save New Gateway
  const rows = sheet.locator('[data-id="1040"] [role="option"]');
  await waitFor('the new row', async () => (await rows.count()) === 2);

  await apply.click();
  // Every key, not the first one written: the test reads what Apply wrote as a whole.
  await waitFor('the keys in tmhub.ini', () => [/MAILSERVER1=backup\.example/, /NetMailOnly=1\r\n/, /Use95DUN=0\r\n/,
    /RemoteUpdate=-1\r\n/].every((key) => key.test(settings())));
  const text = settings();
  assert.match(text, /NetMailOnly=1\r\n/);
  assert.match(text, /Use95DUN=0\r\n/);
  assert.match(text, /RemoteUpdate=-1\r\n/);
  await waitFor('Apply to be disabled again', async () => apply.isDisabled());
  assert.equal(await sheet.count(), 1, 'Apply leaves the sheet open');

  await sheet.locator('button[data-id="2"]').click();  // Cancel
  await sheet.waitFor({ state: 'detached' });
});
