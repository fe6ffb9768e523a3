#include "toolkit/qt/display_text.h"

#include <algorithm>

namespace tkqt {

QString fromLatin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toLatin1(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

bool isLatin1(const QString& text) {
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() <= 0xFF; });
}

namespace {

// Calls `lineBreak` for CR LF, LF and a lone CR, `byte` for everything else.
template <typename Byte, typename Break>
void splitLines(std::string_view text, Byte byte, Break lineBreak) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            lineBreak();
        } else if (c == '\n') {
            lineBreak();
        } else {
            byte(c);
        }
    }
}

}  // namespace

QString logLineToDisplay(std::string_view line) {
    QString shown;
    appendLogLineToDisplay(shown, line);
    return shown;
}

void appendLogLineToDisplay(QString& shown, std::string_view line) {
    // Never more characters than bytes (CR LF becomes one break): size once, then write straight
    // into the string, which costs a fraction of appending character by character.
    const qsizetype start = shown.size();
    shown.resize(start + static_cast<qsizetype>(line.size()));
    QChar* out = shown.data() + start;
    splitLines(
        line,
        [&out](unsigned char c) {
            if (c < 0x20) {
                *out++ = QChar(0x2400 + c);
            } else if (c == 0x7F) {
                *out++ = QChar(0x2421);
            } else {
                *out++ = QChar(c);
            }
        },
        [&out] { *out++ = QChar('\n'); });
    shown.truncate(out - shown.constData());
}

QString boxTextToDisplay(std::string_view text) {
    QString shown;
    shown.reserve(static_cast<qsizetype>(text.size()));
    splitLines(
        text, [&shown](unsigned char c) { shown.append(QChar(c)); },
        [&shown] { shown.append(QChar('\n')); });
    return shown;
}

}  // namespace tkqt
