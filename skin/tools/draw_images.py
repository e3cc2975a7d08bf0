#!/usr/bin/env python3
"""Writes the skin's SVG drawings (skin/svg/...). The build renders each to the PNG of the same
relative name. Run again after changing a drawing here; the SVG files are committed."""
import math
import os

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'svg')

ACCENT = '#0099FF'
ACCENT_LIGHT = '#5CC2FF'
MUTED = '#8B98A9'
WHITE = '#FFFFFF'
SYNC = '#19C37D'


def write(rel, w, h, body, defs=''):
    path = os.path.join(ROOT, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'w') as f:
        f.write('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">\n'
                % (w, h, w, h))
        if defs:
            f.write('<defs>%s</defs>\n' % defs)
        f.write(body)
        f.write('\n</svg>\n')


def stroke(color, width=2.0):
    return ('fill="none" stroke="%s" stroke-width="%s" stroke-linecap="round" stroke-linejoin="round"'
            % (color, width))


# ---------------------------------------------------------------- line icons (24 x 24 grid)
def icon_keyboard(c):
    keys = ''.join('<rect x="%s" y="%s" width="2" height="2" rx="0.5" fill="%s"/>' % (x, y, c)
                   for y in (9, 12) for x in (5, 8.5, 12, 15.5))
    return ('<rect x="2" y="6" width="20" height="12" rx="2.5" %s/>' % stroke(c, 1.6) + keys +
            '<line x1="7.5" y1="15.5" x2="16.5" y2="15.5" %s/>' % stroke(c, 1.6))


def icon_mouse(c):
    return ('<path d="M12 2.5c-3.6 0-6 2.6-6 6.2v6.6c0 3.6 2.4 6.2 6 6.2s6-2.6 6-6.2V8.7'
            'c0-3.6-2.4-6.2-6-6.2z" %s/>' % stroke(c, 1.6) +
            '<line x1="12" y1="6" x2="12" y2="9.5" %s/>' % stroke(c, 1.8) +
            '<path d="M6.2 11h11.6" %s opacity="0.5"/>' % stroke(c, 1.2))


def icon_hard_pad(c):
    return ('<path d="M3 8.5l3-3h15v10l-3 3H3z" %s/>' % stroke(c, 1.6) +
            '<path d="M3 8.5h15v10M18 8.5l3-3" %s opacity="0.6"/>' % stroke(c, 1.2) +
            '<path d="M6 15.5h8" %s/>' % stroke(c, 1.6))


def icon_soft_pad(c):
    return ('<path d="M3 7h18v9.5c0 1-0.6 1.5-1.5 1.5H7.5C5 18 3 16.5 3 14z" %s/>' % stroke(c, 1.6) +
            '<path d="M3 14c0 2 1.6 3.3 3.4 3.3 1.1 0 1.8-.8 1.8-1.8 0-1.3-1.2-2-2.4-2H3" %s/>'
            % stroke(c, 1.3) + '<path d="M11 12h7" %s opacity="0.6"/>' % stroke(c, 1.4))


def icon_headset(c):
    return ('<path d="M4 15v-3a8 8 0 0 1 16 0v3" %s/>' % stroke(c, 1.6) +
            '<rect x="3" y="13.5" width="4" height="6.5" rx="1.6" %s/>' % stroke(c, 1.6) +
            '<rect x="17" y="13.5" width="4" height="6.5" rx="1.6" %s/>' % stroke(c, 1.6) +
            '<path d="M19 20c0 1.5-2 2-4.5 2" %s/>' % stroke(c, 1.3))


def icon_hub(c):
    return ('<rect x="3" y="8" width="18" height="8" rx="2" %s/>' % stroke(c, 1.6) +
            ''.join('<rect x="%s" y="10.8" width="2.6" height="2.4" rx="0.4" fill="%s"/>' % (x, c)
                    for x in (6, 10.7, 15.4)) +
            '<path d="M12 8V4.5M10.5 4.5h3" %s/>' % stroke(c, 1.5))


