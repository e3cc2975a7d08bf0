#pragma once
// A control of a window: the one way program code reads and changes what the user sees.
//
// Every control offers every operation; an operation that does not fit the control's kind does
// nothing and a getter answers its neutral value (empty text, 0, false, -1 for "no index"). So
// code written for a layout keeps working when a skin uses a different control class.
//
// Values set through this interface never raise notifications: only the user's own actions do
// (selecting an option by code raises no "selectchanged", moving a slider by code no
// "valuechanged", and so on).
//
// Controls are owned by their window. A Control* stays valid until the control or its window is
// destroyed (removeChild, removeItem, clearItems, loading another layout into its container).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quasar::ui {

class Window;

// 0xAARRGGBB. An alpha of 0 with a nonzero colour is taken as opaque (layouts often write RGB).
using Argb = std::uint32_t;

enum class ControlKind {
    Container, // plain container, vertical/horizontal layout, custom containers
    Label,
    Button, // push button (not checkable)
    Option, // checkable button or radio button; may belong to a group
    CheckBox,
    Slider,
    Edit,
    Progress, // progress bar, circle progress
    Combo,
    List,
    Tab, // tab layout: shows one page (child) at a time
    ScrollArea,
    Palette,     // colour palette with a selected colour
    SelectPanel, // key selection panel (see ISelectPanel)
    KeyButton,   // key button of a device picture (see IDeviceKeyButton)
    Other,
};

// Which image of a control setImage/image address. Attribute text is either a path relative to
// the skin folder or "file='images/key.png' source='l,t,r,b' corner='l,t,r,b'"; empty removes.
enum class ImageSlot {
    Normal,
    Hot, // mouse over
    Pushed,
    Selected, // options and check boxes while selected
    Disabled,
    Background,
    Foreground,
    Light,  // key buttons: the light image tinted with the light colour
    KeySet, // key buttons: the key-set mark drawn on top
};

class Control {
public:
    virtual ~Control() = default;

    // --- identity and tree ---------------------------------------------------------------------
    virtual std::string name() const = 0;
    virtual void setName(const std::string& name) = 0;
    // The class name the layout gave ("QPushButton", "SelectPanel", "DeviceKeyButton", ...).
    virtual std::string className() const = 0;
    virtual ControlKind kind() const = 0;
    virtual Window* window() const = 0;
    virtual Control* parent() const = 0;
    // Direct child controls in layout order (a tab layout's pages, a container's children).
    virtual std::vector<Control*> children() const = 0;
    // This control or the first control below it with that name, ignoring case; nullptr if none.
    virtual Control* findSubControl(std::string_view name) = 0;

    // Creates a control of a layout class name ("QLabel", "QLineEdit", "DeviceKeyButton", ...)
    // as the last child of this container; nullptr when this control holds no children.
    virtual Control* createChild(const std::string& className, const std::string& name = {}) = 0;
    // Destroys a direct child (and everything below it). False when it is not a child.
    virtual bool removeChild(Control* child) = 0;
    virtual void removeAllChildren() = 0;

    // --- common properties -------------------------------------------------------------------
    // The shown text. Setting it drops a language key given before.
    virtual std::string text() const = 0;
    virtual void setText(const std::string& text) = 0;
    // Text given as a language key: shown as the translated text and refreshed when the toolkit's
    // texts are reloaded (language switch). Empty key: none.
    virtual std::string textKey() const = 0;
    virtual void setTextKey(const std::string& key) = 0;

    virtual std::string userData() const = 0;
    virtual void setUserData(const std::string& data) = 0;

    virtual std::string toolTip() const = 0;
    virtual void setToolTip(const std::string& text) = 0;
    virtual void setToolTipKey(const std::string& key) = 0;

    virtual bool isVisible() const = 0; // the control's own flag, not whether its parents show
    virtual void setVisible(bool visible) = 0;
    virtual bool isEnabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual void setFocus() = 0;
    virtual bool hasFocus() const = 0;

    // Geometry in pixels; position is relative to the parent.
    virtual int x() const = 0;
    virtual int y() const = 0;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual void setFixedSize(int width, int height) = 0;
    virtual void setFixedWidth(int width) = 0;
    virtual void setFixedHeight(int height) = 0;
    // Absolute placement inside the parent (for children of containers without a layout).
    virtual void setFixedPos(int x, int y) = 0;

    virtual Argb textColor() const = 0;
    virtual void setTextColor(Argb color) = 0;
    // 0 removes the background colour.
    virtual Argb bkColor() const = 0;
    virtual void setBkColor(Argb color) = 0;
    virtual std::string image(ImageSlot slot) const = 0;
    virtual void setImage(ImageSlot slot, const std::string& attributeText) = 0;
    // Font id of the font table (-1: the default font).
    virtual void setFontId(int fontId) = 0;
    // A named style of the skin's style sheet (e.g. "macro_label_down_style").
    virtual void setStyleName(const std::string& style) = 0;
    // Any other named attribute of the layout (dynamic property), as text.
    virtual std::string attribute(const std::string& name) const = 0;
    virtual void setAttribute(const std::string& name, const std::string& value) = 0;

