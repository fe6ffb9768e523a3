// The window as designed: every control's place, size, caption and initial state, the
// wiring of its handlers, and the handlers that belong to the window itself.
#include <string>

#include "app/artwork.h"
#include "app/qm47_form.h"

TQM47f1* QM47f1 = nullptr;

namespace {

constexpr const char* kNotImplemented = "Not implemented. Skeleton in place.";

void place(tk::TControl& control, int left, int top, int width, int height, int tab = -1) {
    control.setBounds(left, top, width, height);
    control.setTabOrder(tab);
}

}  // namespace

TQM47f1::TQM47f1(tk::Application& app, tk::net::TWSocket& socket, std::string programPath)
    : tk::TForm(app, "QM47f1"),
      laIPAddrTxt(*this, nullptr, "laIPAddrTxt"),
      IPAddress(*this, nullptr, "IPAddress"),
      laTCPTxt(*this, nullptr, "laTCPTxt"),
      IPPort(*this, nullptr, "IPPort"),
      buConnect(*this, nullptr, "buConnect"),
      AYTBtn(*this, nullptr, "AYTBtn"),
      CloseBtn(*this, nullptr, "CloseBtn"),
      paOut(*this, nullptr, "paOut"),
      LED0(*this, &paOut, "LED0"),
      LED1(*this, &paOut, "LED1"),
      LED2(*this, &paOut, "LED2"),
      LED3(*this, &paOut, "LED3"),
      LED4(*this, &paOut, "LED4"),
      LED5(*this, &paOut, "LED5"),
      LED6(*this, &paOut, "LED6"),
      LED7(*this, &paOut, "LED7"),
      laOut0Txt(*this, &paOut, "laOut0Txt"),
      laOut1Txt(*this, &paOut, "laOut1Txt"),
      laOut2Txt(*this, &paOut, "laOut2Txt"),
      laOut3Txt(*this, &paOut, "laOut3Txt"),
      laOut4Txt(*this, &paOut, "laOut4Txt"),
      laOut5Txt(*this, &paOut, "laOut5Txt"),
      laOut6Txt(*this, &paOut, "laOut6Txt"),
      laOut7Txt(*this, &paOut, "laOut7Txt"),
      buPrettyPattern(*this, &paOut, "buPrettyPattern"),
      paIn(*this, nullptr, "paIn"),
      TB0(*this, &paIn, "TB0"),
      TB1(*this, &paIn, "TB1"),
      TB2(*this, &paIn, "TB2"),
      TB3(*this, &paIn, "TB3"),
      TB4(*this, &paIn, "TB4"),
      TB5(*this, &paIn, "TB5"),
      TB6(*this, &paIn, "TB6"),
      TB7(*this, &paIn, "TB7"),
      laIn0Txt(*this, &paIn, "laIn0Txt"),
      laIn1Txt(*this, &paIn, "laIn1Txt"),
      laIn2Txt(*this, &paIn, "laIn2Txt"),
      laIn3Txt(*this, &paIn, "laIn3Txt"),
      laIn4Txt(*this, &paIn, "laIn4Txt"),
      laIn5Txt(*this, &paIn, "laIn5Txt"),
      laIn6Txt(*this, &paIn, "laIn6Txt"),
      laIn7Txt(*this, &paIn, "laIn7Txt"),
      buReadInputs(*this, &paIn, "buReadInputs"),
      cbReadRepeatedly(*this, &paIn, "cbReadRepeatedly"),
      laReadFreq(*this, &paIn, "laReadFreq"),
      shTickTock(*this, &paIn, "shTickTock"),
      laLogNRecTextTxt(*this, nullptr, "laLogNRecTextTxt"),
      HexOutput(*this, nullptr, "HexOutput"),
      NVTFiltr(*this, nullptr, "NVTFiltr"),
      Memo(*this, nullptr, "Memo"),
      SendTxt(*this, nullptr, "SendTxt"),
      SendHex(*this, nullptr, "SendHex"),
      SendBtn(*this, nullptr, "SendBtn"),
      ClearBtn(*this, nullptr, "ClearBtn"),
      laPoweredTxt(*this, nullptr, "laPoweredTxt"),
      laOrvaneTxt(*this, nullptr, "laOrvaneTxt"),
      laAndTxt(*this, nullptr, "laAndTxt"),
      laBeliskTxt(*this, nullptr, "laBeliskTxt"),
      laIOContTxt(*this, nullptr, "laIOContTxt"),
      Image1(*this, nullptr, "Image1"),
      laZelkorInfo1txt(*this, nullptr, "laZelkorInfo1txt"),
      laZelkorInfo2Txt(*this, nullptr, "laZelkorInfo2Txt"),
      ClientSocket(socket),
      Timer1(*this, "Timer1"),
      Timer2(*this, "Timer2"),
      programPath_(std::move(programPath)) {
    // Designed values go in before any handler is connected, so they raise nothing.
    buildLayout();
    connectHandlers();
    QM47f1 = this;
}

