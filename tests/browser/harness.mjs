// Shared by the browser tests: starts the widget gallery, reads what it logs,
// sends it commands and opens its page in Debian's Chromium.
import { spawn } from 'node:child_process';
import { mkdirSync } from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';

const require = createRequire(import.meta.url);

export const artifacts = process.env.PGWK_ARTIFACTS || path.resolve('artifacts');

export function loadPlaywright() {
  try {
    return require('playwright-core');
  } catch (e) {
    if (process.env.CI === 'true') throw e;
    return null;  // not installed: scripts/install-deps.sh puts it there
  }
}

export const chromiumArgs = [
  '--headless',
  '--no-sandbox',
  '--disable-gpu',
  '--no-first-run',
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
];

export async function launchBrowser(playwright) {
  return playwright.chromium.launch({ executablePath: '/usr/bin/chromium', args: chromiumArgs });
}

// The gallery program, with its log lines as they arrive.
export class Gallery {
  constructor(args = []) {
    const program = process.env.PGWK_GALLERY;
    if (!program) throw new Error('PGWK_GALLERY names the gallery program');
    this.lines = [];
    this.waiters = [];
    this.child = spawn(program, args, { stdio: ['pipe', 'pipe', 'inherit'] });
    this.exited = new Promise((resolve) => this.child.on('exit', (code) => resolve(code)));
    let partial = '';
    this.child.stdout.on('data', (chunk) => {
      partial += chunk.toString('utf8');
      let at;
      while ((at = partial.indexOf('\n')) >= 0) {
        const line = partial.slice(0, at);
        partial = partial.slice(at + 1);
        this.lines.push(line);
        for (const w of this.waiters.slice()) w();
      }
    });
  }

  async start() {
    const url = await this.waitLine((l) => l.startsWith('URL '));
    this.url = url.slice(4);
    this.root = this.value('ROOT');
    this.content = this.value('CONTENT');
    this.token = this.value('TOKEN');
    this.port = Number(new URL(this.url).port);
    this.contentPort = Number(new URL(this.content).port);
    return this;
  }

  value(prefix) {
    const line = this.lines.find((l) => l.startsWith(prefix + ' '));
    return line ? line.slice(prefix.length + 1) : undefined;
  }

  // Resolves with the first line (from `from` on) that the predicate accepts.
  waitLine(accept, { from = 0, timeout = 10000 } = {}) {
    return new Promise((resolve, reject) => {
      let index = from;
      const check = () => {
        while (index < this.lines.length) {
          const line = this.lines[index++];
          if (accept(line)) {
            cleanup();
            resolve(line);
            return;
          }
        }
      };
      const timer = setTimeout(() => {
        cleanup();
        reject(new Error('timed out waiting for a gallery line; last lines:\n' + this.lines.slice(-8).join('\n')));
      }, timeout);
      const cleanup = () => {
        clearTimeout(timer);
        this.waiters = this.waiters.filter((w) => w !== check);
      };
      this.waiters.push(check);
      check();
    });
  }

  // The next logged message matching the fields given (from the current line on
  // unless `from` says otherwise).
  async waitEvent(fields, options = {}) {
    const line = await this.waitLine((l) => {
      if (!l.startsWith('EVENT ')) return false;
      const e = JSON.parse(l.slice(6));
      return Object.entries(fields).every(([k, v]) => (typeof v === 'function' ? v(e[k]) : e[k] === v));
    }, options);
    return JSON.parse(line.slice(6));
  }

  mark() {
    return this.lines.length;
  }

  command(line) {
    this.child.stdin.write(line + '\n');
  }

  async state() {
    const from = this.mark();
    this.command('state');
    const line = await this.waitLine((l) => l.startsWith('STATE '), { from });
    return JSON.parse(line.slice(6));
  }

  async stop() {
    if (this.child.exitCode === null) {
      this.child.stdin.end();
      const timer = setTimeout(() => this.child.kill('SIGKILL'), 5000);
      await this.exited;
      clearTimeout(timer);
    }
  }
}

export function ensureArtifacts() {
  mkdirSync(artifacts, { recursive: true });
  return artifacts;
}

// Waits until the page has drawn the program's state at least up to now.
export async function settled(page, gallery) {
  await page.waitForFunction(() => window.__pgwk && window.__pgwk.version > 0);
  await new Promise((r) => setTimeout(r, 80));
}
