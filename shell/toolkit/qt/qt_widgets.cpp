#include "shell/toolkit/qt/qt_internal.h"

#include "platform/trace.h"
#include "shell/toolkit/attributes.h"

#include <QAbstractButton>
#include <QChildEvent>
#include <QHash>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOption>

#include <algorithm>

namespace quasar::ui::qt {

namespace {
const QColor kAccent(0x00, 0x99, 0xFF);

void drawPart(QPainter& p, const QRect& target, const QPixmap& pm, const ImageAttribute& a) {
    QRect src = a.hasSource ? QRect(QPoint(a.source[0], a.source[1]),
                                    QPoint(a.source[2] - 1, a.source[3] - 1))
                            : pm.rect();
    src = src.intersected(pm.rect());
    if (src.isEmpty() || target.isEmpty()) return;
    p.save();
    if (a.fade < 255) p.setOpacity(a.fade / 255.0);
    int l = a.corner[0], t = a.corner[1], r = a.corner[2], b = a.corner[3];
    bool nine = (l | t | r | b) != 0 && l + r < src.width() && t + b < src.height() &&
                l + r <= target.width() && t + b <= target.height();
    if (!nine) {
        p.drawPixmap(target, pm, src);
    } else {
        // Corners keep their size, edges stretch one way, the middle both ways.
        const int sx[4] = {src.left(), src.left() + l, src.right() + 1 - r, src.right() + 1};
        const int sy[4] = {src.top(), src.top() + t, src.bottom() + 1 - b, src.bottom() + 1};
        const int tx[4] = {target.left(), target.left() + l, target.right() + 1 - r,
                           target.right() + 1};
        const int ty[4] = {target.top(), target.top() + t, target.bottom() + 1 - b,
                           target.bottom() + 1};
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col) {
                QRect s(QPoint(sx[col], sy[row]), QPoint(sx[col + 1] - 1, sy[row + 1] - 1));
                QRect d(QPoint(tx[col], ty[row]), QPoint(tx[col + 1] - 1, ty[row + 1] - 1));
                if (!s.isEmpty() && !d.isEmpty()) p.drawPixmap(d, pm, s);
            }
    }
    p.restore();
}

// The image's opaque parts filled with one colour.
QPixmap tinted(const QPixmap& pm, const QColor& c) {
    QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter ip(&img);
    ip.setCompositionMode(QPainter::CompositionMode_SourceIn);
    ip.fillRect(img.rect(), c);
    ip.end();
    return QPixmap::fromImage(img);
}

ISelectPanel::Rect normalised(const QPoint& a, const QPoint& b) {
    return {std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::max(a.x(), b.x()),
            std::max(a.y(), b.y())};
}

bool intersects(const ISelectPanel::Rect& s, const QRect& g) {
    // Half-open rectangles: an empty selection (a pure horizontal or vertical drag) meets nothing.
    int l = std::max(s.left, g.x()), r = std::min(s.right, g.x() + g.width());
    int t = std::max(s.top, g.y()), b = std::min(s.bottom, g.y() + g.height());
    return l < r && t < b;
}

std::string stateImage(QWidget* w, const SkinData& sk, bool selected) {
    auto img = [&](ImageSlot s) -> const std::string& { return sk.images[static_cast<size_t>(s)]; };
    auto* b = qobject_cast<QAbstractButton*>(w);
    if (!w->isEnabled() && !img(ImageSlot::Disabled).empty()) return img(ImageSlot::Disabled);
    if (b && b->isDown() && !img(ImageSlot::Pushed).empty()) return img(ImageSlot::Pushed);
    if (selected && !img(ImageSlot::Selected).empty()) return img(ImageSlot::Selected);
    if (w->underMouse() && w->isEnabled() && !img(ImageSlot::Hot).empty())
        return img(ImageSlot::Hot);
    return img(ImageSlot::Normal);
}

// An alpha of 0 with a nonzero colour is taken as opaque (layouts often write RGB).
QColor argbColor(Argb c) {
    QColor q = QColor::fromRgba(c);
    if ((c >> 24) == 0 && (c & 0xFFFFFF) != 0) q.setAlpha(255);
    return q;
}

QColor textColorOf(QWidget* w, const SkinData& sk) {
    if (sk.hasTextColor) {
        Argb c = sk.textColor;
        QColor q = QColor::fromRgba(c);
        if ((c >> 24) == 0) q.setAlpha(255);
        return q;
    }
    return w->palette().color(QPalette::ButtonText);
}
} // namespace

