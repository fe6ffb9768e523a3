// Everything the controller sends arrives here, one chunk of at most 255 bytes per
// notification: decoded into the log and, for input reports, into the eight indicators.
#include <cstddef>

#include "app/qm47_form.h"

namespace {

constexpr int kChunkSize = 255;
constexpr int kLargestQuietChunk = 252;

}  // namespace

void TQM47f1::ClientSocketDataAvailable(tk::TObject* /*Sender*/, std::uint16_t /*ErrCode*/) {
    char buffer[kChunkSize];
    const int n = ClientSocket.receive(buffer, kChunkSize);
    if (n > kLargestQuietChunk) {
        // Modal: the loop runs on, but the socket offers no further chunk until this one is
        // done, so the log keeps the order of arrival.
        application().messageBox(tk::BoxKind::plain,
                                 "Program expects packets of < about 254... but could be revised.");
    }
    if (n <= 0) {
        return;
    }
    const auto tbs = TBs();
    protocol::decodeChunk(std::string_view(buffer, static_cast<std::size_t>(n)), NvtState,
                          NVTFiltr.checked(), HexOutput.checked(), chunkLines_,
                          [this, &tbs](std::uint8_t mask) {
                              for (int k = 0; k < 8; ++k) {
                                  LEDOnOff(*tbs[k], ((mask >> k) & 1) == 0);
                              }
                          });
    if (!chunkLines_.text.empty()) {
        Memo.append(chunkLines_.text);
    }
    if (!chunkLines_.hex.empty() && HexOutput.checked()) {
        Memo.append(chunkLines_.hex);
    }
}

void TQM47f1::LEDOnOff(tk::TShape& Shape, bool Lit) {
    Shape.setBrushColor(Lit ? tk::clLime : tk::clGreen);
}
