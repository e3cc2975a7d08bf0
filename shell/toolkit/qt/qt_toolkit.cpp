#include "shell/toolkit/qt/qt_toolkit.h"
#include "shell/toolkit/qt/qt_internal.h"

#include "platform/program_paths.h"
#include "platform/trace.h"
#include "shell/toolkit/attributes.h"
#include "shell/toolkit/blocking_call.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QThread>
#include <QXmlStreamReader>

#include <condition_variable>
#include <deque>
#include <mutex>

namespace quasar::ui::qt {

namespace {
QtToolkit* g_toolkit = nullptr;

std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string slashes(std::string s) {
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}
} // namespace

QtToolkit* toolkit() {
    return g_toolkit;
}

// ---- menus --------------------------------------------------------------------------------------

class QtMenu final : public Menu {
public:
    explicit QtMenu(QtWindow* owner) : owner_(owner) {
        menu_ = new QMenu(owner ? owner->top() : nullptr);
        g_toolkit->menus.push_back(this);
    }
    ~QtMenu() override {
        if (g_toolkit) std::erase(g_toolkit->menus, this);
        delete menu_.data();
    }

    bool load(const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) return false;
        QXmlStreamReader xml(&f);
        if (!xml.readNextStartElement() || xml.name() != QLatin1String("Menu")) return false;
        parseElements(xml, menu_);
        if (xml.hasError()) return false;
        wireActions(menu_);
        return true;
    }

    void popup(int x, int y) override {
        if (menu_) menu_->popup(QPoint(x, y));
    }
    void popupAtCursor() override { popup(QCursor::pos().x(), QCursor::pos().y()); }
    QMenu* qmenu() const { return menu_; }
    void close() override {
        if (menu_) menu_->hide();
    }
    bool isOpen() const override { return menu_ && menu_->isVisible(); }

    std::vector<std::string> itemNames() const override {
        std::vector<std::string> out;
        collect(menu_, out);
        return out;
    }

    bool choose(const std::string& itemName) override {
        QAction* a = find(menu_, qs(itemName));
        if (!a) return false;
        a->trigger();
        return true;
    }

    void reloadTexts() { retranslate(menu_); }

private:
    // <MenuElement name=".." textkey=".." text=".."/>; an element holding elements is a sub-menu.
    void parseElements(QXmlStreamReader& xml, QMenu* into) {
        while (xml.readNextStartElement()) {
            if (xml.name() != QLatin1String("MenuElement")) {
                xml.skipCurrentElement();
                continue;
            }
            auto attrs = xml.attributes();
            QString name = attrs.value(QLatin1String("name")).toString();
            QString key = attrs.value(QLatin1String("textkey")).toString();
            QString text = attrs.value(QLatin1String("text")).toString();
            bool hidden = attrs.value(QLatin1String("visible")) == QLatin1String("false");
            auto* sub = new QMenu(into);
            parseElements(xml, sub);
            QAction* act;
            if (sub->actions().isEmpty()) {
                delete sub;
                act = into->addAction(QString());
            } else {
                act = into->addMenu(sub);
            }
            act->setObjectName(name);
            act->setProperty("textkey", key);
            act->setText(key.isEmpty() ? text : qs(g_toolkit->translate(ss(key))));
            if (hidden) act->setVisible(false);
        }
    }

    void wireActions(QMenu* m) {
        for (QAction* a : m->actions()) {
            if (a->menu()) {
                wireActions(a->menu());
                continue;
            }
            QPointer<QtWindow> owner(owner_);
            QString name = a->objectName();
            QObject::connect(a, &QAction::triggered, menu_, [owner, name] {
                if (!owner) return;
                Notification n;
                n.type = "menu";
                n.item = ss(name);
                owner->sendNotify(n);
            });
        }
    }
    static void collect(QMenu* m, std::vector<std::string>& out) {
        if (!m) return;
        for (QAction* a : m->actions()) {
            if (a->menu())
                collect(a->menu(), out);
            else
                out.push_back(ss(a->objectName()));
        }
    }
    static QAction* find(QMenu* m, const QString& name) {
        if (!m) return nullptr;
        for (QAction* a : m->actions()) {
            if (a->menu()) {
                if (QAction* f = find(a->menu(), name)) return f;
            } else if (a->objectName().compare(name, Qt::CaseInsensitive) == 0) {
                return a;
            }
        }
        return nullptr;
    }
    static void retranslate(QMenu* m) {
        if (!m) return;
        for (QAction* a : m->actions()) {
            QString key = a->property("textkey").toString();
            if (!key.isEmpty()) a->setText(qs(g_toolkit->translate(ss(key))));
            if (a->menu()) retranslate(a->menu());
        }
    }

