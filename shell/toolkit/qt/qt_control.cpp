#include "shell/toolkit/qt/qt_internal.h"

#include "platform/trace.h"
#include "shell/toolkit/attributes.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QStyle>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QValidator>

#include <algorithm>
#include <atomic>

namespace quasar::ui::qt {

QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
std::string ss(const QString& s) {
    return s.toUtf8().toStdString();
}

bool SkinData::anyStateImage() const {
    for (ImageSlot s : {ImageSlot::Normal, ImageSlot::Hot, ImageSlot::Pushed, ImageSlot::Selected,
                        ImageSlot::Disabled})
        if (!images[static_cast<size_t>(s)].empty()) return true;
    return false;
}

namespace {
// Item role holding the language key of an item's text.
constexpr int kItemKeyRole = Qt::UserRole + 1;

constexpr const char* kControlProp = "quasar_ctl";
constexpr const char* kUidProp = "quasar_uid";
constexpr const char* kRowHolderProp = "quasar_row_holder";

// Owns the wrapper; a child object of the widget, so the wrapper goes with the widget.
class ControlHandle : public QObject {
public:
    ControlHandle(QWidget* w, std::unique_ptr<QtControl> c) : QObject(w), control(std::move(c)) {
        setObjectName(QStringLiteral("qt_quasar_handle"));
    }
    std::unique_ptr<QtControl> control;
};

// The key button and selection panel interfaces on top of the common wrapper.
class KeyButtonControl final : public QtControl, public IDeviceKeyButton {
public:
    explicit KeyButtonControl(KeyButtonWidget* w) : QtControl(w), key_(w) {}
    void setLight(bool on, std::uint32_t rgb, int brightness) override {
        key_->lightOn = on;
        key_->lightColor = rgb & 0xFFFFFFu;
        key_->lightBrightness = std::clamp(brightness, 0, 255);
        key_->update();
    }
    bool isLightOn() const override { return key_->lightOn; }
    std::uint32_t lightColor() const override { return key_->lightColor; }
    int lightBrightness() const override { return key_->lightBrightness; }
    bool isKeySelected() const override { return key_->keySelected; }
    void setKeySelected(bool selected) override {
        if (key_->keySelected != selected) {
            key_->keySelected = selected;
            key_->update();
        }
    }
    void setKeySetImageHidden(bool hidden) override {
        key_->keySetHidden = hidden;
        key_->update();
    }
    bool isKeySetImageHidden() const override { return key_->keySetHidden; }

private:
    KeyButtonWidget* key_;
};

class SelectPanelControl final : public QtControl, public ISelectPanel {
public:
    explicit SelectPanelControl(SelectPanelWidget* w) : QtControl(w), panel_(w) {}
    Rect selectionRect() const override { return panel_->selection; }
    bool isDragging() const override { return panel_->dragging; }

private:
    SelectPanelWidget* panel_;
};

bool isInternal(const QWidget* w) {
    return w->property(kInternalProp).toBool() || w->objectName().startsWith(QLatin1String("qt_"));
}

// Digits only, optionally with a value range: values above the maximum are refused while typing.
class DigitsValidator : public QValidator {
public:
    DigitsValidator(int min, int max, QObject* parent) : QValidator(parent), min_(min), max_(max) {}
    State validate(QString& input, int&) const override {
        for (QChar c : input)
            if (!c.isDigit()) return Invalid;
        if (input.isEmpty() || min_ > max_) return Acceptable;
        bool ok = false;
        qlonglong v = input.toLongLong(&ok);
        if (!ok || v > max_) return Invalid;
        return v < min_ ? Intermediate : Acceptable;
    }

private:
    int min_, max_;
};

QListWidget* listOf(QWidget* w) {
    return qobject_cast<QListWidget*>(w);
}

// The content widget of a list row (nullptr for a plain text item).
QWidget* rowContent(QListWidget* list, int index) {
    QListWidgetItem* item = list->item(index);
    if (!item) return nullptr;
    QWidget* holder = list->itemWidget(item);
    if (!holder) return nullptr;
    auto kids = holder->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    return kids.isEmpty() ? nullptr : kids.front();
}

void placeInHolder(QWidget* holder, QWidget* content) {
    content->setParent(holder);
    holder->layout()->addWidget(content);
    content->show();
}

} // namespace

// A list row's item follows its content's size.
void updateRowSizes(QWidget* w) {
    for (QWidget* p = w; p; p = p->parentWidget()) {
        if (!p->property(kRowHolderProp).toBool()) continue;
        QWidget* vp = p->parentWidget();
        QListWidget* list = vp ? listOf(vp->parentWidget()) : nullptr;
        if (!list) continue;
        for (int i = 0; i < list->count(); ++i)
            if (list->itemWidget(list->item(i)) == p) {
                p->adjustSize();
                list->item(i)->setSizeHint(p->sizeHint());
            }
    }
}

QtControl* controlFor(QWidget* widget) {
    if (!widget) return nullptr;
    if (auto* h = widget->property(kControlProp).value<QObject*>())
        return static_cast<ControlHandle*>(h)->control.get();
    std::unique_ptr<QtControl> c;
    if (auto* k = qobject_cast<KeyButtonWidget*>(widget))
        c = std::make_unique<KeyButtonControl>(k);
    else if (auto* p = qobject_cast<SelectPanelWidget*>(widget))
        c = std::make_unique<SelectPanelControl>(p);
    else
        c = std::make_unique<QtControl>(widget);
    auto* handle = new ControlHandle(widget, std::move(c));
    widget->setProperty(kControlProp, QVariant::fromValue<QObject*>(handle));
    return handle->control.get();
}

std::vector<QWidget*> controlChildren(QWidget* w) {
    std::vector<QWidget*> out;
    if (!w) return out;
    if (auto* list = listOf(w)) {
        for (int i = 0; i < list->count(); ++i)
            if (QWidget* c = rowContent(list, i)) out.push_back(c);
        return out;
    }
    if (auto* sa = qobject_cast<QScrollArea*>(w)) {
        if (sa->widget()) out.push_back(sa->widget());
        return out;
    }
    if (auto* st = qobject_cast<QStackedWidget*>(w)) {
        for (int i = 0; i < st->count(); ++i)
            out.push_back(st->widget(i));
        return out;
    }
    if (auto* tw = qobject_cast<QTabWidget*>(w)) {
        for (int i = 0; i < tw->count(); ++i)
            out.push_back(tw->widget(i));
        return out;
    }
    if (qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w) ||
        qobject_cast<QAbstractSlider*>(w) || qobject_cast<QProgressBar*>(w) ||
        qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
        qobject_cast<QTextEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) ||
        qobject_cast<PaletteWidget*>(w))
        return out;
    for (QWidget* c : w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (c->isWindow()) continue;
        if (isInternal(c)) {
            // Inner frames (row holders) pass their children through.
            if (c->property(kRowHolderProp).toBool()) continue;
            continue;
        }
        out.push_back(c);
    }
    return out;
}