def icon_unknown(c):
    return ('<circle cx="12" cy="12" r="9" %s/>' % stroke(c, 1.6) +
            '<path d="M9.6 9.4a2.5 2.5 0 0 1 4.8 1c0 1.7-2.4 2.2-2.4 3.6" %s/>' % stroke(c, 1.6) +
            '<circle cx="12" cy="17" r="1.1" fill="%s"/>' % c)


DEVICE_ICONS = {
    'kb': icon_keyboard, 'ms': icon_mouse, 'hard_mp': icon_hard_pad, 'soft_mp': icon_soft_pad,
    'hd': icon_headset, 'hub': icon_hub, 'unknow': icon_unknown,
}


def sync_badge(x, y):
    return ('<circle cx="%s" cy="%s" r="6.5" fill="%s" stroke="#0D1117" stroke-width="1.5"/>'
            % (x, y, SYNC) +
            '<path d="M%s %sa3 3 0 0 1 5-1.2M%s %sa3 3 0 0 1-5 1.2" %s/>'
            % (x - 3, y - 0.3, x + 3, y + 0.3, stroke(WHITE, 1.3)) +
            '<path d="M%s %sl0.6 1.9-1.9 0.2M%s %sl-0.6-1.9 1.9-0.2" %s/>'
            % (x + 2.2, y - 3.2, x - 2.2, y + 3.2, stroke(WHITE, 1.1)))


def device_cards():
    # The strip item: a 156 x 48 card with the device's icon at the left; the name label shows
    # through the transparent middle of the card.
    w, h = 156, 48
    glow = ('<radialGradient id="g" cx="0.16" cy="0.5" r="0.5">'
            '<stop offset="0" stop-color="%s" stop-opacity="0.45"/>'
            '<stop offset="1" stop-color="%s" stop-opacity="0"/></radialGradient>'
            '<linearGradient id="f" x1="0" y1="0" x2="1" y2="0">'
            '<stop offset="0" stop-color="%s" stop-opacity="0.22"/>'
            '<stop offset="1" stop-color="%s" stop-opacity="0.06"/></linearGradient>'
            % (ACCENT, ACCENT, ACCENT, ACCENT))
    for kind, draw in DEVICE_ICONS.items():
        for state in ('normal', 'selected', 'synchro_normal', 'synchro_selected'):
            sel = state.endswith('selected')
            if sel:
                card = ('<rect x="0.75" y="0.75" width="%s" height="%s" rx="9" fill="url(#f)" '
                        'stroke="%s" stroke-width="1.5"/>' % (w - 1.5, h - 1.5, ACCENT) +
                        '<rect x="2" y="6" width="44" height="36" fill="url(#g)"/>' +
                        '<rect x="12" y="%s" width="132" height="2" rx="1" fill="%s"/>'
                        % (h - 2.5, ACCENT))
                ic = WHITE
            else:
                card = ('<rect x="0.5" y="0.5" width="%s" height="%s" rx="9" fill="#FFFFFF" '
                        'fill-opacity="0.035" stroke="#2A3444" stroke-width="1"/>' % (w - 1, h - 1))
                ic = MUTED
            body = card + '<g transform="translate(8 8) scale(1.3333)">%s</g>' % draw(ic)
            if state.startswith('synchro'):
                body += sync_badge(37, 35)
            write('common/device_ico/%s_device_%s.svg' % (kind, state), w, h, body,
                  glow if sel else '')


