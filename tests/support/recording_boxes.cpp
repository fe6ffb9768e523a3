#include "tests/support/recording_boxes.h"

namespace testsupport {

void RecordingBoxes::show(tk::BoxKind kind, const std::string& title, const std::string& text) {
    ++count_;
    ++kindCounts_[static_cast<std::size_t>(kind)];
    RecordedBox box{kind, title, text};
    if (boxes_.size() < kKept) {
        boxes_.push_back(box);
    }
    if (whileOpen) {
        ++depth_;
        whileOpen(box);
        --depth_;
    }
}

std::size_t RecordingBoxes::countOf(tk::BoxKind kind) const {
    return kindCounts_[static_cast<std::size_t>(kind)];
}

}  // namespace testsupport