void forEachControlWidget(QWidget* w, const std::function<void(QWidget*)>& fn) {
    if (!w) return;
    fn(w);
    for (QWidget* c : controlChildren(w))
        forEachControlWidget(c, fn);
}

void retire(QWidget* w) {
    if (!w) return;
    if (QtWindow* win = windowOf(w))
        forEachControlWidget(w, [win](QWidget* x) { x->removeEventFilter(win); });
    w->hide();
    w->setParent(nullptr);
    w->deleteLater();
}

QtWindow* windowOf(QWidget* w) {
    for (QWidget* p = w; p; p = p->parentWidget())
        if (p->isWindow()) {
            auto* win = static_cast<QtWindow*>(p->property(kWindowProp).value<QObject*>());
            if (win) return win;
        }
    return nullptr;
}

QtControl::QtControl(QWidget* widget) : widget_(widget) {
    static std::atomic<int> nextUid{1};
    widget_->setProperty(kUidProp, nextUid++);
}

// ---- identity and tree ------------------------------------------------------------------------

std::string QtControl::name() const {
    return ss(widget_->objectName());
}
void QtControl::setName(const std::string& name) {
    widget_->setObjectName(qs(name));
}

std::string QtControl::className() const {
    QVariant v = widget_->property(kClassProp);
    if (v.isValid()) return ss(v.toString());
    return widget_->metaObject()->className();
}

ControlKind QtControl::kind() const {
    QWidget* w = widget_;
    if (qobject_cast<KeyButtonWidget*>(w)) return ControlKind::KeyButton;
    if (qobject_cast<SelectPanelWidget*>(w)) return ControlKind::SelectPanel;
    if (qobject_cast<PaletteWidget*>(w)) return ControlKind::Palette;
    if (qobject_cast<QCheckBox*>(w)) return ControlKind::CheckBox;
    if (qobject_cast<QRadioButton*>(w)) return ControlKind::Option;
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->isCheckable() ? ControlKind::Option : ControlKind::Button;
    if (qobject_cast<QLabel*>(w)) return ControlKind::Label;
    if (qobject_cast<QAbstractSlider*>(w)) return ControlKind::Slider;
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QTextEdit*>(w) ||
        qobject_cast<QPlainTextEdit*>(w))
        return ControlKind::Edit;
    if (qobject_cast<QProgressBar*>(w)) return ControlKind::Progress;
    if (qobject_cast<QComboBox*>(w)) return ControlKind::Combo;
    if (qobject_cast<QListWidget*>(w)) return ControlKind::List;
    if (qobject_cast<QStackedWidget*>(w) || qobject_cast<QTabWidget*>(w)) return ControlKind::Tab;
    if (qobject_cast<QScrollArea*>(w)) return ControlKind::ScrollArea;
    return ControlKind::Container;
}

Window* QtControl::window() const {
    return windowOf(widget_);
}

Control* QtControl::parent() const {
    if (widget_->isWindow()) return nullptr;
    for (QWidget* p = widget_->parentWidget(); p; p = p->parentWidget()) {
        if (!isInternal(p)) return controlFor(p);
        if (p->isWindow()) break;
    }
    return nullptr;
}