    // Repaint soon.
    virtual void invalidate() = 0;

    // --- options and check boxes -------------------------------------------------------------
    virtual std::string group() const = 0;
    virtual void setGroup(const std::string& group) = 0;
    // Selecting an option of a group clears the others of the group (in the same window).
    virtual bool isSelected() const = 0;
    virtual void setSelected(bool selected) = 0;
    bool isChecked() const { return isSelected(); }
    void setChecked(bool checked) { setSelected(checked); }

    // --- sliders and progress bars -----------------------------------------------------------
    virtual int minimum() const = 0;
    virtual int maximum() const = 0;
    virtual void setRange(int minimum, int maximum) = 0;
    virtual int value() const = 0;
    virtual void setValue(int value) = 0; // clamped to the range

    // --- edit fields -------------------------------------------------------------------------
    virtual int maxLength() const = 0;
    virtual void setMaxLength(int length) = 0;
    virtual bool isDigitsOnly() const = 0;
    virtual void setDigitsOnly(bool digitsOnly) = 0;
    // Value range a digits-only field accepts while typing (min > max: no range).
    virtual void setValueRange(int minimum, int maximum) = 0;
    virtual bool isReadOnly() const = 0;
    virtual void setReadOnly(bool readOnly) = 0;
    // Character positions; end -1 selects to the end.
    virtual void setSelection(int start, int end) = 0;

    // --- combo boxes and lists ---------------------------------------------------------------
    virtual int itemCount() const = 0;
    // Appends an item; returns its index.
    virtual int addItem(const std::string& text, const std::string& userData = {}) = 0;
    virtual int insertItem(int index, const std::string& text,
                           const std::string& userData = {}) = 0;
    // Lists only: appends (index -1) or inserts a row that is a container of controls (built with
    // createChild or Window::loadLayoutInto); returns the row's container, nullptr otherwise.
    virtual Control* insertItemRow(int index, const std::string& name = {}) = 0;
    virtual Control* itemRow(int index) const = 0;
    virtual bool removeItem(int index) = 0;
    virtual bool moveItem(int from, int to) = 0;
    virtual void clearItems() = 0;
    virtual std::string itemText(int index) const = 0;
    virtual void setItemText(int index, const std::string& text) = 0;
    // An item text given as a language key: shown translated and refreshed on a language switch
    // (as setTextKey). setItemText drops it. Layouts give the keys of their items in the
    // container's "itemtextkeys" attribute and the items' user data in "itemuserdata" (both
    // comma-separated, in item order).
    virtual std::string itemTextKey(int index) const = 0;
    virtual void setItemTextKey(int index, const std::string& key) = 0;
    virtual std::string itemUserData(int index) const = 0;
    virtual void setItemUserData(int index, const std::string& data) = 0;
    virtual void setItemVisible(int index, bool visible) = 0;
    virtual bool isItemVisible(int index) const = 0;
    // -1: nothing selected.
    virtual int currentIndex() const = 0;
    // Selects an item (-1 clears the selection). False when the index is out of range.
    virtual bool selectItem(int index) = 0;
    virtual void ensureVisible(int index) = 0;

    // --- tab layouts -------------------------------------------------------------------------
    virtual int pageCount() const = 0;
    virtual int currentPage() const = 0;
    virtual bool selectPage(int index) = 0;

    // --- colour palette ----------------------------------------------------------------------
    virtual Argb selectedColor() const = 0;
    virtual void setSelectedColor(Argb color) = 0;
};

// Custom controls expose their own operations through these interfaces:
//   if (auto* key = ui::as<ui::IDeviceKeyButton>(control)) key->setLight(true, 0xFF0000, 255);
template <class T> T* as(Control* control) {
    return dynamic_cast<T*>(control);
}

// The key selection panel ("SelectPanel"): dragging a rectangle over its key buttons marks them
// selected and raises "click_select_end" from the panel at the end of each drag.
class ISelectPanel {
public:
    virtual ~ISelectPanel() = default;
    struct Rect {
        int left = 0, top = 0, right = 0, bottom = 0;
    };
    // The rectangle of the last drag in panel coordinates, normalised (left <= right, top <=
    // bottom).
    virtual Rect selectionRect() const = 0;
    virtual bool isDragging() const = 0;
};

// A key of a device picture ("DeviceKeyButton"): its name is "key_" + index, its user data
// "light_" + index; it paints its light colour.
class IDeviceKeyButton {
public:
    virtual ~IDeviceKeyButton() = default;
    // rgb is 0x00RRGGBB; brightness 0..255 scales every component as (c * brightness) >> 8.
    virtual void setLight(bool on, std::uint32_t rgb, int brightness) = 0;
    virtual bool isLightOn() const = 0;
    virtual std::uint32_t lightColor() const = 0;
    virtual int lightBrightness() const = 0;
    // The rubber-band selection mark.
    virtual bool isKeySelected() const = 0;
    virtual void setKeySelected(bool selected) = 0;
    virtual void setKeySetImageHidden(bool hidden) = 0;
    virtual bool isKeySetImageHidden() const = 0;
};

} // namespace quasar::ui
