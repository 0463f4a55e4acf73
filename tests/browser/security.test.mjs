// What a book page can and cannot do: with scripting off its scripts do not run
// (the view script still does); with scripting on it still cannot read the UI's
// token, post events, read the UI origin or replace the reader's page.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { Gallery, launchBrowser, loadPlaywright, settled } from './harness.mjs';

const playwright = loadPlaywright();
const TITLE = 1128;

describe('book pages in the HTML view', { skip: !playwright && 'playwright-core is not installed' }, () => {
  let browser;
  let page;
  let gallery;

  before(async () => {
    gallery = await new Gallery().start();
    browser = await launchBrowser(playwright);
    page = await (await browser.newContext({ viewport: { width: 240, height: 320 } })).newPage();
    page.setDefaultTimeout(5000);
    await page.goto(gallery.url);
    await settled(page, gallery);
    await gallery.waitEvent({ kind: 'notify', code: 1134 });
  });

  after(async () => {
    if (browser) await browser.close();
    if (gallery) await gallery.stop();
  });

  const frame = () => page.frameLocator('[data-ctrl="118"] iframe');

  async function load(file) {
    const from = gallery.mark();
    gallery.command(`load 0/${file}`);
    await gallery.waitEvent({ kind: 'notify', code: 1134 }, { from, timeout: 8000 });
    return from;
  }

  test('with scripting off a book script does not run, the view script does', async () => {
    gallery.command('scripting 0');
    const from = await load('script.htm');
    const titles = gallery.lines.slice(from).filter((l) => l.includes(`"code":${TITLE},`)).map((l) => JSON.parse(l.slice(6)).text);
    assert.ok(titles.length > 0, 'the view script reported the title');
    assert.ok(titles.every((t) => t === 'Script page'), titles.join(', '));
    assert.equal(await frame().locator('#p').textContent(), 'Script page');
  });

  test('with scripting on the same page runs its script', async () => {
    gallery.command('scripting 1');
    await load('script.htm');
    assert.equal(await frame().locator('#p').textContent(), 'SCRIPT RAN');
  });

  test('a page that navigates by itself is reported and stays', async () => {
    gallery.command('scripting 1');
    const from = await load('wander.htm');
    const about = await gallery.waitEvent({ kind: 'notify', code: 1133 }, { from });
    assert.equal(about.data, `file://${gallery.root}/0/index.htm#top`);
    await new Promise((r) => setTimeout(r, 200));
    assert.equal(await frame().locator('#w').textContent(), 'stay');
  });

  test('a page from the content origin cannot reach the UI or its token', async () => {
    gallery.command('scripting 1');
    const from = gallery.mark();
    gallery.command('load 0/attack.htm');
    const line = await gallery.waitLine((l) => l.startsWith('EVENT ') && l.includes('ATTACK {'), { from, timeout: 8000 });
    const found = JSON.parse(JSON.parse(line.slice(6)).text.slice('ATTACK '.length));
    assert.equal(found.parentUrl, 'blocked');
    assert.ok(!found.referrer.includes(gallery.token), 'no token in the referrer');
    assert.ok(!found.cookie.includes(gallery.token));
    assert.notEqual(found.post, 204, 'no event was accepted');
    assert.ok(found.post === 'blocked' || found.post === 403, String(found.post));
    assert.ok(found.state === 'blocked' || found.state === 403, String(found.state));
    assert.equal(found.page, 'blocked', 'the UI page cannot be read from the content origin');
    // The reader's page is still there and was never replaced.
    assert.equal(new URL(page.url()).port, String(gallery.port));
    await settled(page, gallery);
    assert.equal(await page.locator('.w-menubar').count(), 1);
    const taps = gallery.lines.slice(from).filter((l) => l.includes('"kind":"stylusdown"'));
    assert.deepEqual(taps, []);
  });

  test('the UI refuses requests without the token or from another origin', async () => {
    const api = `http://127.0.0.1:${gallery.port}/api/state`;
    const results = await page.evaluate(async ([url, token]) => {
      const noToken = (await fetch(url)).status;
      const wrong = (await fetch(url, { headers: { 'X-Pgwk-Token': '0'.repeat(32) } })).status;
      const right = (await fetch(url, { headers: { 'X-Pgwk-Token': token } })).status;
      return { noToken, wrong, right };
    }, [api, gallery.token]);
    assert.deepEqual(results, { noToken: 403, wrong: 403, right: 200 });
    // A page of the content origin opened on its own gets nothing outside the folder.
    const other = await page.context().newPage();
    const response = await other.goto(`${gallery.content}/etc/passwd`);
    assert.equal(response.status(), 403);
    await other.close();
  });
});