std::vector<Control*> QtControl::children() const {
    std::vector<Control*> out;
    for (QWidget* c : controlChildren(widget_))
        out.push_back(controlFor(c));
    return out;
}

Control* QtControl::findSubControl(std::string_view name) {
    if (sameName(ss(widget_->objectName()), name)) return this;
    for (QWidget* c : controlChildren(widget_))
        if (Control* found = controlFor(c)->findSubControl(name)) return found;
    return nullptr;
}

Control* QtControl::createChild(const std::string& className, const std::string& name) {
    ControlKind k = kind();
    QWidget* target = widget_;
    if (k == ControlKind::ScrollArea) {
        auto* sa = static_cast<QScrollArea*>(widget_);
        if (!sa->widget()) return nullptr;
        target = sa->widget();
    } else if (k != ControlKind::Container && k != ControlKind::SelectPanel &&
               k != ControlKind::Tab) {
        return nullptr;
    }
    QWidget* w = createWidgetOfClass(qs(className), target, qs(name));
    if (auto* st = qobject_cast<QStackedWidget*>(target))
        st->addWidget(w);
    else if (auto* tw = qobject_cast<QTabWidget*>(target))
        tw->addTab(w, QString());
    else if (target->layout())
        target->layout()->addWidget(w);
    if (target->isVisible()) w->show();
    if (QtWindow* win = windowOf(w))
        win->adopt(w);
    else
        forEachControlWidget(w, [](QWidget* x) { controlFor(x)->applyLayoutProperties(); });
    updateRowSizes(w);
    return controlFor(w);
}

bool QtControl::removeChild(Control* child) {
    auto* qc = dynamic_cast<QtControl*>(child);
    if (!qc) return false;
    auto kids = controlChildren(widget_);
    if (std::find(kids.begin(), kids.end(), qc->widget()) == kids.end()) return false;
    if (listOf(widget_)) {
        for (int i = 0; i < itemCount(); ++i)
            if (rowContent(listOf(widget_), i) == qc->widget()) return removeItem(i);
    }
    QWidget* w = qc->widget();
    if (auto* st = qobject_cast<QStackedWidget*>(widget_)) st->removeWidget(w);
    retire(w);
    updateRowSizes(widget_);
    return true;
}

void QtControl::removeAllChildren() {
    if (listOf(widget_)) {
        clearItems();
        return;
    }
    for (QWidget* w : controlChildren(widget_)) {
        if (auto* st = qobject_cast<QStackedWidget*>(widget_)) st->removeWidget(w);
        retire(w);
    }
    updateRowSizes(widget_);
}

// ---- common properties ------------------------------------------------------------------------

std::string QtControl::text() const {
    QWidget* w = widget_;
    if (auto* l = qobject_cast<QLabel*>(w)) return ss(l->text());
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return ss(b->text());
    if (auto* e = qobject_cast<QLineEdit*>(w)) return ss(e->text());
    if (auto* t = qobject_cast<QTextEdit*>(w)) return ss(t->toPlainText());
    if (auto* t = qobject_cast<QPlainTextEdit*>(w)) return ss(t->toPlainText());
    if (auto* c = qobject_cast<QComboBox*>(w)) return ss(c->currentText());
    if (auto* g = qobject_cast<QGroupBox*>(w)) return ss(g->title());
    return ss(w->property("text").toString());
}

void QtControl::setText(const std::string& text) {
    widget_->setProperty("textkey", QVariant());
    QSignalBlocker block(widget_);
    QString t = qs(text);
    QWidget* w = widget_;
    if (auto* l = qobject_cast<QLabel*>(w))
        l->setText(t);
    else if (auto* b = qobject_cast<QAbstractButton*>(w))
        b->setText(t);
    else if (auto* e = qobject_cast<QLineEdit*>(w))
        e->setText(t);
    else if (auto* te = qobject_cast<QTextEdit*>(w))
        te->setPlainText(t);
    else if (auto* pe = qobject_cast<QPlainTextEdit*>(w))
        pe->setPlainText(t);
    else if (auto* c = qobject_cast<QComboBox*>(w)) {
        if (c->isEditable())
            c->setEditText(t);
        else if (int i = c->findText(t); i >= 0) {
            c->setCurrentIndex(i);
            lastIndex = i;
        }
    } else if (auto* g = qobject_cast<QGroupBox*>(w))
        g->setTitle(t);
    else {
        w->setProperty("text", t);
        w->update();
    }
}

std::string QtControl::textKey() const {
    return ss(widget_->property("textkey").toString());
}

void QtControl::setTextKey(const std::string& key) {
    if (key.empty()) {
        widget_->setProperty("textkey", QVariant());
        return;
    }
    std::string shown = Toolkit::instance() ? Toolkit::instance()->translate(key) : key;
    setText(shown); // clears the key property
    widget_->setProperty("textkey", qs(key));
}

std::string QtControl::userData() const {
    return ss(widget_->property("userdata").toString());
}
void QtControl::setUserData(const std::string& data) {
    widget_->setProperty("userdata", qs(data));
}