TQM47f1::~TQM47f1() {
    destroy();
    ClientSocket.OnSessionConnected = nullptr;
    ClientSocket.OnSessionClosed = nullptr;
    ClientSocket.OnDataAvailable = nullptr;
    ClientSocket.OnError = nullptr;
    if (QM47f1 == this) {
        QM47f1 = nullptr;
    }
}

std::array<tk::TCheckBox*, 8> TQM47f1::LEDs() {
    return {&LED0, &LED1, &LED2, &LED3, &LED4, &LED5, &LED6, &LED7};
}

std::array<tk::TShape*, 8> TQM47f1::TBs() {
    return {&TB0, &TB1, &TB2, &TB3, &TB4, &TB5, &TB6, &TB7};
}

void TQM47f1::buildLayout() {
    setBounds(109, 49, 620, 366);

    place(laIPAddrTxt, 16, 10, 51, 13);
    laIPAddrTxt.setCaption("IP Address");
    place(IPAddress, 76, 6, 121, 21, 0);
    IPAddress.setText("IPAddress");
    place(laTCPTxt, 216, 10, 58, 13);
    laTCPTxt.setCaption("TCP/IP Port");
    place(IPPort, 280, 6, 45, 21, 1);
    IPPort.setText("80");
    place(buConnect, 340, 4, 69, 25, 2);
    buConnect.setCaption("&Connect");
    buConnect.setEnabled(false);
    place(AYTBtn, 420, 4, 41, 25, 6);
    AYTBtn.setCaption("AYT");
    AYTBtn.setEnabled(false);
    place(CloseBtn, 508, 4, 63, 25, 8);
    CloseBtn.setCaption("Close");

    place(paOut, 12, 36, 149, 81, 13);
    const auto leds = LEDs();
    tk::TLabel* outLabels[] = {&laOut0Txt, &laOut1Txt, &laOut2Txt, &laOut3Txt,
                               &laOut4Txt, &laOut5Txt, &laOut6Txt, &laOut7Txt};
    for (int i = 0; i < 8; ++i) {
        // Room for the box only: the caption is there but does not show.
        place(*leds[i], 12 + 16 * i, 8, 16, 17, i);
        leds[i]->setCaption("LED" + std::to_string(i));
        leds[i]->setEnabled(false);
        place(*outLabels[i], 16 + 16 * i, 28, i == 5 ? 7 : 6, 12);
        outLabels[i]->setCaption(std::to_string(i));
    }
    place(buPrettyPattern, 36, 44, 81, 25, 8);
    buPrettyPattern.setCaption("Pretty Pattern");
    buPrettyPattern.setEnabled(false);

    place(paIn, 180, 36, 281, 81, 12);
    const auto tbs = TBs();
    tk::TLabel* inLabels[] = {&laIn0Txt, &laIn1Txt, &laIn2Txt, &laIn3Txt,
                              &laIn4Txt, &laIn5Txt, &laIn6Txt, &laIn7Txt};
    const int inLabelLeft[] = {23, 43, 65, 86, 106, 125, 144, 165};
    for (int i = 0; i < 8; ++i) {
        place(*tbs[i], 20 + 20 * i, 8, 17, 17);
        tbs[i]->setBrushColor(tk::clGray);
        tbs[i]->setPen(tk::clGray, 3);
        place(*inLabels[i], inLabelLeft[i], 29, i == 5 ? 7 : 6, 12);
        inLabels[i]->setCaption(std::to_string(i));
    }
    place(buReadInputs, 194, 8, 75, 25, 0);
    buReadInputs.setCaption("Read Once");
    buReadInputs.setEnabled(false);
    place(cbReadRepeatedly, 28, 52, 113, 17, 1);
    cbReadRepeatedly.setCaption("Read Repeatedly");
    cbReadRepeatedly.setEnabled(false);
    place(laReadFreq, 144, 52, 104, 13);
    laReadFreq.setCaption("Four times per second");
    place(shTickTock, 256, 52, 12, 12);
    shTickTock.setBrushColor(tk::clBlue);
    shTickTock.setPen(tk::clBlack, 1);

    place(laLogNRecTextTxt, 8, 136, 103, 13);
    laLogNRecTextTxt.setCaption("Log and received text");
    place(HexOutput, 160, 136, 121, 17, 11);
    HexOutput.setCaption("Show Output in Hex");
    place(NVTFiltr, 352, 136, 97, 17, 10);
    NVTFiltr.setCaption("NVT echo filter");
    place(Memo, 8, 156, 449, 85, 3);
    Memo.append("This panel is not important, if all you want to do is send and receive");
    Memo.append("digital outputs and inputs. It has more to do with other features of the");
    Memo.append("I/O Controller. \"AYT\" (on button) stands for \"Are You There\".");
    Memo.append("");
    Memo.append("Log and received text:");

    place(SendTxt, 8, 252, 177, 21, 4);
    SendTxt.setText("Enter something!");
    place(SendHex, 200, 254, 49, 17, 9);
    SendHex.setCaption("HEX");
    place(SendBtn, 276, 250, 75, 25, 7);
    SendBtn.setCaption("Send");
    SendBtn.setEnabled(false);
    place(ClearBtn, 420, 250, 37, 25, 5);
    ClearBtn.setGlyph(artwork::clearButtonGlyph(), 2);

    place(laPoweredTxt, 512, 55, 56, 13);
    laPoweredTxt.setCaption("Powered by");
    place(laOrvaneTxt, 520, 81, 39, 13);
    laOrvaneTxt.setCaption("Orvane");
    place(laAndTxt, 528, 102, 18, 13);
    laAndTxt.setCaption("and");
    place(laBeliskTxt, 504, 128, 68, 13);
    laBeliskTxt.setCaption("Belisk");
    place(laIOContTxt, 488, 160, 108, 20);
    laIOContTxt.setCaption("I/O Controller");
    laIOContTxt.font = tk::TFont{16, true, true, tk::clRed};
    place(Image1, 500, 205, 87, 68);
    Image1.setPicture(artwork::logo());
    place(laZelkorInfo1txt, 8, 284, 564, 13);
    laZelkorInfo1txt.setCaption(artwork::kCreditTools);
    place(laZelkorInfo2Txt, 8, 304, 513, 13);
    laZelkorInfo2Txt.setCaption(artwork::kCreditAuthor);

    Timer1.setInterval(tk::Millis(250));
    Timer2.setInterval(tk::Millis(200));
}