# ---------------------------------------------------------------- battery and phone pictures
def power_icons():
    s = 20
    batt = lambda inner: ('<rect x="1.5" y="5.5" width="15" height="9" rx="2" %s/>' % stroke(WHITE, 1.4) +
                          '<rect x="17" y="8.2" width="1.8" height="3.6" rx="0.6" fill="%s"/>' % WHITE + inner)
    write('power/power.svg', s, s, batt('<rect x="3.3" y="7.3" width="8" height="5.4" rx="1" fill="%s"/>' % SYNC))
    write('power/powered.svg', s, s,
          '<path d="M7 2.5v4M13 2.5v4M4.5 6.5h11v3.5a5.5 5.5 0 0 1-11 0z" %s/>' % stroke(WHITE, 1.5) +
          '<path d="M10 15.5V18" %s/>' % stroke(WHITE, 1.5))
    bolt = '<path d="M10.5 6.5l-3 4h3l-1.6 3.5" %s/>' % stroke('#FFD23F', 1.6)
    write('power/powering.svg', s, s, batt(bolt))
    write('power/wuxian_powering.svg', s, s,
          batt(bolt) + '<path d="M4 3a8 8 0 0 1 12 0" %s opacity="0.8"/>' % stroke(ACCENT_LIGHT, 1.2))
    phone = lambda extra: ('<rect x="6" y="1.5" width="8" height="17" rx="2" %s/>' % stroke(WHITE, 1.4) + extra)
    write('power/Phone_type_iphone.svg', s, s,
          phone('<rect x="8.5" y="3" width="3" height="1.2" rx="0.6" fill="%s"/>' % WHITE))
    write('power/Phone_type_samsung.svg', s, s,
          phone('<circle cx="10" cy="3.6" r="0.8" fill="%s"/>' % WHITE))
    write('power/Phone_type_other.svg', s, s,
          phone('<line x1="8.5" y1="16" x2="11.5" y2="16" %s/>' % stroke(WHITE, 1.2)))
    write('power/Phone_type_no_device.svg', s, s,
          phone('') .replace(WHITE, '#56606E') +
          '<line x1="4" y1="17" x2="16" y2="3" %s/>' % stroke('#56606E', 1.4))
    write('power/wireless.svg', s, s,
          '<path d="M3 8a10 10 0 0 1 14 0M5.5 11a6.4 6.4 0 0 1 9 0M8 14a2.8 2.8 0 0 1 4 0" %s/>'
          % stroke(ACCENT_LIGHT, 1.6) + '<circle cx="10" cy="16.5" r="1.2" fill="%s"/>' % ACCENT_LIGHT)


# ---------------------------------------------------------------- key caps of the device picture
def key_caps():
    # 48 x 48 sources drawn for nine-slice stretching with corner 10 on each side.
    s = 48
    grad = ('<linearGradient id="t" x1="0" y1="0" x2="0" y2="1">'
            '<stop offset="0" stop-color="#232C39"/><stop offset="1" stop-color="#171D26"/>'
            '</linearGradient>')
    base = ('<rect x="0.5" y="0.5" width="47" height="47" rx="7" fill="url(#t)" stroke="%s" '
            'stroke-width="1"/><rect x="2" y="1.5" width="44" height="1" rx="0.5" fill="#FFFFFF" '
            'fill-opacity="0.07"/>')
    write('keyboard/key_normal.svg', s, s, base % '#303B4B', grad)
    write('keyboard/key_hot.svg', s, s, base % '#5A7FA6' +
          '<rect x="0.5" y="0.5" width="47" height="47" rx="7" fill="#FFFFFF" fill-opacity="0.05"/>', grad)
    write('keyboard/key_pushed.svg', s, s,
          '<rect x="0.5" y="0.5" width="47" height="47" rx="7" fill="#10151C" stroke="#303B4B"/>')
    write('keyboard/key_selected.svg', s, s,
          '<rect x="1" y="1" width="46" height="46" rx="7" fill="%s" fill-opacity="0.20" stroke="%s" '
          'stroke-width="2"/>' % (ACCENT, ACCENT_LIGHT))
    write('keyboard/key_disabled.svg', s, s,
          '<rect x="0.5" y="0.5" width="47" height="47" rx="7" fill="#151A21" stroke="#232A35"/>')
    # Light layer, drawn white and tinted with the key's live colour: a bright rim, a soft
    # inner glow and a faint wash over the cap.
    rings = ''.join('<rect x="%s" y="%s" width="%s" height="%s" rx="%s" fill="none" stroke="#FFFFFF" '
                    'stroke-opacity="%s" stroke-width="1.5"/>' % (i, i, s - 2 * i, s - 2 * i, max(7 - i + 1, 2), a)
                    for i, a in ((1.25, 1.0), (2.6, 0.5), (3.9, 0.28), (5.2, 0.14), (6.5, 0.06)))
    write('keyboard/key_light.svg', s, s,
          '<rect x="1" y="1" width="46" height="46" rx="7" fill="#FFFFFF" fill-opacity="0.10"/>' + rings)
    write('keyboard/key_set.svg', s, s,
          '<circle cx="40" cy="8" r="3" fill="%s" stroke="#0D1117" stroke-width="1"/>' % '#FFB020')


