// The setup wizard on the browser desktop, used as a person would: Next
// through the pages, a refusal answered and corrected, Back and Finish.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { existsSync } from 'node:fs';
import { join } from 'node:path';
import { Desktop, SUPPORT_CLASS, SUPPORT_TITLE, bin } from './harness.mjs';

const desk = new Desktop();
after(() => desk.close());

const BACK = 0x3023, NEXT = 0x3024, FINISH = 0x3025;

test('a first installation through the wizard: Next, a refusal, Back and Finish', async () => {
  const { page } = await desk.startSupportModule();

  const call = desk.startPath(join(bin, 'tmctl'), {}, ['call', SUPPORT_CLASS, SUPPORT_TITLE, '--slot', 'B:1226', '1824']);
  const wizard = page.locator('section.window[aria-label^="Setup Wizard - "]');
  const titled = (title) => page.locator(`section.window[aria-label="Setup Wizard - ${title}"]`).waitFor();
  const field = (id) => wizard.locator(`[data-id="${id}"]`);
  await titled('Select domain type');
  assert.equal(await field(BACK).isDisabled(), true, 'the first page offers only Next');

  await field(1047).fill('shop.example');
  await field(NEXT).click();
  await titled('Default server operations');
  await field(NEXT).click();
  await titled('connecting to the Internet');
  await wizard.locator('[data-id="1111"]').click();  // internal mail services only
  await field(NEXT).click();
  await titled('Add initial network user');

  await field(1161).pressSequentially('Anna Example');
  await field(1162).pressSequentially('anna');
  await field(1163).pressSequentially('anna');
  await field(NEXT).click();
  const refusal = page.locator('#overlay section.msgbox[aria-label="User password not completed!"]');
  await refusal.waitFor();
  await page.keyboard.press('Enter');
  await refusal.waitFor({ state: 'detached' });
  await field(1164).pressSequentially('anna-pw');
  await field(NEXT).click();
  await titled('Congratulations!');
  assert.equal(await field(1172).isVisible(), true, 'the internal-only text');

  await field(BACK).click();
  await titled('Add initial network user');
  assert.equal(await field(1161).inputValue(), 'Anna Example', 'what was typed is kept');
  assert.equal(existsSync(join(desk.server, 'tmhub.ini')), false, 'nothing is written before Finish');
  await field(NEXT).click();
  await titled('Congratulations!');
  await field(FINISH).click();
  assert.equal(await call.exited, 0, call.output);
  assert.match(call.output, /^B=OK$/m);
  const ini = join(desk.server, 'tmhub.ini');
  assert.equal(desk.tmctl('ini', 'get', ini, 'NetConnections', 'NetMailOnly').trim(), '1');
  assert.equal(desk.tmctl('ini', 'get', ini, 'USER1', 'DIR').trim(), 'anna');
  assert.equal(existsSync(join(desk.server, 'anna', '00000001.txt')), true, 'the welcome message');
});
