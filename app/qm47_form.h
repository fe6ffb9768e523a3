// The main window: every control as a field named as the control, every handler as a method
// named after its control and event. The class spans app/ (layout, session, start-up and
// settings, receiving) and console/ (the operator's tools), one file per subject.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "protocol/nvt_decoder.h"
#include "toolkit/controls.h"
#include "toolkit/net/wsocket.h"

class TQM47f1 : public tk::TForm {
  public:
    // `programPath` is the full path of the running program file; the settings file lies
    // beside it. The socket is the window's connection (the real one, or a test's).
    TQM47f1(tk::Application& app, tk::net::TWSocket& socket, std::string programPath);
    ~TQM47f1() override;

    // ---- controls, in the order they are built
    tk::TLabel laIPAddrTxt;
    tk::TEdit IPAddress;
    tk::TLabel laTCPTxt;
    tk::TEdit IPPort;
    tk::TBitBtn buConnect;
    tk::TBitBtn AYTBtn;
    tk::TButton CloseBtn;

    tk::TPanel paOut;
    tk::TCheckBox LED0, LED1, LED2, LED3, LED4, LED5, LED6, LED7;
    tk::TLabel laOut0Txt, laOut1Txt, laOut2Txt, laOut3Txt, laOut4Txt, laOut5Txt, laOut6Txt,
        laOut7Txt;
    tk::TButton buPrettyPattern;

    tk::TPanel paIn;
    tk::TShape TB0, TB1, TB2, TB3, TB4, TB5, TB6, TB7;
    tk::TLabel laIn0Txt, laIn1Txt, laIn2Txt, laIn3Txt, laIn4Txt, laIn5Txt, laIn6Txt, laIn7Txt;
    tk::TButton buReadInputs;
    tk::TCheckBox cbReadRepeatedly;
    tk::TLabel laReadFreq;
    tk::TShape shTickTock;

    tk::TLabel laLogNRecTextTxt;
    tk::TCheckBox HexOutput;
    tk::TCheckBox NVTFiltr;
    tk::TMemo Memo;

    tk::TEdit SendTxt;
    tk::TCheckBox SendHex;
    tk::TBitBtn SendBtn;
    tk::TBitBtn ClearBtn;

    tk::TLabel laPoweredTxt;
    tk::TLabel laOrvaneTxt;
    tk::TLabel laAndTxt;
    tk::TLabel laBeliskTxt;
    tk::TLabel laIOContTxt;
    tk::TImage Image1;
    tk::TLabel laZelkorInfo1txt;
    tk::TLabel laZelkorInfo2Txt;

    tk::net::TWSocket& ClientSocket;
    tk::TTimer Timer1;
    tk::TTimer Timer2;

    // ---- handlers: the window (app/qm47_layout.cpp)
    void CloseBtnClick(tk::TObject* Sender);
    void ClearBtnClick(tk::TObject* Sender);
    void laOrvaneTxtClick(tk::TObject* Sender);
    void laBeliskTxtClick(tk::TObject* Sender);
    void laIOContTxtClick(tk::TObject* Sender);

    // ---- the session (app/session.cpp)
    void IPAddressChange(tk::TObject* Sender);
    void IPPortChange(tk::TObject* Sender);
    void buConnectClick(tk::TObject* Sender);
    void ClientSocketSessionConnected(tk::TObject* Sender, std::uint16_t ErrCode);
    void ClientSocketSessionClosed(tk::TObject* Sender, std::uint16_t ErrCode);
    void ClientSocketError(tk::TObject* Sender);
    void AYTBtnClick(tk::TObject* Sender);

    // ---- start-up, settings, shutdown (app/startup.cpp)
    void FormCreate(tk::TObject* Sender);
    void FormClose(tk::TObject* Sender, tk::TCloseAction& Action);
    void FormDestroy(tk::TObject* Sender);

    // ---- receiving (app/receive.cpp)
    void ClientSocketDataAvailable(tk::TObject* Sender, std::uint16_t ErrCode);
    void LEDOnOff(tk::TShape& Shape, bool Lit);

    // ---- manual send (console/manual_send.cpp)
    void SendBtnClick(tk::TObject* Sender);
    void SendTxtKeyPress(tk::TObject* Sender, char& Key);

    // ---- inputs (console/input_polling.cpp)
    void ReadInputs();
    void buReadInputsClick(tk::TObject* Sender);
    void cbReadRepeatedlyClick(tk::TObject* Sender);
    void Timer1Timer(tk::TObject* Sender);

    // ---- outputs (console/output_switches.cpp)
    void WriteLEDs();
    void LED0Click(tk::TObject* Sender);
    void buPrettyPatternClick(tk::TObject* Sender);
    void Timer2Timer(tk::TObject* Sender);

    // Read-only views for tests and the view.
    std::int32_t patternBit() const { return PatternBit; }
    protocol::NvtState nvtState() const { return NvtState; }
    const std::string& programPath() const { return programPath_; }

    std::array<tk::TCheckBox*, 8> LEDs();
    std::array<tk::TShape*, 8> TBs();

  private:
    bool IsValidIPAddress(const std::string& Text);
    void EnableIOControls(bool On);
    void SendOutputFrame(std::uint8_t mask);
    void ToggleTickTock();

    void buildLayout();
    void connectHandlers();

    std::int32_t PatternBit = 0;
    // Lives for the whole program: never reset, not even by a new connection.
    protocol::NvtState NvtState = protocol::nsData;
    protocol::ChunkLines chunkLines_;
    std::string programPath_;
};

// The one instance, set before its creation handler runs.
extern TQM47f1* QM47f1;

// The settings file of a program file: its extension (from the last "." after the last "/")
// replaced by ".ini", or ".ini" appended.
std::string settingsFileFor(const std::string& programPath);
