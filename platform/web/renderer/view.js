// The view script: added by the content server to every HTML page it serves
// (never written into the prepared files). It turns what happens in the page
// into reports for the reader's HTML view and carries out the view's commands.
// It talks only to the reader's page, by postMessage; it knows no token.
(function (UI_ORIGIN, CONTENT_ORIGIN) {
  'use strict';
  if (window.__pgwkView) return;
  window.__pgwkView = true;
  var uiWindow = window.top;
  var isTop = window.parent === window.top;
  var claimed = [];
  var dragScroll = false;

  function report(message) {
    message.pgwk = 1;
    try {
      uiWindow.postMessage(message, UI_ORIGIN);
    } catch (e) {
      // The reader's page is gone.
    }
  }

  // A target on the content origin is a file below the temporary folder: it is
  // reported as file:// + its path; anything else as the page wrote it.
  function localForm(url, written) {
    try {
      var u = new URL(url, document.baseURI);
      if (u.origin === CONTENT_ORIGIN) {
        var path = u.pathname;
        try {
          path = decodeURIComponent(path);
        } catch (e) {
          // keep the encoded form
        }
        return 'file://' + path + u.search + u.hash;
      }
    } catch (e) {
      // not a URL at all
    }
    return (written === undefined ? url : written).trim();
  }

  function scrollInfo() {
    var el = document.scrollingElement || document.documentElement;
    return {
      v: [0, el.scrollHeight, el.clientHeight, el.scrollTop],
      h: [0, el.scrollWidth, el.clientWidth, el.scrollLeft],
    };
  }

  function reportScroll(type) {
    var info = scrollInfo();
    report({ type: type, v: info.v, h: info.h });
  }

  // A tapped link never navigates by itself: the reader decides what to load.
  document.addEventListener(
    'click',
    function (e) {
      var el = e.target;
      while (el && el.nodeType !== 1) el = el.parentNode;
      var link = el && el.closest ? el.closest('a[href], area[href]') : null;
      if (!link) return;
      e.preventDefault();
      var written = link.getAttribute('href') || '';
      report({ type: 'link', target: localForm(link.href, written) });
    },
    true
  );

  document.addEventListener(
    'submit',
    function (e) {
      e.preventDefault();
      var form = e.target;
      report({ type: 'navigate', target: localForm(form.action || document.baseURI) });
    },
    true
  );

  // Navigations the page starts by itself (scripts, refreshes) are reported
  // and stopped, as taps are.
  if (window.navigation && window.navigation.addEventListener) {
    window.navigation.addEventListener('navigate', function (e) {
      if (!e.cancelable || e.hashChange || e.downloadRequest !== null && e.downloadRequest !== undefined) return;
      e.preventDefault();
      report({ type: 'navigate', target: localForm(e.destination.url) });
    });
  }

  document.addEventListener(
    'contextmenu',
    function (e) {
      e.preventDefault();
      var el = e.target;
      while (el && el.nodeType !== 1) el = el.parentNode;
      var img = el && el.closest ? el.closest('img') : null;
      var image = img ? localForm(img.src, img.getAttribute('src') || '') : '';
      report({ type: 'context', x: e.clientX, y: e.clientY, image: image });
    },
    true
  );

  var selectionTimer = 0;
  document.addEventListener('selectionchange', function () {
    clearTimeout(selectionTimer);
    selectionTimer = setTimeout(function () {
      var selection = document.getSelection();
      var text = selection ? selection.toString() : '';
      report({ type: 'selection', has: text.length > 0, text: text });
    }, 50);
  });

  function keyReport(down) {
    return function (e) {
      report({ type: 'key', code: e.keyCode, down: down });
      if (claimed.indexOf(e.keyCode) >= 0) e.preventDefault();
    };
  }
  document.addEventListener('keydown', keyReport(true), true);
  document.addEventListener('keyup', keyReport(false), true);

  if (isTop) {
    var scrollPending = false;
    window.addEventListener(
      'scroll',
      function () {
        if (scrollPending) return;
        scrollPending = true;
        requestAnimationFrame(function () {
          scrollPending = false;
          reportScroll('scroll');
        });
      },
      true
    );
    window.addEventListener('resize', function () {
      reportScroll('scroll');
    });
    document.addEventListener('DOMContentLoaded', function () {
      report({ type: 'title', title: document.title || '' });
    });
    window.addEventListener('load', function () {
      if (document.title) report({ type: 'title', title: document.title });
      reportScroll('complete');
      watchTitle();
    });
  }

  // A title the page changes later is reported again.
  function watchTitle() {
    var last = document.title;
    var timer = 0;
    new MutationObserver(function () {
      clearTimeout(timer);
      timer = setTimeout(function () {
        if (document.title === last) return;
        last = document.title;
        report({ type: 'title', title: last });
      }, 20);
    }).observe(document.head || document.documentElement, { childList: true, subtree: true, characterData: true });
  }

  // ---- the view's settings and commands, from the reader's page only
  var zoomFactors = [0.7, 0.85, 1, 1.2, 1.45];
  var fitStyle = null;

  function applyConfig(c) {
    var root = document.documentElement;
    var zoom = zoomFactors[c.zoom] || 1;
    root.style.zoom = zoom === 1 ? '' : String(zoom);
    root.dataset.pgwkClearType = c.clearType ? 'on' : 'off';
    if (c.fitToWidth && !fitStyle) {
      fitStyle = document.createElement('style');
      fitStyle.textContent =
        'html,body{max-width:100%;overflow-wrap:break-word}img,table,pre{max-width:100%}img{height:auto}pre{white-space:pre-wrap}';
      (document.head || root).appendChild(fitStyle);
    } else if (!c.fitToWidth && fitStyle) {
      fitStyle.remove();
      fitStyle = null;
    }
    dragScroll = !!c.dragScroll;
    claimed = Array.isArray(c.claimed) ? c.claimed : [];
    reportScroll('scroll');
  }

  function findAnchor(name) {
    var named = document.getElementsByName(name);
    return named.length ? named[0] : document.getElementById(name);
  }

  function run(c) {
    var el = document.scrollingElement || document.documentElement;
    if (c.op === 'selectAll') {
      var selection = document.getSelection();
      if (selection && document.body) selection.selectAllChildren(document.body);
    } else if (c.op === 'copy') {
      try {
        document.execCommand('copy');
      } catch (e) {
        // the reader keeps its own copy of the text
      }
    } else if (c.op === 'anchor') {
      var anchor = findAnchor(c.text);
      if (anchor) anchor.scrollIntoView();
    } else if (c.op === 'scroll') {
      if (c.axis === 1) el.scrollTop = c.value;
      else el.scrollLeft = c.value;
    }
    reportScroll('scroll');
  }

  window.addEventListener('message', function (e) {
    if (e.origin !== UI_ORIGIN || e.source !== uiWindow) return;
    var data = e.data;
    if (!data || data.pgwk !== 1) return;
    if (data.type === 'config') applyConfig(data);
    else if (data.type === 'command') run(data);
  });

  // Drag scrolling: the stylus moves the page instead of selecting text.
  var dragFrom = null;
  document.addEventListener(
    'pointerdown',
    function (e) {
      dragFrom = dragScroll ? { x: e.screenX, y: e.screenY } : null;
    },
    true
  );
  document.addEventListener(
    'pointermove',
    function (e) {
      if (!dragScroll || !dragFrom || !e.buttons) return;
      e.preventDefault();
      window.scrollBy(dragFrom.x - e.screenX, dragFrom.y - e.screenY);
      dragFrom = { x: e.screenX, y: e.screenY };
    },
    true
  );
  document.addEventListener(
    'pointerup',
    function () {
      dragFrom = null;
    },
    true
  );
  document.addEventListener(
    'selectstart',
    function (e) {
      if (dragScroll) e.preventDefault();
    },
    true
  );

  if (isTop) report({ type: 'ready' });
})('__UI_ORIGIN__', '__CONTENT_ORIGIN__');
