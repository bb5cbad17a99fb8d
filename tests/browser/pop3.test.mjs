// The POP3 server as a person sees it on the browser desktop: its tray icon,
// the status dialog with the activity log, the tray menu and Disconnect.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import net from 'node:net';
import { Desktop, freePort, waitFor } from './harness.mjs';

const desk = new Desktop();
after(() => desk.close());

function connectAndQuit(port) {
  return new Promise((resolve, reject) => {
    const s = net.connect(port, '127.0.0.1', () => { s.write('QUIT\r\n'); });
    s.on('data', () => {});
    s.on('close', resolve);
    s.on('error', reject);
  });
}

test('tray icon, status dialog, menu and Disconnect', async () => {
  const port = await freePort();
  desk.ini('popsrv', 'port', port);
  desk.ini('popsrv', 'bind', 0);
  const server = desk.start('cvpopd32');
  await waitFor('the server to listen', () => server.output.includes('Waiting for connection'));
  await desk.startDesk();
  const page = await desk.openPage();

  const icon = page.locator('#tray .tray-icon[title="Corvane POP3 server"]');
  await icon.waitFor();

  // A connection made now shows in the log.
  await connectAndQuit(port);

  await icon.dblclick();
  const dialog = page.locator('section.window[aria-label="Tellmar 32bit POP3 Server"]');
  await dialog.waitFor();
  await dialog.locator('.item', { hasText: 'Pop Server: Waiting for connection on port' }).waitFor();
  await dialog.locator('.item', { hasText: 'Pop Server: 127.0.0.1 Connected' }).waitFor();
  await desk.screenshot('desktop.png', dialog);

  // More lines than the log list holds in sight: it keeps the newest in view,
  // as the server sets its top line.
  const log = dialog.locator('[data-id="1000"]');
  const before = await log.locator('.item').count();
  for (let i = 0; i < 25; ++i) await connectAndQuit(port);
  await waitFor('the newest line in sight', () => log.evaluate((list, wanted) => {
    const items = list.querySelectorAll('.item');
    if (items.length < wanted) return false;
    const last = items[items.length - 1];
    return list.scrollTop > 0 && last.offsetTop + last.offsetHeight <= list.scrollTop + list.clientHeight + 1;
  }, before + 25));

  await icon.click({ button: 'right' });
  const menu = page.locator('.popup[data-program="cvpopd32"]');
  await menu.waitFor();
  assert.deepEqual(await menu.locator('button').allTextContents(), ['Close Menu', 'Restore', 'Disconnect']);
  await menu.locator('button', { hasText: 'Disconnect' }).click();

  assert.equal(await server.exited, 0);
  await icon.waitFor({ state: 'detached' });
});
