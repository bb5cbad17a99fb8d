// Texts that come from settings files reach the page as text: a server
// directory named like markup shows its name in the Remote Configuration
// Utility and runs nothing.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { mkdirSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { Desktop } from './harness.mjs';

const desk = new Desktop();
after(() => desk.close());

test('a program text holding <script> shows as text', async () => {
  const evil = join(desk.root, '<script>window.pwned=1<img src=x onerror=window.pwned=2>');
  mkdirSync(evil);
  writeFileSync(join(evil, 'tmhub.ini'), '[Environment]\r\n');
  const rcu = join(desk.root, 'rcu');
  mkdirSync(rcu);
  const settings = join(evil, 'tmhub.ini');
  writeFileSync(join(rcu, 'TM3ADMIN.INI'), `[Administration]\r\nServerPath=${settings}\r\nPath=${evil}\r\n`);
  // The utility started under another name is the Remote Configuration Utility.
  const child = desk.startPath(desk.adminLink('tmremote'), { cwd: rcu });
  await desk.startDesk();
  const page = await desk.openPage();
  const dialog = page.locator('section.window[aria-label="Tellmar Remote Configuration Utility"]');
  await dialog.waitFor();
  const field = dialog.locator('input.edit').first();
  await page.waitForFunction(() => [...document.querySelectorAll('input.edit')].some((e) => e.value.includes('<script>')));
  assert.ok((await field.inputValue()).includes('<script>window.pwned=1<img src=x onerror=window.pwned=2>'));
  assert.equal(await page.evaluate(() => window.pwned), undefined);
  assert.equal(await page.locator('#desktop script, #desktop img').count(), 0);
  assert.equal(child.exitCode, null);
});
