// The POP3 server as a person sees it on the browser desktop: its tray icon,
// the status dialog with the activity log, the tray menu and Disconnect.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import net from 'node:net';
import { Desktop, freePort, waitFor } from './harness.mjs';

const desk = new Desktop();
after(() => desk.close());

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
  await new Promise((resolve, reject) => {
    const s = net.connect(port, '127.0.0.1', () => { s.write('QUIT\r\n'); });
    s.on('data', () => {});
    s.on('close', resolve);
    s.on('error', reject);
  });

  await icon.dblclick();
  const dialog = page.locator('section.window[aria-label="Tellmar 32bit POP3 Server"]');
  await dialog.waitFor();
  await dialog.locator('.item', { hasText: 'Pop Server: Waiting for connection on port' }).waitFor();
  await dialog.locator('.item', { hasText: 'Pop Server: 127.0.0.1 Connected' }).waitFor();

  await icon.click({ button: 'right' });
  const menu = page.locator('.popup[data-program="cvpopd32"]');
  await menu.waitFor();
  assert.deepEqual(await menu.locator('button').allTextContents(), ['Close Menu', 'Restore', 'Disconnect']);
  await menu.locator('button', { hasText: 'Disconnect' }).click();

  assert.equal(await server.exited, 0);
  await icon.waitFor({ state: 'detached' });
});