void TQM47f1::connectHandlers() {
    auto bind = [this](auto method) {
        return [this, method](auto&&... args) { (this->*method)(args...); };
    };
    IPAddress.OnChange = bind(&TQM47f1::IPAddressChange);
    IPPort.OnChange = bind(&TQM47f1::IPPortChange);
    buConnect.OnClick = bind(&TQM47f1::buConnectClick);
    AYTBtn.OnClick = bind(&TQM47f1::AYTBtnClick);
    CloseBtn.OnClick = bind(&TQM47f1::CloseBtnClick);
    for (tk::TCheckBox* led : LEDs()) {
        led->OnClick = bind(&TQM47f1::LED0Click);
    }
    buPrettyPattern.OnClick = bind(&TQM47f1::buPrettyPatternClick);
    buReadInputs.OnClick = bind(&TQM47f1::buReadInputsClick);
    cbReadRepeatedly.OnClick = bind(&TQM47f1::cbReadRepeatedlyClick);
    SendTxt.OnKeyPress = [this](tk::TObject* Sender, char& Key) { SendTxtKeyPress(Sender, Key); };
    SendBtn.OnClick = bind(&TQM47f1::SendBtnClick);
    ClearBtn.OnClick = bind(&TQM47f1::ClearBtnClick);
    laOrvaneTxt.OnClick = bind(&TQM47f1::laOrvaneTxtClick);
    laBeliskTxt.OnClick = bind(&TQM47f1::laBeliskTxtClick);
    laIOContTxt.OnClick = bind(&TQM47f1::laIOContTxtClick);

    ClientSocket.OnDataAvailable = bind(&TQM47f1::ClientSocketDataAvailable);
    ClientSocket.OnSessionConnected = bind(&TQM47f1::ClientSocketSessionConnected);
    ClientSocket.OnSessionClosed = bind(&TQM47f1::ClientSocketSessionClosed);
    ClientSocket.OnError = bind(&TQM47f1::ClientSocketError);
    Timer1.OnTimer = bind(&TQM47f1::Timer1Timer);
    Timer2.OnTimer = bind(&TQM47f1::Timer2Timer);

    OnCreate = bind(&TQM47f1::FormCreate);
    OnClose = [this](tk::TObject* Sender, tk::TCloseAction& Action) { FormClose(Sender, Action); };
    OnDestroy = bind(&TQM47f1::FormDestroy);
}

void TQM47f1::CloseBtnClick(tk::TObject* /*Sender*/) {
    close();
}

void TQM47f1::ClearBtnClick(tk::TObject* /*Sender*/) {
    Memo.clear();
}

void TQM47f1::laOrvaneTxtClick(tk::TObject* /*Sender*/) {
    application().messageBox(tk::BoxKind::plain, kNotImplemented);
}

void TQM47f1::laBeliskTxtClick(tk::TObject* /*Sender*/) {
    application().messageBox(tk::BoxKind::plain, kNotImplemented);
}

void TQM47f1::laIOContTxtClick(tk::TObject* /*Sender*/) {
    application().messageBox(tk::BoxKind::plain, kNotImplemented);
}
