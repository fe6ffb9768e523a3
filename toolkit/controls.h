// Control models: each keeps its own state and raises its notifications by the window rules
// the logic relies on, so the whole window runs (and is tested) without Qt. The Qt view only
// draws them and turns the operator's input into the operator*() operations.
//
// Rules kept here:
// - a change notification only when the text really changes; the operator's typing raises it
//   on every change;
// - a caption reads back exactly, "&" included;
// - enabling what is enabled (or disabling what is disabled) does nothing;
// - a disabled control takes no operator input;
// - a check box raises its click notification whenever its state changes, also by program and
//   also when disabled; an operator click toggles it and raises it once;
// - the log grows at its end in whole lines and only clear() empties it;
// - an edit box that receives the focus from another control selects all of its text;
// - starting a running timer or stopping a stopped one does nothing.
//
// Text is 8-bit: one char is one byte (0x00-0xFF); the view converts as Latin-1.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/application.h"

namespace tk {

class TObject {
  public:
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;

using TColor = std::uint32_t;  // 0xRRGGBB
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clRed = 0xFF0000;
inline constexpr TColor clBlue = 0x0000FF;
inline constexpr TColor clPurple = 0x800080;
// Not an RGB value: "whatever the system draws text in".
inline constexpr TColor clWindowText = 0xFF000000;

struct TFont {
    int pixelSize = 11;
    bool bold = false;
    bool underline = false;
    TColor color = clWindowText;
};

// 32-bit ARGB pixels, row by row.
struct TPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

enum class ControlKind { label, edit, memo, button, bitBtn, checkBox, panel, shape, image };

// What changed, so a view redraws only that.
enum class Aspect { text, caption, enabled, checked, fill, lines, focus, selection };

class TForm;

class TControl : public TObject {
  public:
    TControl(TForm& form, TControl* parent, std::string name, ControlKind kind);
    ~TControl() override;
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    const std::string& name() const { return name_; }
    ControlKind kind() const { return kind_; }
    TForm& form() const { return form_; }
    TControl* parent() const { return parent_; }

    void setBounds(int left, int top, int width, int height);
    int left() const { return left_; }
    int top() const { return top_; }
    int width() const { return width_; }
    int height() const { return height_; }

    bool enabled() const { return enabled_; }
    void setEnabled(bool on);

    // Place in the Tab order among the siblings; -1 for controls that take no focus.
    int tabOrder() const { return tabOrder_; }
    void setTabOrder(int order) { tabOrder_ = order; }
    bool canFocus() const;
    bool focused() const;
    void setFocus();

    TFont font;

    // The view's hook; models call it after every visible change.
    void setViewHook(std::function<void(Aspect)> hook) { viewHook_ = std::move(hook); }

  protected:
    friend class TForm;
    void changed(Aspect aspect) const {
        if (viewHook_) {
            viewHook_(aspect);
        }
    }
    // Operator input is an event of its own: it runs under the general error report.
    void operatorEvent(const std::function<void()>& handler) const;

  private:
    TForm& form_;
    TControl* parent_;
    std::string name_;
    ControlKind kind_;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool enabled_ = true;
    int tabOrder_ = -1;
    std::function<void(Aspect)> viewHook_;
};

class TLabel : public TControl {
  public:
    TLabel(TForm& form, TControl* parent, std::string name);
    const std::string& caption() const { return caption_; }
    void setCaption(std::string caption);
    TNotifyEvent OnClick;
    void operatorClick();

  private:
    std::string caption_;
};

class TEdit : public TControl {
  public:
    TEdit(TForm& form, TControl* parent, std::string name);
    const std::string& text() const { return text_; }
    // Raises OnChange only when the text differs.
    void setText(std::string text);

    int selStart() const { return selStart_; }
    int selLength() const { return selLength_; }
    void setSelection(int start, int length);
    void selectAll() { setSelection(0, static_cast<int>(text_.size())); }

    TNotifyEvent OnChange;
    TKeyPressEvent OnKeyPress;

    // One typed character: OnKeyPress first (it may consume the key by setting it to 0), then
    // backspace (8) deletes, a printable character replaces the selection.
    void operatorKey(char key);
    void operatorType(std::string_view keys);
    // The operator's edit as a whole (paste, cut, delete): the new text and caret.
    void operatorEdit(std::string text, int caret);

  private:
    void replaceText(std::string text, int caret);
    std::string text_;
    int selStart_ = 0;
    int selLength_ = 0;
};

// The log: whole lines, appended at the end. Lines are handed over unchanged.
class TMemo : public TControl {
  public:
    TMemo(TForm& form, TControl* parent, std::string name);
    const std::vector<std::string>& lines() const { return lines_; }
    void append(std::string line);
    void clear();
    // Counts clear() calls, so a view can tell "cleared and refilled" from "grew".
    std::uint64_t clearCount() const { return clearCount_; }