# ---------------------------------------------------------------- title bar and small buttons
def board_plate():
    # The keyboard's body behind the key caps of the device picture (keys: 730 x 260 at 12, 12).
    w, h = 754, 284
    stops = ''.join('<stop offset="%.3f" stop-color="%s"/>' % (i / 6, c) for i, c in enumerate(
        ['#FF3B3B', '#FFB020', '#E8FF3B', '#19E07D', '#1FD7FF', '#4C6BFF', '#D43BFF']))
    defs = ('<linearGradient id="body" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#1A212B"/>'
            '<stop offset="1" stop-color="#0E1218"/></linearGradient>'
            '<linearGradient id="rgb" x1="0" y1="0" x2="1" y2="0">%s</linearGradient>'
            '<linearGradient id="edge" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#FFFFFF" '
            'stop-opacity="0.10"/><stop offset="1" stop-color="#FFFFFF" stop-opacity="0"/></linearGradient>'
            % stops)
    body = ('<rect x="4" y="%d" width="%d" height="6" rx="3" fill="url(#rgb)" opacity="0.35"/>' % (h - 7, w - 8) +
            '<rect x="1" y="1" width="%d" height="%d" rx="14" fill="url(#body)" stroke="#2B3646" '
            'stroke-width="1.5"/>' % (w - 2, h - 6) +
            '<rect x="3" y="3" width="%d" height="24" rx="12" fill="url(#edge)"/>' % (w - 6) +
            '<rect x="40" y="%d" width="%d" height="1.5" rx="0.75" fill="url(#rgb)" opacity="0.8"/>'
            % (h - 6, w - 80))
    write('keyboard/board_plate.svg', w, h, body, defs)


def title_buttons():
    s = 32
    hover_bg = '<rect x="0" y="0" width="32" height="32" rx="6" fill="#FFFFFF" fill-opacity="%s"/>'
    glyphs = {
        'close': '<path d="M11 11l10 10M21 11L11 21" %s/>',
        'min': '<path d="M10.5 16h11" %s/>',
        'max': '<rect x="10.5" y="10.5" width="11" height="11" rx="1.5" %s/>',
        'restore': '<path d="M13 10.5h8.5V19M10.5 13h8.5v8.5h-8.5z" %s/>',
        'skin': ('<path d="M16 8.5a7.5 7.5 0 1 0 0 15c1.2 0 1.6-.8 1.6-1.6 0-1.3-1.2-1.6-1.2-2.6 0-.9.7-1.5 '
                 '1.6-1.5h2.1c2.1 0 3.4-1.5 3.4-3.4 0-3.4-3.4-5.9-7.5-5.9z" %s/>'
                 '<circle cx="12.3" cy="14" r="1.2" fill="{c}"/><circle cx="15.6" cy="11.6" r="1.2" fill="{c}"/>'
                 '<circle cx="19.4" cy="12.8" r="1.2" fill="{c}"/>'),
        'set': ('<circle cx="16" cy="16" r="2.6" %s/>'
                '<path d="M16 8.5v2.2M16 21.3v2.2M8.5 16h2.2M21.3 16h2.2M10.7 10.7l1.6 1.6M19.7 19.7l1.6 1.6'
                'M10.7 21.3l1.6-1.6M19.7 12.3l1.6-1.6" %s/>'
                '<circle cx="16" cy="16" r="5.3" %s/>'),
    }
    for name, g in glyphs.items():
        for state, col, bg in (('normal', '#A9B4C2', None), ('hot', WHITE, '0.08'),
                               ('pushed', WHITE, '0.14')):
            c = col
            if name == 'close' and state != 'normal':
                body = '<rect x="0" y="0" width="32" height="32" rx="6" fill="#E5484D"/>'
                c = WHITE
            else:
                body = hover_bg % bg if bg else ''
            n = g.count('%s')
            body += (g % tuple([stroke(c, 1.7)] * n)).replace('{c}', c)
            write('common/title/%s_%s.svg' % (name, state), s, s, body)
    # Dot over the settings button until the update check has found everything current.
    write('common/title/set_badge.svg', s, s,
          '<circle cx="23.5" cy="8.5" r="3.5" fill="%s" stroke="#0D1117" stroke-width="1.5"/>' % ACCENT_LIGHT)