std::string QtControl::toolTip() const {
    return ss(widget_->toolTip());
}
void QtControl::setToolTip(const std::string& text) {
    widget_->setProperty("tooltipkey", QVariant());
    widget_->setToolTip(qs(text));
}
void QtControl::setToolTipKey(const std::string& key) {
    widget_->setToolTip(qs(Toolkit::instance() ? Toolkit::instance()->translate(key) : key));
    widget_->setProperty("tooltipkey", key.empty() ? QVariant() : QVariant(qs(key)));
}

bool QtControl::isVisible() const {
    return !widget_->isHidden();
}
void QtControl::setVisible(bool visible) {
    widget_->setVisible(visible);
    updateRowSizes(widget_);
}
bool QtControl::isEnabled() const {
    return !widget_->testAttribute(Qt::WA_Disabled);
}
void QtControl::setEnabled(bool enabled) {
    widget_->setEnabled(enabled);
}
void QtControl::setFocus() {
    widget_->setFocus(Qt::OtherFocusReason);
}
bool QtControl::hasFocus() const {
    return widget_->hasFocus();
}

int QtControl::x() const {
    return widget_->x();
}
int QtControl::y() const {
    return widget_->y();
}
int QtControl::width() const {
    return widget_->width();
}
int QtControl::height() const {
    return widget_->height();
}
void QtControl::setFixedSize(int width, int height) {
    widget_->setFixedSize(std::max(0, width), std::max(0, height));
    updateRowSizes(widget_);
}
void QtControl::setFixedWidth(int width) {
    widget_->setFixedWidth(std::max(0, width));
    updateRowSizes(widget_);
}
void QtControl::setFixedHeight(int height) {
    widget_->setFixedHeight(std::max(0, height));
    updateRowSizes(widget_);
}
void QtControl::setFixedPos(int x, int y) {
    widget_->move(x, y);
}

Argb QtControl::textColor() const {
    return skin_.hasTextColor ? skin_.textColor : 0;
}
void QtControl::setTextColor(Argb color) {
    skin_.hasTextColor = true;
    skin_.textColor = color;
    updateStyle();
}
Argb QtControl::bkColor() const {
    return skin_.bkColor;
}
void QtControl::setBkColor(Argb color) {
    skin_.bkColor = color;
    updateStyle();
}

std::string QtControl::image(ImageSlot slot) const {
    return skin_.images[static_cast<size_t>(slot)];
}
void QtControl::setImage(ImageSlot slot, const std::string& attributeText) {
    skin_.images[static_cast<size_t>(slot)] = attributeText;
    widget_->update();
}

void QtControl::setFontId(int fontId) {
    skin_.fontId = fontId;
    if (auto* tk = toolkit()) widget_->setFont(tk->fontFor(fontId));
}

void QtControl::setStyleName(const std::string& style) {
    widget_->setProperty("style", qs(style));
    widget_->style()->unpolish(widget_);
    widget_->style()->polish(widget_);
    widget_->update();
}

namespace {
const std::pair<const char*, ImageSlot> kImageNames[] = {
    {"normalimage", ImageSlot::Normal},     {"hotimage", ImageSlot::Hot},
    {"pushedimage", ImageSlot::Pushed},     {"selectedimage", ImageSlot::Selected},
    {"disabledimage", ImageSlot::Disabled}, {"bkimage", ImageSlot::Background},
    {"foreimage", ImageSlot::Foreground},   {"lightimage", ImageSlot::Light},
    {"keysetimage", ImageSlot::KeySet},
};

std::optional<ImageSlot> imageSlotOf(const std::string& name) {
    for (auto& [n, slot] : kImageNames)
        if (sameName(n, name)) return slot;
    return std::nullopt;
}

bool truthy(const std::string& v) {
    return v == "true" || v == "1" || v == "True" || v == "TRUE";
}
} // namespace

std::string QtControl::attribute(const std::string& name) const {
    if (auto slot = imageSlotOf(name)) return image(*slot);
    if (sameName(name, "text")) return text();
    if (sameName(name, "name")) return this->name();
    QVariant v = widget_->property(name.c_str());
    return v.isValid() ? ss(v.toString()) : std::string();
}

void QtControl::setAttribute(const std::string& name, const std::string& value) {
    if (auto slot = imageSlotOf(name)) return setImage(*slot, value);
    if (sameName(name, "text")) return setText(value);
    if (sameName(name, "textkey")) return setTextKey(value);
    if (sameName(name, "tooltip")) return setToolTip(value);
    if (sameName(name, "tooltipkey")) return setToolTipKey(value);
    if (sameName(name, "userdata")) return setUserData(value);
    if (sameName(name, "group")) return setGroup(value);
    if (sameName(name, "visible")) return setVisible(truthy(value));
    if (sameName(name, "enabled")) return setEnabled(truthy(value));
    if (sameName(name, "textcolor")) {
        if (auto c = parseColor(value)) setTextColor(*c);
        return;
    }
    if (sameName(name, "bkcolor")) {
        if (auto c = parseColor(value)) setBkColor(*c);
        return;
    }
    if (sameName(name, "font")) {
        bool ok = false;
        int id = qs(value).toInt(&ok);
        if (ok) setFontId(id);
        return;
    }
    if (sameName(name, "style")) return setStyleName(value);
    widget_->setProperty(name.c_str(), qs(value));
}