    QPointer<QtWindow> owner_;
    QPointer<QMenu> menu_;
};

// ---- tray icon ----------------------------------------------------------------------------------

class QtTray final : public TrayIcon {
public:
    QtTray(const QString& icon, const QString& tip) {
        tray_.setIcon(QIcon(icon));
        tray_.setToolTip(tip);
        QObject::connect(&tray_, &QSystemTrayIcon::activated, &tray_,
                         [this](QSystemTrayIcon::ActivationReason r) {
                             if (!handler_) return;
                             if (r == QSystemTrayIcon::Trigger)
                                 handler_(Event::LeftClick);
                             else if (r == QSystemTrayIcon::Context && !tray_.contextMenu())
                                 handler_(Event::RightClick);
                             else if (r == QSystemTrayIcon::DoubleClick)
                                 handler_(Event::DoubleClick);
                         });
    }
    void show() override { tray_.show(); }
    void hide() override { tray_.hide(); }
    void setToolTip(const std::string& text) override { tray_.setToolTip(qs(text)); }
    void setIcon(const std::string& file) override {
        QString path = qs(file);
        if (!path.startsWith(QLatin1Char('/'))) path = qs(g_toolkit->skinFolder()) + path;
        tray_.setIcon(QIcon(path));
    }
    void setHandler(std::function<void(Event)> handler) override { handler_ = std::move(handler); }
    void setMenu(Menu* menu) override {
        auto* m = dynamic_cast<QtMenu*>(menu);
        tray_.setContextMenu(m ? m->qmenu() : nullptr);
    }
    bool isAvailable() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }

private:
    QSystemTrayIcon tray_;
    std::function<void(Event)> handler_;
};

// ---- toolkit ------------------------------------------------------------------------------------

struct QtToolkit::State {
    std::unique_ptr<QApplication> app;
    std::mutex mutex;
    WorkQueue queue;
    bool ended = false;     // no loop runs: sends are refused
    bool destroyed = false; // posts are refused
    bool wakePending = false;
    std::map<std::pair<NotifyReceiver*, int>, QTimer*> timers;
    QObject timerOwner;
};

QtToolkit::QtToolkit(int& argc, char** argv) : state_(std::make_unique<State>()) {
    g_toolkit = this;
    if (QApplication::instance() == nullptr)
        state_->app = std::make_unique<QApplication>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    face_ = systemFace_ = QApplication::font().family();
    setSkinFolder(quasar::skinFolder());
    // Screen changes reach the program as one call each.
    QObject* ctx = &state_->timerOwner;
    auto watch = [this, ctx](QScreen* screen) {
        QObject::connect(screen, &QScreen::geometryChanged, ctx, [this] { displayChanged(); });
    };
    for (QScreen* s : QGuiApplication::screens())
        watch(s);
    QObject::connect(qApp, &QGuiApplication::screenAdded, ctx, [this, watch](QScreen* s) {
        watch(s);
        displayChanged();
    });
    QObject::connect(qApp, &QGuiApplication::screenRemoved, ctx, [this] { displayChanged(); });
    QObject::connect(qApp, &QGuiApplication::primaryScreenChanged, ctx,
                     [this] { displayChanged(); });
}

QtToolkit::~QtToolkit() {
    WorkQueue dropped;
    {
        std::lock_guard lock(state_->mutex);
        state_->ended = true;
        state_->destroyed = true;
        dropped.swap(state_->queue);
    }
    dropped.clear();
    for (auto& [key, t] : state_->timers)
        delete t;
    state_->timers.clear();
    g_toolkit = nullptr;
}