QPixmap skinPixmap(const std::string& file) {
    static QHash<QString, QPixmap> cache;
    QString path = qs(file);
    if (!path.startsWith(QLatin1Char('/')) && toolkit()) path = qs(toolkit()->skinFolder()) + path;
    auto it = cache.find(path);
    if (it != cache.end()) return *it;
    QPixmap pm(path);
    if (pm.isNull()) trace::printf("toolkit: image missing %s\n", ss(path).c_str());
    cache.insert(path, pm);
    return pm;
}

void drawImage(QPainter& p, const QRect& target, const std::string& attributeText) {
    auto a = parseImageAttribute(attributeText);
    if (!a) return;
    QPixmap pm = skinPixmap(a->file);
    if (!pm.isNull()) drawPart(p, target, pm, *a);
}

// Paints the skin of a control. True when the widget is fully painted (state images replace
// the style's own look); false when only a background was laid under the native painting.
bool paintSkinned(QWidget* w) {
    QtControl* c = controlFor(w);
    SkinData& sk = c->skin();
    const std::string& bk = sk.images[static_cast<size_t>(ImageSlot::Background)];
    const std::string& fore = sk.images[static_cast<size_t>(ImageSlot::Foreground)];
    bool states = sk.anyStateImage() && qobject_cast<QAbstractButton*>(w);
    if (!states && bk.empty() && fore.empty()) return false;
    QPainter p(w);
    // State images replace the style's painting, background colour included: lay it first.
    if (states && sk.bkColor != 0) p.fillRect(w->rect(), argbColor(sk.bkColor));
    if (!bk.empty()) drawImage(p, w->rect(), bk);
    if (!states) {
        if (!fore.empty()) drawImage(p, w->rect(), fore);
        return false;
    }
    auto* b = static_cast<QAbstractButton*>(w);
    drawImage(p, w->rect(), stateImage(w, sk, b->isChecked()));
    if (!fore.empty()) drawImage(p, w->rect(), fore);
    if (!b->text().isEmpty()) {
        p.setPen(textColorOf(w, sk));
        p.setFont(w->font());
        p.drawText(w->rect(), Qt::AlignCenter | Qt::TextWordWrap, b->text());
    }
    return true;
}

// ---- selection panel --------------------------------------------------------------------------

SelectPanelWidget::SelectPanelWidget(QWidget* parent) : QWidget(parent) {}

void SelectPanelWidget::leftDown(const QPoint& pos) {
    if (!isEnabled()) return;
    armed = true;
    start = pos;
}

void SelectPanelWidget::mouseMoved(const QPoint& pos) {
    if (!armed) return;
    dragging = true;
    current = pos;
    selection = normalised(start, current);
    update();
}

void SelectPanelWidget::leftUp() {
    armed = false;
    if (!dragging) return;
    dragging = false;
    start = current;
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!sameName(ss(child->property(kClassProp).toString()), "DeviceKeyButton") &&
            !qobject_cast<KeyButtonWidget*>(child))
            continue;
        controlFor(child)->setSelected(intersects(selection, child->geometry()));
    }
    update();
    if (QtWindow* win = windowOf(this)) win->sendNotify(controlFor(this), "click_select_end", 0, 0);
}

void SelectPanelWidget::mousePressEvent(QMouseEvent* e) {
    e->accept(); // keep the mouse for the drag
    if (e->button() == Qt::LeftButton) leftDown(e->position().toPoint());
}

void SelectPanelWidget::mouseMoveEvent(QMouseEvent* e) {
    e->accept();
    mouseMoved(e->position().toPoint());
}