void QtControl::invalidate() {
    widget_->update();
}

void QtControl::updateStyle() {
    QString decl;
    auto rgba = [](Argb c) {
        int a = static_cast<int>((c >> 24) & 0xFF);
        if (a == 0 && (c & 0xFFFFFF) != 0) a = 255;
        return QStringLiteral("rgba(%1,%2,%3,%4)")
            .arg((c >> 16) & 0xFF)
            .arg((c >> 8) & 0xFF)
            .arg(c & 0xFF)
            .arg(a);
    };
    if (skin_.hasTextColor) decl += QStringLiteral("color: %1;").arg(rgba(skin_.textColor));
    if (skin_.bkColor != 0) {
        decl += QStringLiteral("background-color: %1;").arg(rgba(skin_.bkColor));
        widget_->setAttribute(Qt::WA_StyledBackground, true);
    }
    // The selector names this widget alone, so its children keep their own look.
    QString sheet;
    if (!decl.isEmpty())
        sheet = QStringLiteral("*[%1=\"%2\"] { %3 }")
                    .arg(QLatin1String(kUidProp))
                    .arg(widget_->property(kUidProp).toInt())
                    .arg(decl);
    widget_->setStyleSheet(sheet);
}

// ---- options and check boxes ------------------------------------------------------------------

std::string QtControl::group() const {
    return ss(widget_->property("group").toString());
}

void QtControl::setGroup(const std::string& group) {
    widget_->setProperty("group", group.empty() ? QVariant() : QVariant(qs(group)));
    if (auto* r = qobject_cast<QRadioButton*>(widget_)) r->setAutoExclusive(group.empty());
    if (auto* b = qobject_cast<QAbstractButton*>(widget_); b && !group.empty())
        b->setCheckable(true);
}

bool QtControl::isSelected() const {
    if (auto* k = qobject_cast<KeyButtonWidget*>(widget_)) return k->keySelected;
    if (auto* b = qobject_cast<QAbstractButton*>(widget_)) return b->isChecked();
    return false;
}

void QtControl::setSelected(bool selected) {
    if (auto* k = qobject_cast<KeyButtonWidget*>(widget_)) {
        k->keySelected = selected;
        k->update();
        return;
    }
    auto* b = qobject_cast<QAbstractButton*>(widget_);
    if (!b || !b->isCheckable()) return;
    {
        QSignalBlocker block(b);
        b->setChecked(selected);
    }
    QString g = b->property("group").toString();
    if (selected && !g.isEmpty())
        if (QtWindow* win = windowOf(b)) win->clearGroup(b, g);
}

// ---- sliders and progress bars ----------------------------------------------------------------

int QtControl::minimum() const {
    if (auto* s = qobject_cast<QAbstractSlider*>(widget_)) return s->minimum();
    if (auto* p = qobject_cast<QProgressBar*>(widget_)) return p->minimum();
    return 0;
}
int QtControl::maximum() const {
    if (auto* s = qobject_cast<QAbstractSlider*>(widget_)) return s->maximum();
    if (auto* p = qobject_cast<QProgressBar*>(widget_)) return p->maximum();
    return 0;
}
void QtControl::setRange(int minimum, int maximum) {
    QSignalBlocker block(widget_);
    if (auto* s = qobject_cast<QAbstractSlider*>(widget_))
        s->setRange(minimum, maximum);
    else if (auto* p = qobject_cast<QProgressBar*>(widget_))
        p->setRange(minimum, maximum);
}
int QtControl::value() const {
    if (auto* s = qobject_cast<QAbstractSlider*>(widget_)) return s->value();
    if (auto* p = qobject_cast<QProgressBar*>(widget_)) return std::max(p->value(), p->minimum());
    return 0;
}
void QtControl::setValue(int value) {
    QSignalBlocker block(widget_);
    if (auto* s = qobject_cast<QAbstractSlider*>(widget_))
        s->setValue(value);
    else if (auto* p = qobject_cast<QProgressBar*>(widget_))
        p->setValue(std::clamp(value, p->minimum(), p->maximum()));
}

// ---- edit fields ------------------------------------------------------------------------------

