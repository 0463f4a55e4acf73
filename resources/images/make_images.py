#!/usr/bin/env python3
"""Draws the reader's pictures as small SVG files (run again after a change):
menubar-00..11 (button pictures), sort-00/01 (column header arrows) and
contents-00..41 (21 pairs: even = closed, odd = open)."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def write(name, size, body):
    w, h = size
    svg = (f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" viewBox="0 0 {w} {h}">'
           f'{body}</svg>\n')
    with open(os.path.join(HERE, name), 'w') as f:
        f.write(svg)


S = 'stroke-linejoin="round" stroke-linecap="round"'

# ---- menu bar (24x24 drawing, shown at 16 or 32 pixels)
def arrow(direction, color='#2a6ebb'):
    if direction == 'left':
        return f'<path d="M20 12H5M11 5l-7 7 7 7" fill="none" stroke="{color}" stroke-width="3" {S}/>'
    return f'<path d="M4 12h15M13 5l7 7-7 7" fill="none" stroke="{color}" stroke-width="3" {S}/>'

menubar = [
    arrow('left'),                                                     # 0 back
    arrow('right'),                                                    # 1 forward
    f'<circle cx="12" cy="12" r="9" fill="#c62828"/><path d="M8 8l8 8M16 8l-8 8" stroke="#fff" stroke-width="2.5" {S}/>',  # 2 loading (stop)
    f'<path d="M19 12a7 7 0 1 1-2.1-5" fill="none" stroke="#2e7d32" stroke-width="2.6" {S}/><path d="M18 3v5h-5" fill="none" stroke="#2e7d32" stroke-width="2.6" {S}/>',  # 3 reload
    f'<path d="M3 12l9-8 9 8" fill="none" stroke="#6d4c41" stroke-width="2.4" {S}/><path d="M6 11v9h4v-5h4v5h4v-9" fill="#ffe0b2" stroke="#6d4c41" stroke-width="2" {S}/>',  # 4 home
    f'<path d="M4 4h6M4 4v14h4M7 9h3M7 14h3" fill="none" stroke="#555" stroke-width="2" {S}/><rect x="11" y="6" width="9" height="6" rx="1" fill="#90caf9" stroke="#2a6ebb" stroke-width="1.5"/><rect x="11" y="14" width="9" height="6" rx="1" fill="#fff" stroke="#555" stroke-width="1.5"/>',  # 5 sync with contents
    f'<path d="M5 19V9a4 4 0 0 1 4-4h10" fill="none" stroke="#8e24aa" stroke-width="2.6" {S}/><path d="M15 1l4 4-4 4" fill="none" stroke="#8e24aa" stroke-width="2.6" {S}/>',  # 6 jump
    f'<path d="M6 3h8l4 4v14H6z" fill="#fff" stroke="#555" stroke-width="1.6" {S}/><path d="M9 11h6M9 14h6M9 17h4" stroke="#2a6ebb" stroke-width="1.6" {S}/>',  # 7 page
    f'<path d="M6 3h9v18l-4.5-4L6 21z" fill="#fdd835" stroke="#8d6e00" stroke-width="1.6" {S}/><path d="M18 5v8M14 9h8" stroke="#2e7d32" stroke-width="2.4" {S}/>',  # 8 add bookmark
    f'<circle cx="12" cy="12" r="3.2" fill="none" stroke="#455a64" stroke-width="2"/><path d="M12 2.5v3M12 18.5v3M2.5 12h3M18.5 12h3M5.3 5.3l2.1 2.1M16.6 16.6l2.1 2.1M5.3 18.7l2.1-2.1M16.6 7.4l2.1-2.1" stroke="#455a64" stroke-width="2.6" {S}/>',  # 9 options
    f'<path d="M5 3h9l4 4v14H5z" fill="#fff" stroke="#555" stroke-width="1.6" {S}/><path d="M8 13h8M13 9l4 4-4 4" fill="none" stroke="#2a6ebb" stroke-width="2.2" {S}/>',  # 10 display
    f'<path d="M4 3h9v18l-4.5-4L4 21z" fill="#fdd835" stroke="#8d6e00" stroke-width="1.6" {S}/><path d="M15 6l6 6M21 6l-6 6" stroke="#c62828" stroke-width="2.4" {S}/>',  # 11 delete bookmark
]
for i, body in enumerate(menubar):
    write(f'menubar-{i:02d}.svg', (24, 24), body)

# ---- sort arrows (12x16)
write('sort-00.svg', (12, 16), '<path d="M6 4l4 7H2z" fill="#555"/>')
write('sort-01.svg', (12, 16), '<path d="M6 12l4-7H2z" fill="#555"/>')

# ---- contents pictures (16x16)
def book(color, dark, opened):
    if not opened:
        return (f'<rect x="3" y="2" width="10" height="12" rx="1" fill="{color}" stroke="{dark}"/>'
                f'<path d="M5 2v12" stroke="{dark}"/><path d="M7 5h4" stroke="#fff"/>')
    return (f'<path d="M1 4l7 1 7-1v9l-7 1-7-1z" fill="{color}" stroke="{dark}" {S}/>'
            f'<path d="M2 4.5l6 1 6-1v7.5l-6 1-6-1z" fill="#fff" stroke="{dark}" stroke-width=".6" {S}/>'
            f'<path d="M8 5.5v7.5" stroke="{dark}"/>')

def folder(color, dark, opened):
    if not opened:
        return (f'<path d="M1.5 4h5l1.5 1.5h6.5v8h-13z" fill="{color}" stroke="{dark}" {S}/>')
    return (f'<path d="M1.5 4h5l1.5 1.5h5.5v2h-10l-2 6z" fill="{color}" stroke="{dark}" {S}/>'
            f'<path d="M3.5 7.5h12l-2.5 6h-12z" fill="{color}" stroke="{dark}" {S}/>')

def page(mark, opened):
    base = ('<path d="M3.5 1.5h6l3 3v10h-9z" fill="#fff" stroke="#666" {S}/>'
            '<path d="M9.5 1.5v3h3" fill="none" stroke="#666" {S}/>').replace('{S}', S)
    if opened:
        base = '<rect x="1" y="0.5" width="14" height="15" rx="2" fill="#cfe3fa"/>' + base
    return base + mark

lines = '<path d="M5.5 7h5M5.5 9h5M5.5 11h4" stroke="#2a6ebb"/>'
marks = {
    'plain': '',
    'lines': lines,
    'question': '<path d="M6.3 7.3a1.8 1.8 0 1 1 2.3 1.7c-.6.2-.6.6-.6 1.2" fill="none" stroke="#2a6ebb" stroke-width="1.3" stroke-linecap="round"/><circle cx="8" cy="12.2" r=".8" fill="#2a6ebb"/>',
    'exclaim': '<path d="M8 6v4" stroke="#c62828" stroke-width="1.6" stroke-linecap="round"/><circle cx="8" cy="12" r=".9" fill="#c62828"/>',
    'globe': '<circle cx="8" cy="9.5" r="3" fill="#b3e5fc" stroke="#0277bd" stroke-width=".8"/><path d="M5 9.5h6M8 6.5c-1.5 2-1.5 4 0 6M8 6.5c1.5 2 1.5 4 0 6" fill="none" stroke="#0277bd" stroke-width=".6"/>',
    'picture': '<rect x="5" y="7" width="6" height="5" fill="#c8e6c9" stroke="#2e7d32" stroke-width=".7"/><path d="M5.5 11.5l2-2 1.5 1.5 1-1 1 1.5" fill="none" stroke="#2e7d32" stroke-width=".7"/>',
    'star': '<path d="M8 6l1 2.2 2.3.3-1.7 1.6.5 2.3L8 11.3l-2.1 1.1.5-2.3-1.7-1.6 2.3-.3z" fill="#fdd835" stroke="#8d6e00" stroke-width=".5"/>',
    'info': '<circle cx="8" cy="9.5" r="3" fill="#2a6ebb"/><path d="M8 9v2.5" stroke="#fff" stroke-width="1.1"/><circle cx="8" cy="7.7" r=".6" fill="#fff"/>',
    'arrow': '<path d="M5 9.5h5M8 7.5l2 2-2 2" fill="none" stroke="#8e24aa" stroke-width="1.2" stroke-linecap="round" stroke-linejoin="round"/>',
    'pencil': '<path d="M5 12.5l.5-2 4.5-4.5 1.5 1.5-4.5 4.5z" fill="#ffcc80" stroke="#6d4c41" stroke-width=".6"/>',
    'check': '<path d="M5.3 9.5l1.8 1.8 3.6-3.8" fill="none" stroke="#2e7d32" stroke-width="1.4" stroke-linecap="round" stroke-linejoin="round"/>',
    'warning': '<path d="M8 6.2l3.2 5.8H4.8z" fill="#fdd835" stroke="#8d6e00" stroke-width=".6" stroke-linejoin="round"/><path d="M8 8.2v2" stroke="#333" stroke-width=".8"/>',
    'code': '<path d="M6.5 7.5L5 9.5l1.5 2M9.5 7.5l1.5 2-1.5 2" fill="none" stroke="#455a64" stroke-width="1" stroke-linecap="round" stroke-linejoin="round"/>',
}

pairs = [
    lambda o: book('#2a6ebb', '#17407a', o),     # 0/1 book
    lambda o: book('#c62828', '#7f1414', o),     # 2/3 book
    lambda o: folder('#fdd835', '#8d6e00', o),   # 4/5 folder
    lambda o: folder('#90caf9', '#1e5a9c', o),   # 6/7 folder
    lambda o: page(marks['plain'], o),           # 8/9 page
    lambda o: page(marks['lines'], o),           # 10/11 page
    lambda o: page(marks['question'], o),
    lambda o: page(marks['exclaim'], o),
    lambda o: page(marks['globe'], o),
    lambda o: page(marks['picture'], o),
    lambda o: book('#2e7d32', '#1b4d1e', o),
    lambda o: book('#7b1fa2', '#4a126a', o),
    lambda o: folder('#a5d6a7', '#2e7d32', o),
    lambda o: folder('#ef9a9a', '#8e2020', o),
    lambda o: page(marks['star'], o),
    lambda o: page(marks['info'], o),
    lambda o: page(marks['arrow'], o),
    lambda o: page(marks['pencil'], o),
    lambda o: page(marks['check'], o),
    lambda o: page(marks['warning'], o),
    lambda o: page(marks['code'], o),
]
assert len(pairs) == 21
for k, draw in enumerate(pairs):
    write(f'contents-{2 * k:02d}.svg', (16, 16), draw(False))
    write(f'contents-{2 * k + 1:02d}.svg', (16, 16), draw(True))
