#pragma once
// Notifications: what a window tells its receivers about the user's actions.
//
// Types raised by the toolkit (all delivered synchronously on the window thread, to every
// receiver registered with Window::addNotifier, in registration order):
//   "click"            button released over itself (also options and check boxes, before
//                      "selectchanged")
//   "selectchanged"    an option or check box changed its selected state by the user;
//                      wParam = 1 selected, 0 cleared (options of a group that are cleared by
//                      another's selection raise nothing)
//   "valuechanged"     a slider's value after the user released it (or moved it by keyboard/wheel)
//   "movevaluechanged" a slider's value while the user drags it
//   "itemselect"       a combo box or list selected another item by the user; wParam = new index,
//                      lParam = previous index
//   "itemclick"        a list item clicked; wParam = index
//   "itemactivate"     a list item double-clicked or Return pressed; wParam = index
//   "setfocus", "killfocus"  a control gained or lost the keyboard focus
//   "textchanged"      an edit field's text edited by the user
//   "return"           Return pressed in an edit field
//   "timer"            a control timer fell due; wParam = timer id
//   "windowinit"       once, when the window has been built (sender = root)
//   "windowsize"       the window changed size (sender = root)
//   "windowdeactivate" the window lost the keyboard focus to another window (sender = root)
//   "menu"             sender != nullptr: the user asked for the context menu of the sender;
//                      sender == nullptr: a pop-up menu element was chosen, `item` is its name
//   "colorchanged"     a colour palette's colour picked by the user; wParam = the colour (ARGB)
//   "dbclick"          a key button double-clicked
//   "msenter", "msleave"  the mouse entered or left a control
//   "click_select_end" a selection panel's drag ended
// Program code may raise any type itself with Window::sendNotify.

#include <cstdint>
#include <functional>
#include <string>

namespace quasar::ui {

class Control;
class Window;

struct Notification {
    std::string type;
    Control* sender = nullptr;
    Window* window = nullptr;
    std::int64_t wParam = 0;
    std::int64_t lParam = 0;
    std::string item; // "menu" from a pop-up menu: the chosen element's name

    // The sender's name, or the chosen menu element's name, or "".
    std::string senderName() const;
    // True when type equals t (types compare exactly).
    bool is(const char* t) const { return type == t; }
};

class NotifyReceiver {
public:
    virtual ~NotifyReceiver() = default;
    virtual void notify(Notification& notification) = 0;
};

// Adapts a function, for small receivers and tests.
class FunctionReceiver : public NotifyReceiver {
public:
    using Fn = std::function<void(Notification&)>;
    explicit FunctionReceiver(Fn fn) : fn_(std::move(fn)) {}
    void notify(Notification& notification) override {
        if (fn_) fn_(notification);
    }

private:
    Fn fn_;
};

} // namespace quasar::ui