int QtControl::maxLength() const {
    if (auto* e = qobject_cast<QLineEdit*>(widget_)) return e->maxLength();
    return 0;
}
void QtControl::setMaxLength(int length) {
    if (auto* e = qobject_cast<QLineEdit*>(widget_)) e->setMaxLength(length > 0 ? length : 32767);
}
bool QtControl::isDigitsOnly() const {
    return digitsOnly_;
}
void QtControl::setDigitsOnly(bool digitsOnly) {
    auto* e = qobject_cast<QLineEdit*>(widget_);
    if (!e) return;
    digitsOnly_ = digitsOnly;
    delete e->validator();
    e->setValidator(digitsOnly ? new DigitsValidator(editMin_, editMax_, e) : nullptr);
}
void QtControl::setValueRange(int minimum, int maximum) {
    editMin_ = minimum;
    editMax_ = maximum;
    if (digitsOnly_) setDigitsOnly(true);
}
bool QtControl::isReadOnly() const {
    if (auto* e = qobject_cast<QLineEdit*>(widget_)) return e->isReadOnly();
    if (auto* t = qobject_cast<QTextEdit*>(widget_)) return t->isReadOnly();
    return false;
}
void QtControl::setReadOnly(bool readOnly) {
    if (auto* e = qobject_cast<QLineEdit*>(widget_))
        e->setReadOnly(readOnly);
    else if (auto* t = qobject_cast<QTextEdit*>(widget_))
        t->setReadOnly(readOnly);
}
void QtControl::setSelection(int start, int end) {
    if (auto* e = qobject_cast<QLineEdit*>(widget_)) {
        int len = static_cast<int>(e->text().size());
        start = std::clamp(start, 0, len);
        end = end < 0 ? len : std::clamp(end, start, len);
        e->setSelection(start, end - start);
    }
}

// ---- combo boxes and lists --------------------------------------------------------------------

int QtControl::itemCount() const {
    if (auto* c = qobject_cast<QComboBox*>(widget_)) return c->count();
    if (auto* l = listOf(widget_)) return l->count();
    return 0;
}

int QtControl::addItem(const std::string& text, const std::string& userData) {
    return insertItem(-1, text, userData);
}

int QtControl::insertItem(int index, const std::string& text, const std::string& userData) {
    int n = itemCount();
    if (index < 0 || index > n) index = n;
    QSignalBlocker block(widget_);
    if (auto* c = qobject_cast<QComboBox*>(widget_)) {
        c->insertItem(index, qs(text), qs(userData));
        lastIndex = c->currentIndex();
        return index;
    }
    if (auto* l = listOf(widget_)) {
        auto* item = new QListWidgetItem(qs(text));
        item->setData(Qt::UserRole, qs(userData));
        l->insertItem(index, item);
        lastIndex = l->currentRow();
        return index;
    }
    return -1;
}

Control* QtControl::insertItemRow(int index, const std::string& name) {
    auto* l = listOf(widget_);
    if (!l) return nullptr;
    int n = l->count();
    if (index < 0 || index > n) index = n;
    QSignalBlocker block(widget_);
    auto* item = new QListWidgetItem();
    item->setData(Qt::UserRole, QString());
    l->insertItem(index, item);
    auto* holder = new QWidget();
    holder->setProperty(kInternalProp, true);
    holder->setProperty(kRowHolderProp, true);
    auto* hl = new QVBoxLayout(holder);
    hl->setContentsMargins(0, 0, 0, 0);
    hl->setSpacing(0);
    auto* content = new QWidget(holder);
    content->setObjectName(qs(name));
    content->setProperty(kClassProp, QStringLiteral("ListRow"));
    auto* cl = new QHBoxLayout(content);
    cl->setContentsMargins(0, 0, 0, 0);
    hl->addWidget(content);
    l->setItemWidget(item, holder);
    item->setSizeHint(holder->sizeHint());
    lastIndex = l->currentRow();
    if (QtWindow* win = windowOf(l)) win->adopt(content);
    return controlFor(content);
}

Control* QtControl::itemRow(int index) const {
    auto* l = listOf(widget_);
    return l ? controlFor(rowContent(l, index)) : nullptr;
}

bool QtControl::removeItem(int index) {
    if (index < 0 || index >= itemCount()) return false;
    QSignalBlocker block(widget_);
    if (auto* c = qobject_cast<QComboBox*>(widget_)) {
        c->removeItem(index);
        lastIndex = c->currentIndex();
        return true;
    }
    auto* l = listOf(widget_);
    QListWidgetItem* item = l->item(index);
    if (QWidget* holder = l->itemWidget(item)) retire(holder);
    delete l->takeItem(index);
    lastIndex = l->currentRow();
    return true;
}

