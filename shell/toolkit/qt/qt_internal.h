#pragma once
// Inner classes of the Qt toolkit. Only the toolkit's own sources and its tests include this.

#include "shell/toolkit/control.h"
#include "shell/toolkit/toolkit.h"
#include "shell/toolkit/window.h"

#include <QEventLoop>
#include <QFont>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QPainter;

namespace quasar::ui::qt {

class QtWindow;
class QtToolkit;

QString qs(const std::string& s);
std::string ss(const QString& s);

// Dynamic property names the toolkit keeps on widgets.
inline constexpr const char* kClassProp = "quasar_class";       // layout class name
inline constexpr const char* kInternalProp = "quasar_internal"; // not a control (row holders)
inline constexpr const char* kWindowProp = "quasar_window";     // top-level widget -> QtWindow*

QtToolkit* toolkit();

// Images and colours painted by the toolkit on any control.
struct SkinData {
    std::array<std::string, 9> images; // indexed by ImageSlot
    Argb bkColor = 0;
    bool hasTextColor = false;
    Argb textColor = 0;
    int fontId = -1;
    bool anyStateImage() const;
};

// Draws an image attribute text into a rectangle (source part, nine-patch corners, fade).
void drawImage(QPainter& p, const QRect& target, const std::string& attributeText);
// Paints a control's skin images; true when the widget was painted whole (skip its own painting).
bool paintSkinned(QWidget* w);
// A loaded image of the skin folder (cached); null pixmap when missing.
QPixmap skinPixmap(const std::string& file);

class QtControl : public Control {
public:
    explicit QtControl(QWidget* widget);
    ~QtControl() override = default;

    QWidget* widget() const { return widget_; }
    SkinData& skin() { return skin_; }

    std::string name() const override;
    void setName(const std::string& name) override;
    std::string className() const override;
    ControlKind kind() const override;
    Window* window() const override;
    Control* parent() const override;
    std::vector<Control*> children() const override;
    Control* findSubControl(std::string_view name) override;
    Control* createChild(const std::string& className, const std::string& name) override;
    bool removeChild(Control* child) override;
    void removeAllChildren() override;

    std::string text() const override;
    void setText(const std::string& text) override;
    std::string textKey() const override;
    void setTextKey(const std::string& key) override;
    std::string userData() const override;
    void setUserData(const std::string& data) override;
    std::string toolTip() const override;
    void setToolTip(const std::string& text) override;
    void setToolTipKey(const std::string& key) override;
    bool isVisible() const override;
    void setVisible(bool visible) override;
    bool isEnabled() const override;
    void setEnabled(bool enabled) override;
    void setFocus() override;
    bool hasFocus() const override;
    int x() const override;
    int y() const override;
    int width() const override;
    int height() const override;
    void setFixedSize(int width, int height) override;
    void setFixedWidth(int width) override;
    void setFixedHeight(int height) override;
    void setFixedPos(int x, int y) override;
    Argb textColor() const override;
    void setTextColor(Argb color) override;
    Argb bkColor() const override;
    void setBkColor(Argb color) override;
    std::string image(ImageSlot slot) const override;
    void setImage(ImageSlot slot, const std::string& attributeText) override;
    void setFontId(int fontId) override;
    void setStyleName(const std::string& style) override;
    std::string attribute(const std::string& name) const override;
    void setAttribute(const std::string& name, const std::string& value) override;
    void invalidate() override;

    std::string group() const override;
    void setGroup(const std::string& group) override;
    bool isSelected() const override;
    void setSelected(bool selected) override;

    int minimum() const override;
    int maximum() const override;
    void setRange(int minimum, int maximum) override;
    int value() const override;
    void setValue(int value) override;

    int maxLength() const override;
    void setMaxLength(int length) override;
    bool isDigitsOnly() const override;
    void setDigitsOnly(bool digitsOnly) override;
    void setValueRange(int minimum, int maximum) override;
    bool isReadOnly() const override;
    void setReadOnly(bool readOnly) override;
    void setSelection(int start, int end) override;