def logo():
    # The product mark: a stylised "Q" ring cut by a light streak.
    defs = ('<linearGradient id="q" x1="0" y1="0" x2="1" y2="1">'
            '<stop offset="0" stop-color="#5CE1FF"/><stop offset="0.5" stop-color="%s"/>'
            '<stop offset="1" stop-color="#7B5CFF"/></linearGradient>' % ACCENT)
    mark = ('<circle cx="12" cy="12" r="7.5" fill="none" stroke="url(#q)" stroke-width="3.2"/>'
            '<path d="M14.5 14.5l6 6" stroke="url(#q)" stroke-width="3.4" stroke-linecap="round"/>'
            '<circle cx="12" cy="12" r="2.2" fill="#FFFFFF"/>')
    write('common/logo.svg', 24, 24, mark, defs)
    write('common/app_icon.svg', 64, 64,
          '<rect x="2" y="2" width="60" height="60" rx="14" fill="#111821" stroke="#263244" stroke-width="2"/>'
          '<g transform="translate(8 8) scale(2)">%s</g>' % mark, defs)
    # The same icon large, for desktop launchers and about boxes.
    write('common/app_icon_256.svg', 256, 256,
          '<g transform="scale(4)"><rect x="2" y="2" width="60" height="60" rx="14" fill="#111821" '
          'stroke="#263244" stroke-width="2"/><g transform="translate(8 8) scale(2)">%s</g></g>' % mark, defs)
    write('common/tray_icon.svg', 32, 32, '<g transform="translate(1 1) scale(1.25)">%s</g>' % mark, defs)


# ---------------------------------------------------------------- function tabs
def tab_icons():
    icons = {
        'light': ('<circle cx="12" cy="10" r="5.5" %s/><path d="M9.5 19h5M10.2 21.5h3.6M9.7 15.3v1.7'
                  'h4.6v-1.7" %s/><path d="M12 1.8v1.4M3.2 10h1.4M19.4 10h1.4M5.8 3.8l1 1M18.2 3.8l-1 1" %s/>'),
        'key': ('<rect x="3" y="3" width="18" height="18" rx="4" %s/><path d="M8 15.5l4-8 4 8M9.5 12.7h5" %s/>'),
        'macro': ('<rect x="3" y="4" width="18" height="16" rx="3" %s/><path d="M7 9h6M7 12.5h10M7 16h4" %s/>'
                  '<circle cx="17" cy="9" r="1.5" fill="{c}"/>'),
        'system': ('<path d="M4 6h9M17 6h3M4 12h3M11 12h9M4 18h11M19 18h1" %s/>'
                   '<circle cx="15" cy="6" r="2" %s/><circle cx="9" cy="12" r="2" %s/><circle cx="17" cy="18" r="2" %s/>'),
        'cursor': '<path d="M6 3.5l12 7.2-5.4 1.2 3.2 6.4-2.3 1.2-3.2-6.4L6 17z" %s/>',
        'voice': ('<rect x="9" y="2.5" width="6" height="11" rx="3" %s/><path d="M5.5 11a6.5 6.5 0 0 0 13 0'
                  'M12 17.5v3.5M8.5 21h7" %s/>'),
        'magic': ('<path d="M5 19L15.5 8.5M13.5 6.5l4 4" %s/><path d="M18 2.8l.7 1.8 1.8.7-1.8.7-.7 1.8-.7-1.8'
                  '-1.8-.7 1.8-.7zM7 3.5l.5 1.2 1.2.5-1.2.5L7 6.9l-.5-1.2-1.2-.5 1.2-.5z" fill="{c}"/>'),
        'virtual': ('<circle cx="12" cy="12" r="2.5" %s/><path d="M7.5 7.5a6.4 6.4 0 0 0 0 9M16.5 7.5a6.4 6.4 0 0 1 0 9'
                    'M4.6 4.6a10.5 10.5 0 0 0 0 14.8M19.4 4.6a10.5 10.5 0 0 1 0 14.8" %s/>'),
    }
    # Each function tab is one 204 x 44 picture: background of its state and the icon at the left;
    # the button draws its caption over it.
    w, h = 204, 44
    defs = ('<linearGradient id="s" x1="0" y1="0" x2="1" y2="0"><stop offset="0" stop-color="%s" '
            'stop-opacity="0.34"/><stop offset="1" stop-color="%s" stop-opacity="0.04"/></linearGradient>'
            % (ACCENT, ACCENT))
    backs = {
        'normal': '',
        'hot': '<rect x="0" y="0" width="%d" height="%d" rx="10" fill="#FFFFFF" fill-opacity="0.05"/>' % (w, h),
        'selected': ('<rect x="0.75" y="0.75" width="%s" height="%s" rx="10" fill="url(#s)" stroke="%s" '
                     'stroke-opacity="0.55" stroke-width="1.5"/><rect x="0" y="11" width="3" height="22" '
                     'rx="1.5" fill="%s"/>' % (w - 1.5, h - 1.5, ACCENT, ACCENT_LIGHT)),
    }
    for name, g in icons.items():
        for state, c in (('normal', MUTED), ('hot', '#D6DEE8'), ('selected', WHITE)):
            n = g.count('%s')
            glyph = (g % tuple([stroke(c, 1.6)] * n)).replace('{c}', c)
            write('common/tab/%s_%s.svg' % (name, state), w, h,
                  backs[state] + '<g transform="translate(18 10)">%s</g>' % glyph,
                  defs if state == 'selected' else '')


