#include "shell/toolkit/qt/qt_internal.h"

#include "platform/trace.h"
#include "shell/toolkit/attributes.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QGridLayout>
#include <QIcon>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QtUiTools/QUiLoader>

#include <algorithm>

namespace quasar::ui::qt {

namespace {

constexpr const char* kSubLayoutProp = "quasar_sublayout";
constexpr const char* kWiredProp = "quasar_wired";

// Custom classes that hold another layout file.
const std::pair<const char*, const char*> kSubLayouts[] = {
    {"DeviceProfileUI", "XML/CustomControlXML/DeviceProfile.xml"},
    {"LightSetControlUI", "XML/CustomControlXML/LightControl.xml"},
    {"Voice6533SetControlUI", "XML/CustomControlXML/Voice6533Control.xml"},
    {"MagicSetControlUI", "XML/CustomControlXML/MagicControl.xml"},
    {"KeySetControlUI", "XML/CustomControlXML/KeySetControl.xml"},
    {"MacroSetControlUI", "XML/CustomControlXML/MacroControl.xml"},
    {"ShootKeySetControlUI", "XML/CustomControlXML/ShootControl.xml"},
    {"VirtualSetControlUI", "XML/CustomControlXML/VirtualSet.xml"},
    {"ComboEditContainerElement", "XML/CustomControlXML/ComboEditElementItem.xml"},
};

// Custom classes whose behaviour lives in the program's own code: plain containers here.
const char* const kContainers[] = {
    "AudioRecord",
    "DeviceProfile",
    "LightControl",
    "MagicControl",
    "Voice6533Control",
    "KeySetControl",
    "ShootControl",
    "MacroControl",
    "ZentrovaKeyboardDevice",
    "ZentrovaMouseDevice",
    "ZentrovaMousePadDevice",
    "ZentrovaZI6533Device",
    "ZentrovaUSBDevice",
    "DeviceOption",
    "MpDevicePower",
    "UpdateInfoListItem",
    "ChartView",
    "Wnd",
    "CloudShareListItem",
    "ListRow",
};

// "CSelectPanelUI" (the global factory's spelling) -> "SelectPanel".
QString canonicalClass(const QString& cls) {
    if (cls.size() > 3 && cls.startsWith(QLatin1Char('C')) && cls.endsWith(QLatin1String("UI")) &&
        cls.at(1).isUpper()) {
        QString inner = cls.mid(1, cls.size() - 3);
        static const char* const known[] = {
            "SelectPanel",         "DeviceKeyButton",  "CircleProgress",           "HandImgButton",
            "HandImgSelectButton", "RedioMacroButton", "ComboEditContainerElement"};
        for (const char* k : known)
            if (inner.compare(QLatin1String(k), Qt::CaseInsensitive) == 0) return QLatin1String(k);
        for (const char* k : kContainers)
            if (inner.compare(QLatin1String(k), Qt::CaseInsensitive) == 0) return QLatin1String(k);
    }
    return cls;
}

bool is(const QString& a, const char* b) {
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

QWidget* createWith(QUiLoader* base, const QString& requested, QWidget* parent,
                    const QString& name) {
    QString cls = canonicalClass(requested);
    QWidget* w = nullptr;
    if (is(cls, "SelectPanel"))
        w = new SelectPanelWidget(parent);
    else if (is(cls, "DeviceKeyButton"))
        w = new KeyButtonWidget(parent);
    else if (is(cls, "CircleProgress"))
        w = new CircleProgressWidget(parent);
    else if (is(cls, "HandImgButton") || is(cls, "RedioMacroButton")) {
        w = new QPushButton(parent);
        if (is(cls, "HandImgButton")) w->setCursor(Qt::PointingHandCursor);
    } else if (is(cls, "HandImgSelectButton")) {
        auto* b = new QPushButton(parent);
        b->setCheckable(true);
        b->setCursor(Qt::PointingHandCursor);
        w = b;
    } else if (is(cls, "ColorPalette") || is(cls, "Palette"))
        w = new PaletteWidget(parent);
    if (!w) {
        for (auto& [n, file] : kSubLayouts)
            if (is(cls, n)) {
                w = new QWidget(parent);
                w->setProperty(kSubLayoutProp, QLatin1String(file));
            }
    }
    if (!w) {
        for (const char* k : kContainers)
            if (is(cls, k)) w = new QWidget(parent);
        if (w && is(cls, "ListRow")) new QHBoxLayout(w);
    }
    if (!w && base) {
        static const QStringList known = base->availableWidgets();
        if (known.contains(cls)) w = base->QUiLoader::createWidget(cls, parent, name);
    }
    if (!w) {
        trace::printf("toolkit: unknown control class %s (%s), made a plain container\n",
                      ss(cls).c_str(), ss(name).c_str());
        w = new QWidget(parent);
    }
    w->setObjectName(name);
    w->setProperty(kClassProp, cls);
    return w;
}

class Loader : public QUiLoader {
public:
    QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override {
        return createWith(this, className, parent, name);
    }
};

QUiLoader& sharedLoader() {
    static Loader loader;
    return loader;
}

// Our font ids share the name of QWidget's own "font" property; keep them apart before loading.
QByteArray prepareXml(QByteArray xml) {
    static const QRegularExpression a(
        QStringLiteral(R"(<property(\s+)name="font"(\s+)stdset="0")"));
    static const QRegularExpression b(
        QStringLiteral(R"(<property(\s+)stdset="0"(\s+)name="font")"));
    QString s = QString::fromUtf8(xml);
    s.replace(a, QStringLiteral(R"(<property\1name="fontid"\2stdset="0")"));
    s.replace(b, QStringLiteral(R"(<property\1stdset="0"\2name="fontid")"));
    return s.toUtf8();
}

thread_local int g_loadDepth = 0;

void fillSubLayouts(QWidget* top) {
    std::vector<QPointer<QWidget>> pending;
    std::function<void(QWidget*)> collect = [&](QWidget* w) {
        if (w->property(kSubLayoutProp).isValid()) pending.push_back(w);
        for (QWidget* c : w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            collect(c);
    };
    collect(top);
    for (auto& w : pending) {
        if (!w) continue;
        QString file = w->property(kSubLayoutProp).toString();
        w->setProperty(kSubLayoutProp, QVariant());
        QWidget* content = loadLayoutWidget(ss(file), w);
        if (!content) continue;
        if (!w->layout()) {
            auto* l = new QVBoxLayout(w);
            l->setContentsMargins(0, 0, 0, 0);
            l->setSpacing(0);
        }
        w->layout()->addWidget(content);
    }
}

} // namespace

QWidget* createWidgetOfClass(const QString& className, QWidget* parent, const QString& name) {
    return createWith(&sharedLoader(), className, parent, name);
}

QWidget* loadLayoutWidget(const std::string& layout, QWidget* parent) {
    QtToolkit* tk = toolkit();
    if (!tk) return nullptr;
    if (g_loadDepth > 8) {
        trace::printf("toolkit: layouts nested too deep at %s\n", layout.c_str());
        return nullptr;
    }
    QString path = qs(tk->resolveLayout(layout));
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        trace::printf("toolkit: layout missing %s\n", ss(path).c_str());
        return nullptr;
    }
    QByteArray xml = prepareXml(f.readAll());
    QBuffer buf(&xml);
    buf.open(QIODevice::ReadOnly);
    Loader loader;
    loader.setWorkingDirectory(QDir(qs(tk->skinFolder())));
    ++g_loadDepth;
    QWidget* w = loader.load(&buf, parent);
    if (w) fillSubLayouts(w);
    --g_loadDepth;
    if (!w)
        trace::printf("toolkit: layout unreadable %s: %s\n", ss(path).c_str(),
                      ss(loader.errorString()).c_str());
    return w;
}

// ---- window -------------------------------------------------------------------------------------

QtWindow::QtWindow(QWidget* top, const WindowOptions& options) : top_(top), options_(options) {
    top->setProperty(kWindowProp, QVariant::fromValue<QObject*>(this));
    Qt::WindowFlags flags = options.owner ? Qt::Dialog : Qt::Window;
    if (options.frameless) flags |= Qt::FramelessWindowHint;
    if (options.toolWindow) flags |= Qt::Tool;
    auto* owner = dynamic_cast<QtWindow*>(options.owner);
    top->setParent(owner ? owner->top() : nullptr, flags);
    if (!options.title.empty()) top->setWindowTitle(qs(options.title));
    if (options.width > 0 && options.height > 0) top->resize(options.width, options.height);
    top->installEventFilter(this);
    adopt(top);
    if (QtToolkit* tk = toolkit()) tk->windows.push_back(this);
    auto alive = alive_;
    QTimer::singleShot(0, this, [this, alive] {
        if (*alive && top_) sendNotify(root(), "windowinit", 0, 0);
    });
}

QtWindow::~QtWindow() {
    *alive_ = false;
    receivers_.clear();
    if (QtToolkit* tk = toolkit()) std::erase(tk->windows, this);
    if (modalLoop_) modalLoop_->exit(0);
    delete top_.data();
}

Control* QtWindow::root() {
    return top_ ? controlFor(top_) : nullptr;
}

Control* QtWindow::findControl(std::string_view name) {
    return top_ ? controlFor(top_)->findSubControl(name) : nullptr;
}

Control* QtWindow::findSubControl(Control* parent, std::string_view name) {
    return parent ? parent->findSubControl(name) : nullptr;
}

Control* QtWindow::loadLayoutInto(Control* container, const std::string& layout) {
    auto* qc = dynamic_cast<QtControl*>(container);
    if (!qc || windowOf(qc->widget()) != this) return nullptr;
    QWidget* target = qc->widget();
    if (auto* sa = qobject_cast<QScrollArea*>(target)) {
        if (!sa->widget()) {
            QWidget* content = loadLayoutWidget(layout, nullptr);
            if (!content) return nullptr;
            sa->setWidget(content);
            adopt(content);
            return container;
        }
        target = sa->widget();
    }
    if (qobject_cast<QListWidget*>(target) || qobject_cast<QComboBox*>(target)) return nullptr;
    if (auto* st = qobject_cast<QStackedWidget*>(target)) {
        QWidget* content = loadLayoutWidget(layout, nullptr);
        if (!content) return nullptr;
        st->addWidget(content);
        adopt(content);
        return container;
    }
    if (auto* tw = qobject_cast<QTabWidget*>(target)) {
        QWidget* content = loadLayoutWidget(layout, nullptr);
        if (!content) return nullptr;
        tw->addTab(content, QString());
        adopt(content);
        return container;
    }
    // Read the file before dropping what the container holds, so a bad file changes nothing.
    QWidget* content = loadLayoutWidget(layout, nullptr);
    if (!content) return nullptr;
    for (QWidget* old : controlChildren(target))
        retire(old);
    if (!target->layout()) {
        auto* l = new QVBoxLayout(target);
        l->setContentsMargins(0, 0, 0, 0);
        l->setSpacing(0);
    }
    content->setParent(target);
    target->layout()->addWidget(content);
    content->show();
    adopt(content);
    updateRowSizes(content);
    return container;
}

Control* QtWindow::appendLayoutInto(Control* container, const std::string& layout) {
    auto* qc = dynamic_cast<QtControl*>(container);
    if (!qc || windowOf(qc->widget()) != this) return nullptr;
    QWidget* target = qc->widget();
    if (qobject_cast<QListWidget*>(target) || qobject_cast<QComboBox*>(target)) return nullptr;
    QWidget* content = loadLayoutWidget(layout, nullptr);
    if (!content) return nullptr;
    if (auto* sa = qobject_cast<QScrollArea*>(target)) {
        if (!sa->widget()) {
            // The first card becomes the scrolled content's only child.
            auto* holder = new QWidget();
            holder->setProperty(kInternalProp, true);
            auto* l = new QVBoxLayout(holder);
            l->setContentsMargins(0, 0, 0, 0);
            l->setSpacing(0);
            sa->setWidget(holder);
        }
        target = sa->widget();
    }
    if (auto* st = qobject_cast<QStackedWidget*>(target)) {
        st->addWidget(content);
    } else if (auto* tw = qobject_cast<QTabWidget*>(target)) {
        tw->addTab(content, QString());
    } else if (QLayout* l = target->layout()) {
        content->setParent(target);
        if (auto* box = qobject_cast<QBoxLayout*>(l)) {
            // Before the spacers that close the row, so the cards stay together.
            int at = box->count();
            while (at > 0 && box->itemAt(at - 1)->spacerItem())
                --at;
            box->insertWidget(at, content);
        } else if (auto* grid = qobject_cast<QGridLayout*>(l)) {
            grid->addWidget(content, grid->rowCount(), 0);
        } else {
            l->addWidget(content);
        }
    } else {
        // Absolute placement: the caller moves it with setFixedPos.
        content->setParent(target);
        content->move(0, 0);
        content->resize(content->sizeHint().expandedTo(content->minimumSize()));
    }
    content->show();
    adopt(content);
    updateRowSizes(content);
    return controlFor(content);
}

void QtWindow::addNotifier(NotifyReceiver* receiver) {
    if (receiver && std::find(receivers_.begin(), receivers_.end(), receiver) == receivers_.end())
        receivers_.push_back(receiver);
}

void QtWindow::removeNotifier(NotifyReceiver* receiver) {
    std::erase(receivers_, receiver);
}

void QtWindow::sendNotify(Control* sender, const std::string& type, std::int64_t wParam,
                          std::int64_t lParam) {
    Notification n;
    n.type = type;
    n.sender = sender;
    n.wParam = wParam;
    n.lParam = lParam;
    sendNotify(n);
}

void QtWindow::sendNotify(Notification& n) {
    n.window = this;
    auto alive = alive_;
    // A receiver may add or remove receivers (or close the window) while it is notified.
    std::vector<NotifyReceiver*> snapshot = receivers_;
    for (NotifyReceiver* r : snapshot) {
        if (!*alive) return;
        if (std::find(receivers_.begin(), receivers_.end(), r) == receivers_.end()) continue;
        r->notify(n);
    }
}

bool QtWindow::setTimer(Control* control, int id, int ms) {
    auto* qc = dynamic_cast<QtControl*>(control);
    if (!qc) return false;
    QWidget* w = qc->widget();
    auto key = std::make_pair(w, id);
    QPointer<QTimer>& t = timers_[key];
    if (!t) {
        t = new QTimer(w);
        QPointer<QWidget> pw(w);
        connect(t.data(), &QTimer::timeout, this, [this, pw, id] {
            if (pw) sendNotify(controlFor(pw), "timer", id, 0);
        });
    }
    t->start(std::max(1, ms));
    return true;
}

void QtWindow::killTimer(Control* control, int id) {
    auto* qc = dynamic_cast<QtControl*>(control);
    if (!qc) return;
    auto it = timers_.find({qc->widget(), id});
    if (it == timers_.end()) return;
    delete it->second.data();
    timers_.erase(it);
}

void QtWindow::killTimers(Control* control) {
    auto* qc = dynamic_cast<QtControl*>(control);
    for (auto it = timers_.begin(); it != timers_.end();) {
        if (!it->second || (qc && it->first.first == qc->widget())) {
            delete it->second.data();
            it = timers_.erase(it);
        } else {
            ++it;
        }
    }
}

void QtWindow::setMessageHandler(MessageHandler handler) {
    messageHandler_ = std::move(handler);
}

std::int64_t QtWindow::sendMessage(unsigned msg, std::int64_t wParam, std::int64_t lParam) {
    QtToolkit* tk = toolkit();
    if (!tk) return 0;
    if (tk->isWindowThread()) return messageHandler_ ? messageHandler_(msg, wParam, lParam) : 0;
    std::int64_t result = 0;
    auto alive = alive_;
    tk->send([&, alive] {
        if (*alive && messageHandler_) result = messageHandler_(msg, wParam, lParam);
    });
    return result;
}

void QtWindow::postMessage(unsigned msg, std::int64_t wParam, std::int64_t lParam) {
    QtToolkit* tk = toolkit();
    if (!tk) return;
    auto alive = alive_;
    tk->post([this, alive, msg, wParam, lParam] {
        if (*alive && messageHandler_) messageHandler_(msg, wParam, lParam);
    });
}

void QtWindow::show() {
    if (top_) top_->show();
}
void QtWindow::hide() {
    if (top_) top_->hide();
}
bool QtWindow::isVisible() const {
    return top_ && top_->isVisible();
}
bool QtWindow::isMinimized() const {
    return top_ && top_->isMinimized();
}
void QtWindow::minimize() {
    if (top_) top_->showMinimized();
}
void QtWindow::maximize() {
    if (top_) top_->showMaximized();
}
void QtWindow::restore() {
    if (top_) top_->showNormal();
}
void QtWindow::bringToFront() {
    if (!top_) return;
    if (top_->isMinimized()) top_->showNormal();
    top_->show();
    top_->raise();
    top_->activateWindow();
}

void QtWindow::centre() {
    if (!top_) return;
    QRect area;
    if (auto* owner = dynamic_cast<QtWindow*>(options_.owner);
        owner && owner->top() && owner->isVisible())
        area = owner->top()->frameGeometry();
    else if (QScreen* s = top_->screen() ? top_->screen() : QGuiApplication::primaryScreen())
        area = s->availableGeometry();
    if (area.isEmpty()) return;
    QRect g = top_->frameGeometry();
    g.moveCenter(area.center());
    top_->move(g.topLeft());
}

void QtWindow::move(int x, int y) {
    if (top_) top_->move(x, y);
}
void QtWindow::resize(int width, int height) {
    if (top_) top_->resize(std::max(1, width), std::max(1, height));
}
int QtWindow::x() const {
    return top_ ? top_->x() : 0;
}
int QtWindow::y() const {
    return top_ ? top_->y() : 0;
}
int QtWindow::width() const {
    return top_ ? top_->width() : 0;
}
int QtWindow::height() const {
    return top_ ? top_->height() : 0;
}
void QtWindow::setTitle(const std::string& title) {
    if (top_) top_->setWindowTitle(qs(title));
}
std::string QtWindow::title() const {
    return top_ ? ss(top_->windowTitle()) : std::string();
}

void QtWindow::setIcon(const std::string& file) {
    if (!top_) return;
    QString path = qs(file);
    if (!path.startsWith(QLatin1Char('/')) && toolkit()) path = qs(toolkit()->skinFolder()) + path;
    top_->setWindowIcon(QIcon(path));
}

void QtWindow::setCloseRequestHandler(std::function<bool()> handler) {
    closeHandler_ = std::move(handler);
}

int QtWindow::runModal() {
    if (!top_ || modalLoop_) return 0;
    top_->setWindowModality(options_.owner ? Qt::WindowModal : Qt::ApplicationModal);
    modalResult_ = 0;
    QEventLoop loop;
    modalLoop_ = &loop;
    top_->show();
    auto alive = alive_;
    loop.exec();
    if (!*alive) return 0; // destroyed while running
    modalLoop_ = nullptr;
    if (top_) {
        top_->hide();
        top_->setWindowModality(Qt::NonModal);
    }
    return modalResult_;
}

void QtWindow::close(int result) {
    modalResult_ = result;
    if (top_) top_->hide();
    if (modalLoop_) modalLoop_->exit(result);
}

bool QtWindow::renderToPng(const std::string& path) {
    if (!top_) return false;
    bool wasShown = top_->isVisible();
    if (!wasShown) {
        // Lay the window out without putting it on the screen.
        top_->setAttribute(Qt::WA_DontShowOnScreen, true);
        top_->show();
    }
    QPixmap pm = top_->grab();
    if (!wasShown) {
        top_->hide();
        top_->setAttribute(Qt::WA_DontShowOnScreen, false);
    }
    return !pm.isNull() && pm.save(qs(path), "PNG");
}

// ---- wiring ------------------------------------------------------------------------------------

void QtWindow::adopt(QWidget* w) {
    forEachControlWidget(w, [this](QWidget* x) {
        controlFor(x)->applyLayoutProperties();
        wire(x);
    });
}

void QtWindow::clearGroup(QWidget* except, const QString& group) {
    if (!top_) return;
    forEachControlWidget(top_, [&](QWidget* x) {
        auto* b = qobject_cast<QAbstractButton*>(x);
        if (!b || b == except || !b->isChecked() || b->property("group").toString() != group)
            return;
        QSignalBlocker block(b);
        b->setChecked(false);
    });
}

void QtWindow::wire(QWidget* w) {
    if (w->property(kWiredProp).toBool()) return;
    w->setProperty(kWiredProp, true);
    w->installEventFilter(this);
    QPointer<QWidget> pw(w);

    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        connect(b, &QAbstractButton::clicked, this, [this, pw](bool checked) {
            auto* b = qobject_cast<QAbstractButton*>(pw.data());
            if (!b) return;
            QtControl* c = controlFor(b);
            if (!b->isCheckable()) {
                sendNotify(c, "click", 0, 0);
                return;
            }
            QString g = b->property("group").toString();
            if (!g.isEmpty()) {
                if (!checked) {
                    // A selected option of a group stays selected when clicked again.
                    QSignalBlocker block(b);
                    b->setChecked(true);
                    sendNotify(c, "click", 0, 0);
                    return;
                }
                clearGroup(b, g);
            }
            sendNotify(c, "click", 0, 0);
            if (pw) sendNotify(c, "selectchanged", checked ? 1 : 0, 0);
        });
    } else if (auto* s = qobject_cast<QAbstractSlider*>(w)) {
        connect(s, &QAbstractSlider::sliderMoved, this, [this, pw](int v) {
            if (pw) sendNotify(controlFor(pw), "movevaluechanged", v, 0);
        });
        connect(s, &QAbstractSlider::sliderReleased, this, [this, pw] {
            if (auto* s = qobject_cast<QAbstractSlider*>(pw.data()))
                sendNotify(controlFor(s), "valuechanged", s->value(), 0);
        });
        connect(s, &QAbstractSlider::valueChanged, this, [this, pw](int v) {
            auto* s = qobject_cast<QAbstractSlider*>(pw.data());
            if (s && !s->isSliderDown()) sendNotify(controlFor(s), "valuechanged", v, 0);
        });
    } else if (auto* cb = qobject_cast<QComboBox*>(w)) {
        controlFor(cb)->lastIndex = cb->currentIndex();
        connect(cb, &QComboBox::currentIndexChanged, this, [this, pw](int i) {
            if (!pw) return;
            QtControl* c = controlFor(pw);
            int prev = c->lastIndex;
            c->lastIndex = i;
            sendNotify(c, "itemselect", i, prev);
        });
    } else if (auto* lw = qobject_cast<QListWidget*>(w)) {
        controlFor(lw)->lastIndex = lw->currentRow();
        connect(lw, &QListWidget::currentRowChanged, this, [this, pw](int i) {
            if (!pw) return;
            QtControl* c = controlFor(pw);
            int prev = c->lastIndex;
            c->lastIndex = i;
            sendNotify(c, "itemselect", i, prev);
        });
        connect(lw, &QListWidget::itemClicked, this, [this, pw](QListWidgetItem* item) {
            if (auto* l = qobject_cast<QListWidget*>(pw.data()))
                sendNotify(controlFor(l), "itemclick", l->row(item), 0);
        });
        connect(lw, &QListWidget::itemActivated, this, [this, pw](QListWidgetItem* item) {
            if (auto* l = qobject_cast<QListWidget*>(pw.data()))
                sendNotify(controlFor(l), "itemactivate", l->row(item), 0);
        });
    } else if (auto* le = qobject_cast<QLineEdit*>(w)) {
        connect(le, &QLineEdit::textEdited, this, [this, pw] {
            if (pw) sendNotify(controlFor(pw), "textchanged", 0, 0);
        });
        connect(le, &QLineEdit::returnPressed, this, [this, pw] {
            if (pw) sendNotify(controlFor(pw), "return", 0, 0);
        });
    } else if (auto* te = qobject_cast<QTextEdit*>(w)) {
        connect(te, &QTextEdit::textChanged, this, [this, pw] {
            if (pw) sendNotify(controlFor(pw), "textchanged", 0, 0);
        });
    } else if (auto* pal = qobject_cast<PaletteWidget*>(w)) {
        connect(pal, &PaletteWidget::userPicked, this, [this, pw](QColor c) {
            if (pw)
                sendNotify(controlFor(pw), "colorchanged", static_cast<std::int64_t>(c.rgba()), 0);
        });
    }
}

bool QtWindow::eventFilter(QObject* watched, QEvent* e) {
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w) return false;
    switch (e->type()) {
    case QEvent::Paint:
        if (qobject_cast<KeyButtonWidget*>(w)) return false;
        return paintSkinned(w);
    case QEvent::FocusIn:
        sendNotify(controlFor(w), "setfocus", 0, 0);
        break;
    case QEvent::FocusOut:
        sendNotify(controlFor(w), "killfocus", 0, 0);
        break;
    case QEvent::Enter:
        if (controlFor(w)->skin().anyStateImage()) w->update();
        sendNotify(controlFor(w), "msenter", 0, 0);
        break;
    case QEvent::Leave:
        if (controlFor(w)->skin().anyStateImage()) w->update();
        sendNotify(controlFor(w), "msleave", 0, 0);
        break;
    case QEvent::ContextMenu: {
        auto* ce = static_cast<QContextMenuEvent*>(e);
        // Raised once, by the innermost control (not again by each container around it).
        sendNotify(controlFor(w), "menu", ce->globalPos().x(), ce->globalPos().y());
        return true;
    }
    case QEvent::Resize:
        if (w == top_) sendNotify(root(), "windowsize", w->width(), w->height());
        break;
    case QEvent::WindowDeactivate:
        if (w == top_) sendNotify(root(), "windowdeactivate", 0, 0);
        break;
    case QEvent::Close:
        if (w == top_) {
            bool allow = closeHandler_ ? closeHandler_() : true;
            e->ignore();
            if (allow) close(0);
            return true;
        }
        break;
    default:
        break;
    }
    return false;
}

} // namespace quasar::ui::qt
