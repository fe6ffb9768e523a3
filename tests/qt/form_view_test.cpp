#include "toolkit/qt/form_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/qt/test_form.h"

namespace {

using qttest::FormViewTest;

// Key presses that carry any text, as a keyboard layout or an input method would send them.
void typeText(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

TEST_F(FormViewTest, BuildsOneWidgetPerControlAtItsDesignedPlace) {
    EXPECT_EQ(view.window()->windowTitle(), QString::fromLatin1("Test \xe9"));
    EXPECT_EQ(view.window()->size(), QSize(420, 300)) << "no window manager: the client is all";
    for (const tk::TControl* control : m.form.controls()) {
        SCOPED_TRACE(control->name());
        QWidget* widget = find<QWidget>(control->name().c_str());
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget, view.widgetOf(*control));
        EXPECT_EQ(widget->pos(), QPoint(control->left(), control->top()));
        EXPECT_EQ(widget->height(), control->height());
        if (control->kind() == tk::ControlKind::label) {
            EXPECT_GE(widget->width(), control->width()) << "a label grows to its text only";
        } else {
            EXPECT_EQ(widget->width(), control->width());
        }
        const QWidget* expectedParent =
            control->parent() != nullptr ? view.widgetOf(*control->parent()) : view.window();
        EXPECT_EQ(widget->parentWidget(), expectedParent);
    }
}

TEST_F(FormViewTest, LabelShowsItsCaptionAsPlainTextInItsOwnFont) {
    auto* title = find<QLabel>("Title");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), QString("Big <b>title</b>"));
    EXPECT_EQ(title->textFormat(), Qt::PlainText);
    EXPECT_EQ(title->font().pixelSize(), 16);
    EXPECT_TRUE(title->font().bold());
    EXPECT_TRUE(title->font().underline());
    EXPECT_EQ(title->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(find<QLabel>("Label")->font().pixelSize(), 11);

    m.label.setCaption("Changed");
    EXPECT_EQ(find<QLabel>("Label")->text(), QString("Changed"));
}

TEST_F(FormViewTest, CircleShowsItsFillAsTheModelSetsIt) {
    QWidget* led = find<QWidget>("Led");
    ASSERT_NE(led, nullptr);
    const QPoint centre(led->width() / 2, led->height() / 2);
    EXPECT_EQ(led->grab().toImage().pixelColor(centre), QColor(0, 255, 0));
    m.led.setBrushColor(tk::clGreen);
    EXPECT_EQ(led->grab().toImage().pixelColor(centre), QColor(0, 128, 0));
}