void QtToolkit::setSkinFolder(const std::string& folder) {
    skin_ = slashes(folder);
    if (!skin_.empty() && skin_.back() != '/') skin_ += '/';
    resIndex_.clear();
    QFile res(qs(skin_ + "res.xml"));
    if (res.open(QIODevice::ReadOnly)) {
        QXmlStreamReader xml(&res);
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement &&
                xml.name() == QLatin1String("File")) {
                auto a = xml.attributes();
                std::string name = ss(a.value(QLatin1String("name")).toString());
                std::string path = slashes(ss(a.value(QLatin1String("path")).toString()));
                if (!name.empty() && !path.empty()) resIndex_[lower(name)] = path;
            }
        }
        if (xml.hasError())
            trace::printf("toolkit: res.xml unreadable: %s\n", ss(xml.errorString()).c_str());
    }
    QFile qss(qs(skin_ + "style.qss"));
    if (qss.open(QIODevice::ReadOnly)) qApp->setStyleSheet(QString::fromUtf8(qss.readAll()));
}

std::string QtToolkit::resolveLayout(const std::string& layout) const {
    auto it = resIndex_.find(lower(layout));
    std::string rel = it != resIndex_.end() ? it->second : slashes(layout);
    if (!rel.empty() && rel.front() == '/') return rel;
    return skin_ + rel;
}

std::unique_ptr<Window> QtToolkit::createWindow(const std::string& layout,
                                                const WindowOptions& options) {
    QWidget* top = loadLayoutWidget(layout, nullptr);
    if (!top) return nullptr;
    return std::make_unique<QtWindow>(top, options);
}

std::unique_ptr<Menu> QtToolkit::createMenu(const std::string& menuFile, Window* owner) {
    auto* qw = dynamic_cast<QtWindow*>(owner);
    auto menu = std::make_unique<QtMenu>(qw);
    if (!menu->load(qs(resolveLayout(menuFile)))) {
        trace::printf("toolkit: menu unreadable %s\n", menuFile.c_str());
        return nullptr;
    }
    return menu;
}

std::unique_ptr<TrayIcon> QtToolkit::createTrayIcon(const std::string& iconFile,
                                                    const std::string& toolTip) {
    QString path = qs(iconFile);
    if (!path.startsWith(QLatin1Char('/'))) path = qs(skin_) + path;
    return std::make_unique<QtTray>(path, qs(toolTip));
}

int QtToolkit::runLoop() {
    {
        std::lock_guard lock(state_->mutex);
        state_->ended = false;
    }
    int code = QApplication::exec();
    WorkQueue dropped;
    {
        std::lock_guard lock(state_->mutex);
        state_->ended = true;
        dropped = takeSentWork(state_->queue);
    }
    dropped.clear(); // wakes senders whose work will not run
    return code;
}

void QtToolkit::quit(int code) {
    QMetaObject::invokeMethod(
        qApp, [code] { QApplication::exit(code); }, Qt::QueuedConnection);
}

bool QtToolkit::isWindowThread() const {
    return QThread::currentThread() == qApp->thread();
}

void QtToolkit::post(std::function<void()> fn) {
    if (!fn) return;
    bool wake = false;
    {
        std::lock_guard lock(state_->mutex);
        if (state_->destroyed) return;
        state_->queue.push_back({std::move(fn), false});
        wake = !state_->wakePending;
        state_->wakePending = true;
    }
    if (wake)
        QMetaObject::invokeMethod(
            qApp, [this] { runQueued(); }, Qt::QueuedConnection);
}

bool QtToolkit::send(std::function<void()> fn) {
    if (!fn) return false;
    if (isWindowThread()) {
        fn();
        return true;
    }
    BlockingCall call(std::move(fn));
    bool wake = false;
    {
        std::lock_guard lock(state_->mutex);
        if (state_->ended) return false;
        state_->queue.push_back({call.takeJob(), true});
        wake = !state_->wakePending;
        state_->wakePending = true;
    }
    if (wake)
        QMetaObject::invokeMethod(
            qApp, [this] { runQueued(); }, Qt::QueuedConnection);
    return call.wait();
}

