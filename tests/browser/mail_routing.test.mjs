// The filter editor of the "Mail routing" sheet used as a person would on
// the browser desktop: opened from the support module's tray popup, a rule
// switched off with a double click (its row icon changing with it), a new rule made through the name
// dialog, a chain-ending action, and OK writing tmhub.ini.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { Desktop, SUPPORT_CLASS, SUPPORT_TITLE, waitFor } from './harness.mjs';

const desk = new Desktop();
after(() => desk.close());

const JUNK = 'Junk^1^1^0^0^2^0^free money^0^0^0^^3^Delete message from system...^0^No action specified...^0^' +
  'No action specified...^0^No action specified...^0^No action specified...^';

function rules() {
  const text = readFileSync(join(desk.server, 'tmhub.ini'), 'latin1');
  return [...text.matchAll(/^PRI(\d+)=(.*)$/gim)].map((m) => m[2].replace(/\r$/, '').split('^'));
}

test('filters: switch one off, make one with a chain-ending action, OK stores them', async () => {
  writeFileSync(join(desk.server, 'tmhub.ini'), `[Environment]\r\nDomain=x.org\r\n[MAILFILTERS]\r\nPRI0=${JUNK}\r\n`);
  const { page, icon } = await desk.startSupportModule();
  desk.tmctl('call', SUPPORT_CLASS, SUPPORT_TITLE, '1220', '1');  // the extended popup
  await icon.click({ button: 'right' });
  const menu = page.locator('.popup[data-program="tmadmin32"]');
  await menu.locator('button', { hasText: 'Mail Filtering/Routing' }).click();

  const sheet = page.locator('section.window[aria-label="Mail routing"]');
  await sheet.waitFor();
  const rows = sheet.locator('[data-id="1001"] [role="option"]');
  assert.equal(await rows.count(), 1);
  assert.equal(await sheet.locator('[data-id="1008"]').textContent(), 'Junk');
  const colour = async () => rows.first().getAttribute('data-color');
  const before = await colour();
  // The row's state icon is drawn as a picture: active external mail, then inactive.
  const rowIcon = rows.first().locator('img.row-icon');
  assert.equal(await rowIcon.getAttribute('src'), '/icon-621.svg');
  await waitFor('the row icon to load', () => rowIcon.evaluate((img) => img.complete && img.naturalWidth > 0));
  await rows.first().dblclick();
  await waitFor('the row to turn red', async () => (await colour()) !== before);
  await waitFor('the inactive icon', async () => (await rowIcon.getAttribute('src')) === '/icon-624.svg');

  await sheet.locator('[data-id="1005"]').click();  // New
  const named = page.locator('section.window[aria-label="Create New Filter"]');
  await named.waitFor();
  await named.locator('[data-id="1041"]').fill('Newsletters');
  await named.locator('[data-id="1"]').click();
  await named.waitFor({ state: 'detached' });
  await waitFor('the new row', async () => (await rows.count()) === 2);
  assert.equal(await sheet.locator('[data-id="1020"]').isDisabled(), true, 'no condition text: no actions');

  await sheet.locator('[data-id="1015"]').pressSequentially('unsubscribe');
  const first = sheet.locator('[data-id="1020"]');
  await waitFor('the actions to open', async () => !(await first.isDisabled()));
  await first.selectOption({ label: 'Kill message' });
  await waitFor('the slots after a kill to close', async () => sheet.locator('[data-id="1021"]').isDisabled());
  assert.equal(await sheet.locator('[data-id="1025"]').textContent(), 'Delete message from system...');

  await sheet.locator('button[data-id="1"]').click();  // OK
  await sheet.waitFor({ state: 'detached' });
  await waitFor('the rules in tmhub.ini', () => rules().length === 2);
  const [junk, news] = rules();
  assert.equal(junk[0], 'Junk');
  assert.equal(junk[2], '2', 'switched off');
  assert.deepEqual([news[0], news[1], news[2], news[7], news[12], news[13]],
    ['Newsletters', '3', '1', 'unsubscribe', '3', 'Delete message from system...']);
  assert.equal(news[14], '0');
});
