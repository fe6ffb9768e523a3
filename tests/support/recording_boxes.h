// Message boxes that record kind, title and text instead of waiting for an operator. A test
// can run events "while the box is open" through whileOpen. A flood can raise thousands of
// boxes, so only the first ones are kept; all are counted.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/message_boxes.h"

namespace testsupport {

struct RecordedBox {
    tk::BoxKind kind;
    std::string title;
    std::string text;
};

class RecordingBoxes : public tk::MessageBoxes {
  public:
    static constexpr std::size_t kKept = 100;

    void show(tk::BoxKind kind, const std::string& title, const std::string& text) override;

    const std::vector<RecordedBox>& boxes() const { return boxes_; }
    std::size_t count() const { return count_; }
    std::size_t countOf(tk::BoxKind kind) const;
    bool open() const { return depth_ > 0; }
    void clear() {
        boxes_.clear();
        count_ = 0;
    }

    // Runs while each box is "open" (before show() returns).
    std::function<void(const RecordedBox&)> whileOpen;

  private:
    std::vector<RecordedBox> boxes_;
    std::vector<std::size_t> kindCounts_ = std::vector<std::size_t>(4, 0);
    std::size_t count_ = 0;
    int depth_ = 0;
};

}  // namespace testsupport
