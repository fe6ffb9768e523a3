#include "toolkit/qt/qt_message_boxes.h"

#include <QMessageBox>

#include "toolkit/qt/display_text.h"

namespace tkqt {

namespace {

QMessageBox::Icon iconOf(tk::BoxKind kind) {
    switch (kind) {
        case tk::BoxKind::plain:
            return QMessageBox::NoIcon;
        case tk::BoxKind::warning:
            return QMessageBox::Warning;
        case tk::BoxKind::error:
        case tk::BoxKind::errorReport:
            return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void QtMessageBoxes::show(tk::BoxKind kind, const std::string& title, const std::string& text) {
    // Without a parent, the dialog centres itself on the screen.
    QMessageBox box;
    box.setIcon(iconOf(kind));
    box.setWindowTitle(fromLatin1(title));
    // Error texts may quote what a peer sent; they must never be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(boxTextToDisplay(text));
    box.setStandardButtons(QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

}  // namespace tkqt
