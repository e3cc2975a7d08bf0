#!/usr/bin/env python3
"""Writes the skin's layout files (Qt Designer XML) below skin/XML and the window layouts at the
skin root. The keyboard page is written by make_keyboard_page.py from board-88.json.
Run: python3 skin/tools/make_layouts.py   (the generated files are committed)."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from layout_dsl import W, V, H, G, hspace, vspace, write_ui  # noqa: E402

SKIN = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))


def out(rel, root):
    write_ui(os.path.join(SKIN, rel), root)


def img(f, corner=None, source=None):
    s = "file='%s'" % f
    if source:
        s += " source='%s'" % source
    if corner:
        s += " corner='%s'" % corner
    return s


# ------------------------------------------------------------------ small control factories
# Font ids of the toolkit's font table by text role (the table itself follows the language).
FONT_BY_ROLE = {'caption': 8, 'muted': 7, 'brand': 50, 'brand_accent': 50, 'heading': 5, 'wintitle': 4,
                'section': 0, 'version': 4, 'device_name': 7, 'battery_value': 8}


def label(name, key=None, text=None, role=None, **kw):
    if role in FONT_BY_ROLE and 'font' not in kw:
        kw['font'] = FONT_BY_ROLE[role]
    if key:
        kw['textkey'] = key
    if text is not None:
        kw['text'] = text
    if role:
        kw['role'] = role
    return W('QLabel', name, **kw)


def caption(name, key, **kw):
    kw.setdefault('role', 'caption')
    return label(name, key, **kw)


def button(name, key=None, role='button', **kw):
    if key:
        kw['textkey'] = key
    return W('QPushButton', name, role=role, **kw)


def iconbtn(name, icon, tip, size=24, **kw):
    return W('QPushButton', name, fixed=(size, size), role='iconbtn', tooltipkey=tip,
             normalimage=img('common/icon/%s_normal.png' % icon),
             hotimage=img('common/icon/%s_hot.png' % icon),
             pushedimage=img('common/icon/%s_hot.png' % icon),
             disabledimage=img('common/icon/%s_disabled.png' % icon), **kw)


def titlebtn(name, icon, tip, **kw):
    return W('QPushButton', name, fixed=(32, 32), role='titlebtn', tooltipkey=tip,
             normalimage=img('common/title/%s_normal.png' % icon),
             hotimage=img('common/title/%s_hot.png' % icon),
             pushedimage=img('common/title/%s_pushed.png' % icon), **kw)


def option(name, key, group, cls='QRadioButton', **kw):
    return W(cls, name, textkey=key, group=group, **kw)


def check(name, key, **kw):
    return W('QCheckBox', name, textkey=key, **kw)


def slider(name, lo, hi, value=0, **kw):
    return W('QSlider', name, orientation='Qt::Horizontal', minimum=lo, maximum=hi, value=value,
             pageStep=1, **kw)


def edit(name, text='', **kw):
    return W('QLineEdit', name, text=text, **kw)


def num_edit(name, text='0', width=44, maxlen=3, **kw):
    return W('QLineEdit', name, text=text, fw=width, maxLength=maxlen, role='num',
             alignment='Qt::AlignCenter', **kw)


def combo(name, items=None, **kw):
    # Items carry their language key; the list of keys in item order is also on the combo itself
    # ("itemtextkeys"), so a toolkit can translate the items without reading item properties.
    keys = [it['textkey'] for it in items or [] if isinstance(it, dict) and 'textkey' in it]
    if keys and 'itemtextkeys' not in kw:
        kw['itemtextkeys'] = ','.join(keys)
    return W('QComboBox', name, items=items, **kw)


def box(name, layout=None, *children, **kw):
    return W('QWidget', name, *children, layout=layout, **kw)


def card(name, layout, **kw):
    return W('QFrame', name, layout=layout, role='card', **kw)


def swatch(name, color, size=22, **kw):
    # Drawn by the style sheet from its colour (no pictures, so the colour always shows).
    return W('QPushButton', name, fixed=(size, size), role='swatch', bkcolor=color, checkable=True, **kw)


def keyed_items(pairs):
    """Combo items with their language key (shown text: the key's English text)."""
    return [{'text': text, 'textkey': key} for key, text in pairs]


def rgb_grid(edit_prefix, caption_prefix, values, upper=True):
    """Three decimal fields R, G, B, one per row, each with its letter."""
    cells = []
    for row, (c, v) in enumerate(zip('RGB', values)):
        cells.append((caption('%s%s_caption' % (caption_prefix, c.lower()), None, text=c, fw=12), row, 0))
        cells.append((num_edit('%s%s' % (edit_prefix, c if upper else c.lower()), v), row, 1))
    return G(*cells, hs=6, vs=4)


SWATCHES = ['#FFFF0000', '#FFFF7A00', '#FFFFD400', '#FF9DFF00', '#FF19E07D', '#FF00E5FF',
            '#FF0099FF', '#FF3D5AFE', '#FF8A3DFF', '#FFFF3DCB', '#FFFF4D6D', '#FFFFFFFF']


# ------------------------------------------------------------------ main window
def main_window():
    title = box('title_bar', H(
        label('title_logo', fixed=(24, 24), bkimage=img('common/logo.png')),
        hspace(6, True),
        label('title_text', text='BRIMLET', role='brand'),
        label('title_text_plus', text='QUASAR+', role='brand_accent'),
        hspace(10, True),
        label('title_subtitle', 'title_subtitle_text', role='muted'),
        hspace(),
        W('QProgressBar', 'setting_progress', fixed=(120, 6), minimum=0, maximum=0, textVisible=False,
          visible=False),
        button('control_light_status', text='控制灯光', role='chip', visible=False),
        titlebtn('gamemodebtn', 'set', 'title_gamemode_tip', visible=False),
        titlebtn('cloudbtn', 'set', 'title_cloud_tip', visible=False),
        titlebtn('smarteyesbtn', 'set', 'title_smarteyes_tip', visible=False),
        titlebtn('skinbtn', 'skin', 'title_skin_tip'),
        titlebtn('setbtn', 'set', 'title_settings_tip', foreimage=img('common/title/set_badge.png')),
        W('QFrame', 'title_separator', fixed=(1, 18), role='vsep'),
        titlebtn('minbtn', 'min', 'title_min_tip'),
        titlebtn('maxbtn', 'max', 'title_max_tip', visible=False),
        titlebtn('restorebtn', 'restore', 'title_restore_tip', visible=False),
        titlebtn('closebtn', 'close', 'title_close_tip'),
        m=(14, 0, 8, 0), s=4), fh=40, role='titlebar')

    power_switch = W('QStackedWidget', 'device_power_switch', fixed=(200, 48),
                     pages=[box('device_power_none')])
    strip = box('device_bar', H(
        W('QPushButton', 'device_select_prev', fixed=(24, 48), role='stripnav', tooltipkey='device_prev_tip',
          normalimage=img('common/icon/prev_normal.png', source='0,0,24,24'),
          hotimage=img('common/icon/prev_hot.png')),
        W('QWidget', 'device_select_layout', layout=H(s=10), minw=10),
        W('QPushButton', 'device_select_next', fixed=(24, 48), role='stripnav', tooltipkey='device_next_tip',
          normalimage=img('common/icon/next_normal.png'), hotimage=img('common/icon/next_hot.png')),
        hspace(),
        power_switch,
        m=(12, 4, 16, 4), s=6), fh=56, role='devicebar')

    nodevice = box('No_device_Link', V(
        vspace(),
        H(hspace(), label('nodevice_picture', fixed=(260, 150), bkimage=img('common/nodevice.png')), hspace()),
        label('nodevice_title', 'nodevice_title_text', role='heading', alignment='Qt::AlignCenter'),
        label('nodevice_hint', 'nodevice_hint_text', role='muted', alignment='Qt::AlignCenter',
              wordWrap=True, fw=420),
        H(hspace(), button('nodevice_ok_btn', 'nodevice_ok_text', role='primary', fixed=(140, 34)), hspace()),
        vspace(),
        s=12), role='nodevice')
    page_none = box('device_page_none', H(hspace(), nodevice, hspace()))
    switch = W('QStackedWidget', 'device_switch', pages=[page_none])

    root = box('root', V(title, strip, W('QFrame', 'device_bar_line', fh=1, role='hsep'), switch,
                         label('str_test', text='', visible=False), s=0),
               geo=(0, 0, 1000, 640), bkimage=img('common/background.png'), role='root',
               windowTitle='Brimlet Quasar+ 88-Key RGB Keyboard')
    out('XML/main.xml', root)


# ------------------------------------------------------------------ strip item and battery
def device_option():
    root = W('DeviceOption', 'device_option',
             label('device_select_name', text='', geo=(50, 0, 100, 48), role='device_name'),
             W('QPushButton', 'device_select', geo=(0, 0, 156, 48), checkable=True, role='deviceselect',
               group='tab_header_device',
               normalimage=img('common/device_ico/unknow_device_normal.png'),
               selectedimage=img('common/device_ico/unknow_device_selected.png')),
             W('QCheckBox', 'synchro_device_select', geo=(134, 5, 18, 18), role='sync',
               tooltipkey='device_sync_tip'),
             fixed=(156, 48))
    out('XML/CustomControlXML/DeviceOption.xml', root)


def device_power():
    row = box('device_power_Layout', H(
        label('device_phone_type', fixed=(20, 20), bkimage=img('power/Phone_type_no_device.png'),
              visible=False),
        label('device_wuxian_logo', fixed=(20, 20), bkimage=img('power/wireless.png'), visible=False),
        label('device_power_status', fixed=(20, 20), bkimage=img('power/power.png')),
        W('QProgressBar', 'device_Power_progress', fixed=(72, 10), minimum=0, maximum=100, value=0,
          textVisible=False, invertedAppearance=True, role='battery'),
        label('device_power_value', text='', role='battery_value', fw=40),
        s=6))
    root = W('MpDevicePower', 'device_power', layout=V(
        caption('device_power_caption', 'battery_text'), row, m=(0, 2, 0, 2), s=2), fixed=(200, 48))
    out('XML/CustomControlXML/MpDevicePower.xml', root)


# ------------------------------------------------------------------ profile bar and function tabs
TABS = [('deng_Op_tab', 'light', 'tab_light_text', True), ('key_Op_tab', 'key', 'tab_key_text', True),
        ('macro_Op_tab', 'macro', 'tab_macro_text', True), ('system_Op_tab', 'system', 'tab_system_text', True),
        ('cursor_Op_tab', 'cursor', 'tab_cursor_text', True),
        ('6533_voice_Op_tab', 'voice', 'tab_voice_text', False),
        ('magic_Op_tab', 'magic', 'tab_magic_text', False),
        ('Virtual7.1_Op_tab', 'virtual', 'tab_virtual_text', False)]


def device_profile():
    menu = box('profile_menu_layout', V(
        H(edit('device_profile_name_edit', maxLength=32, placeholderText='', role='name_edit'),
          iconbtn('device_profile_edit_save_btn', 'save', 'profile_rename_tip'), s=6),
        H(iconbtn('device_add_btn', 'add', 'profile_add_tip'),
          iconbtn('device_sub_btn', 'sub', 'profile_delete_tip'),
          iconbtn('device_copy_btn', 'copy', 'profile_copy_tip'),
          iconbtn('device_import_btn', 'import', 'profile_import_tip'),
          iconbtn('device_export_btn', 'export', 'profile_export_tip'),
          iconbtn('device_reset_btn', 'reset', 'profile_reset_tip'), s=8),
        m=(0, 4, 0, 0), s=8), visible=False)
    prof = card('profile_card', V(
        H(caption('profile_caption', 'profile_text'), hspace(),
          W('QPushButton', 'profile_fun_spread_btn', fixed=(24, 24), role='iconbtn', checkable=True,
            tooltipkey='profile_more_tip', normalimage=img('common/icon/more_normal.png'),
            hotimage=img('common/icon/more_hot.png'), selectedimage=img('common/icon/more_hot.png'))),
        combo('device_profile_combo', fh=32),
        menu, m=(12, 10, 12, 12), s=8))
    tabs = []
    for name, icon, key, shown in TABS:
        kw = {} if shown else {'visible': False}
        tabs.append(W('QPushButton', name, fixed=(204, 44), checkable=True, group='device_function_tab',
                      role='fntab', textkey=key,
                      normalimage=img('common/tab/%s_normal.png' % icon),
                      hotimage=img('common/tab/%s_hot.png' % icon),
                      selectedimage=img('common/tab/%s_selected.png' % icon), **kw))
    nav = box('function_tab_layout', V(*tabs, s=4))
    root = box('device_profile_root', V(prof, vspace(4, True), caption('function_caption', 'function_text'),
                                        nav, vspace(), m=(0, 0, 0, 0), s=6))
    out('XML/CustomControlXML/DeviceProfile.xml', root)


# ------------------------------------------------------------------ lighting editor
def light_control():
    fx = box('deng_fx_layout', V(
        caption('deng_fx_caption', 'light_direction_text'),
        H(option('deng_FXL_check', 'light_set_right_to_left_text', 'deng_fx'),
          option('deng_FXR_check', 'light_set_left_to_right_text', 'deng_fx'), hspace(), s=14), s=6))
    left = box('lighteffect_layout', V(
        caption('light_effect_caption', 'light_effect_text'),
        combo('light_combo_modeSelect', fh=30),
        box('light_combo_ZZCCmodeSelectLayout', H(
            caption('light_zzcc_caption', 'light_secondary_text', fw=74),
            combo('light_combo_ZZCCmodeSelect', fh=28, items=keyed_items(
                [('light_secondary_0', 'Off'), ('light_secondary_1', 'Side glow'),
                 ('light_secondary_2', 'Logo glow'), ('light_secondary_3', 'Side and logo')])), s=8),
            visible=False),
        box('lightcustom_layout', H(
            combo('light_combo_custommodeSelect', fh=28, items=keyed_items(
                [('light_custom_group_%d' % i, 'Custom %d' % (i + 1)) for i in range(5)])),
            W('QPushButton', 'custom_bright_color_btn', fixed=(28, 28), role='iconbtn', checkable=True,
              group='custom_paint', tooltipkey='light_paint_tip',
              normalimage=img('common/icon/edit_normal.png'), hotimage=img('common/icon/edit_hot.png'),
              selectedimage=img('common/icon/edit_hot.png')),
            W('QPushButton', 'custom_off_color_btn', fixed=(28, 28), role='iconbtn', checkable=True,
              group='custom_paint', tooltipkey='light_erase_tip',
              normalimage=img('common/icon/delete_normal.png'), hotimage=img('common/icon/delete_hot.png'),
              selectedimage=img('common/icon/delete_hot.png')), s=6), visible=False),
        box('light_combo_AudiomodeSelectLayout', H(
            caption('light_audio_caption', 'light_audio_mode_text', fw=74),
            combo('light_combo_audiomodeSelect', fh=28, items=keyed_items(
                [('light_audio_mode_0', 'Spectrum'), ('light_audio_mode_1', 'Pulse'),
                 ('light_audio_mode_2', 'Wave'), ('light_audio_mode_3', 'Rainbow beat')])), s=8),
            visible=False),
        box('deng_light_layout', H(caption('deng_light_caption', 'light_brightness_text', fw=74),
                                   slider('deng_light_slider', 0, 4, 4), s=10)),
        box('deng_speed_layout', H(caption('deng_speed_caption', 'light_speed_text', fw=74),
                                   slider('deng_speed_slider', 0, 3, 2), s=10)),
        fx,
        H(button('deng_same_mode', 'light_same_mode_text', role='chip', fh=26, visible=False), hspace()),
        vspace(), s=6), fw=250)

    swatches = [swatch('color_option_%d' % i, c) for i, c in enumerate(SWATCHES)]
    normal_page = box('light_color_page', H(
        box('colorpallet_layout', V(W('ColorPalette', 'deng_Color_Pallet', fixed=(170, 150),
                                      role='palette'), s=0)),
        box('deng_color_layout', V(
            H(W('QPushButton', 'deng_colordp_btn', fixed=(44, 44), role='preview', bkcolor='#FFFF0000'),
              rgb_grid('deng_edit_', 'deng_', ('255', '0', '0')), hspace(), s=12),
            G(*[(s, i // 6, i % 6) for i, s in enumerate(swatches)], hs=6, vs=6),
            check('deng_7color_check', 'light_multicolor_text'),
            vspace(), s=10)),
        s=16))
    audio_sw = [swatch('audiocolor_option_%d' % i, c) for i, c in enumerate(SWATCHES)]
    audio_page = box('light_audio_page', H(
        box('audiocolorpallet_layout', V(W('ColorPalette', 'deng_audioColor_Pallet', fixed=(170, 150),
                                           role='palette'), s=0)),
        box('light_audiocolor_layout', V(
            H(option('audio_BkColor_check', 'light_audio_background_text', 'audio_color'),
              option('audio_FgColor_check', 'light_audio_foreground_text', 'audio_color'), hspace(), s=10),
            H(W('QPushButton', 'deng_audiocolordp_btn', fixed=(44, 44), role='preview', bkcolor='#FF0099FF'),
              rgb_grid('deng_audioedit_', 'deng_audio_', ('0', '153', '255')), hspace(), s=12),
            G(*[(s, i // 6, i % 6) for i, s in enumerate(audio_sw)], hs=6, vs=6),
            H(check('deng_7audiocolor_check', 'light_multicolor_text'), hspace(),
              button('Close_bkColor_btn', 'light_audio_black_text', role='chip', fh=26), s=8),
            vspace(), s=8)),
        s=16))
    right = box('light_color_layout', V(
        W('QStackedWidget', 'light_color_tablayout', pages=[normal_page, audio_page]), s=0))
    root = card('light_control_root', H(left, W('QFrame', 'light_separator', fw=1, role='vsep'), right,
                                        m=(16, 10, 16, 10), s=18))
    out('XML/CustomControlXML/LightControl.xml', root)


# ------------------------------------------------------------------ key assignment editor
FUNCTION_ITEMS = [('keyset_fun_default', 'Default', 0), ('keyset_fun_mouse', 'Mouse button', 1),
                  ('keyset_fun_swing', 'Mouse swing', 2), ('keyset_fun_wheel', 'Mouse wheel', 3),
                  ('keyset_fun_dpi', 'DPI', 4), ('keyset_fun_fire', 'Fire key', 5),
                  ('keyset_fun_keyboard', 'Keyboard key', 6), ('keyset_fun_media', 'Media and web', 7),
                  ('keyset_fun_system', 'System', 8), ('keyset_fun_macro', 'Macro', 9),
                  ('keyset_fun_gun', 'Recoil pattern', 10), ('keyset_fun_shortcut', 'Shortcut', 11)]


def key_set_control():
    def row(cap_key, widget, name):
        return box(name, H(caption(name + '_caption', cap_key, fw=96), widget, hspace(), s=10))

    def page(name, *items):
        return box(name, V(*items, vspace(), m=(0, 4, 0, 0), s=8))

    pages = [
        page('keyset_page_default', label('keyset_default_hint', 'keyset_default_hint_text', role='muted',
                                          wordWrap=True)),
        page('keyset_page_mouse', row('keyset_mousekey_text', combo('keyset_mousekey_combo', fw=220, fh=30),
                                      'keyset_mousekey_row')),
        page('keyset_page_swing',
             row('keyset_direction_text', combo('keyset_mouseswing_combo', fw=140, fh=30, items=keyed_items(
                 [('keyset_swing_left', 'Left'), ('keyset_swing_right', 'Right')])), 'keyset_swing_dir_row'),
             H(caption('keyset_swing_num_caption', 'keyset_count_text'), num_edit('keyset_mouseswing_num_edit', '1'),
               caption('keyset_swing_delay_caption', 'keyset_delay_text'), num_edit('keyset_mouseswing_delay_edit', '1', maxlen=2),
               caption('keyset_swing_speed_caption', 'keyset_speed_text'), num_edit('keyset_mouseswing_speed_edit', '1', maxlen=2),
               hspace(), s=8)),
        page('keyset_page_wheel',
             row('keyset_direction_text', combo('keyset_mousewheel_combo', fw=140, fh=30, items=keyed_items(
                 [('keyset_wheel_up', 'Up'), ('keyset_wheel_down', 'Down')])), 'keyset_wheel_dir_row'),
             H(caption('keyset_wheel_num_caption', 'keyset_count_text'), num_edit('keyset_mousewheel_num_edit', '1'),
               caption('keyset_wheel_delay_caption', 'keyset_delay_text'), num_edit('keyset_mousewheel_delay_edit', '1', maxlen=2),
               caption('keyset_wheel_speed_caption', 'keyset_speed_text'), num_edit('keyset_mousewheel_speed_edit', '1', maxlen=2),
               hspace(), s=8)),
        page('keyset_page_dpi', row('keyset_dpi_text', combo('keyset_mousedpi_combo', fw=220, fh=30), 'keyset_dpi_row')),
        page('keyset_page_fire',
             H(caption('keyset_fire_interval_caption', 'keyset_interval_text'),
               num_edit('keyset_mousefire_interval_edit', '10'),
               caption('keyset_fire_num_caption', 'keyset_count_text'),
               num_edit('keyset_mousefire_num_edit', '3'), hspace(), s=8)),
        page('keyset_page_keyboard',
             row('keyset_key_text', edit('keyset_keyboard_text_edit', readOnly=True, fw=220, fh=30,
                                         role='capture', placeholderText='…'), 'keyset_key_row'),
             H(caption('keyset_modifier_caption', 'keyset_modifier_text', fw=96),
               *[option('key_ComBox_check_%d' % i, k, 'keyset_modifier', cls='QCheckBox')
                 for i, k in enumerate(['keyset_modifier_none', 'keyset_modifier_ctrl', 'keyset_modifier_shift',
                                        'keyset_modifier_alt', 'keyset_modifier_win'])], hspace(), s=12),
             label('keyset_capture_hint', 'keyset_capture_hint_text', role='muted')),
        page('keyset_page_media', row('keyset_media_text', combo('keyset_media_combo', fw=220, fh=30), 'keyset_media_row')),
        page('keyset_page_system', row('keyset_system_text', combo('keyset_system_combo', fw=220, fh=30), 'keyset_system_row')),
        page('keyset_page_macro',
             row('keyset_macro_text', combo('keyset_macro_combo', fw=220, fh=30), 'keyset_macro_row'),
             row('keyset_macro_mode_text', combo('keyset_macro_over_combo', fw=220, fh=30, items=keyed_items(
                 [('keyset_macro_mode_0', 'Play once'), ('keyset_macro_mode_1', 'Repeat while held'),
                  ('keyset_macro_mode_2', 'Toggle repeat'), ('keyset_macro_mode_3', 'Play until next press'),
                  ('keyset_macro_mode_4', 'Repeat a number of times')])), 'keyset_macro_mode_row'),
             box('keyset_macro_cycle_layout', H(caption('keyset_macro_cycle_caption', 'keyset_repeat_count_text', fw=96),
                                                num_edit('keyset_macro_cycle_edit', '1'), hspace(), s=10),
                 visible=False)),
        page('keyset_page_gun', row('keyset_gun_text', combo('keyset_gunkey_combo', fw=220, fh=30, items=keyed_items(
            [('gun_1_txt', 'Pattern 1'), ('gun_2_txt', 'Pattern 2'), ('gun_3_txt', 'Pattern 3'),
             ('gun_4_txt', 'Pattern 4')])), 'keyset_gun_row')),
        page('keyset_page_shortcut', row('keyset_shortcut_text', combo('keyset_combokey_combo', fw=220, fh=30),
                                         'keyset_shortcut_row')),
    ]
    func_combo = combo('keyset_function_combo', fw=220, fh=32,
                       items=[{'text': t, 'textkey': k, 'userdata': str(n)} for k, t, n in FUNCTION_ITEMS],
                       itemuserdata=','.join(str(n) for _, _, n in FUNCTION_ITEMS),
                       itemtextkeys=','.join(k for k, _, _ in FUNCTION_ITEMS))
    content = box('keyset_layout', V(
        H(caption('keyset_function_caption', 'keyset_function_text', fw=96), func_combo, hspace(), s=10),
        W('QStackedWidget', 'function_switch_tablayout', pages=pages),
        s=8), visible=False)
    hint = label('keyset_select_hint', 'keyset_select_hint_text', role='muted', wordWrap=True)
    buttons = box('keyset_buttons', V(
        button('key_butt_keysave', 'keyset_save_key_text', role='primary', fh=32),
        button('key_butt_keydefalut', 'keyset_default_text', fh=32),
        button('key_butt_keycancel', 'keyset_cancel_text', fh=32),
        vspace(),
        button('key_butt_prosave', 'keyset_save_device_text', role='accent', fh=36),
        s=8), fw=190)
    root = card('keyset_control_root', H(
        V(caption('keyset_title', 'keyset_title_text', role='section'), hint, content, vspace(), s=8),
        W('QFrame', 'keyset_separator', fw=1, role='vsep'), buttons, m=(16, 12, 16, 12), s=18))
    out('XML/CustomControlXML/KeySetControl.xml', root)


# ------------------------------------------------------------------ macro editor
def macro_control():
    names = card('macro_name_tab', V(
        caption('macro_list_caption', 'macro_list_text', role='section'),
        W('QListWidget', 'macro_name_list', role='list'),
        H(edit('macro_edit_macroname', maxLength=32, role='name_edit'),
          iconbtn('macro_btn_name_edit', 'save', 'macro_rename_tip'), s=6),
        H(iconbtn('macro_btn_name_add', 'add', 'macro_add_tip'),
          iconbtn('macro_btn_name_sub', 'sub', 'macro_delete_tip'),
          iconbtn('macro_btn_import', 'import', 'macro_import_tip'),
          iconbtn('macro_btn_export', 'export', 'macro_export_tip'), hspace(), s=10),
        m=(14, 12, 14, 12), s=8), fw=210)

    record = box('macro_record_row', H(
        button('macro_btn_starredio', 'macro_record_text', role='record', fh=34, fw=150),
        button('macro_btn_stopredio', 'macro_stop_text', role='record_stop', fh=34, fw=150, visible=False),
        hspace(),
        iconbtn('macro_btn_cancel', 'reset', 'macro_cancel_tip'),
        iconbtn('macro_btn_save', 'save', 'macro_save_tip'), s=10))
    actions = box('macro_action_layout', V(
        H(caption('macro_action_caption', 'macro_action_text', role='section'), hspace(),
          caption('macro_delay_caption', 'macro_delay_text'), s=8),
        W('QListWidget', 'macro_action_list', role='list'),
        H(iconbtn('macro_btn_uptop', 'top', 'macro_top_tip'), iconbtn('macro_btn_up', 'up', 'macro_up_tip'),
          iconbtn('macro_btn_down', 'down', 'macro_down_tip'),
          iconbtn('macro_btn_downbottom', 'bottom', 'macro_bottom_tip'),
          iconbtn('macro_btn_delete', 'delete', 'macro_delete_event_tip'),
          iconbtn('macro_btn_deleteall', 'sub', 'macro_delete_all_tip'), hspace(),
          button('macro_action', 'macro_insert_text', role='chip', fh=28), s=6),
        s=8))
    list_card = card('macro_tab_macroaction_edit', V(record, actions, m=(14, 12, 14, 12), s=10))

    moves = box('mouse_move_layout', G(
        (caption('macro_move_caption', 'macro_mouse_move_text', role='section'), 0, 0, 1, 3),
        (iconbtn('macro_inset_moveleftkey_btn', 'arrow_left', 'mouse_move_to_left_text'), 1, 0),
        (num_edit('mouse_x_left_edit', '10', maxlen=4), 1, 1),
        (iconbtn('macro_inset_moverightkey_btn', 'arrow_right', 'mouse_move_to_right_text'), 2, 0),
        (num_edit('mouse_x_right_edit', '10', maxlen=4), 2, 1),
        (iconbtn('macro_inset_moveupkey_btn', 'arrow_up', 'mouse_move_to_up_text'), 3, 0),
        (num_edit('mouse_y_up_edit', '10', maxlen=4), 3, 1),
        (iconbtn('macro_inset_movedownkey_btn', 'arrow_down', 'mouse_move_to_down_text'), 4, 0),
        (num_edit('mouse_y_down_edit', '10', maxlen=4), 4, 1),
        hs=8, vs=6))
    delay = card('macro_tab_macrodelay_edit', V(
        caption('macro_time_caption', 'macro_record_time_text', role='section'),
        check('macro_check_time', 'macro_fixed_time_text'),
        H(num_edit('macro_fixed_time_edit', '50', width=64, maxlen=5),
          label('macro_ms_label', None, text='ms', role='muted'), hspace(), s=6),
        label('macro_time_hint', 'macro_time_hint_text', role='muted', wordWrap=True),
        W('QFrame', 'macro_side_separator', fh=1, role='hsep'),
        moves, vspace(), m=(14, 12, 14, 12), s=8), fw=190)
    root = box('macro_control_root', H(names, list_card, delay, s=10))
    out('XML/CustomControlXML/MacroControl.xml', root)


def combo_edit_item():
    # One step of a macro in the step list: what happens, to which key or button, and the delay.
    root = box('combo_edit_item', H(
        label('text1', text='', role='macro_action_label', fw=72),
        label('text2', text='', role='macro_name_label'),
        hspace(),
        W('QLineEdit', 'delay_edit', text='0', fixed=(64, 24), maxLength=6, role='num',
          alignment='Qt::AlignCenter'),
        m=(8, 3, 6, 3), s=8), fh=30)
    out('XML/CustomControlXML/ComboEditElementItem.xml', root)


# ------------------------------------------------------------------ keyboard system settings page
def system_page():
    polling = card('polling_rate_layout', V(
        caption('polling_caption', 'polling_rate_text', role='section'),
        H(*[option('polling_rate_option_%d' % i, 'polling_rate_%d_text' % i, 'polling_rate',
                   cls='QPushButton', checkable=True, role='segment', fixed=(84, 32)) for i in range(4)],
          hspace(), s=6),
        vspace(), m=(16, 12, 16, 14), s=10))
    locks = card('keyboard_lock_layout', V(
        caption('lock_caption', 'keyboard_options_text', role='section'),
        check('winlockflag_option', 'win_lock_text'),
        check('wflag_option', 'w_flag_text'),
        check('6flag_option', 'six_key_text'),
        m=(16, 12, 16, 14), s=10))
    repeat = card('repeat_layout', V(
        caption('repeat_caption', 'repeat_text', role='section'),
        H(caption('repeat_rate_caption', 'repeat_rate_text', fw=110),
          label('repeat_slow', 'slow_text', role='muted'), slider('repeat_rate_slider', 0, 31, 31),
          label('repeat_fast', 'fast_text', role='muted'), s=10),
        H(caption('repeat_delay_caption', 'repeat_delay_text', fw=110),
          *[option('repeat_delay_check_%d' % i, 'repeat_delay_%d_text' % i, 'repeat_delay') for i in range(4)],
          hspace(), s=14),
        label('repeat_delay_time_label1', 'Repeat_Delay_Time', role='muted'),
        H(edit('repeat_input_richedit', tooltipkey='Repeat_input_text', placeholderText='', fh=32,
               role='test_edit'),
          button('reset_repeat_btn', 'repeat_reset_text', fh=32), s=8),
        m=(16, 12, 16, 14), s=10))
    system = card('system_link_layout', H(
        V(caption('system_caption', 'system_settings_text', role='section'),
          label('system_hint', 'system_settings_hint_text', role='muted', wordWrap=True), s=4),
        hspace(),
        button('windowdeviceset_0', 'open_keyboard_settings_text', fh=32),
        button('default_btn', 'factory_reset_text', role='danger', fh=32),
        m=(16, 12, 16, 12), s=10))
    return box('system_set_layout', V(H(polling, locks, s=10), repeat, system, vspace(), s=10))


def sublayout_holder(cls, name, sub, **kw):
    """A program control whose children come from one of the shared sub-layout files."""
    return W(cls, name, layout=V(W(sub, name + '_content'), s=0), **kw)


# ------------------------------------------------------------------ secondary windows
def msg_window():
    root = W('QWidget', 'msg_root', layout=V(
            H(label('MessageTitle', 'tips_text', role='wintitle'), hspace(),
              titlebtn('closebtn', 'close', 'title_close_tip'), m=(18, 6, 6, 0)),
            H(label('MessageText', text='', role='message', wordWrap=True, minh=64), m=(22, 0, 22, 0)),
            H(hspace(), button('cancel_btn', 'cancel_text', fixed=(104, 32)),
              button('confirm_btn', 'confirm_text', role='primary', fixed=(104, 32)), m=(18, 0, 18, 18), s=10),
            s=10), geo=(0, 0, 400, 196), role='dialog', windowTitle='msgwnd')
    out('XML/msg.xml', root)


def about_window():
    root = W('QWidget', 'about_root', layout=V(
        H(hspace(), titlebtn('closebtn', 'close', 'title_close_tip'), m=(0, 6, 6, 0)),
        H(hspace(), label('about_logo', fixed=(64, 64), bkimage=img('common/app_icon.png')), hspace()),
        H(hspace(), label('about_brand', text='BRIMLET', role='brand'), label('about_brand_plus', text='QUASAR+',
                                                                          role='brand_accent'), hspace(), s=6),
        label('about_product', 'about_product_text', role='muted', alignment='Qt::AlignCenter'),
        label('software_ver_label', text='', role='version', alignment='Qt::AlignCenter'),
        label('text_test', text='', visible=False),
        vspace(),
        H(hspace(), button('homepage_btn', 'about_homepage_text', role='chip', fh=30), hspace()),
        label('about_copyright', 'about_copyright_text', role='muted', alignment='Qt::AlignCenter'),
        m=(0, 0, 0, 16), s=8), geo=(0, 0, 420, 320), role='dialog', windowTitle='  ')
    out('AboutWnd.xml', root)


PICKER_SWATCHES = ['#FFFF0000', '#FFFF5A00', '#FFFFA200', '#FFFFE600', '#FFB4FF00', '#FF4CFF00',
                   '#FF00FF6A', '#FF00FFC8', '#FF00E5FF', '#FF00A2FF', '#FF0055FF', '#FF2A00FF',
                   '#FF7A00FF', '#FFC800FF', '#FFFF00D4', '#FFFF0077', '#FFFFFFFF', '#FFBFBFBF',
                   '#FF7F7F7F', '#FF3F3F3F']


def pallet_dialog():
    presets = [swatch('color_option_%d' % i, c, size=24) for i, c in enumerate(PICKER_SWATCHES)]
    saved = [W('QPushButton', 'collect_color_option_%d' % i, fixed=(24, 24), role='swatch_slot', checkable=True,
               userdata='0', group='collect_color') for i in range(20)]
    for p in presets:
        p.props['group'] = 'preset_color'
    root = W('QWidget', 'pallet_root', layout=V(
        H(label('pallet_title', 'color_picker_title_text', role='wintitle'), hspace(),
          titlebtn('closebtn', 'close', 'title_close_tip'), m=(18, 6, 6, 0)),
        H(W('ColorPalette', 'Pallet', fixed=(300, 190), role='palette'),
          V(H(W('QPushButton', 'color_show_btn', fixed=(64, 64), role='preview', bkcolor='#FF0099FF'),
              rgb_grid('color_edit_', 'color_', ('0', '153', '255'), upper=False), hspace(), s=14),
            box('7color_layout', H(option('7color', 'light_multicolor_text', '7color_group', cls='QCheckBox'),
                                   hspace())),
            vspace(), s=10),
          m=(18, 0, 18, 0), s=18),
        H(caption('pallet_presets_caption', 'color_presets_text'), hspace(), m=(18, 0, 18, 0)),
        H(G(*[(s, i // 10, i % 10) for i, s in enumerate(presets)], hs=8, vs=8), hspace(), m=(18, 0, 18, 0)),
        H(caption('pallet_saved_caption', 'color_saved_text'), hspace(), m=(18, 0, 18, 0)),
        H(G(*[(s, i // 10, i % 10) for i, s in enumerate(saved)], hs=8, vs=8), hspace(), m=(18, 0, 18, 0)),
        vspace(),
        H(hspace(), button('laterbtn', 'cancel_text', fixed=(104, 32)),
          button('okbtn', 'confirm_text', role='primary', fixed=(104, 32)), m=(18, 0, 18, 18), s=10),
        s=10), geo=(0, 0, 520, 480), role='dialog', windowTitle='PalletDialog')
    out('PalletDialog.xml', root)


SKIN_IMAGES = [('common/background.png', 'skin_default_text'), ('common/skin/bg_aurora.png', None),
               ('common/skin/bg_magma.png', None), ('common/skin/bg_nebula.png', None),
               ('common/skin/bg_carbon.png', None)]
SKIN_COLORS = ['#FF0D1117', '#FF101A2B', '#FF1A1026', '#FF1B1212', '#FF0E1A16', '#FF16181D',
               '#FF202733', '#FF05070A']


def skin_window():
    imgs = [W('QPushButton', 'skin_image_btn', fixed=(96, 62), role='skin_thumb', bkimage=p,
              tooltipkey='skin_image_tip') for p, _ in SKIN_IMAGES]
    cols = [W('QPushButton', 'skin_color_btn', fixed=(40, 40), role='skin_color', bkcolor=c,
              tooltipkey='skin_color_tip') for c in SKIN_COLORS]
    page_images = box('skin_image_page', V(G(*[(b, i // 3, i % 3) for i, b in enumerate(imgs)], hs=10, vs=10),
                                            vspace(), s=0))
    page_colors = box('skin_color_page', V(G(*[(b, i // 4, i % 4) for i, b in enumerate(cols)], hs=12, vs=12),
                                            vspace(), s=0))
    root = W('QWidget', 'skin_root', layout=V(
        H(option('skin_image', 'skin_image_text', 'skin_tab_group', cls='QPushButton', checkable=True,
                 checked=True, role='segment', fixed=(110, 30)),
          option('skin_color', 'skin_color_text', 'skin_tab_group', cls='QPushButton', checkable=True,
                 role='segment', fixed=(110, 30)), hspace(), s=6),
        W('QStackedWidget', 'skin_tab', pages=[page_images, page_colors]),
        H(button('skin_reset', 'skin_reset_text', role='chip', fh=30),
          hspace(), button('skin_Custom', 'skin_custom_text', role='chip', fh=30), s=8),
        m=(14, 14, 14, 14), s=12), geo=(0, 0, 340, 260), role='popup', windowTitle='UISkinFrame')
    out('skin.xml', root)


def settings_window():
    title = H(label('setwnd_title', 'settings_title_text', role='wintitle'), hspace(),
              titlebtn('menubtn', 'set', 'title_settings_tip', visible=False),
              titlebtn('minbtn', 'min', 'title_min_tip', visible=False),
              titlebtn('maxbtn', 'max', 'title_max_tip', visible=False),
              titlebtn('restorebtn', 'restore', 'title_restore_tip', visible=False),
              titlebtn('closebtn', 'close', 'title_close_tip'), m=(18, 6, 6, 0), s=4)
    language = card('language_card', H(
        V(caption('language_caption', 'language_caption_text', role='section'),
          label('language_hint', 'language_hint_text', role='muted'), s=2),
        hspace(), combo('Language_combox_info', fw=220, fh=32), m=(16, 12, 16, 12), s=12))
    tip = box('update_tishi_layout', H(
        label('update_tip', 'update_tip_text', role='muted', wordWrap=True),
        button('set_in_update_wnd_btn', 'update_tip_ok_text', role='chip', fixed=(110, 28)), m=(0, 0, 0, 0), s=10))
    status = H(
        W('CircleProgress', 'update_status_ring', fixed=(28, 28), minimum=0, maximum=100, value=70,
          textVisible=False),
        label('update_status_image', fixed=(28, 28), bkimage=img('common/update_ok.png'), visible=False),
        label('Update_Status_text', 'GetUpdateInfoText', role='section'), hspace(), s=10)
    list_page = box('update_list_page', V(
        H(caption('update_col_name', 'update_col_name_text', fw=170), caption('update_col_old', 'update_col_old_text', fw=70),
          caption('update_col_new', 'update_col_new_text', fw=70), caption('update_col_state', 'update_col_state_text'),
          hspace(), m=(16, 0, 10, 0), s=8),
        W('QListWidget', 'device_update_list_info', role='list'),
        H(hspace(), button('update_fw_and_ap', 'update_selected_text', role='primary', fixed=(180, 32),
                           enabled=False, visible=False)),
        s=8))
    confirm_page = box('update_confirm_page', V(
        vspace(),
        label('update_confirm', 'update_confirm_text', role='heading', alignment='Qt::AlignCenter', wordWrap=True),
        label('update_confirm_hint', 'update_confirm_hint_text', role='muted', alignment='Qt::AlignCenter',
              wordWrap=True),
        H(hspace(), button('laterbtn', 'update_later_text', fixed=(120, 32)),
          button('update_OK_btn', 'update_start_text', role='primary', fixed=(120, 32)), hspace(), s=10),
        vspace(), s=12))
    updates = card('update_card', V(
        caption('update_caption', 'update_caption_text', role='section'), tip, status,
        W('QStackedWidget', 'get_update_tab_layout', pages=[list_page, confirm_page]),
        m=(16, 12, 16, 14), s=10))
    root = W('QWidget', 'setwnd_root', layout=V(
        title, H(language, m=(18, 0, 18, 0)), H(updates, m=(18, 0, 18, 0)),
        H(button('homepage_btn', 'about_homepage_text', role='chip', fh=28), hspace(), m=(18, 0, 18, 16)),
        s=12), geo=(0, 0, 630, 500), role='dialog', windowTitle='SetWnd')
    out('setwnd.xml', root)


def update_list_item():
    root = box('update_item', H(
        W('QCheckBox', 'check_name_select', text='', fw=170, enabled=False),
        label('OldRev', text='', role='muted', fw=70),
        label('updateRev', text='', role='version_new', fw=70),
        label('update_status_text', 'UpdateOkText', role='muted'),
        hspace(),
        W('QProgressBar', 'update_status_ing', fixed=(70, 6), minimum=0, maximum=100, value=0, textVisible=False,
          visible=False),
        label('update_progress_value', text='0%', role='muted', fw=36, visible=False),
        label('update_status_ok', fixed=(18, 18), bkimage=img('common/update_done.png'), visible=False),
        m=(10, 0, 10, 0), s=8), fh=50)
    out('XML/CustomControlXML/device_Update_list_item.xml', root)


# ------------------------------------------------------------------ menus and index
def menus():
    def menu_file(rel, items):
        lines = ['<?xml version="1.0" encoding="UTF-8"?>', '<Menu>']
        for it in items:
            if it is None:
                lines.append('  <Separator/>')
            else:
                lines.append('  <MenuElement name="%s" textkey="%s"/>' % it)
        lines.append('</Menu>')
        with open(os.path.join(SKIN, rel), 'w') as f:
            f.write('\n'.join(lines) + '\n')

    menu_file('menu.xml', [('about_menu', 'tray_menu_about'), ('setwnd_menu', 'tray_menu_settings'), None,
                           ('exit', 'tray_menu_exit')])
    os.makedirs(os.path.join(SKIN, 'XML/Menus'), exist_ok=True)
    items = []
    for b in ('left', 'right', 'middle', 'forward', 'back'):
        for a in ('click', 'down', 'up'):
            items.append(('%s_%s' % (b, a), 'menu_%s_%s' % (b, a)))
        items.append(None)
    items += [('macro_action_edit', 'menu_macro_action_edit'), None,
              ('redio_previous_record_time', 'menu_record_before'),
              ('redio_previous_constant_time', 'menu_constant_before'),
              ('redio_previous_ignore_time', 'menu_ignore_before'), None,
              ('redio_later_record_time', 'menu_record_after'),
              ('redio_later_constant_time', 'menu_constant_after'),
              ('redio_later_ignore_time', 'menu_ignore_after')]
    menu_file('XML/Menus/macro_action_menu.xml', items)


RES = [('XML_MAIN', 'XML/main.xml'), ('XML_MSG', 'XML/msg.xml'), ('XML_ABOUT', 'AboutWnd.xml'),
       ('XML_PALLET', 'PalletDialog.xml'), ('XML_SKIN', 'skin.xml'), ('XML_MENU', 'menu.xml'),
       ('XML_MACRO_ACTION_MENU', 'XML/Menus/macro_action_menu.xml'),
       ('XML_KEYBOARD', 'XML/DeviceXml/keyboarddevice.xml'),
       ('XML_DEVICE_OPTION', 'XML/CustomControlXML/DeviceOption.xml'),
       ('XML_DEVICE_POWER', 'XML/CustomControlXML/MpDevicePower.xml'),
       ('XML_DEVICE_PROFILE', 'XML/CustomControlXML/DeviceProfile.xml'),
       ('XML_LIGHT_CONTROL', 'XML/CustomControlXML/LightControl.xml'),
       ('XML_KEYSET_CONTROL', 'XML/CustomControlXML/KeySetControl.xml'),
       ('XML_MACRO_CONTROL', 'XML/CustomControlXML/MacroControl.xml'),
       ('XML_MACRO_STEP', 'XML/CustomControlXML/ComboEditElementItem.xml'),
       ('XML_SETWND', 'setwnd.xml'),
       ('XML_UPDATE_ITEM', 'XML/CustomControlXML/device_Update_list_item.xml')]


def res_index():
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', '<Res>']
    lines += ['  <File name="%s" path="%s"/>' % r for r in RES]
    lines.append('</Res>')
    with open(os.path.join(SKIN, 'res.xml'), 'w') as f:
        f.write('\n'.join(lines) + '\n')


def main():
    main_window()
    device_option()
    device_power()
    device_profile()
    light_control()
    key_set_control()
    macro_control()
    combo_edit_item()
    msg_window()
    about_window()
    pallet_dialog()
    skin_window()
    settings_window()
    update_list_item()
    menus()
    res_index()


if __name__ == '__main__':
    main()
