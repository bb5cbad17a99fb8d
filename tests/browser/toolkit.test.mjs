// List rows with their look, the print dialog and the progress window on the
// browser desktop, shown by the test-only program that uses them.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync, mkdirSync } from 'node:fs';
import { join } from 'node:path';
import { Desktop, waitFor } from './harness.mjs';

const desk = new Desktop();
after(() => desk.close());

test('coloured rows with icons, Ctrl+click, printing to a PDF file, progress', async () => {
  desk.start('toolkit_sample', ['--steps', '600']);
  await desk.startDesk();
  const page = await desk.openPage();
  const win = page.locator('section.window[aria-label="Toolkit Sample"]');
  await win.waitFor();

  const list = win.locator('[data-id="1000"]');
  const anna = list.locator('.item', { hasText: 'Anna Smith' });
  await anna.waitFor();
  assert.equal(await anna.evaluate((n) => getComputedStyle(n).color), 'rgb(255, 0, 0)');
  assert.equal(await anna.locator('.row-icon').getAttribute('data-icon'), '201');
  const root = list.locator('.item', { hasText: 'Root user' });
  assert.equal(await root.evaluate((n) => getComputedStyle(n).fontWeight), '700');
  assert.equal(await list.locator('.item', { hasText: 'Bob Jones' }).locator('.row-icon').count(), 1);

  // A click and a Ctrl+click select both rows.
  await anna.click();
  await list.locator('.item.sel', { hasText: 'Anna Smith' }).waitFor();
  await root.click({ modifiers: ['Control'] });
  await list.locator('.item.sel', { hasText: 'Root user' }).waitFor();
  assert.equal(await list.locator('.item.sel').count(), 2);
  const handle = (await win.getAttribute('data-hwnd'));
  await waitFor('the program to have both rows selected',
    () => desk.tmctl('ui', 'tree', handle).includes(' selected=0,2'));

  // Print to a PDF file from the print dialog.
  await win.locator('[data-id="1001"]').click();
  const dialog = page.locator('#overlay section.chooser.print');
  await dialog.waitFor();
  await dialog.locator('select').selectOption('Print to file (PDF)');
  const out = join(desk.root, 'out', 'rows.pdf');
  mkdirSync(join(desk.root, 'out'));
  await dialog.locator('input').fill(out);
  await dialog.locator('button', { hasText: 'OK' }).click();
  await dialog.waitFor({ state: 'detached' });
  await win.locator('[data-id="1003"]', { hasText: 'Printed on ' + out }).waitFor();
  assert.ok(existsSync(out));
  const text = execFileSync('pdftotext', ['-layout', out, '-'], { encoding: 'utf8' });
  assert.deepEqual(text.split('\n').map((l) => l.trim().replace(/\s+/g, ' ')).filter((l) => l), [
    'Toolkit sample rows', 'ANNA Anna Smith 3', 'BOB Bob Jones 0', 'ROOT Root user 12']);

  // A long operation shows its progress window until Cancel.
  await win.locator('[data-id="1002"]').click();
  const progress = page.locator('section.window[aria-label="Moving messages"]');
  await progress.waitFor();
  await progress.locator('.ctl.progress').waitFor();
  await progress.locator('[data-id="1003"]', { hasText: /Message \d+ of 600/ }).waitFor();
  await progress.locator('[data-id="2"]').click();
  await progress.waitFor({ state: 'detached' });
  await win.locator('[data-id="1003"]', { hasText: 'Cancelled at' }).waitFor();
});
