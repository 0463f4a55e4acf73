// A bounded load on loopback: a few thousand requests on the content origin and
// the event endpoint, from this second process, without errors and without the
// server's memory growing.
import assert from 'node:assert/strict';
import http from 'node:http';
import { readFileSync } from 'node:fs';
import { after, before, describe, test } from 'node:test';

import { Gallery } from './harness.mjs';

const CONCURRENCY = 8;

function rssKiB(pid) {
  const status = readFileSync(`/proc/${pid}/status`, 'utf8');
  return Number(/VmRSS:\s+(\d+)/.exec(status)[1]);
}

function request(agent, { port, path, method = 'GET', headers = {}, body }) {
  return new Promise((resolve) => {
    const req = http.request({ host: '127.0.0.1', port, path, method, headers, agent }, (res) => {
      res.resume();
      res.on('end', () => resolve(res.statusCode));
    });
    req.on('error', () => resolve(0));
    req.setTimeout(5000, () => req.destroy());
    if (body) req.write(body);
    req.end();
  });
}

async function run(count, makeRequest) {
  const statuses = new Map();
  let next = 0;
  const worker = async () => {
    while (next < count) {
      const i = next++;
      const status = await makeRequest(i);
      statuses.set(status, (statuses.get(status) || 0) + 1);
    }
  };
  await Promise.all(Array.from({ length: CONCURRENCY }, worker));
  return Object.fromEntries(statuses);
}

describe('load on loopback', () => {
  let gallery;
  const agent = new http.Agent({ keepAlive: true, maxSockets: CONCURRENCY });

  before(async () => {
    gallery = await new Gallery().start();
  });

  after(async () => {
    agent.destroy();
    if (gallery) await gallery.stop();
  });

  test('thousands of requests: no error, no growth', async () => {
    const page = `${gallery.root}/0/index.htm`.split('/').map(encodeURIComponent).join('/');
    const css = `${gallery.root}/0/style/book.css`;
    const event = JSON.stringify([{ k: 'tap', w: 999999 }, { k: 'key', w: 999999, code: 13, flag: true }]);
    const mixed = (i) =>
      i % 3 === 2
        ? request(agent, {
            port: gallery.port,
            path: '/api/event',
            method: 'POST',
            headers: { 'Content-Type': 'application/json', 'X-Pgwk-Token': gallery.token },
            body: event,
          })
        : request(agent, { port: gallery.contentPort, path: i % 3 ? css : page });
    await run(600, mixed);  // warm-up: thread pools, allocator arenas
    const before = rssKiB(gallery.child.pid);
    const started = Date.now();
    const statuses = await run(3000, mixed);
    const elapsed = Date.now() - started;
    const afterRss = rssKiB(gallery.child.pid);
    assert.deepEqual(statuses, { 200: 2000, 204: 1000 });
    assert.ok(afterRss - before < 8 * 1024, `memory grew by ${afterRss - before} KiB`);
    const state = await gallery.state();
    assert.ok(state.ignored >= 2 * 1000, `events for a widget that does not exist are ignored: ${state.ignored}`);
    console.log(`3000 requests in ${elapsed} ms, RSS ${before} -> ${afterRss} KiB`);
  });
});