    int itemCount() const override;
    int addItem(const std::string& text, const std::string& userData) override;
    int insertItem(int index, const std::string& text, const std::string& userData) override;
    Control* insertItemRow(int index, const std::string& name) override;
    Control* itemRow(int index) const override;
    bool removeItem(int index) override;
    bool moveItem(int from, int to) override;
    void clearItems() override;
    std::string itemText(int index) const override;
    void setItemText(int index, const std::string& text) override;
    std::string itemTextKey(int index) const override;
    void setItemTextKey(int index, const std::string& key) override;
    std::string itemUserData(int index) const override;
    void setItemUserData(int index, const std::string& data) override;
    void setItemVisible(int index, bool visible) override;
    bool isItemVisible(int index) const override;
    int currentIndex() const override;
    bool selectItem(int index) override;
    void ensureVisible(int index) override;

    int pageCount() const override;
    int currentPage() const override;
    bool selectPage(int index) override;

    Argb selectedColor() const override;
    void setSelectedColor(Argb color) override;

    // Applies the layout's dynamic properties (textkey, images, colours, font, visible, ...).
    void applyLayoutProperties();
    // Re-reads language-key texts.
    void reloadTexts();
    // Rebuilds the per-control style sheet (text colour, style name).
    void updateStyle();

    // Code-set guard: while > 0, signals of this control raise no notifications.
    int settingByCode = 0;
    int lastIndex = -1; // combo/list: the index before a user's change

private:
    QWidget* widget_;
    SkinData skin_;
    int editMin_ = 1, editMax_ = 0;
    bool digitsOnly_ = false;
};

// The wrapper of a widget, created on first use; it lives as long as the widget. nullptr for a
// null widget.
QtControl* controlFor(QWidget* widget);
// Widgets that stand for controls below w, in order (skips the inner widgets of composite
// controls).
std::vector<QWidget*> controlChildren(QWidget* w);
// Widgets of the whole sub-tree below w (w included), depth first.
void forEachControlWidget(QWidget* w, const std::function<void(QWidget*)>& fn);

// ---- widgets of the program's own control classes ------------------------------------------

class SelectPanelWidget : public QWidget {
    Q_OBJECT
public:
    explicit SelectPanelWidget(QWidget* parent = nullptr);

    // The panel's behaviour on its mouse events (positions in panel coordinates). Key buttons
    // forward their mouse events here too, so a drag may start on a key.
    void leftDown(const QPoint& pos);
    void mouseMoved(const QPoint& pos);
    void leftUp();

    bool armed = false;
    bool dragging = false;
    QPoint start, current;
    ISelectPanel::Rect selection;

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void childEvent(QChildEvent* e) override;
};

class KeyButtonWidget : public QPushButton {
    Q_OBJECT
public:
    explicit KeyButtonWidget(QWidget* parent = nullptr);

    bool lightOn = false;
    std::uint32_t lightColor = 0;
    int lightBrightness = 0;
    bool keySetHidden = false;
    bool keySelected = false;

    // The tinted colour drawn over the light image: (component * brightness) >> 8.
    static QColor tint(std::uint32_t rgb, int brightness);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
};

class CircleProgressWidget : public QProgressBar {
    Q_OBJECT
public:
    explicit CircleProgressWidget(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* e) override;
};

// Colour palette: hue across, saturation down, and a brightness strip on the right.
class PaletteWidget : public QWidget {
    Q_OBJECT
public:
    explicit PaletteWidget(QWidget* parent = nullptr);
    QColor color() const { return color_; }
    void setColor(const QColor& c);

signals:
    void userPicked(QColor color);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    void pick(const QPoint& pos);
    QColor color_ = QColor(0, 153, 255);
    int value_ = 255;
};

// ---- window ------------------------------------------------------------------------------------

class QtWindow : public QObject, public Window {
    Q_OBJECT
public:
    QtWindow(QWidget* top, const WindowOptions& options);
    ~QtWindow() override;

    QWidget* top() const { return top_; }