# ---------------------------------------------------------------- profile and editor buttons
def small_icons():
    icons = {
        'add': '<path d="M12 5v14M5 12h14" %s/>',
        'sub': '<path d="M5 7h14M9.5 7V4.8h5V7M7 7l.9 12.2h8.2L17 7M10.5 10.5v5.5M13.5 10.5v5.5" %s/>',
        'copy': '<rect x="8" y="8" width="12" height="12" rx="2" %s/><path d="M16 5.5V5a1 1 0 0 0-1-1H5a1 1 0 0 0-1 1v10a1 1 0 0 0 1 1h.5" %s/>',
        'import': '<path d="M12 4v11M7.5 10.5L12 15l4.5-4.5M5 19h14" %s/>',
        'export': '<path d="M12 15V4M7.5 8.5L12 4l4.5 4.5M5 19h14" %s/>',
        'reset': '<path d="M5.5 12a6.5 6.5 0 1 0 2-4.7M5 4.5v3.8h3.8" %s/>',
        'save': '<path d="M5 12.5l4.2 4.2L19 7" %s/>',
        'edit': '<path d="M14.5 5.5l4 4L9 19H5v-4z" %s/>',
        'more': '<circle cx="6" cy="12" r="1.6" fill="{c}"/><circle cx="12" cy="12" r="1.6" fill="{c}"/><circle cx="18" cy="12" r="1.6" fill="{c}"/>',
        'prev': '<path d="M14.5 6l-6 6 6 6" %s/>',
        'next': '<path d="M9.5 6l6 6-6 6" %s/>',
        'up': '<path d="M6 14.5l6-6 6 6" %s/>',
        'down': '<path d="M6 9.5l6 6 6-6" %s/>',
        'top': '<path d="M6 5h12M6 16l6-6 6 6" %s/>',
        'bottom': '<path d="M6 19h12M6 8l6 6 6-6" %s/>',
        'delete': '<path d="M7 7l10 10M17 7L7 17" %s/>',
        'record': '<circle cx="12" cy="12" r="6" fill="#FF4D6D"/>',
        'stop': '<rect x="7" y="7" width="10" height="10" rx="2" fill="{c}"/>',
        'link': '<path d="M10 14l4-4M8.5 11.5l-2 2a3 3 0 0 0 4.2 4.2l2-2M15.5 12.5l2-2a3 3 0 0 0-4.2-4.2l-2 2" %s/>',
        'arrow_left': '<path d="M19 12H5M10 7l-5 5 5 5" %s/>',
        'arrow_right': '<path d="M5 12h14M14 7l5 5-5 5" %s/>',
        'arrow_up': '<path d="M12 19V5M7 10l5-5 5 5" %s/>',
        'arrow_down': '<path d="M12 5v14M7 14l5 5 5-5" %s/>',
        'globe': '<circle cx="12" cy="12" r="8.5" %s/><path d="M3.5 12h17M12 3.5c2.6 2.3 3.6 5.3 3.6 8.5s-1 6.2-3.6 8.5c-2.6-2.3-3.6-5.3-3.6-8.5s1-6.2 3.6-8.5z" %s/>',
    }
    for name, g in icons.items():
        for state, c in (('normal', '#C3CCD8'), ('hot', WHITE), ('disabled', '#4A5566')):
            n = g.count('%s')
            body = (g % tuple([stroke(c, 1.8)] * n)).replace('{c}', c)
            write('common/icon/%s_%s.svg' % (name, state), 24, 24, body)