TEST_F(FormViewTest, PictureIsDrawnUnscaledAtTheTopLeft) {
    auto* picture = find<QLabel>("Picture");
    ASSERT_NE(picture, nullptr);
    const QImage shown = picture->grab().toImage();
    EXPECT_EQ(shown.pixelColor(0, 0), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(shown.pixelColor(2, 1), QColor(0x12, 0x34, 0x56));
    EXPECT_NE(shown.pixelColor(3, 0), QColor(0x12, 0x34, 0x56));
    EXPECT_NE(shown.pixelColor(0, 2), QColor(0x12, 0x34, 0x56));
}

TEST_F(FormViewTest, CheckBoxRaisesItsClickOncePerChangeAndFollowsTheModel) {
    auto* box = find<QCheckBox>("Check");
    ASSERT_NE(box, nullptr);

    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_EQ(m.checkClicks, 1);
    EXPECT_TRUE(m.check.checked());
    EXPECT_TRUE(box->isChecked());

    // Set by program: the model raises it once; the widget follows without raising again.
    m.check.setChecked(false);
    EXPECT_EQ(m.checkClicks, 2);
    EXPECT_FALSE(box->isChecked());

    QTest::keyClick(box, Qt::Key_Space);
    EXPECT_EQ(m.checkClicks, 3);
    EXPECT_TRUE(m.check.checked());
    EXPECT_TRUE(box->isChecked());

    // A handler that puts the box back: the widget shows what the model holds.
    m.check.OnClick = [this](tk::TObject*) {
        ++m.checkClicks;
        m.check.setChecked(true);
    };
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_TRUE(m.check.checked());
    EXPECT_TRUE(box->isChecked());
}

TEST_F(FormViewTest, DisabledWidgetTakesNoClick) {
    struct Row {
        const char* name;
        tk::TControl& model;
        int& clicks;
    };
    for (const Row& row :
         {Row{"Check", m.check, m.checkClicks}, Row{"Button", m.button, m.buttonClicks},
          Row{"Label", m.label, m.labelClicks}}) {
        SCOPED_TRACE(row.name);
        QWidget* widget = find<QWidget>(row.name);
        ASSERT_NE(widget, nullptr);
        row.model.setEnabled(false);
        EXPECT_FALSE(widget->isEnabled());
        QTest::mouseClick(widget, Qt::LeftButton);
        EXPECT_EQ(row.clicks, 0);

        row.model.setEnabled(true);
        EXPECT_TRUE(widget->isEnabled());
        QTest::mouseClick(widget, Qt::LeftButton);
        EXPECT_EQ(row.clicks, 1);
    }
    EXPECT_TRUE(m.check.checked()) << "toggled once, by the enabled click only";
}

TEST_F(FormViewTest, SpaceAndEnterClickTheFocusedButton) {
    auto* button = find<QPushButton>("Button");
    ASSERT_NE(button, nullptr);
    m.button.setFocus();
    QTest::keyClick(button, Qt::Key_Space);
    QTest::keyClick(button, Qt::Key_Return);
    QTest::keyClick(button, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(m.buttonClicks, 3);
}

TEST_F(FormViewTest, AccessKeyClicksTheButton) {
    EXPECT_EQ(find<QPushButton>("Button")->text(), QString("&Go"));
    QTest::keyClick(view.window(), Qt::Key_G, Qt::AltModifier);
    // The button shows itself pressed for a moment before it clicks.
    EXPECT_TRUE(QTest::qWaitFor([this] { return m.buttonClicks == 1; }));
}

struct EditCase {
    std::string name;
    std::string initial;
    std::function<void(QLineEdit*)> act;
    std::string expected;
    int changes;
};

void PrintTo(const EditCase& c, std::ostream* os) {
    *os << c.name;
}

class EditInput : public FormViewTest, public testing::WithParamInterface<EditCase> {};

// Every edit reaches the model through its operator calls, with one change per step, and the
// widget shows exactly the bytes the model holds.
TEST_P(EditInput, ReachesTheModelAsTheOperatorsEdit) {
    const EditCase& c = GetParam();
    auto* edit = find<QLineEdit>("Edit");
    ASSERT_NE(edit, nullptr);
    m.edit.setText(c.initial);
    m.button.setFocus();
    m.edit.setFocus();  // from another control: selects all
    ASSERT_TRUE(edit->hasFocus());
    m.changes = 0;

    c.act(edit);

    EXPECT_EQ(m.edit.text(), c.expected);
    EXPECT_EQ(m.changes, c.changes);
    EXPECT_EQ(edit->text(), QString::fromLatin1(c.expected.c_str()));
}

void paste(QLineEdit* edit, const QString& text) {
    QApplication::clipboard()->setText(text);
    edit->paste();
}

const std::vector<EditCase> kEditRows = {
    {"TypingRaisesChangePerCharacter", "", [](QLineEdit* e) { QTest::keyClicks(e, "abc"); }, "abc",
     3},
    {"TypingReplacesTheSelectionTheFocusMade", "old",
     [](QLineEdit* e) { QTest::keyClicks(e, "x"); }, "x", 1},
    {"BackspaceDeletesBeforeTheCaret", "abc",
     [](QLineEdit* e) {
         QTest::keyClick(e, Qt::Key_End);
         QTest::keyClick(e, Qt::Key_Backspace);
     },
     "ab", 1},
    {"TypingInTheMiddle", "ac",
     [](QLineEdit* e) {
         QTest::keyClick(e, Qt::Key_Home);
         QTest::keyClick(e, Qt::Key_Right);
         QTest::keyClicks(e, "b");
     },
     "abc", 1},
    {"Latin1CharacterIsOneByte", "", [](QLineEdit* e) { typeText(e, QString::fromUtf8("\u00e9")); },
     "\xe9", 1},
    {"CharacterBeyondLatin1TypedIsRefused", "ab",
     [](QLineEdit* e) {
         QTest::keyClick(e, Qt::Key_End);
         typeText(e, QString::fromUtf8("\u20ac"));
     },
     "ab", 0},
    {"PasteIsOneChange", "ab",
     [](QLineEdit* e) {
         QTest::keyClick(e, Qt::Key_End);
         paste(e, QString::fromUtf8("c\u00e9"));
     },
     "abc\xe9", 1},
    {"PasteBeyondLatin1IsRefusedWhole", "ab",
     [](QLineEdit* e) {
         QTest::keyClick(e, Qt::Key_End);
         paste(e, QString::fromUtf8("c\u20ac"));
     },
     "ab", 0},
    {"DeleteKeyIsAnEdit", "abc",
     [](QLineEdit* e) {
         QTest::keyClick(e, Qt::Key_Home);
         QTest::keyClick(e, Qt::Key_Delete);
     },
     "bc", 1},
    {"CutIsAnEdit", "abc", [](QLineEdit* e) { QTest::keyClick(e, Qt::Key_X, Qt::ControlModifier); },
     "", 1},
};

INSTANTIATE_TEST_SUITE_P(Rows, EditInput, testing::ValuesIn(kEditRows),
                         [](const auto& info) { return info.param.name; });

TEST_F(FormViewTest, KeyPressHandlerSeesEveryTypedKeyAndEnterCanBeConsumed) {
    auto* edit = find<QLineEdit>("Edit");
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    QTest::keyClicks(edit, "ab");
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(edit, Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(m.keys, "ab\b\r\r\r");
    EXPECT_EQ(m.edit.text(), "a");
    EXPECT_EQ(m.changes, 3);
}

TEST_F(FormViewTest, FocusFollowsTheModelAndTheOperator) {
    auto* edit = find<QLineEdit>("Edit");
    auto* button = find<QPushButton>("Button");
    ASSERT_TRUE(edit != nullptr && button != nullptr);
    m.edit.setText("abc");

    m.button.setFocus();
    EXPECT_TRUE(button->hasFocus());

    // The operator clicks into the edit box: the model's focus moves with it.
    QTest::mouseClick(edit, Qt::LeftButton);
    EXPECT_EQ(m.form.activeControl(), &m.edit);

    // Tab visits the controls in their designed order, into and out of the panel.
    for (const tk::TControl* next : std::vector<const tk::TControl*>{
             &m.button, &m.check, &m.inPanel, &m.memo, &m.clear, &m.edit}) {
        SCOPED_TRACE(next->name());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(m.form.activeControl(), next);
        EXPECT_EQ(QApplication::focusWidget(), view.widgetOf(*next))
            << QApplication::focusWidget()->objectName().toStdString();
    }
    EXPECT_EQ(edit->selectedText(), QString("abc")) << "an edit box selects all on focus";
}

struct CloseCase {
    std::string name;
    tk::TCloseAction action;
    bool closes;
};

void PrintTo(const CloseCase& c, std::ostream* os) {
    *os << c.name;
}

class WindowCloseControl : public FormViewTest, public testing::WithParamInterface<CloseCase> {};

TEST_P(WindowCloseControl, AsksTheFormAndGoesOnlyWhenItClosed) {
    int closes = 0;
    m.form.OnClose = [&](tk::TObject*, tk::TCloseAction& action) {
        ++closes;
        action = GetParam().action;
    };
    view.window()->close();
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(m.loop.quitting(), GetParam().closes);
    EXPECT_EQ(view.window()->isVisible(), !GetParam().closes);
}

INSTANTIATE_TEST_SUITE_P(Rows, WindowCloseControl,
                         testing::Values(CloseCase{"Closes", tk::caHide, true},
                                         CloseCase{"Refused", tk::caNone, false}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
