// Pagewick's renderer: draws the program's widget model in the browser and
// posts what the user does back to the program. Plain JavaScript, no build step.
//
// Program -> page: server-sent events on /api/stream, each carrying the widgets
// that changed (whole, as JSON), the ids of those destroyed and the globals.
// Page -> program: batches of small JSON events posted to /api/event, in order.
'use strict';
(() => {
  // The token comes in the address's fragment, which never leaves the browser;
  // it is taken out of the address bar at once and kept for this tab only, so
  // that reloading the page still works.
  let token = decodeURIComponent(location.hash.slice(1));
  try {
    if (token) sessionStorage.setItem('pgwk-token', token);
    else token = sessionStorage.getItem('pgwk-token') || '';
  } catch (e) {
    // no storage: a reload then needs the address with the token again
  }
  if (location.hash) history.replaceState(null, '', location.pathname);

  const screenEl = document.getElementById('screen');
  const state = new Map();  // widget id -> last published state
  const bulk = new Map();   // widget id -> its last bulk part
  const nodes = new Map();  // widget id -> { el, box, kind, ... }
  let globals = null;
  let contentOrigin = '';
  let seenOpens = -1;
  let seenClipboard = -1;
  let popupEl = null;
  let popupKey = '';

  const pad2 = (n) => (n < 10 ? '0' : '') + n;
  const imageUrl = (list, index) => `/res/${list.name}-${pad2(index)}.svg`;
  const px = (n) => `${n}px`;

  // ---- sending, one request at a time so the program sees actions in order
  const outbox = [];
  let sending = false;
  function send(event) {
    outbox.push(event);
    flush();
  }
  async function flush() {
    if (sending || outbox.length === 0) return;
    sending = true;
    const batch = outbox.splice(0, outbox.length);
    try {
      await fetch('/api/event', {
        method: 'POST',
        headers: { 'Content-Type': 'application/json', 'X-Pgwk-Token': token },
        body: JSON.stringify(batch),
        cache: 'no-store',
      });
    } catch (e) {
      // The program has gone; nothing to tell.
    }
    sending = false;
    flush();
  }

  // ---- receiving
  const stream = new EventSource('/api/stream?token=' + encodeURIComponent(token));
  stream.onmessage = (e) => {
    let message;
    try {
      message = JSON.parse(e.data);
    } catch (err) {
      return;
    }
    apply(message);
  };

  function apply(message) {
    if (message.reset) {
      for (const id of [...nodes.keys()]) removeNode(id);
      state.clear();
      bulk.clear();
    }
    for (const id of message.gone || []) {
      state.delete(id);
      bulk.delete(id);
      removeNode(id);
    }
    // A widget's state is its light part merged with its bulk part (list items,
    // tree rows), which comes only when it changed.
    const touched = new Set();
    for (const b of message.b || []) {
      bulk.set(b.id, b.d);
      touched.add(b.id);
    }
    for (const w of message.w || []) {
      state.set(w.id, w);
      touched.add(w.id);
    }
    for (const id of touched) {
      const w = state.get(id);
      if (w && bulk.has(id)) Object.assign(w, bulk.get(id));
    }
    if (message.g) {
      globals = message.g;
      contentOrigin = globals.content;
    }
    const changed = [...touched].sort((a, b) => a - b).map((id) => state.get(id)).filter(Boolean);
    for (const w of changed) render(w);
    if (message.g) applyGlobals(message.g);
    stackTopLevels();
    window.__pgwk.version = message.v;
  }

  function removeNode(id) {
    const node = nodes.get(id);
    if (!node) return;
    node.el.remove();
    nodes.delete(id);
  }

  // ---- widgets
  function render(w) {
    let node = nodes.get(w.id);
    if (node && node.kind !== w.kind) {
      removeNode(w.id);
      node = null;
    }
    if (!node) {
      node = create[w.kind](w);
      node.kind = w.kind;
      node.id = w.id;
      node.el.classList.add('w', 'w-' + w.kind);
      node.el.dataset.id = w.id;
      nodes.set(w.id, node);
    }
    const parent = w.parent ? nodes.get(w.parent) : null;
    const container = parent ? parent.box : screenEl;
    if (node.el.parentNode !== container) container.appendChild(node.el);
    const [x, y, width, height] = w.rect;
    const style = node.el.style;
    style.left = px(x);
    style.top = px(y);
    style.width = px(width);
    style.height = px(height);
    style.fontSize = px(w.font.h);
    style.fontWeight = w.font.bold ? 'bold' : '';
    style.textDecoration = w.font.underline ? 'underline' : '';
    node.el.dataset.ctrl = w.ctrl;
    node.el.classList.toggle('hidden', !w.visible);
    node.el.classList.toggle('disabled', !w.enabled);
    update[w.kind](node, w);
  }

  function tap(id, extra) {
    send(Object.assign({ k: 'tap', w: id }, extra || {}));
  }

  // Keys the program hears: codes as the platform numbers them (Enter 13, arrows
  // 37 to 40, F1 112, letters and digits as their upper-case codes).
  function sendKey(id, e, down) {
    send({ k: 'key', w: id, code: e.keyCode, flag: down });
  }

  function keyHandlers(el, id, prevent) {
    el.addEventListener('keydown', (e) => {
      e.stopPropagation();
      if (prevent(e)) e.preventDefault();
      sendKey(id, e, true);
    });
    el.addEventListener('keyup', (e) => {
      e.stopPropagation();
      sendKey(id, e, false);
    });
  }

  const create = {
    window: () => {
      const el = document.createElement('div');
      return { el, box: el };
    },
    dialog: (w) => makeDialog(w),
    sheet: (w) => {
      const node = makeDialog(w);
      node.tabs = document.createElement('div');
      node.tabs.className = 'tabs';
      node.box.appendChild(node.tabs);
      return node;
    },
    label: (w) => {
      const el = document.createElement('div');
      el.addEventListener('click', (e) => tap(w.id, { x: e.offsetX, y: e.offsetY }));
      return { el, box: el };
    },
    edit: (w) => {
      const el = document.createElement('div');
      const input = document.createElement('input');
      input.type = 'text';
      input.spellcheck = false;
      el.appendChild(input);
      const node = { el, box: el, input, sent: [] };
      input.addEventListener('input', () => {
        node.sent.push(input.value);
        if (node.sent.length > 50) node.sent.shift();
        send({ k: 'text', w: w.id, text: input.value });
      });
      input.addEventListener('focus', () => send({ k: 'focus', w: w.id }));
      // Only keys that type nothing go to the program; typing arrives as text.
      input.addEventListener('keydown', (e) => {
        e.stopPropagation();
        if (e.key.length > 1) {
          if (e.keyCode === 13) e.preventDefault();
          sendKey(w.id, e, true);
        }
      });
      input.addEventListener('keyup', (e) => {
        e.stopPropagation();
        if (e.key.length > 1) sendKey(w.id, e, false);
      });
      return node;
    },
    button: (w) => {
      const el = document.createElement('div');
      const button = document.createElement('button');
      button.type = 'button';
      el.appendChild(button);
      button.addEventListener('click', (e) => {
        e.preventDefault();
        tap(w.id);
      });
      button.addEventListener('keydown', (e) => {
        // Enter and Space become a click by the browser; other keys go to the program.
        if (e.keyCode === 13 || e.keyCode === 32) return;
        e.stopPropagation();
        sendKey(w.id, e, true);
      });
      return { el, box: el, button };
    },
    check: (w) => makeToggle(w, 'checkbox'),
    radio: (w) => makeToggle(w, 'radio'),
    group: () => {
      const el = document.createElement('div');
      const legend = document.createElement('span');
      legend.className = 'legend';
      el.appendChild(legend);
      el.style.overflow = 'visible';
      return { el, box: el, legend };
    },
    combo: (w) => {
      const el = document.createElement('div');
      el.style.overflow = 'visible';
      const node = { el, box: el, entriesKey: null, sent: [] };
      return node;
    },
    list: (w) => makeList(w),
    tree: (w) => makeTree(w),
    progress: () => {
      const el = document.createElement('div');
      const bar = document.createElement('div');
      bar.className = 'bar';
      el.appendChild(bar);
      return { el, box: el, bar };
    },
    updown: (w) => {
      const el = document.createElement('div');
      for (const part of ['up', 'down']) {
        const b = document.createElement('button');
        b.type = 'button';
        b.className = part;
        b.textContent = part === 'up' ? '\u25B2' : '\u25BC';
        b.addEventListener('click', () => tap(w.id, { part }));
        el.appendChild(b);
      }
      return { el, box: el };
    },
    picture: (w) => {
      const el = document.createElement('div');
      const img = document.createElement('img');
      img.alt = '';
      el.appendChild(img);
      el.addEventListener('click', (e) => tap(w.id, { x: e.offsetX, y: e.offsetY }));
      return { el, box: el, img };
    },
    menubar: () => {
      const el = document.createElement('div');
      return { el, box: el, key: '' };
    },
    html: (w) => makeHtml(w),
  };

  function makeDialog(w) {
    const el = document.createElement('div');
    const caption = document.createElement('div');
    caption.className = 'caption';
    const box = document.createElement('div');
    box.className = 'box';
    el.append(caption, box);
    keyHandlers(el, w.id, (e) => e.keyCode === 13 || e.keyCode === 27);
    return { el, box, caption, icon: null };
  }

  function makeToggle(w, type) {
    const el = document.createElement('div');
    const label = document.createElement('label');
    const input = document.createElement('input');
    input.type = type;
    const text = document.createElement('span');
    label.append(input, text);
    el.appendChild(label);
    // The program decides the new state; the page only reports the tap.
    label.addEventListener('click', (e) => {
      e.preventDefault();
      tap(w.id);
    });
    return { el, box: el, input, text };
  }

  function makeList(w) {
    const el = document.createElement('div');
    el.tabIndex = 0;
    const header = document.createElement('div');
    header.className = 'list-header';
    const scroller = document.createElement('div');
    scroller.className = 'scroller';
    const sizer = document.createElement('div');
    scroller.appendChild(sizer);
    el.append(header, scroller);
    const node = { el, box: el, header, scroller, sizer, reportedTop: 0, headerKey: '' };
    const rowAt = (e) => {
      const r = scroller.getBoundingClientRect();
      const w2 = state.get(w.id);
      return Math.floor((e.clientY - r.top + scroller.scrollTop) / w2.rowHeight);
    };
    scroller.addEventListener('click', (e) => {
      const w2 = state.get(w.id);
      const index = rowAt(e);
      if (index < 0 || index >= w2.items.length) return;
      const r = scroller.getBoundingClientRect();
      tap(w.id, { index, x: Math.round(e.clientX - r.left), y: w2.headerHeight + (index - node.reportedTop) * w2.rowHeight + 1 });
    });
    scroller.addEventListener('dblclick', (e) => {
      const w2 = state.get(w.id);
      const index = rowAt(e);
      if (index >= 0 && index < w2.items.length) send({ k: 'dbltap', w: w.id, index });
    });
    scroller.addEventListener('scroll', () => {
      const w2 = state.get(w.id);
      drawListRows(node, w2);
      const top = Math.round(scroller.scrollTop / w2.rowHeight);
      if (top !== node.reportedTop) {
        node.reportedTop = top;
        send({ k: 'scroll', w: w.id, index: top });
      }
    });
    el.addEventListener('focus', () => send({ k: 'focus', w: w.id }));
    keyHandlers(el, w.id, (e) => [13, 33, 34, 35, 36, 37, 38, 39, 40].includes(e.keyCode));
    return node;
  }

  function drawListRows(node, w) {
    const rh = w.rowHeight;
    const first = Math.max(0, Math.floor(node.scroller.scrollTop / rh) - 2);
    const last = Math.min(w.items.length, first + Math.ceil(node.scroller.clientHeight / rh) + 5);
    const widths = w.columns.length ? w.columns.map((c) => c.width) : [w.rect[2]];
    const fragment = document.createDocumentFragment();
    for (let i = first; i < last; i++) {
      const row = document.createElement('div');
      row.className = 'row' + (i === w.selection ? ' selected' : '');
      row.style.top = px(i * rh);
      row.style.height = px(rh);
      row.style.lineHeight = px(rh);
      row.dataset.index = i;
      const texts = w.items[i];
      widths.forEach((width, c) => {
        const cell = document.createElement('span');
        cell.className = 'cell';
        cell.style.width = px(width);
        cell.textContent = texts[c] || '';
        row.appendChild(cell);
      });
      fragment.appendChild(row);
    }
    node.scroller.replaceChildren(node.sizer, fragment);
  }

  function makeTree(w) {
    const el = document.createElement('div');
    el.tabIndex = 0;
    const scroller = document.createElement('div');
    scroller.className = 'scroller';
    scroller.style.top = '0';
    const sizer = document.createElement('div');
    scroller.appendChild(sizer);
    el.appendChild(scroller);
    const node = { el, box: el, scroller, sizer, reportedTop: 0 };
    // Points go to the program in its own terms: relative to the first row it
    // believes visible, so that its hit test finds what the user touched.
    const point = (e) => {
      const w2 = state.get(w.id);
      const r = scroller.getBoundingClientRect();
      const yContent = e.clientY - r.top + scroller.scrollTop;
      return {
        x: Math.round(e.clientX - r.left + scroller.scrollLeft),
        y: Math.round(yContent - node.reportedTop * w2.rowHeight),
      };
    };
    scroller.addEventListener('click', (e) => tap(w.id, point(e)));
    scroller.addEventListener('dblclick', (e) => send(Object.assign({ k: 'dbltap', w: w.id }, point(e))));
    scroller.addEventListener('scroll', () => {
      const w2 = state.get(w.id);
      drawTreeRows(node, w2);
      const top = Math.floor(scroller.scrollTop / w2.rowHeight);
      if (top !== node.reportedTop) {
        node.reportedTop = top;
        send({ k: 'scroll', w: w.id, index: top });
      }
    });
    el.addEventListener('focus', () => send({ k: 'focus', w: w.id }));
    keyHandlers(el, w.id, (e) => [13, 33, 34, 35, 36, 37, 38, 39, 40].includes(e.keyCode));
    return node;
  }

  function drawTreeRows(node, w) {
    const rh = w.rowHeight;
    const first = Math.max(0, Math.floor(node.scroller.scrollTop / rh) - 2);
    const last = Math.min(w.rows.length, first + Math.ceil(node.scroller.clientHeight / rh) + 5);
    const fragment = document.createDocumentFragment();
    for (let i = first; i < last; i++) {
      const r = w.rows[i];
      const row = document.createElement('div');
      const selected = r.item === w.selection;
      row.className = 'tree-row' + (selected ? ' selected' : '');
      row.style.top = px(i * rh);
      row.style.height = px(rh);
      row.dataset.item = r.item;
      row.style.paddingLeft = px(r.depth * w.indent);
      const btn = document.createElement('span');
      btn.className = 'btn';
      btn.style.width = px(w.indent);
      if (r.kids) {
        const sign = document.createElement('span');
        sign.textContent = r.open ? '\u2212' : '+';
        btn.appendChild(sign);
      }
      row.appendChild(btn);
      if (w.images) {
        const img = document.createElement('img');
        img.alt = '';
        img.width = w.images.w;
        img.height = w.images.h;
        const image = selected ? r.selectedImage : r.image;
        if (image >= 0) img.src = imageUrl(w.images, image);
        row.appendChild(img);
      }
      const text = document.createElement('span');
      text.className = 'text';
      text.textContent = r.text;
      row.appendChild(text);
      fragment.appendChild(row);
    }
    node.scroller.replaceChildren(node.sizer, fragment);
  }

  function makeHtml(w) {
    const el = document.createElement('div');
    const frame = document.createElement('iframe');
    // Book pages run (when scripting is on) in their own origin and cannot
    // navigate or replace this page.
    frame.setAttribute('sandbox', 'allow-scripts allow-same-origin');
    frame.setAttribute('referrerpolicy', 'no-referrer');
    el.appendChild(frame);
    const seqs = (w.commands || []).map((c) => c.seq);
    return { el, box: el, frame, loadSeq: -1, ready: false, pending: [], lastCommand: Math.max(0, ...seqs), configKey: '' };
  }

  function encodePath(path) {
    const hash = path.indexOf('#');
    const file = hash < 0 ? path : path.slice(0, hash);
    const fragment = hash < 0 ? '' : path.slice(hash);
    return file.split('/').map(encodeURIComponent).join('/') + fragment;
  }

  function postToView(node, message) {
    if (!node.frame.contentWindow || !contentOrigin) return;
    message.pgwk = 1;
    node.frame.contentWindow.postMessage(message, contentOrigin);
  }

  function viewConfig(w) {
    return {
      type: 'config',
      zoom: w.zoom,
      fitToWidth: w.fitToWidth,
      clearType: w.clearType,
      dragScroll: w.dragScroll,
      claimed: w.claimedKeys,
    };
  }

  const update = {
    window: (node, w) => {
      if (globals && w.id === globals.main) document.title = w.text || 'Pagewick';
    },
    dialog: (node, w) => updateDialog(node, w),
    sheet: (node, w) => {
      updateDialog(node, w);
      node.tabs.style.height = px(w.tabHeight);
      const key = JSON.stringify([w.tabs, w.active]);
      if (key === node.tabsKey) return;
      node.tabsKey = key;
      node.tabs.replaceChildren(
        ...w.tabs.map((title, index) => {
          const b = document.createElement('button');
          b.type = 'button';
          b.className = 'tab' + (index === w.active ? ' active' : '');
          b.textContent = title;
          b.addEventListener('click', () => send({ k: 'select', w: w.id, index }));
          return b;
        })
      );
    },
    label: (node, w) => {
      node.el.textContent = w.text;
      node.el.style.textAlign = w.align;
      node.el.style.color = w.color || '';
      node.el.classList.toggle('notify', !!w.notify);
    },
    edit: (node, w) => {
      const input = node.input;
      input.readOnly = w.readOnly;
      input.disabled = !w.enabled;
      if (w.limit > 0) input.maxLength = w.limit;
      else input.removeAttribute('maxlength');
      // While the user types, the program's echo of an earlier keystroke must
      // not undo a later one.
      const echo = document.activeElement === input && node.sent.includes(w.text);
      if (!echo && input.value !== w.text) input.value = w.text;
      if (input.value === w.text) node.sent = [];
    },
    button: (node, w) => {
      node.button.textContent = w.text;
      node.button.disabled = !w.enabled;
      const dialog = state.get(w.parent);
      node.el.classList.toggle('default', !!dialog && dialog.defaultButton === w.ctrl);
    },
    check: (node, w) => updateToggle(node, w),
    radio: (node, w) => updateToggle(node, w),
    group: (node, w) => {
      node.legend.textContent = w.text;
    },
    combo: (node, w) => updateCombo(node, w),
    list: (node, w) => {
      const headerKey = JSON.stringify([w.columns, w.headerHeight, w.headerImages]);
      if (headerKey !== node.headerKey) {
        node.headerKey = headerKey;
        node.header.style.height = px(w.headerHeight);
        node.header.style.display = w.headerHeight ? '' : 'none';
        node.header.replaceChildren(
          ...w.columns.map((c, index) => {
            const col = document.createElement('div');
            col.className = 'col';
            col.style.width = px(c.width);
            const span = document.createElement('span');
            span.textContent = c.text;
            col.appendChild(span);
            if (c.image >= 0 && w.headerImages) {
              const img = document.createElement('img');
              img.src = imageUrl(w.headerImages, c.image);
              img.width = w.headerImages.w;
              img.height = w.headerImages.h;
              img.alt = c.image === 0 ? 'ascending' : 'descending';
              col.appendChild(img);
            }
            col.addEventListener('click', () => send({ k: 'column', w: w.id, index }));
            return col;
          })
        );
      }
      node.scroller.style.top = px(w.headerHeight);
      const width = w.columns.reduce((sum, c) => sum + c.width, 0);
      node.sizer.style.height = px(w.items.length * w.rowHeight);
      node.sizer.style.width = px(width);
      if (w.top !== node.reportedTop) {
        node.reportedTop = w.top;
        node.scroller.scrollTop = w.top * w.rowHeight;
      }
      drawListRows(node, w);
    },
    tree: (node, w) => {
      node.sizer.style.height = px(w.rows.length * w.rowHeight);
      if (w.top !== node.reportedTop) {
        node.reportedTop = w.top;
        node.scroller.scrollTop = w.top * w.rowHeight;
      }
      drawTreeRows(node, w);
    },
    progress: (node, w) => {
      const span = Math.max(1, w.high - w.low);
      node.bar.style.width = `${(100 * (w.pos - w.low)) / span}%`;
    },
    updown: (node, w) => {
      for (const b of node.el.querySelectorAll('button')) b.disabled = !w.enabled;
    },
    picture: (node, w) => {
      if (w.images && w.image >= 0) node.img.src = imageUrl(w.images, w.image);
      else node.img.removeAttribute('src');
    },
    menubar: (node, w) => {
      const key = JSON.stringify([w.buttons, w.tips, w.images]);
      if (key === node.key) return;
      node.key = key;
      node.el.replaceChildren(
        ...w.buttons.map((b, index) => {
          const button = document.createElement('button');
          button.type = 'button';
          button.className = 'mb' + (b.text ? ' text' : '') + (b.visible ? '' : ' hidden');
          button.disabled = !b.enabled;
          button.dataset.cmd = b.cmd;
          button.title = w.tips[index] || '';
          if (b.text) {
            button.textContent = b.text + (b.dropDown ? ' \u25B4' : '');
          } else if (w.images && b.image >= 0) {
            const img = document.createElement('img');
            img.src = imageUrl(w.images, b.image);
            img.width = w.images.w;
            img.height = w.images.h;
            img.alt = w.tips[index] || '';
            button.appendChild(img);
          }
          button.addEventListener('click', () => tap(w.id, { code: b.cmd, x: button.offsetLeft }));
          return button;
        })
      );
    },
    html: (node, w) => {
      if (w.loadSeq !== node.loadSeq) {
        node.loadSeq = w.loadSeq;
        node.ready = false;
        node.pending = [];
        node.configKey = '';
        node.frame.src = w.path && contentOrigin ? contentOrigin + encodePath(w.path) : 'about:blank';
      }
      const config = viewConfig(w);
      const configKey = JSON.stringify(config);
      if (node.ready && configKey !== node.configKey) {
        node.configKey = configKey;
        postToView(node, config);
      }
      for (const c of w.commands || []) {
        if (c.seq <= node.lastCommand) continue;
        node.lastCommand = c.seq;
        const command = { type: 'command', op: c.op, text: c.text, axis: c.axis, value: c.value };
        if (node.ready) postToView(node, command);
        else node.pending.push(command);
      }
    },
  };

  function updateDialog(node, w) {
    const child = w.parent !== 0;
    node.el.classList.toggle('child', child);
    node.caption.style.display = w.caption ? '' : 'none';
    node.caption.style.height = px(w.caption);
    node.caption.style.lineHeight = px(w.caption);
    node.caption.textContent = w.text;
    node.box.style.top = px(w.caption);
    if (w.messageBox && w.messageBox.icon !== 'none' && !node.icon) {
      const icon = document.createElement('div');
      const size = 20 * (globals ? globals.scale : 1);
      icon.className = 'icon ' + w.messageBox.icon;
      Object.assign(icon.style, { left: px(size / 3), top: px(size / 3), width: px(size), height: px(size), lineHeight: px(size) });
      icon.textContent = { error: '\u00D7', warning: '!', information: 'i', question: '?' }[w.messageBox.icon];
      node.box.appendChild(icon);
      node.icon = icon;
    }
  }

  function updateToggle(node, w) {
    node.text.textContent = w.text;
    node.input.checked = w.checked;
    node.input.disabled = !w.enabled;
  }

  function updateCombo(node, w) {
    const key = JSON.stringify([w.editable, w.entries]);
    if (key !== node.entriesKey) {
      node.entriesKey = key;
      if (w.editable) {
        const input = document.createElement('input');
        input.type = 'text';
        input.spellcheck = false;
        const list = document.createElement('datalist');
        list.id = 'combo-' + w.id;
        input.setAttribute('list', list.id);
        for (const text of w.entries) {
          const option = document.createElement('option');
          option.value = text;
          list.appendChild(option);
        }
        input.addEventListener('input', () => {
          node.sent.push(input.value);
          send({ k: 'text', w: w.id, text: input.value });
        });
        input.addEventListener('focus', () => send({ k: 'focus', w: w.id }));
        input.addEventListener('keydown', (e) => {
          e.stopPropagation();
          if (e.key.length > 1) {
            if (e.keyCode === 13) e.preventDefault();
            sendKey(w.id, e, true);
          }
        });
        input.addEventListener('keyup', (e) => {
          e.stopPropagation();
          if (e.key.length > 1) sendKey(w.id, e, false);
        });
        node.control = input;
        node.el.replaceChildren(input, list);
      } else {
        const select = document.createElement('select');
        w.entries.forEach((text, index) => {
          const option = document.createElement('option');
          option.value = String(index);
          option.textContent = text;
          select.appendChild(option);
        });
        select.addEventListener('change', () => send({ k: 'select', w: w.id, index: select.selectedIndex }));
        select.addEventListener('focus', () => send({ k: 'focus', w: w.id }));
        node.control = select;
        node.el.replaceChildren(select);
      }
    }
    const control = node.control;
    control.disabled = !w.enabled;
    if (w.editable) {
      const echo = document.activeElement === control && node.sent.includes(w.text);
      if (!echo && control.value !== w.text) control.value = w.text;
      if (control.value === w.text) node.sent = [];
    } else if (control.selectedIndex !== w.selection) {
      control.selectedIndex = w.selection;
    }
  }

  // Top-level windows: the main window at the bottom, dialogs above, the open
  // modal dialogs in their order over a shade that takes every tap.
  let shade = null;
  function stackTopLevels() {
    if (!globals) return;
    const modal = globals.modal || [];
    let topModal = 0;
    for (const [id, w] of state) {
      if (w.parent !== 0) continue;
      const node = nodes.get(id);
      if (!node) continue;
      let z = id === globals.main ? 1 : 2;
      if (w.kind === 'dialog' || w.kind === 'sheet') z = 10;
      const at = modal.indexOf(id);
      if (at >= 0) {
        z = 20 + 2 * at;
        topModal = Math.max(topModal, z);
      }
      if (w.topmost) z += 200;
      node.el.style.zIndex = z;
    }
    if (topModal) {
      if (!shade) {
        shade = document.createElement('div');
        shade.className = 'modal-shade';
      }
      shade.style.zIndex = topModal - 1;
      if (!shade.parentNode) screenEl.appendChild(shade);
    } else if (shade && shade.parentNode) {
      shade.remove();
    }
  }

  // ---- globals
  function applyGlobals(g) {
    screenEl.classList.toggle('busy', g.cursor === 'busy');
    if (g.fullScreen && !document.fullscreenElement && document.documentElement.requestFullscreen) {
      document.documentElement.requestFullscreen().catch(() => {});
    } else if (!g.fullScreen && document.fullscreenElement) {
      document.exitFullscreen().catch(() => {});
    }
    const [width, height] = g.screen;
    if (width !== window.innerWidth || height !== window.innerHeight) reportViewport();
    const main = state.get(g.main);
    if (main) document.title = main.text || 'Pagewick';
    // The clipboard and outside targets are acted on only when they change
    // after this page connected, never replayed from before.
    if (seenClipboard < 0) seenClipboard = g.clipboard.v;
    if (g.clipboard.v > seenClipboard) {
      seenClipboard = g.clipboard.v;
      if (navigator.clipboard) navigator.clipboard.writeText(g.clipboard.text).catch(() => {});
    }
    const newest = g.opens.reduce((max, [seq]) => Math.max(max, seq), 0);
    if (seenOpens < 0) seenOpens = newest;
    for (const [seq, target] of g.opens) {
      if (seq <= seenOpens) continue;
      seenOpens = seq;
      openOutside(target);
    }
    renderPopup(g.popup);
    focusWidget(g.focus);
  }

  function openOutside(target) {
    // Without "noopener" in the features, so that success can be seen; the new
    // tab is cut loose from this page right after.
    const opened = window.open(target, '_blank');
    if (opened) {
      try {
        opened.opener = null;
      } catch (e) {
        // already cut loose
      }
      return;
    }
    // A blocked pop-up: offer the link for the user to open.
    const notice = document.createElement('div');
    notice.className = 'notice';
    const link = document.createElement('a');
    link.href = target;
    link.target = '_blank';
    link.rel = 'noopener noreferrer';
    link.textContent = target;
    link.addEventListener('click', () => notice.remove());
    notice.append('Open: ', link);
    screenEl.appendChild(notice);
    setTimeout(() => notice.remove(), 15000);
  }

  function focusWidget(id) {
    const node = nodes.get(id);
    if (!node) return;
    const target = node.input || node.control || node.button || (node.el.tabIndex >= 0 ? node.el : null);
    if (!target || node.el.contains(document.activeElement)) return;
    target.focus({ preventScroll: true });
  }

  function renderPopup(popup) {
    const key = popup ? JSON.stringify(popup) : '';
    if (key === popupKey) return;
    popupKey = key;
    if (popupEl) {
      popupEl.remove();
      popupEl = null;
    }
    if (!popup) return;
    popupEl = document.createElement('div');
    const catcher = document.createElement('div');
    catcher.className = 'menu-catcher';
    catcher.addEventListener('click', () => send({ k: 'menu', code: 0 }));
    popupEl.appendChild(catcher);
    const panel = menuPanel(popup.menu);
    popupEl.appendChild(panel);
    screenEl.appendChild(popupEl);
    const W = window.innerWidth;
    const H = window.innerHeight;
    const r = panel.getBoundingClientRect();
    let x = Math.min(popup.x, W - r.width);
    let y = popup.fromMenuBar ? popup.y - r.height : Math.min(popup.y, H - r.height);
    panel.style.left = px(Math.max(0, x));
    panel.style.top = px(Math.max(0, y));
  }

  function menuPanel(menu) {
    const panel = document.createElement('div');
    panel.className = 'popup';
    panel.dataset.menu = menu.id;
    for (const item of menu.items) {
      if (item.sep) {
        const sep = document.createElement('div');
        sep.className = 'sep';
        panel.appendChild(sep);
        continue;
      }
      const el = document.createElement('div');
      el.className = 'item';
      if (item.grayed) el.classList.add('grayed');
      if (item.checked) el.classList.add(item.radio ? 'radio' : 'checked');
      el.textContent = item.text;
      if (item.sub) {
        el.classList.add('sub');
        el.addEventListener('click', (e) => {
          e.stopPropagation();
          if (item.grayed) return;
          for (const open of panel.querySelectorAll(':scope > .item.open')) open.classList.remove('open');
          for (const old of popupEl.querySelectorAll('.popup')) {
            if (old !== panel && !old.contains(panel) && Number(old.dataset.level) > Number(panel.dataset.level || 0)) old.remove();
          }
          el.classList.add('open');
          const sub = menuPanel(item.sub);
          sub.dataset.level = Number(panel.dataset.level || 0) + 1;
          popupEl.appendChild(sub);
          const r = el.getBoundingClientRect();
          const s = sub.getBoundingClientRect();
          const left = r.right + s.width <= window.innerWidth ? r.right : Math.max(0, r.left - s.width);
          sub.style.left = px(left);
          sub.style.top = px(Math.max(0, Math.min(r.top, window.innerHeight - s.height)));
        });
      } else {
        el.dataset.cmd = item.cmd;
        el.addEventListener('click', (e) => {
          e.stopPropagation();
          if (!item.grayed) send({ k: 'menu', code: item.cmd });
        });
      }
      panel.appendChild(el);
    }
    return panel;
  }

  // ---- messages from the page views (the content origin's view script)
  function viewOf(source) {
    for (const node of nodes.values()) {
      if (node.kind !== 'html' || !node.frame.contentWindow) continue;
      // The view's own document or any frame inside it (a frames page).
      for (let w = source, depth = 0; w && depth < 8; w = w.parent === w ? null : w.parent, depth++) {
        if (w === node.frame.contentWindow) return node;
      }
    }
    return null;
  }

  window.addEventListener('message', (e) => {
    if (!contentOrigin || e.origin !== contentOrigin) return;
    const data = e.data;
    if (!data || typeof data !== 'object' || data.pgwk !== 1 || typeof data.type !== 'string') return;
    const node = viewOf(e.source);
    if (!node) return;
    const w = state.get(node.id);
    if (!w) return;
    const top = e.source === node.frame.contentWindow;
    const base = { k: 'html', w: node.id, index: node.loadSeq };
    const str = (v) => (typeof v === 'string' ? v.slice(0, 8192) : '');
    const num = (v) => (Number.isFinite(v) ? Math.round(v) : 0);
    const scroll = (s) => (Array.isArray(s) && s.length === 4 ? s.map(num) : [0, 0, 0, 0]);
    switch (data.type) {
      case 'ready':
        if (!top) return;
        node.ready = true;
        node.configKey = JSON.stringify(viewConfig(w));
        postToView(node, viewConfig(w));
        for (const command of node.pending.splice(0)) postToView(node, command);
        return;
      case 'link':
        send(Object.assign(base, { code: 1125, data: str(data.target) }));
        return;
      case 'navigate':
        send(Object.assign(base, { code: 1133, data: str(data.target) }));
        return;
      case 'title':
        if (top) send(Object.assign(base, { code: 1128, text: str(data.title) }));
        return;
      case 'context': {
        const r = node.frame.getBoundingClientRect();
        const image = str(data.image);
        send(Object.assign(base, { code: 1131, x: num(r.left + num(data.x)), y: num(r.top + num(data.y)), flag: !!image, data: image }));
        return;
      }
      case 'complete':
        if (top) send(Object.assign(base, { code: 1134, sv: scroll(data.v), sh: scroll(data.h) }));
        return;
      case 'scroll':
        if (top) send(Object.assign(base, { code: 1150, sv: scroll(data.v), sh: scroll(data.h) }));
        return;
      case 'selection':
        send(Object.assign(base, { code: 1151, flag: !!data.has, text: typeof data.text === 'string' ? data.text.slice(0, 1 << 20) : '' }));
        return;
      case 'key':
        if (popupEl && num(data.code) === 27) {
          if (data.down) send({ k: 'menu', code: 0 });
          return;
        }
        send({ k: 'key', w: node.id, code: num(data.code), flag: !!data.down });
        return;
      default:
    }
  });

  // ---- the page itself
  let viewportTimer = 0;
  function reportViewport() {
    clearTimeout(viewportTimer);
    viewportTimer = setTimeout(() => send({ k: 'viewport', x: window.innerWidth, y: window.innerHeight }), 30);
  }
  window.addEventListener('resize', reportViewport);
  window.addEventListener('focus', () => send({ k: 'winfocus', flag: true }));
  window.addEventListener('blur', () => send({ k: 'winfocus', flag: false }));
  // Keys pressed outside any control go to the focused widget, else the main window.
  const browserKeys = new Set([112, 113, 114, 115, 116, 117, 118, 119, 120, 121]);
  // Escape closes an open menu wherever the focus is; it runs before the controls' own handlers.
  window.addEventListener(
    'keydown',
    (e) => {
      if (!popupEl || e.keyCode !== 27) return;
      e.stopPropagation();
      e.preventDefault();
      send({ k: 'menu', code: 0 });
    },
    true
  );
  document.addEventListener('keydown', (e) => {
    if (browserKeys.has(e.keyCode)) e.preventDefault();
    const target = (globals && (globals.focus || globals.main)) || 0;
    if (target) sendKey(target, e, true);
  });
  document.addEventListener('keyup', (e) => {
    const target = (globals && (globals.focus || globals.main)) || 0;
    if (target) sendKey(target, e, false);
  });
  reportViewport();

  // For tests and for looking at the state from the developer tools.
  window.__pgwk = { version: 0, state, nodes, send };
})();