void QtToolkit::processEvents() {
    runQueued();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtToolkit::runQueued() {
    WorkQueue work;
    {
        std::lock_guard lock(state_->mutex);
        work.swap(state_->queue);
        state_->wakePending = false;
    }
    while (!work.empty()) {
        auto item = std::move(work.front());
        work.pop_front();
        item.fn();
    }
}

void QtToolkit::setTimer(NotifyReceiver* receiver, int id, int ms) {
    if (!receiver) return;
    QTimer*& t = state_->timers[{receiver, id}];
    if (!t) {
        t = new QTimer(&state_->timerOwner);
        QObject::connect(t, &QTimer::timeout, t, [receiver, id] {
            Notification n;
            n.type = "timer";
            n.wParam = id;
            receiver->notify(n);
        });
    }
    t->start(std::max(1, ms));
}

void QtToolkit::killTimer(NotifyReceiver* receiver, int id) {
    auto it = state_->timers.find({receiver, id});
    if (it == state_->timers.end()) return;
    it->second->stop();
    it->second->deleteLater(); // may be the timer now firing
    state_->timers.erase(it);
}

void QtToolkit::killTimers(NotifyReceiver* receiver) {
    for (auto it = state_->timers.begin(); it != state_->timers.end();) {
        if (it->first.first == receiver) {
            it->second->stop();
            it->second->deleteLater();
            it = state_->timers.erase(it);
        } else {
            ++it;
        }
    }
}

void QtToolkit::reloadTexts() {
    for (QtWindow* w : windows)
        if (w->top())
            forEachControlWidget(w->top(), [](QWidget* x) { controlFor(x)->reloadTexts(); });
    for (QtMenu* m : menus)
        m->reloadTexts();
}

bool QtToolkit::loadFont(const std::string& path) {
    return QFontDatabase::addApplicationFont(qs(path)) >= 0;
}

QFont QtToolkit::fontFor(int fontId) const {
    FontSpec fontStyle = fontSpecForId(fontId);
    QFont f(face_);
    f.setPixelSize(fontStyle.pixelSize);
    f.setBold(fontStyle.bold);
    f.setUnderline(fontStyle.underline);
    return f;
}

void QtToolkit::applyFontFace(const std::string& face) {
    face_ = qs(face);
    if (!QFontDatabase::hasFamily(face_)) {
        // Not installed and not loaded from the skin: the desktop's face rather than whatever
        // the font matcher would substitute.
        trace::printf("toolkit: font face %s missing, the system font is used\n", face.c_str());
        face_ = systemFace_;
    }
    QFont base = QApplication::font();
    base.setFamily(face_);
    QApplication::setFont(base);
    for (QtWindow* w : windows)
        if (w->top())
            forEachControlWidget(w->top(), [this](QWidget* x) {
                int id = controlFor(x)->skin().fontId;
                if (id >= 0) x->setFont(fontFor(id));
            });
}

void QtToolkit::screenSize(int& width, int& height) const {
    QScreen* s = QGuiApplication::primaryScreen();
    width = s ? s->geometry().width() : 0;
    height = s ? s->geometry().height() : 0;
}

void QtToolkit::cursorPos(int& x, int& y) const {
    QPoint p = QCursor::pos();
    x = p.x();
    y = p.y();
}

std::string QtToolkit::chooseOpenFile(Window* owner, const std::string& filter) {
    auto* qw = dynamic_cast<QtWindow*>(owner);
    return ss(
        QFileDialog::getOpenFileName(qw ? qw->top() : nullptr, QString(), QString(), qs(filter)));
}

std::string QtToolkit::chooseSaveFile(Window* owner, const std::string& filter,
                                      const std::string& suggestedName) {
    auto* qw = dynamic_cast<QtWindow*>(owner);
    return ss(QFileDialog::getSaveFileName(qw ? qw->top() : nullptr, QString(), qs(suggestedName),
                                           qs(filter)));
}

} // namespace quasar::ui::qt

namespace quasar::ui {

std::unique_ptr<Toolkit> createQtToolkit(int& argc, char** argv) {
    return std::make_unique<qt::QtToolkit>(argc, argv);
}

} // namespace quasar::ui