# ---------------------------------------------------------------- sliders, swatches, pictures
def controls():
    for n, ring in ((1, ACCENT), (2, '#C3CCD8')):
        write('Control/SliderBar%d_Thumb.svg' % n, 18, 18,
              '<circle cx="9" cy="9" r="7.5" fill="%s" stroke="#0D1117" stroke-width="1.5"/>'
              '<circle cx="9" cy="9" r="3" fill="#FFFFFF"/>' % ring)
    # The "many colours" picture of a colour preview.
    stops = ''.join('<stop offset="%.3f" stop-color="%s"/>' % (i / 6, c) for i, c in enumerate(
        ['#FF3B3B', '#FFB020', '#E8FF3B', '#19E07D', '#1FD7FF', '#4C6BFF', '#D43BFF']))
    write('common/base1.svg', 64, 64,
          '<rect width="64" height="64" rx="8" fill="url(#r)"/>'
          '<rect width="64" height="64" rx="8" fill="url(#w)"/>',
          '<linearGradient id="r" x1="0" y1="0" x2="1" y2="0">%s</linearGradient>'
          '<linearGradient id="w" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#FFFFFF" '
          'stop-opacity="0.25"/><stop offset="1" stop-color="#000000" stop-opacity="0.15"/></linearGradient>'
          % stops)


def update_marks():
    write('common/update_ok.svg', 28, 28,
          '<circle cx="14" cy="14" r="12" fill="%s" fill-opacity="0.18" stroke="%s" stroke-width="2"/>'
          '<path d="M8.5 14.5l3.8 3.8L20 10.5" %s/>' % (SYNC, SYNC, stroke(SYNC, 2.4)))
    write('common/update_done.svg', 18, 18,
          '<circle cx="9" cy="9" r="8" fill="%s"/><path d="M5.2 9.3l2.6 2.6 5-5.2" %s/>' % (SYNC, stroke(WHITE, 1.8)))


def no_device():
    # Picture of the empty state: a keyboard outline with a cable looking for its port.
    w, h = 260, 150
    defs = ('<radialGradient id="halo" cx="0.5" cy="0.55" r="0.55"><stop offset="0" stop-color="%s" '
            'stop-opacity="0.28"/><stop offset="1" stop-color="%s" stop-opacity="0"/></radialGradient>'
            % (ACCENT, ACCENT))
    keys = ''
    for row in range(3):
        for col in range(11):
            keys += ('<rect x="%s" y="%s" width="12" height="10" rx="2.5" fill="none" stroke="#3B4A5E" '
                     'stroke-width="1.2"/>' % (60 + col * 14.5, 72 + row * 13))
    body = ('<ellipse cx="130" cy="88" rx="130" ry="62" fill="url(#halo)"/>'
            '<rect x="50" y="62" width="176" height="66" rx="10" fill="#121922" stroke="%s" '
            'stroke-width="2"/>' % '#4C5D73' + keys +
            '<path d="M138 62c0-18 0-26 12-32s40-4 52-14" %s stroke-dasharray="5 5"/>' % stroke(ACCENT_LIGHT, 2) +
            '<rect x="196" y="6" width="22" height="14" rx="3" fill="#0D1117" stroke="%s" stroke-width="2"/>'
            % ACCENT_LIGHT + '<path d="M218 13h14" %s/>' % stroke(ACCENT_LIGHT, 2))
    write('common/nodevice.svg', w, h, body, defs)


