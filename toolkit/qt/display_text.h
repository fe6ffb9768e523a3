// How the models' 8-bit text (one byte, one Latin-1 character) becomes what Qt shows, and back.
// Every conversion at the Qt boundary goes through here.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace tkqt {

QString fromLatin1(std::string_view text);
// Characters beyond U+00FF have no byte; callers refuse such text first (see isLatin1).
std::string toLatin1(const QString& text);
bool isLatin1(const QString& text);

// One log line as the log shows it, plain text: CR LF, LF and a lone CR break the line (as
// '\n'); every other control byte shows as its symbol from the U+2400 block (DEL as U+2421);
// 0x80-0xFF show as Latin-1.
QString logLineToDisplay(std::string_view line);
// The same, appended to `shown`: a busy log turns hundreds of lines into one frame's text.
void appendLogLineToDisplay(QString& shown, std::string_view line);

// A message box text: a carriage return alone (or CR LF) starts a new line.
QString boxTextToDisplay(std::string_view text);

}  // namespace tkqt
