// Start-up and shutdown: the four settings read into the window at creation and written back
// at destruction, the caption and the application title.
#include <string>

#include "app/artwork.h"
#include "app/qm47_form.h"
#include "toolkit/ini_file.h"

namespace {

constexpr const char* kSection = "Settings";

}  // namespace

std::string settingsFileFor(const std::string& programPath) {
    const std::size_t slash = programPath.rfind('/');
    const std::size_t dot = programPath.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? programPath.substr(0, dot) : programPath) + ".ini";
}

void TQM47f1::FormCreate(tk::TObject* /*Sender*/) {
    const tk::TIniFile settings(settingsFileFor(programPath_));
    // Each text set here runs its check when it changes the box; the port's check runs last.
    IPAddress.setText(settings.readString(kSection, "IPAddress", "192.168.0.25"));
    IPPort.setText(settings.readString(kSection, "Port", "80"));
    NVTFiltr.setChecked(settings.readInteger(kSection, "FilterEcho", 1) != 0);
    HexOutput.setChecked(settings.readInteger(kSection, "HexOut", 1) != 0);
    QM47f1->setCaption(std::string("I/O Controller Exerciser (QM47) ") + artwork::kWebAddress +
                       " (Version: 18 June 2005)");
    application().setTitle("QM47");
}

void TQM47f1::FormClose(tk::TObject* /*Sender*/, tk::TCloseAction& /*Action*/) {
    ClientSocket.close();
}

void TQM47f1::FormDestroy(tk::TObject* /*Sender*/) {
    tk::TIniFile settings(settingsFileFor(programPath_));
    // A failed write raises and so skips the values after it.
    settings.writeString(kSection, "IPAddress", IPAddress.text());
    settings.writeString(kSection, "Port", IPPort.text());
    settings.writeString(kSection, "FilterEcho", NVTFiltr.checked() ? "1" : "0");
    settings.writeString(kSection, "HexOut", HexOutput.checked() ? "1" : "0");
}