  private:
    std::vector<std::string> lines_;
    std::uint64_t clearCount_ = 0;
};

class TButton : public TControl {
  public:
    TButton(TForm& form, TControl* parent, std::string name);
    const std::string& caption() const { return caption_; }
    void setCaption(std::string caption);
    TNotifyEvent OnClick;
    // Takes the focus, then raises OnClick; nothing when disabled.
    void operatorClick();

  protected:
    TButton(TForm& form, TControl* parent, std::string name, ControlKind kind);

  private:
    std::string caption_;
};

// A push button that can also show a small picture.
class TBitBtn : public TButton {
  public:
    TBitBtn(TForm& form, TControl* parent, std::string name);
    // Side-by-side pictures: the first for enabled, the second for disabled.
    const TPicture& glyph() const { return glyph_; }
    int numGlyphs() const { return numGlyphs_; }
    void setGlyph(TPicture glyph, int numGlyphs);

  private:
    TPicture glyph_;
    int numGlyphs_ = 1;
};

class TCheckBox : public TControl {
  public:
    TCheckBox(TForm& form, TControl* parent, std::string name);
    const std::string& caption() const { return caption_; }
    void setCaption(std::string caption);
    bool checked() const { return checked_; }
    // Raises OnClick when the state changes, enabled or not.
    void setChecked(bool on);
    TNotifyEvent OnClick;
    // Takes the focus and toggles (raising OnClick once); nothing when disabled.
    void operatorClick();

  private:
    std::string caption_;
    bool checked_ = false;
};

class TPanel : public TControl {
  public:
    TPanel(TForm& form, TControl* parent, std::string name);
};

// A filled circle with an outline.
class TShape : public TControl {
  public:
    TShape(TForm& form, TControl* parent, std::string name);
    TColor brushColor() const { return brushColor_; }
    void setBrushColor(TColor color);
    TColor penColor() const { return penColor_; }
    int penWidth() const { return penWidth_; }
    void setPen(TColor color, int width);

  private:
    TColor brushColor_ = 0xFFFFFF;
    TColor penColor_ = clBlack;
    int penWidth_ = 1;
};

class TImage : public TControl {
  public:
    TImage(TForm& form, TControl* parent, std::string name);
    const TPicture& picture() const { return picture_; }
    void setPicture(TPicture picture);

  private:
    TPicture picture_;
};

class TTimer : public TObject {
  public:
    TTimer(TForm& form, std::string name);
    ~TTimer() override;
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    const std::string& name() const { return name_; }
    Millis interval() const { return interval_; }
    void setInterval(Millis interval);
    bool enabled() const { return handle_ != 0; }
    // Starting a running timer or stopping a stopped one does nothing.
    void setEnabled(bool on);
    TNotifyEvent OnTimer;

  private:
    TForm& form_;
    std::string name_;
    Millis interval_{1000};
    EventLoop::Handle handle_ = 0;
};

enum TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;

class TForm : public TObject {
  public:
    TForm(Application& app, std::string name);
    ~TForm() override;
    TForm(const TForm&) = delete;
    TForm& operator=(const TForm&) = delete;

    Application& application() const { return app_; }
    const std::string& name() const { return name_; }
    const std::string& caption() const { return caption_; }
    void setCaption(std::string caption);

    void setBounds(int left, int top, int width, int height);
    int left() const { return left_; }
    int top() const { return top_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // Every control, in the order it was built.
    const std::vector<TControl*>& controls() const { return controls_; }
    TControl* findControl(std::string_view name) const;

    TControl* activeControl() const { return active_; }
    void focusControl(TControl* control);

    TNotifyEvent OnCreate;
    TCloseEvent OnClose;
    TNotifyEvent OnDestroy;

    // Runs OnCreate as an event of its own.
    void create();
    // Runs OnClose; unless it refuses (caNone), the event loop ends.
    void close();
    // The window's own close control (title-bar button, Alt+F4, a termination signal).
    void operatorClose();
    // Runs OnDestroy once, as an event of its own.
    void destroy();

    // The view's hook for the caption and the focus.
    void setViewHook(std::function<void(Aspect)> hook) { viewHook_ = std::move(hook); }

  private:
    friend class TControl;
    void add(TControl* control) { controls_.push_back(control); }
    void remove(TControl* control);

    Application& app_;
    std::string name_;
    std::string caption_;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    std::vector<TControl*> controls_;
    TControl* active_ = nullptr;
    bool destroyed_ = false;
    std::function<void(Aspect)> viewHook_;
};

}  // namespace tk
