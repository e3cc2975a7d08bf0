"""A tiny description language for Qt Designer layout files (.ui XML), so the skin's layouts are
written compactly and consistently. Used by make_layouts.py and make_keyboard_page.py."""
from xml.sax.saxutils import escape

# Dynamic properties the program's toolkit reads (not standard Qt properties).
DYNAMIC = {'userdata', 'textkey', 'tooltipkey', 'group', 'normalimage', 'hotimage', 'pushedimage',
           'selectedimage', 'disabledimage', 'bkimage', 'foreimage', 'lightimage', 'keysetimage',
           'font', 'textcolor', 'bkcolor', 'visible', 'role', 'itemuserdata', 'itemtextkeys'}


def _value(v):
    if isinstance(v, bool):
        return '<bool>%s</bool>' % ('true' if v else 'false')
    if isinstance(v, int):
        return '<number>%d</number>' % v
    if isinstance(v, float):
        return '<double>%s</double>' % v
    return '<string>%s</string>' % escape(str(v))


class Spacer:
    def __init__(self, orient='h', w=0, h=0, fixed=False):
        self.orient, self.w, self.h, self.fixed = orient, w, h, fixed


def hspace(w=0, fixed=False):
    return Spacer('h', w, 0, fixed)


def vspace(h=0, fixed=False):
    return Spacer('v', 0, h, fixed)


class Layout:
    def __init__(self, kind, items, margins=(0, 0, 0, 0), spacing=6, hspacing=None, vspacing=None):
        self.kind, self.items, self.margins, self.spacing = kind, items, margins, spacing
        self.hspacing, self.vspacing = hspacing, vspacing


def V(*items, m=(0, 0, 0, 0), s=6):
    return Layout('QVBoxLayout', list(items), m if isinstance(m, tuple) else (m,) * 4, s)


def H(*items, m=(0, 0, 0, 0), s=6):
    return Layout('QHBoxLayout', list(items), m if isinstance(m, tuple) else (m,) * 4, s)


def G(*cells, m=(0, 0, 0, 0), hs=6, vs=6):
    """cells: (widget, row, col[, rowspan, colspan])"""
    lay = Layout('QGridLayout', list(cells), m if isinstance(m, tuple) else (m,) * 4, None, hs, vs)
    return lay


class W:
    def __init__(self, cls, name, *children, layout=None, geo=None, fixed=None, fw=None, fh=None,
                 minw=None, minh=None, items=None, pages=None, **props):
        self.cls, self.name = cls, name
        self.children = list(children)
        self.layout, self.geo, self.items, self.pages = layout, geo, items, pages
        self.fixed, self.fw, self.fh, self.minw, self.minh = fixed, fw, fh, minw, minh
        self.props = props

    def xml(self, ind, counter):
        pad = ' ' * ind
        out = ['%s<widget class="%s" name="%s">' % (pad, self.cls, escape(self.name))]
        p = pad + ' '
        if self.geo:
            x, y, w, h = self.geo
            out.append('%s<property name="geometry"><rect><x>%d</x><y>%d</y><width>%d</width>'
                       '<height>%d</height></rect></property>' % (p, x, y, w, h))
        minw = self.minw or 0
        minh = self.minh or 0
        maxw = maxh = None
        if self.fixed:
            minw, minh = self.fixed
            maxw, maxh = self.fixed
        if self.fw:
            minw = maxw = self.fw
        if self.fh:
            minh = maxh = self.fh
        if minw or minh:
            out.append('%s<property name="minimumSize"><size><width>%d</width><height>%d</height>'
                       '</size></property>' % (p, minw, minh))
        if maxw is not None or maxh is not None:
            out.append('%s<property name="maximumSize"><size><width>%d</width><height>%d</height>'
                       '</size></property>' % (p, maxw if maxw is not None else 16777215,
                                               maxh if maxh is not None else 16777215))
        for k, v in self.props.items():
            if k == 'alignment':
                out.append('%s<property name="alignment"><set>%s</set></property>' % (p, v))
            elif k in ('orientation', 'frameShape', 'echoMode', 'focusPolicy', 'textFormat',
                       'selectionMode', 'horizontalScrollBarPolicy', 'verticalScrollBarPolicy'):
                out.append('%s<property name="%s"><enum>%s</enum></property>' % (p, k, v))
            elif k in DYNAMIC:
                out.append('%s<property name="%s" stdset="0">%s</property>' % (p, k, _value(v)))
            else:
                out.append('%s<property name="%s">%s</property>' % (p, k, _value(v)))
        if self.items:
            for it in self.items:
                if isinstance(it, str):
                    it = {'text': it}
                out.append('%s<item>' % p)
                for k, v in it.items():
                    out.append('%s <property name="%s"%s>%s</property>'
                               % (p, k, ' stdset="0"' if k in DYNAMIC else '', _value(v)))
                out.append('%s</item>' % p)
        if self.layout:
            out.extend(layout_xml(self.layout, ind + 1, counter))
        for c in self.children:
            out.extend(c.xml(ind + 1, counter))
        if self.pages:
            for pg in self.pages:
                out.extend(pg.xml(ind + 1, counter))
        out.append('%s</widget>' % pad)
        return out