    Control* root() override;
    Control* findControl(std::string_view name) override;
    Control* findSubControl(Control* parent, std::string_view name) override;
    Control* loadLayoutInto(Control* container, const std::string& layout) override;
    Control* appendLayoutInto(Control* container, const std::string& layout) override;
    void addNotifier(NotifyReceiver* receiver) override;
    void removeNotifier(NotifyReceiver* receiver) override;
    void sendNotify(Control* sender, const std::string& type, std::int64_t wParam,
                    std::int64_t lParam) override;
    void sendNotify(Notification& notification) override;
    bool setTimer(Control* control, int id, int ms) override;
    void killTimer(Control* control, int id) override;
    void killTimers(Control* control) override;
    void setMessageHandler(MessageHandler handler) override;
    std::int64_t sendMessage(unsigned msg, std::int64_t wParam, std::int64_t lParam) override;
    void postMessage(unsigned msg, std::int64_t wParam, std::int64_t lParam) override;
    void show() override;
    void hide() override;
    bool isVisible() const override;
    bool isMinimized() const override;
    void minimize() override;
    void maximize() override;
    void restore() override;
    void bringToFront() override;
    void centre() override;
    void move(int x, int y) override;
    void resize(int width, int height) override;
    int x() const override;
    int y() const override;
    int width() const override;
    int height() const override;
    void setTitle(const std::string& title) override;
    std::string title() const override;
    void setIcon(const std::string& file) override;
    void setCloseRequestHandler(std::function<bool()> handler) override;
    int runModal() override;
    void close(int result) override;
    bool renderToPng(const std::string& path) override;

    // Connects the signals of every control below w to notifications and applies the layout's
    // properties. Run for every widget tree the window gains.
    void adopt(QWidget* w);
    // Options of the same group in this window.
    void clearGroup(QWidget* except, const QString& group);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void wire(QWidget* w);

    QPointer<QWidget> top_;
    WindowOptions options_;
    std::vector<NotifyReceiver*> receivers_;
    std::map<std::pair<QWidget*, int>, QPointer<QTimer>> timers_;
    MessageHandler messageHandler_;
    std::function<bool()> closeHandler_;
    QEventLoop* modalLoop_ = nullptr;
    int modalResult_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// ---- toolkit -----------------------------------------------------------------------------------

class QtToolkit final : public Toolkit {
public:
    QtToolkit(int& argc, char** argv);
    ~QtToolkit() override;

    bool hasWindows() const override { return true; }
    std::string skinFolder() const override { return skin_; }
    void setSkinFolder(const std::string& folder) override;
    std::string resolveLayout(const std::string& layout) const override;
    std::unique_ptr<Window> createWindow(const std::string& layout,
                                         const WindowOptions& options) override;
    std::unique_ptr<Menu> createMenu(const std::string& menuFile, Window* owner) override;
    std::unique_ptr<TrayIcon> createTrayIcon(const std::string& iconFile,
                                             const std::string& toolTip) override;
    int runLoop() override;
    void quit(int code) override;
    bool isWindowThread() const override;
    void post(std::function<void()> fn) override;
    bool send(std::function<void()> fn) override;
    void processEvents() override;
    void setTimer(NotifyReceiver* receiver, int id, int ms) override;
    void killTimer(NotifyReceiver* receiver, int id) override;
    void killTimers(NotifyReceiver* receiver) override;
    void reloadTexts() override;
    bool loadFont(const std::string& path) override;
    void applyFontFace(const std::string& face) override;
    void screenSize(int& width, int& height) const override;
    void cursorPos(int& x, int& y) const override;
    std::string chooseOpenFile(Window* owner, const std::string& filter) override;
    std::string chooseSaveFile(Window* owner, const std::string& filter,
                               const std::string& suggestedName) override;

    // Font of a font id with the current face.
    QFont fontFor(int fontId) const;
    QString fontFace() const { return face_; }
    std::vector<QtWindow*> windows;   // live windows (for texts and fonts)
    std::vector<class QtMenu*> menus; // live menus

private:
    // Runs the work handed over by post and send (on the window thread).
    void runQueued();
    struct State;
    std::unique_ptr<State> state_;
    std::string skin_;
    std::map<std::string, std::string> resIndex_; // lower-case name -> relative path
    QString face_;                                // the face every font id uses
    QString systemFace_; // the desktop's own, kept when a face is not installed
};

// Loads a layout file into a new widget (parent may be null). Sub-layouts of the custom classes
// are loaded into their containers. nullptr (with a trace) when the file cannot be read.
QWidget* loadLayoutWidget(const std::string& layout, QWidget* parent);
// A widget of a layout class name (standard Qt class or the program's own).
QWidget* createWidgetOfClass(const QString& className, QWidget* parent, const QString& name);

QtWindow* windowOf(QWidget* w);
// Takes a widget out of its window at once and deletes it on the next turn of the loop, so a
// control may be removed from inside its own notification.
void retire(QWidget* w);
// A list row's item follows the size of its content (w or any widget inside a row).
void updateRowSizes(QWidget* w);

} // namespace quasar::ui::qt
