// The browser desktop serves nothing without its token, and the page shows
// what it is given as text.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { Desktop } from './harness.mjs';

const desk = new Desktop();
after(() => desk.close());

test('a request without the token gets nothing', async () => {
  await desk.startDesk();
  for (const path of ['/desk.js', '/api/view', '/desk.css']) {
    const res = await fetch(desk.base + path, { redirect: 'manual' });
    assert.equal(res.status, 403, path);
    assert.equal(await res.text(), '', path);
  }
  // The page's own address says how to open the desktop, and holds nothing else.
  const token = desk.url.match(/token=(\w+)/)[1];
  for (const path of ['/', '/?token=0000']) {
    const res = await fetch(desk.base + path, { redirect: 'manual' });
    assert.equal(res.status, 403, path);
    const text = await res.text();
    assert.match(text, /Open the address that <code>tmdesk<\/code> printed/, path);
    assert.doesNotMatch(text, /<script|"windows"/, path);
    assert.ok(!text.includes(token), path);
  }
  const post = await fetch(desk.base + '/api/action', { method: 'POST', body: '{"kind":"click","hwnd":1}' });
  assert.equal(post.status, 403);
});

test('the token opens the page, which then keeps it as a cookie', async () => {
  const page = await desk.openPage();
  assert.equal(new URL(page.url()).search, '', 'the token leaves the address bar');
  await page.waitForSelector('#status:text("connected")');
  const again = await page.request.get(desk.base + '/api/view');
  assert.equal(again.status(), 200);
  const view = await again.json();
  assert.deepEqual(view.windows, []);
});