bool QtControl::moveItem(int from, int to) {
    int n = itemCount();
    if (from < 0 || from >= n || to < 0 || to >= n) return false;
    if (from == to) return true;
    QSignalBlocker block(widget_);
    if (auto* c = qobject_cast<QComboBox*>(widget_)) {
        QString t = c->itemText(from);
        QVariant d = c->itemData(from);
        QVariant key = c->itemData(from, kItemKeyRole);
        bool wasCurrent = c->currentIndex() == from;
        c->removeItem(from);
        c->insertItem(to, t, d);
        c->setItemData(to, key, kItemKeyRole);
        if (wasCurrent) c->setCurrentIndex(to);
        lastIndex = c->currentIndex();
        return true;
    }
    // Lists: item widgets cannot move with their items, so the row contents, texts and data are
    // rotated through the fixed items.
    auto* l = listOf(widget_);
    struct Row {
        QString text;
        QVariant data;
        QVariant key;
        bool hidden;
        QWidget* content;
    };
    std::vector<Row> rows;
    for (int i = 0; i < n; ++i) {
        QListWidgetItem* it = l->item(i);
        QWidget* content = rowContent(l, i);
        if (content) {
            l->itemWidget(it)->layout()->removeWidget(content);
            content->setParent(nullptr);
        }
        rows.push_back(
            {it->text(), it->data(Qt::UserRole), it->data(kItemKeyRole), it->isHidden(), content});
    }
    bool currentMoves = l->currentRow() == from;
    Row moving = rows[static_cast<size_t>(from)];
    rows.erase(rows.begin() + from);
    rows.insert(rows.begin() + to, moving);
    for (int i = 0; i < n; ++i) {
        QListWidgetItem* it = l->item(i);
        const Row& r = rows[static_cast<size_t>(i)];
        it->setText(r.text);
        it->setData(Qt::UserRole, r.data);
        it->setData(kItemKeyRole, r.key);
        it->setHidden(r.hidden);
        if (r.content) {
            QWidget* holder = l->itemWidget(it);
            placeInHolder(holder, r.content);
            it->setSizeHint(holder->sizeHint());
        }
    }
    if (currentMoves) l->setCurrentRow(to);
    lastIndex = l->currentRow();
    return true;
}

void QtControl::clearItems() {
    QSignalBlocker block(widget_);
    if (auto* c = qobject_cast<QComboBox*>(widget_)) c->clear();
    if (auto* l = listOf(widget_)) {
        for (int i = 0; i < l->count(); ++i)
            if (QWidget* holder = l->itemWidget(l->item(i))) retire(holder);
        l->clear();
    }
    lastIndex = -1;
}

std::string QtControl::itemText(int index) const {
    if (auto* c = qobject_cast<QComboBox*>(widget_))
        return index >= 0 && index < c->count() ? ss(c->itemText(index)) : std::string();
    if (auto* l = listOf(widget_))
        if (auto* it = l->item(index)) return ss(it->text());
    return {};
}

void QtControl::setItemText(int index, const std::string& text) {
    QSignalBlocker block(widget_);
    if (auto* c = qobject_cast<QComboBox*>(widget_)) {
        if (index >= 0 && index < c->count()) {
            c->setItemText(index, qs(text));
            c->setItemData(index, QVariant(), kItemKeyRole);
        }
    } else if (auto* l = listOf(widget_)) {
        if (auto* it = l->item(index)) {
            it->setText(qs(text));
            it->setData(kItemKeyRole, QVariant());
        }
    }
}

std::string QtControl::itemTextKey(int index) const {
    if (auto* c = qobject_cast<QComboBox*>(widget_))
        return index >= 0 && index < c->count() ? ss(c->itemData(index, kItemKeyRole).toString())
                                                : std::string();
    if (auto* l = listOf(widget_))
        if (auto* it = l->item(index)) return ss(it->data(kItemKeyRole).toString());
    return {};
}

void QtControl::setItemTextKey(int index, const std::string& key) {
    if (key.empty()) {
        setItemText(index, itemText(index));
        return;
    }
    Toolkit* tk = Toolkit::instance();
    QString shown = qs(tk ? tk->translate(key) : key);
    QSignalBlocker block(widget_);
    if (auto* c = qobject_cast<QComboBox*>(widget_)) {
        if (index >= 0 && index < c->count()) {
            c->setItemText(index, shown);
            c->setItemData(index, qs(key), kItemKeyRole);
        }
    } else if (auto* l = listOf(widget_)) {
        if (auto* it = l->item(index)) {
            it->setText(shown);
            it->setData(kItemKeyRole, qs(key));
        }
    }
}

std::string QtControl::itemUserData(int index) const {
    if (auto* c = qobject_cast<QComboBox*>(widget_))
        return index >= 0 && index < c->count() ? ss(c->itemData(index).toString()) : std::string();
    if (auto* l = listOf(widget_))
        if (auto* it = l->item(index)) return ss(it->data(Qt::UserRole).toString());
    return {};
}

void QtControl::setItemUserData(int index, const std::string& data) {
    if (auto* c = qobject_cast<QComboBox*>(widget_)) {
        if (index >= 0 && index < c->count()) c->setItemData(index, qs(data));
    } else if (auto* l = listOf(widget_)) {
        if (auto* it = l->item(index)) it->setData(Qt::UserRole, qs(data));
    }
}

void QtControl::setItemVisible(int index, bool visible) {
    if (auto* c = qobject_cast<QComboBox*>(widget_)) {
        if (auto* v = qobject_cast<QListView*>(c->view()); v && index >= 0 && index < c->count())
            v->setRowHidden(index, !visible);
    } else if (auto* l = listOf(widget_)) {
        if (auto* it = l->item(index)) it->setHidden(!visible);
    }
}

bool QtControl::isItemVisible(int index) const {
    if (auto* c = qobject_cast<QComboBox*>(widget_)) {
        auto* v = qobject_cast<QListView*>(c->view());
        return v && index >= 0 && index < c->count() && !v->isRowHidden(index);
    }
    if (auto* l = listOf(widget_))
        if (auto* it = l->item(index)) return !it->isHidden();
    return false;
}

