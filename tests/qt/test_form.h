// A small form with a control of each kind the operator handles, on the real Qt loop with
// recording message boxes, and its view shown offscreen.
#pragma once

#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/recording_boxes.h"
#include "toolkit/application.h"
#include "toolkit/controls.h"
#include "toolkit/qt/form_view.h"
#include "toolkit/qt/qt_event_loop.h"

namespace qttest {

struct TestModels {
    tkqt::QtEventLoop loop;
    testsupport::RecordingBoxes boxes;
    tk::Application app{loop, boxes};
    tk::TForm form{app, "TestForm"};
    tk::TEdit edit{form, nullptr, "Edit"};
    tk::TCheckBox check{form, nullptr, "Check"};
    tk::TButton button{form, nullptr, "Button"};
    tk::TLabel label{form, nullptr, "Label"};
    tk::TPanel panel{form, nullptr, "Panel"};
    tk::TCheckBox inPanel{form, &panel, "InPanel"};
    tk::TMemo memo{form, nullptr, "Memo"};
    tk::TLabel title{form, nullptr, "Title"};
    tk::TShape led{form, &panel, "Led"};
    tk::TImage picture{form, nullptr, "Picture"};
    tk::TBitBtn clear{form, nullptr, "Clear"};

    int changes = 0;
    int checkClicks = 0;
    int buttonClicks = 0;
    int labelClicks = 0;
    std::string keys;  // what OnKeyPress saw

    TestModels() {
        form.setCaption("Test \xe9");
        form.setBounds(100, 50, 420, 300);
        edit.setBounds(10, 10, 120, 21);
        edit.setTabOrder(0);
        // Built before the button, visited after it.
        check.setBounds(10, 40, 100, 17);
        check.setCaption("Check");
        check.setTabOrder(2);
        button.setBounds(140, 8, 70, 25);
        button.setCaption("&Go");
        button.setTabOrder(1);
        label.setBounds(10, 70, 60, 13);
        label.setCaption("Click me");
        panel.setBounds(200, 40, 150, 50);
        panel.setTabOrder(3);
        inPanel.setBounds(8, 8, 16, 17);
        inPanel.setTabOrder(0);
        memo.setBounds(10, 150, 300, 80);
        memo.setTabOrder(4);
        memo.append("first");
        memo.append("second");
        title.setBounds(220, 110, 108, 20);
        title.setCaption("Big <b>title</b>");
        title.font = tk::TFont{16, true, true, tk::clRed};
        led.setBounds(40, 8, 17, 17);
        led.setPen(tk::clGray, 3);
        led.setBrushColor(tk::clLime);
        picture.setBounds(330, 150, 60, 50);
        picture.setPicture(tk::TPicture{3, 2, std::vector<std::uint32_t>(6, 0xFF123456)});
        clear.setBounds(330, 220, 37, 25);
        clear.setTabOrder(5);

        edit.OnChange = [this](tk::TObject*) { ++changes; };
        edit.OnKeyPress = [this](tk::TObject*, char& key) {
            keys += key;
            if (key == '\r') {
                key = 0;  // consumed, as the send box does with Enter
            }
        };
        check.OnClick = [this](tk::TObject*) { ++checkClicks; };
        button.OnClick = [this](tk::TObject*) { ++buttonClicks; };
        label.OnClick = [this](tk::TObject*) { ++labelClicks; };
    }
};

class FormViewTest : public testing::Test {
  protected:
    void SetUp() override {
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.window()));
    }

    template <typename Widget>
    Widget* find(const char* name) const {
        auto* widget = view.window()->findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    TestModels m;
    tkqt::QtFormView view{m.form};
};

}  // namespace qttest
