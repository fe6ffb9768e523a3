// A form on the virtual-clock loop with recording boxes, and a counter of notifications, shared
// by the control-model tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/recording_boxes.h"
#include "tests/support/test_loop.h"
#include "toolkit/application.h"
#include "toolkit/controls.h"

namespace toolkit_test {

// Counts a notification and remembers the sender of each.
struct Spy {
    int count = 0;
    std::vector<tk::TObject*> senders;

    tk::TNotifyEvent handler() {
        return [this](tk::TObject* sender) {
            ++count;
            senders.push_back(sender);
        };
    }
};

// Counts what a control tells its view, by aspect.
struct ViewSpy {
    std::vector<tk::Aspect> aspects;

    void attach(tk::TControl& control) {
        control.setViewHook([this](tk::Aspect aspect) { aspects.push_back(aspect); });
    }
    int count(tk::Aspect aspect) const {
        int n = 0;
        for (tk::Aspect a : aspects) {
            n += a == aspect ? 1 : 0;
        }
        return n;
    }
};

// Mixed into a fixture (plain or parameterised); the controls a test adds come after it, so
// they go before the form does.
struct Window {
    Window() { app.setTitle("QM47"); }

    testsupport::TestLoop loop;
    testsupport::RecordingBoxes boxes;
    tk::Application app{loop, boxes};
    tk::TForm form{app, "QM47f1"};
};

}  // namespace toolkit_test