int QtControl::currentIndex() const {
    if (auto* c = qobject_cast<QComboBox*>(widget_)) return c->currentIndex();
    if (auto* l = listOf(widget_)) return l->currentRow();
    return -1;
}

bool QtControl::selectItem(int index) {
    int n = itemCount();
    if (index < -1 || index >= n) return false;
    QSignalBlocker block(widget_);
    if (auto* c = qobject_cast<QComboBox*>(widget_)) {
        c->setCurrentIndex(index);
        lastIndex = index;
        return true;
    }
    if (auto* l = listOf(widget_)) {
        if (index < 0) {
            l->setCurrentRow(-1);
            l->clearSelection();
        } else {
            l->setCurrentRow(index);
        }
        lastIndex = index;
        return true;
    }
    return false;
}

void QtControl::ensureVisible(int index) {
    if (auto* l = listOf(widget_))
        if (auto* it = l->item(index)) l->scrollToItem(it);
}

// ---- tab layouts ------------------------------------------------------------------------------

int QtControl::pageCount() const {
    if (auto* st = qobject_cast<QStackedWidget*>(widget_)) return st->count();
    if (auto* tw = qobject_cast<QTabWidget*>(widget_)) return tw->count();
    return 0;
}
int QtControl::currentPage() const {
    if (auto* st = qobject_cast<QStackedWidget*>(widget_)) return st->currentIndex();
    if (auto* tw = qobject_cast<QTabWidget*>(widget_)) return tw->currentIndex();
    return -1;
}
bool QtControl::selectPage(int index) {
    if (index < 0 || index >= pageCount()) return false;
    QSignalBlocker block(widget_);
    if (auto* st = qobject_cast<QStackedWidget*>(widget_))
        st->setCurrentIndex(index);
    else if (auto* tw = qobject_cast<QTabWidget*>(widget_))
        tw->setCurrentIndex(index);
    return true;
}

// ---- colour palette ---------------------------------------------------------------------------

Argb QtControl::selectedColor() const {
    if (auto* p = qobject_cast<PaletteWidget*>(widget_)) return p->color().rgba();
    return 0;
}
void QtControl::setSelectedColor(Argb color) {
    if (auto* p = qobject_cast<PaletteWidget*>(widget_)) {
        QSignalBlocker block(p);
        p->setColor(QColor::fromRgba(color));
    }
}

// ---- layout properties ------------------------------------------------------------------------

void QtControl::applyLayoutProperties() {
    QWidget* w = widget_;
    for (auto& [n, slot] : kImageNames) {
        QVariant v = w->property(n);
        if (v.isValid() && !v.toString().isEmpty())
            skin_.images[static_cast<size_t>(slot)] = ss(v.toString());
    }
    if (QVariant v = w->property("textcolor"); v.isValid())
        if (auto c = parseColor(ss(v.toString()))) {
            skin_.hasTextColor = true;
            skin_.textColor = *c;
        }
    if (QVariant v = w->property("bkcolor"); v.isValid())
        if (auto c = parseColor(ss(v.toString()))) skin_.bkColor = *c;
    if (skin_.hasTextColor || skin_.bkColor) updateStyle();
    if (QVariant v = w->property("fontid"); v.isValid()) {
        bool ok = false;
        int id = v.toString().toInt(&ok);
        if (ok) setFontId(id);
    }
    if (QVariant v = w->property("group"); v.isValid() && !v.toString().isEmpty())
        setGroup(ss(v.toString()));
    // Item user data and language keys of the layout's items, comma-separated in item order.
    if (kind() == ControlKind::Combo || kind() == ControlKind::List) {
        auto listProp = [w](const char* name) {
            QVariant v = w->property(name);
            return v.isValid() ? v.toString().split(QLatin1Char(',')) : QStringList();
        };
        QStringList data = listProp("itemuserdata"), keys = listProp("itemtextkeys");
        int n = itemCount();
        if (data.size() > n || keys.size() > n)
            trace::printf("toolkit: %s lists more item attributes than it has items\n",
                          name().c_str());
        for (int i = 0; i < n && i < data.size(); ++i)
            setItemUserData(i, ss(data[i].trimmed()));
        for (int i = 0; i < n && i < keys.size(); ++i)
            if (!keys[i].trimmed().isEmpty()) setItemTextKey(i, ss(keys[i].trimmed()));
    }
    reloadTexts();
    // "visible" needs nothing here: it is QWidget's own property, set by the loader.
}

void QtControl::reloadTexts() {
    Toolkit* tk = Toolkit::instance();
    if (!tk) return;
    QString key = widget_->property("textkey").toString();
    if (!key.isEmpty()) setTextKey(ss(key));
    QString tip = widget_->property("tooltipkey").toString();
    if (!tip.isEmpty()) setToolTipKey(ss(tip));
    for (int i = 0, n = itemCount(); i < n; ++i) {
        std::string key = itemTextKey(i);
        if (!key.empty()) setItemTextKey(i, key);
    }
}

} // namespace quasar::ui::qt