void SelectPanelWidget::mouseReleaseEvent(QMouseEvent* e) {
    e->accept();
    if (e->button() == Qt::LeftButton) leftUp();
}

void SelectPanelWidget::childEvent(QChildEvent* e) {
    QWidget::childEvent(e);
    if (e->added() && e->child()->isWidgetType()) e->child()->installEventFilter(this);
}

bool SelectPanelWidget::eventFilter(QObject* watched, QEvent* e) {
    auto* child = qobject_cast<QWidget*>(watched);
    if (!child || child->parentWidget() != this) return false;
    switch (e->type()) {
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(e);
        if (me->button() == Qt::LeftButton) leftDown(child->mapToParent(me->position().toPoint()));
        break;
    }
    case QEvent::MouseMove:
        mouseMoved(child->mapToParent(static_cast<QMouseEvent*>(e)->position().toPoint()));
        break;
    case QEvent::MouseButtonRelease: {
        auto* me = static_cast<QMouseEvent*>(e);
        if (me->button() != Qt::LeftButton) break;
        bool wasDrag = dragging;
        leftUp();
        if (wasDrag) {
            // A drag that began on a key is a selection, not a click of that key.
            if (auto* b = qobject_cast<QAbstractButton*>(child)) b->setDown(false);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return false;
}

// ---- key button -------------------------------------------------------------------------------

KeyButtonWidget::KeyButtonWidget(QWidget* parent) : QPushButton(parent) {
    setAttribute(Qt::WA_Hover, true);
}

QColor KeyButtonWidget::tint(std::uint32_t rgb, int brightness) {
    brightness = std::clamp(brightness, 0, 255);
    int r = static_cast<int>(((rgb >> 16) & 0xFF) * static_cast<unsigned>(brightness) >> 8);
    int g = static_cast<int>(((rgb >> 8) & 0xFF) * static_cast<unsigned>(brightness) >> 8);
    int b = static_cast<int>((rgb & 0xFF) * static_cast<unsigned>(brightness) >> 8);
    return QColor(r, g, b);
}

void KeyButtonWidget::paintEvent(QPaintEvent*) {
    QtControl* c = controlFor(this);
    SkinData& sk = c->skin();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    QRectF box = QRectF(rect()).adjusted(1, 1, -1, -1);

    // The button's own background colour and images, or a plain key cap when the skin gives
    // none.
    if (sk.bkColor != 0) p.fillRect(rect(), argbColor(sk.bkColor));
    if (!sk.images[static_cast<size_t>(ImageSlot::Background)].empty())
        drawImage(p, rect(), sk.images[static_cast<size_t>(ImageSlot::Background)]);
    std::string state = stateImage(this, sk, keySelected);
    if (!state.empty()) {
        drawImage(p, rect(), state);
    } else {
        p.setPen(QPen(QColor(0x3A, 0x3F, 0x4A), 1));
        p.setBrush(isDown() ? QColor(0x1A, 0x1D, 0x22)
                            : (underMouse() ? QColor(0x30, 0x34, 0x3C) : QColor(0x26, 0x29, 0x30)));
        p.drawRoundedRect(box, 4, 4);
    }

    if (lightOn) {
        QColor col = tint(lightColor, lightBrightness);
        const std::string& light = sk.images[static_cast<size_t>(ImageSlot::Light)];
        auto a = parseImageAttribute(light);
        QPixmap pm = a ? skinPixmap(a->file) : QPixmap();
        if (!pm.isNull()) {
            drawPart(p, rect(), tinted(pm, col), *a);
        } else {
            // No light image: a glow along the key's edge in the light colour.
            p.setPen(QPen(col, 2));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(box.adjusted(1, 1, -1, -1), 4, 4);
        }
    }

    if (!text().isEmpty()) {
        p.setPen(textColorOf(this, sk));
        p.setFont(font());
        p.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, text());
    }

    if (!keySetHidden) {
        const std::string& keyset = sk.images[static_cast<size_t>(ImageSlot::KeySet)];
        if (!keyset.empty()) drawImage(p, rect(), keyset);
    }

    if (keySelected && sk.images[static_cast<size_t>(ImageSlot::Selected)].empty()) {
        p.setPen(QPen(kAccent, 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(box, 4, 4);
    }
}

void KeyButtonWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    if (!isEnabled() || !rect().contains(e->position().toPoint())) {
        QPushButton::mouseDoubleClickEvent(e);
        return;
    }
    setDown(true);
    if (QtWindow* win = windowOf(this)) win->sendNotify(controlFor(this), "dbclick", 0, 0);
}

// ---- circle progress ----------------------------------------------------------------------------

CircleProgressWidget::CircleProgressWidget(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(true);
}

void CircleProgressWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    int side = std::min(width(), height()) - 6;
    if (side <= 0) return;
    QRectF r((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    p.setPen(QPen(QColor(0x33, 0x37, 0x40), 4));
    p.drawEllipse(r);
    int range = maximum() - minimum();
    double frac = range > 0 ? double(std::max(value(), minimum()) - minimum()) / range : 0.0;
    p.setPen(QPen(kAccent, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(r, 90 * 16, -static_cast<int>(frac * 360 * 16));
    if (isTextVisible()) {
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(rect(), Qt::AlignCenter,
                   QStringLiteral("%1%").arg(static_cast<int>(frac * 100 + 0.5)));
    }
}

// ---- colour palette ---------------------------------------------------------------------------

PaletteWidget::PaletteWidget(QWidget* parent) : QWidget(parent) {
    setMinimumSize(60, 40);
}

void PaletteWidget::setColor(const QColor& c) {
    color_ = c;
    value_ = c.value();
    update();
}

void PaletteWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    int fieldW = std::max(1, width() - 20);
    QImage field(fieldW, height(), QImage::Format_RGB32);
    for (int y = 0; y < height(); ++y)
        for (int x = 0; x < fieldW; ++x)
            field.setPixelColor(x, y,
                                QColor::fromHsv(x * 359 / std::max(1, fieldW - 1),
                                                255 - y * 255 / std::max(1, height() - 1), value_));
    p.drawImage(0, 0, field);
    QLinearGradient g(0, 0, 0, height());
    QColor top = QColor::fromHsv(std::max(0, color_.hsvHue()), color_.hsvSaturation(), 255);
    g.setColorAt(0, top);
    g.setColorAt(1, Qt::black);
    p.fillRect(QRect(fieldW + 4, 0, 16, height()), g);
    // Marker at the current colour.
    int hx = std::max(0, color_.hsvHue()) * (fieldW - 1) / 359;
    int sy = (255 - color_.hsvSaturation()) * (height() - 1) / 255;
    p.setPen(QPen(Qt::white, 2));
    p.drawEllipse(QPoint(hx, sy), 4, 4);
    int vy = (255 - value_) * (height() - 1) / 255;
    p.drawLine(fieldW + 4, vy, fieldW + 20, vy);
}

void PaletteWidget::pick(const QPoint& pos) {
    int fieldW = std::max(1, width() - 20);
    if (pos.x() < fieldW) {
        int hue = std::clamp(pos.x(), 0, fieldW - 1) * 359 / std::max(1, fieldW - 1);
        int sat = 255 - std::clamp(pos.y(), 0, height() - 1) * 255 / std::max(1, height() - 1);
        color_ = QColor::fromHsv(hue, sat, value_);
    } else {
        value_ = 255 - std::clamp(pos.y(), 0, height() - 1) * 255 / std::max(1, height() - 1);
        color_ = QColor::fromHsv(std::max(0, color_.hsvHue()), color_.hsvSaturation(), value_);
    }
    update();
    emit userPicked(color_);
}

void PaletteWidget::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) pick(e->position().toPoint());
}

void PaletteWidget::mouseMoveEvent(QMouseEvent* e) {
    if (e->buttons() & Qt::LeftButton) pick(e->position().toPoint());
}

} // namespace quasar::ui::qt
