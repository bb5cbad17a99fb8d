// Starts the real programs on a private desktop and server directory, and
// the browser desktop in front of them, for one test file.
import { spawn, execFileSync } from 'node:child_process';
import { mkdtempSync, mkdirSync, rmSync, chmodSync, existsSync, symlinkSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, dirname } from 'node:path';
import { fileURLToPath } from 'node:url';
import net from 'node:net';
import { chromium } from 'playwright-core';

const repo = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
export const bin = join(process.env.TELLMAR_BUILD_DIR || join(repo, 'build'), 'bin');

// The administration utility's main window, as the main server addresses it.
export const SUPPORT_CLASS = 'CorvVuvedo32Utility';
export const SUPPORT_TITLE = 'Corvane 32 bit Server Utility Module';

// tmctl prints texts with \\ \" \r \n and \t escaped; this undoes them.
export function unescapeTmctl(text) {
  const escapes = { '\\': '\\', '"': '"', r: '\r', n: '\n', t: '\t' };
  return text.replace(/\\([\\"rnt])/g, (_, c) => escapes[c]);
}

export function freePort() {
  return new Promise((resolve, reject) => {
    const s = net.createServer();
    s.listen(0, '127.0.0.1', () => {
      const { port } = s.address();
      s.close(() => resolve(port));
    });
    s.on('error', reject);
  });
}

// The check's first true value, polled until the deadline. The deadline is
// generous: the wait ends as soon as the state is there, and a loaded machine
// can take seconds to start a program or answer a call.
export async function waitFor(what, check, timeoutMs = 30000) {
  const deadline = Date.now() + timeoutMs;
  for (;;) {
    const value = await check();
    if (value) return value;
    if (Date.now() > deadline) throw new Error(`timed out waiting for ${what}`);
    await new Promise((r) => setTimeout(r, 50));
  }
}

export class Desktop {
  constructor() {
    this.root = mkdtempSync(join(tmpdir(), 'tellmar-browser-'));
    this.desktop = join(this.root, 'desktop');
    this.server = join(this.root, 'server');
    this.config = join(this.root, 'config');
    mkdirSync(this.desktop, { mode: 0o700 });
    chmodSync(this.desktop, 0o700);
    mkdirSync(this.server);
    mkdirSync(this.config);
    this.env = {
      ...process.env,
      TELLMAR_DESKTOP: this.desktop,
      TELLMAR_OPERATOR: 'interactive',
      TELLMAR_REGISTRY: join(this.config, 'registry'),
      TELLMAR_PHONEBOOK: join(this.config, 'phonebook.ini'),
      XDG_CONFIG_HOME: this.config,
    };
    this.children = [];
  }

  tmctl(...args) {
    return execFileSync(join(bin, 'tmctl'), args, { env: this.env, encoding: 'latin1' });
  }

  // A control's text as `tmctl ui get` prints it, unescaped.
  uiText(handle, id) {
    return unescapeTmctl(this.tmctl('ui', 'get', handle, id).replace(/\n$/, ''));
  }

  ini(section, key, value) {
    this.tmctl('ini', 'set', join(this.server, 'tmhub.ini'), section, key, String(value));
  }

  start(program, args = [], options = {}) {
    return this.startPath(join(bin, program), options, args);
  }

  // tmadmin32 linked under `name` in a folder of the test's own: the role
  // follows the name it is started under (tmadmin32: the support module,
  // tmremote: the Remote Configuration Utility).
  adminLink(name = 'tmadmin32') {
    mkdirSync(join(this.root, 'bin'), { recursive: true });
    const path = join(this.root, 'bin', name);
    if (!existsSync(path)) symlinkSync(join(bin, 'tmadmin32'), path);
    return path;
  }

  // The support module started, the browser desktop in front of it, and its
  // tray icon on the page.
  async startSupportModule() {
    const support = this.startPath(this.adminLink());
    await this.startDesk();
    const page = await this.openPage();
    const icon = page.locator('#tray .tray-icon[title="Tellmar support module..."]');
    await icon.waitFor();
    return { support, page, icon };
  }

  // A program by its full path (a link under another name, say).
  startPath(path, options = {}, args = []) {
    const child = spawn(path, args, {
      cwd: options.cwd || this.server,
      env: { ...this.env, ...(options.env || {}) },
      stdio: ['ignore', 'pipe', 'pipe'],
    });
    child.output = '';
    child.stdout.on('data', (d) => { child.output += d.toString('latin1'); });
    child.stderr.on('data', (d) => { child.output += d.toString('latin1'); });
    child.exited = new Promise((resolve) => child.on('exit', (code) => resolve(code)));
    this.children.push(child);
    return child;
  }

  async startDesk(args = []) {
    const port = await freePort();
    this.desk = this.start('tmdesk', ['--port', String(port), ...args]);
    const line = await waitFor('tmdesk to print its address', () => {
      const m = this.desk.output.match(/(http:\/\/\S+\?token=\w+)/);
      return m && m[1];
    });
    this.url = line;
    this.base = `http://127.0.0.1:${port}`;
    return line;
  }

  async openPage() {
    this.browser = await chromium.launch({
      executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
      args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
        '--disable-component-update', '--disable-sync'],
    });
    this.page = await this.browser.newPage({ viewport: { width: 1280, height: 860 } });
    // Several builds share two cores: a step may wait long, but never forever.
    this.page.setDefaultTimeout(90000);
    await this.page.goto(this.url);
    return this.page;
  }

  // A picture for the README, when TELLMAR_SCREENSHOTS is set: taken by the
  // tests, so it shows what the page really draws.
  // `what`: a locator, or a clip rectangle of the page.
  async screenshot(name, what) {
    if (!process.env.TELLMAR_SCREENSHOTS) return;
    const path = join(repo, 'docs', name);
    if (what && typeof what.screenshot === 'function') await what.screenshot({ path });
    else await this.page.screenshot({ path, clip: what });
  }

  async close() {
    if (this.browser) await this.browser.close();
    for (const child of this.children) if (child.exitCode === null) child.kill('SIGTERM');
    await Promise.race([Promise.all(this.children.map((c) => c.exited)), new Promise((r) => setTimeout(r, 3000))]);
    for (const child of this.children) if (child.exitCode === null) child.kill('SIGKILL');
    rmSync(this.root, { recursive: true, force: true });
  }
}