def layout_xml(lay, ind, counter):
    pad = ' ' * ind
    counter[0] += 1
    out = ['%s<layout class="%s" name="layout_%d">' % (pad, lay.kind, counter[0])]
    p = pad + ' '
    if lay.spacing is not None:
        out.append('%s<property name="spacing"><number>%d</number></property>' % (p, lay.spacing))
    if lay.hspacing is not None:
        out.append('%s<property name="horizontalSpacing"><number>%d</number></property>' % (p, lay.hspacing))
        out.append('%s<property name="verticalSpacing"><number>%d</number></property>' % (p, lay.vspacing))
    for side, v in zip(('leftMargin', 'topMargin', 'rightMargin', 'bottomMargin'), lay.margins):
        out.append('%s<property name="%s"><number>%d</number></property>' % (p, side, v))
    for it in lay.items:
        attrs = ''
        if lay.kind == 'QGridLayout':
            w, r, c = it[0], it[1], it[2]
            rs, cs = (it[3], it[4]) if len(it) > 3 else (1, 1)
            attrs = ' row="%d" column="%d"' % (r, c)
            if rs != 1 or cs != 1:
                attrs += ' rowspan="%d" colspan="%d"' % (rs, cs)
            it = w
        out.append('%s<item%s>' % (p, attrs))
        if isinstance(it, Spacer):
            counter[0] += 1
            out.append('%s <spacer name="spacer_%d">' % (p, counter[0]))
            out.append('%s  <property name="orientation"><enum>Qt::%s</enum></property>'
                       % (p, 'Horizontal' if it.orient == 'h' else 'Vertical'))
            if it.fixed:
                out.append('%s  <property name="sizeType"><enum>QSizePolicy::Fixed</enum></property>' % p)
            out.append('%s  <property name="sizeHint" stdset="0"><size><width>%d</width><height>%d'
                       '</height></size></property>' % (p, it.w, it.h))
            out.append('%s </spacer>' % p)
        elif isinstance(it, Layout):
            out.extend(layout_xml(it, ind + 2, counter))
        else:
            out.extend(it.xml(ind + 2, counter))
        out.append('%s</item>' % p)
    out.append('%s</layout>' % pad)
    return out


def ui_document(root, note):
    counter = [0]
    body = '\n'.join(root.xml(1, counter))
    return ('<?xml version="1.0" encoding="UTF-8"?>\n<!-- %s -->\n<ui version="4.0">\n'
            ' <class>%s</class>\n%s\n <resources/>\n <connections/>\n</ui>\n'
            % (note, root.name, body))


def write_ui(path, root, note='Generated by skin/tools/make_layouts.py; edit the script, not this file.'):
    import os
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'w') as f:
        f.write(ui_document(root, note))
