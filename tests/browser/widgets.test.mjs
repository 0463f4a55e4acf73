// Every widget kind of the gallery renders in Chromium and reports its events;
// the HTML view shows its page with the style sheet and picture and reports
// link taps, the context menu, scrolling and the selection.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';
import path from 'node:path';

import { Gallery, ensureArtifacts, launchBrowser, loadPlaywright, settled } from './harness.mjs';

const playwright = loadPlaywright();
const NOTIFY = {
  editChange: 0x300,
  setFocus: 0x100,
  comboSel: 1,
  comboEdit: 5,
  listChanged: -101,
  listColumn: -108,
  listActivate: -114,
  treeExpanding: -405,
  treeSel: -402,
  upDown: -722,
  pageActivate: -200,
  link: 1125,
  title: 1128,
  context: 1131,
  complete: 1134,
  scroll: 1150,
  selection: 1151,
};

describe('widget gallery in Chromium', { skip: !playwright && 'playwright-core is not installed' }, () => {
  let browser;
  let context;
  let page;
  let gallery;
  const w = (ctrl) => page.locator(`[data-ctrl="${ctrl}"]`).first();
  const view = () => page.frameLocator('[data-ctrl="118"] iframe');

  before(async () => {
    gallery = await new Gallery(['--hidden-after', '1500']).start();
    browser = await launchBrowser(playwright);
    context = await browser.newContext({ viewport: { width: 240, height: 320 } });
    page = await context.newPage();
    page.setDefaultTimeout(5000);
    await page.goto(gallery.url);
    await settled(page, gallery);
    await gallery.waitEvent({ kind: 'notify', code: NOTIFY.complete });
  });

  after(async () => {
    if (browser) await browser.close();
    if (gallery) await gallery.stop();
  });

  test('every widget kind is drawn at its rectangle', async () => {
    const kinds = await page.evaluate(() => [...document.querySelectorAll('.w')].map((e) => e.className.split(' ')[1]));
    for (const kind of ['w-window', 'w-label', 'w-edit', 'w-button', 'w-check', 'w-radio', 'w-group', 'w-combo',
      'w-updown', 'w-progress', 'w-list', 'w-tree', 'w-picture', 'w-menubar', 'w-html']) {
      assert.ok(kinds.includes(kind), `${kind} is drawn`);
    }
    const box = await w(112).boundingBox();
    assert.deepEqual([box.x, box.y, box.width, box.height], [2, 72, 116, 70]);
    assert.equal(await page.evaluate(() => location.hash), '', 'the token leaves the address bar');
    assert.equal(await w(111).locator('.bar').evaluate((e) => e.style.width), '40%');
    await page.screenshot({ path: path.join(ensureArtifacts(), 'gallery-240x320.png') });
  });

  test('labels, edits, buttons, check boxes and radio buttons report', async () => {
    let from = gallery.mark();
    await w(100).click();
    await gallery.waitEvent({ kind: 'command', code: 100, notify: 0 }, { from });
    from = gallery.mark();
    await w(101).locator('input').click();
    await page.keyboard.type('lzx');
    await gallery.waitEvent({ kind: 'command', code: 101, notify: NOTIFY.setFocus }, { from });
    await gallery.waitEvent({ kind: 'command', code: 101, notify: NOTIFY.editChange }, { from });
    from = gallery.mark();
    await w(103).click();
    await gallery.waitEvent({ kind: 'command', code: 103, notify: 0 }, { from });
    await page.waitForFunction(() => document.querySelector('[data-ctrl="103"] input').checked);
    await w(105).click();
    await page.waitForFunction(() => document.querySelector('[data-ctrl="105"] input').checked &&
      !document.querySelector('[data-ctrl="104"] input').checked);
  });

  test('combo boxes, up-down and progress report', async () => {
    let from = gallery.mark();
    await w(107).locator('select').selectOption({ index: 2 });
    const sel = await gallery.waitEvent({ kind: 'command', code: 107, notify: NOTIFY.comboSel }, { from });
    assert.equal(sel.ctrl, 107);
    from = gallery.mark();
    await w(108).locator('input').fill('reset');
    await gallery.waitEvent({ kind: 'command', code: 108, notify: NOTIFY.comboEdit }, { from });
    from = gallery.mark();
    await w(109).locator('button.up').click();
    const spin = await gallery.waitEvent({ kind: 'notify', code: NOTIFY.upDown }, { from });
    assert.equal(spin.index, 10);
    assert.equal(spin.delta, 1);
    await page.waitForFunction(() => document.querySelector('[data-ctrl="110"]').textContent === '11');
  });

  test('list view: selection, activation and column click with sort arrow', async () => {
    let from = gallery.mark();
    await w(112).locator('.row[data-index="2"]').click();
    const changed = await gallery.waitEvent({ kind: 'notify', code: NOTIFY.listChanged }, { from });
    assert.equal(changed.index, 2);
    from = gallery.mark();
    await w(112).locator('.row[data-index="3"]').dblclick();
    const activated = await gallery.waitEvent({ kind: 'notify', code: NOTIFY.listActivate }, { from });
    assert.equal(activated.index, 3);
    from = gallery.mark();
    await w(112).locator('.col').nth(1).click();
    const column = await gallery.waitEvent({ kind: 'notify', code: NOTIFY.listColumn }, { from });
    assert.equal(column.index, 1);
    // The gallery sorts as the reader's panes do: the same column twice turns the arrow down.
    await page.waitForFunction(() => {
      const img = document.querySelector('[data-ctrl="112"] .col:nth-child(2) img');
      return img && img.getAttribute('src') === '/res/sort-01.svg';
    });
    const first = await w(112).locator('.row[data-index="0"] .cell').nth(1).textContent();
    assert.equal(first, '5');
  });

  test('tree view: expanding changes the images, a tap selects', async () => {
    let from = gallery.mark();
    await w(113).locator('.tree-row').first().locator('.btn').click();
    const expanding = await gallery.waitEvent({ kind: 'notify', code: NOTIFY.treeExpanding }, { from });
    assert.equal(expanding.flag, true);
    await page.waitForFunction(() => document.querySelectorAll('[data-ctrl="113"] .tree-row').length === 3);
    assert.equal(await w(113).locator('.tree-row').first().locator('img').getAttribute('src'), '/res/contents-01.svg');
    from = gallery.mark();
    await w(113).locator('.tree-row', { hasText: 'Folder' }).locator('.text').click();
    const selected = await gallery.waitEvent({ kind: 'notify', code: NOTIFY.treeSel }, { from });
    assert.ok(selected.item > 0);
    await page.waitForFunction(() => document.querySelector('[data-ctrl="113"] .tree-row.selected .text')?.textContent === 'Folder');
  });

  test('picture, menu bar buttons and the File drop-down', async () => {
    let from = gallery.mark();
    await w(114).click();
    await gallery.waitEvent({ kind: 'command', code: 114 }, { from });
    from = gallery.mark();
    await page.locator('.mb[data-cmd="304"]').click();
    await gallery.waitEvent({ kind: 'command', code: 304 }, { from });
    assert.equal(await page.locator('.mb[data-cmd="303"]').isDisabled(), true);
    assert.equal(await page.locator('.mb[data-cmd="999"]').isVisible(), false);
    assert.equal(await page.locator('.mb[data-cmd="305"]').getAttribute('title'), 'Home');
    from = gallery.mark();
    await page.locator('.mb[data-cmd="401"]').click();
    await page.locator('.popup .item', { hasText: 'Open' }).click();
    await gallery.waitEvent({ kind: 'command', code: 1031 }, { from });
    await page.waitForFunction(() => !document.querySelector('.popup'));
    // Open runs the file dialog: browse into the pages' folder and choose one.
    const dialog = page.locator('.w-dialog', { hasText: 'Open' }).last();
    await dialog.locator('.row', { hasText: '0/' }).dblclick();
    await dialog.locator('.row', { hasText: 'script.htm' }).click();
    await page.waitForFunction(() => document.querySelector('[data-ctrl="1103"] input')?.value === 'script.htm');
    await dialog.locator('.w-button button', { hasText: 'OK' }).click();
    const opened = await gallery.waitLine((l) => l.startsWith('OPEN '), { from });
    assert.equal(opened, `OPEN ${gallery.root}/0/script.htm`);
  });

  test('message box and dialog are modal overlays that return their values', async () => {
    let from = gallery.mark();
    await w(102).locator('button').click();
    const box = page.locator('.w-dialog', { hasText: "Can't create temporary folder" });
    await box.waitFor();
    assert.equal(await box.locator('.caption').textContent(), 'Startup error');
    assert.equal(await box.locator('.icon.error').count(), 1);
    // Behind the overlay nothing can be tapped.
    await page.mouse.click(10, 10);  // on the label behind the shade
    await box.locator('.w-button button', { hasText: 'OK' }).click();
    await gallery.waitLine((l) => l === 'MSGBOX 1', { from });
    from = gallery.mark();
    await w(115).locator('button').click();
    const dialog = page.locator('.w-dialog', { hasText: 'Topics Found' });
    await dialog.waitFor();
    await dialog.locator('.row', { hasText: 'Second topic' }).click();
    await dialog.locator('.w-button button', { hasText: 'Display' }).click();
    await gallery.waitLine((l) => l === 'DIALOG 1 1', { from });
    await page.waitForFunction(() => !document.querySelector('.modal-shade'));
    assert.equal(gallery.lines.slice(from).some((l) => l.includes('"code":100,')), false, 'the label behind got no tap');
  });

  test('property sheet switches pages', async () => {
    const from = gallery.mark();
    await w(116).locator('button').click();
    const sheet = page.locator('.w-sheet');
    await sheet.waitFor();
    await sheet.locator('.tab', { hasText: 'Search' }).click();
    await gallery.waitEvent({ kind: 'notify', code: NOTIFY.pageActivate, index: 2 }, { from });
    await sheet.locator('.w-check', { hasText: 'Option on Search' }).waitFor();
    await sheet.locator('.w-button button', { hasText: 'OK' }).click();
    await gallery.waitLine((l) => l === 'SHEET 1 2', { from });
  });

  test('keys reach the program with the platform codes', async () => {
    // A tap gives the list the focus in the program too, so the page keeps it there.
    await w(112).locator('.row[data-index="0"]').click();
    await page.waitForFunction(() => document.activeElement === document.querySelector('[data-ctrl="112"]'));
    await new Promise((r) => setTimeout(r, 200));
    const from = gallery.mark();
    await page.keyboard.press('F2');
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('a');
    const list = Number(await w(112).getAttribute('data-id'));
    await gallery.waitEvent({ kind: 'keydown', code: 113, window: list }, { from });
    await gallery.waitEvent({ kind: 'keydown', code: 40, window: list }, { from });
    await gallery.waitEvent({ kind: 'keyup', code: 65, window: list }, { from });
  });

  test('the HTML view shows the page with its style sheet and picture', async () => {
    const frame = view();
    const color = await frame.locator('h1').evaluate((e) => getComputedStyle(e).color);
    assert.equal(color, 'rgb(0, 80, 160)');
    const width = await frame.locator('#pic').evaluate((e) => e.naturalWidth);
    assert.equal(width, 48);
    const state = await gallery.state();
    assert.equal(state.title, 'Gallery page');
    assert.equal(state.loading, false);
  });

  test('a link tap arrives in file:// form and does not navigate', async () => {
    let from = gallery.mark();
    await view().locator('#inside').click();
    const inside = await gallery.waitEvent({ kind: 'notify', code: NOTIFY.link }, { from });
    assert.equal(inside.data, `file://${gallery.root}/0/second page.htm#part2`);
    from = gallery.mark();
    await view().locator('#outside').click();
    const outside = await gallery.waitEvent({ kind: 'notify', code: NOTIFY.link }, { from });
    assert.equal(outside.data, 'http://example.invalid/outside.htm');
    const frameUrl = await page.locator('[data-ctrl="118"] iframe').evaluate((f) => f.src);
    assert.ok(frameUrl.endsWith('/0/index.htm'), frameUrl);
    assert.equal(await view().locator('h1').textContent(), 'Gallery page');
  });

  test('the context menu over a picture reports the image', async () => {
    let from = gallery.mark();
    await view().locator('#pic').click({ button: 'right' });
    const menu = await gallery.waitEvent({ kind: 'notify', code: NOTIFY.context }, { from });
    assert.equal(menu.param, 2);
    assert.equal(menu.data, `file://${gallery.root}/0/images/picture.svg`);
    const frameBox = await page.locator('[data-ctrl="118"]').boundingBox();
    assert.ok(menu.y >= frameBox.y, 'the point is on the screen, inside the view');
    await page.locator('.popup .item', { hasText: 'Select All' }).click();
    await gallery.waitEvent({ kind: 'command', code: 800 }, { from });
    from = gallery.mark();
    await view().locator('h1').click({ button: 'right' });
    const text = await gallery.waitEvent({ kind: 'notify', code: NOTIFY.context }, { from });
    assert.equal(text.param, 0);
    assert.equal(text.data, '');
    await page.locator('.popup').waitFor();
    await page.keyboard.press('Escape');
    await page.waitForFunction(() => !document.querySelector('.popup'));
  });

  test('scroll information follows scrolling', async () => {
    let from = gallery.mark();
    gallery.command('scroll 500');
    await gallery.waitEvent({ kind: 'notify', code: NOTIFY.scroll }, { from });
    let state = await gallery.state();
    assert.equal(state.vertical[3], 500);
    assert.ok(state.vertical[1] > state.vertical[2], 'the page is taller than the view');
    from = gallery.mark();
    await page.locator('[data-ctrl="118"]').hover();
    await page.mouse.wheel(0, 200);
    await page.waitForFunction(() => true);
    await gallery.waitEvent({ kind: 'notify', code: NOTIFY.scroll }, { from });
    await new Promise((r) => setTimeout(r, 300));
    state = await gallery.state();
    assert.ok(state.vertical[3] > 500, `scrolled on: ${state.vertical}`);
    from = gallery.mark();
    gallery.command('anchor chmv_search');
    await gallery.waitEvent({ kind: 'notify', code: NOTIFY.scroll }, { from });
    state = await gallery.state();
    assert.ok(state.vertical[3] > 1000, `at the anchor: ${state.vertical}`);
  });

  test('the selection is known to the program', async () => {
    const from = gallery.mark();
    gallery.command('selectall');
    await gallery.waitEvent({ kind: 'notify', code: NOTIFY.selection, flag: true }, { from });
    const state = await gallery.state();
    assert.equal(state.selection, true);
    assert.ok(state.selected.includes('found word'));
  });

  test('a target outside the book opens in a new tab when the program asks', async () => {
    const opened = context.waitForEvent('page', { timeout: 5000 }).catch(() => null);
    gallery.command('open about:blank#outside');
    // A browser that blocks the pop-up gets the link offered instead.
    const tab = await opened;
    if (tab) {
      assert.ok(tab.url().startsWith('about:blank'));
      assert.equal(await page.locator('.notice').count(), 0);
      await tab.close();
    } else {
      await page.locator('.notice a').waitFor();
    }
  });

  test('a reload of the page keeps working without the token in the address', async () => {
    await page.reload();
    await settled(page, gallery);
    const from = gallery.mark();
    await w(100).click();
    await gallery.waitEvent({ kind: 'command', code: 100 }, { from });
  });

  test('a resize gives the display-change event', async () => {
    const from = gallery.mark();
    await page.setViewportSize({ width: 1280, height: 800 });
    await gallery.waitEvent({ kind: 'settingchange', code: 0x3002, x: 1280, y: 800 }, { from });
    await page.waitForFunction(() => {
      const e = document.querySelector('[data-ctrl="112"]');
      return e && e.style.width === '232px';
    });
    const state = await gallery.state();
    assert.equal(state.scale, 2);
    await settled(page, gallery);
    await page.screenshot({ path: path.join(ensureArtifacts(), 'gallery-1280x800.png') });
  });

  test('a repaint during a long operation reaches the page at once', async () => {
    const from = gallery.mark();
    gallery.command('long');
    await page.waitForFunction(() => document.getElementById('screen').classList.contains('busy'));
    await page.waitForFunction(() => document.querySelector('[data-ctrl="111"] .bar').style.width === '50%');
    assert.equal(gallery.lines.slice(from).includes('LONG DONE'), false, 'seen while the operation still runs');
    await gallery.waitLine((l) => l === 'LONG DONE', { from });
    await page.waitForFunction(() => !document.getElementById('screen').classList.contains('busy'));
  });

  test('the window counts as hidden when no page is connected', async () => {
    const from = gallery.mark();
    await page.close();
    await gallery.waitLine((l) => l === 'HIDDEN', { from, timeout: 8000 });
    assert.equal(await gallery.exited, 0);
  });
});