# ---------------------------------------------------------------- window backgrounds
def backgrounds():
    w, h = 1000, 640
    lines = ''.join('<path d="M%d 0L%d %d" stroke="#FFFFFF" stroke-opacity="0.018" stroke-width="1"/>'
                    % (x, x - h, h) for x in range(0, w + h, 28))
    hexes = ''
    r = 22
    for j in range(0, 12):
        for i in range(0, 26):
            cx = i * r * 1.732 + (j % 2) * r * 0.866
            cy = j * r * 1.5
            if cx < 560 or cy > 300:
                continue
            op = max(0.0, 0.07 - (abs(cx - 860) + cy) / 7000)
            if op <= 0.004:
                continue
            pts = ' '.join('%.1f,%.1f' % (cx + r * 0.95 * math.cos(math.radians(60 * k + 30)),
                                          cy + r * 0.95 * math.sin(math.radians(60 * k + 30))) for k in range(6))
            hexes += '<polygon points="%s" fill="none" stroke="%s" stroke-opacity="%.3f"/>' % (pts, ACCENT_LIGHT, op)

    def bg(name, top, bottom, glow1, glow2, extra=''):
        defs = ('<linearGradient id="b" x1="0" y1="0" x2="0.3" y2="1"><stop offset="0" stop-color="%s"/>'
                '<stop offset="1" stop-color="%s"/></linearGradient>'
                '<radialGradient id="g1" cx="0.88" cy="0.02" r="0.55"><stop offset="0" stop-color="%s" '
                'stop-opacity="0.30"/><stop offset="1" stop-color="%s" stop-opacity="0"/></radialGradient>'
                '<radialGradient id="g2" cx="0.05" cy="1.0" r="0.6"><stop offset="0" stop-color="%s" '
                'stop-opacity="0.16"/><stop offset="1" stop-color="%s" stop-opacity="0"/></radialGradient>'
                % (top, bottom, glow1, glow1, glow2, glow2))
        write(name, w, h,
              '<rect width="%d" height="%d" fill="url(#b)"/><rect width="%d" height="%d" fill="url(#g1)"/>'
              '<rect width="%d" height="%d" fill="url(#g2)"/>' % (w, h, w, h, w, h) + extra, defs)

    bg('common/background.svg', '#111722', '#0A0E14', ACCENT, '#7B5CFF', lines + hexes)
    bg('common/skin/bg_aurora.svg', '#0C1A1E', '#070C10', '#19E0A0', '#2D7CFF', lines)
    bg('common/skin/bg_magma.svg', '#1C1111', '#0C0808', '#FF5A1F', '#FF2D6F', lines)
    bg('common/skin/bg_nebula.svg', '#16112A', '#09070F', '#B05CFF', '#2DB7FF', hexes)
    # Carbon weave: dashed rows, each shifted by one tile against the row above.
    bg('common/skin/bg_carbon.svg', '#15171A', '#0B0C0E', '#8FA3B8', '#3A4556',
       ''.join('<path d="M%d %dH%d" stroke="#FFFFFF" stroke-opacity="0.025" stroke-width="6" '
               'stroke-dasharray="6 6"/>' % ((y // 6 % 2) * 6, y + 3, w) for y in range(0, h, 6)))


def main():
    device_cards()
    power_icons()
    key_caps()
    board_plate()
    title_buttons()
    logo()
    tab_icons()
    small_icons()
    controls()
    no_device()
    update_marks()
    backgrounds()


if __name__ == '__main__':
    main()
