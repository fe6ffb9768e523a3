// The address and port checks, seen as the operator sees them: the Connect button's state.
#include <string>

#include "tests/app/window_fixture.h"

namespace testsupport {
namespace {

struct CheckRow {
    const char* name;
    std::string text;
    bool passes;
};

std::string rowName(const ::testing::TestParamInfo<CheckRow>& info) {
    return info.param.name;
}

class AddressCheck : public WindowTest, public ::testing::WithParamInterface<CheckRow> {};

TEST_P(AddressCheck, EnablesConnectExactlyForValidAddresses) {
    TQM47f1& f = start("[Settings]\nIPAddress=127.0.0.1\nPort=80\n");
    // Start from the opposite state, so the row's own check is what moves the button.
    f.IPAddress.setText(GetParam().passes ? "x" : "1.2.3.4");
    ASSERT_EQ(f.buConnect.enabled(), !GetParam().passes);
    f.IPAddress.setText(GetParam().text);
    EXPECT_EQ(f.buConnect.enabled(), GetParam().passes);
}

const CheckRow kAddresses[] = {
    {"Plain", "192.168.0.25", true},
    {"AllOnes", "255.255.255.255", true},
    {"AllZeros", "0.0.0.0", true},
    {"LeadingBlank", " 10.0.0.1", true},
    {"PlusSign", "+10.0.0.1", true},
    {"MinusZero", "-0.0.0.0", true},
    {"DollarHex", "$C0.$A8.0.1", true},
    {"FourthFieldKeepsFourChars", "192.168.0.00025", true},
    {"TrailingJunkBeyondFourChars", "1.2.3.0004xyz", true},
    {"FourthDotBeyondFourChars", "1.2.3.0001.8", true},
    {"Empty", "", false},
    {"ThreeFields", "192.168.0", false},
    {"EmptyField", "1..2.3", false},
    {"DotInsideFourthField", "192.168.0.25.7", false},
    {"FiveFields", "1.2.3.4.5", false},
    {"FourthFieldTooLarge", "192.168.0.2555", false},
    {"FirstFieldFourDigits", "1921.168.0.1", false},
    {"Above255", "256.0.0.1", false},
    {"Negative", "-1.0.0.0", false},
    {"HexAbove255", "$100.0.0.1", false},
    {"TrailingBlank", "10.0.0.1 ", false},
    {"Letters", "a.b.c.d", false},
    {"Name", "controller", false},
    {"BlankField", "1. .2.3", false},
    {"SignWithoutDigits", "+.1.2.3", false},
};
INSTANTIATE_TEST_SUITE_P(Rows, AddressCheck, ::testing::ValuesIn(kAddresses), rowName);

class PortCheck : public WindowTest, public ::testing::WithParamInterface<CheckRow> {};

TEST_P(PortCheck, EnablesConnectByThePortTextAlone) {
    // An invalid address: the port check alone decides.
    TQM47f1& f = start("[Settings]\nIPAddress=nonsense\nPort=1\n");
    f.IPPort.setText(GetParam().passes ? "x" : "81");
    ASSERT_EQ(f.buConnect.enabled(), !GetParam().passes);
    f.IPPort.setText(GetParam().text);
    EXPECT_EQ(f.buConnect.enabled(), GetParam().passes);
}

const CheckRow kPorts[] = {
    {"Plain", "80", true},      {"LeadingZero", "080", true},
    {"Zero", "0", true},        {"AboveLargestPort", "70000", true},
    {"Empty", "", false},       {"InnerBlank", "8 0", false},
    {"PlusSign", "+80", false}, {"LeadingBlank", " 80", false},
    {"Name", "telnet", false},
};
INSTANTIATE_TEST_SUITE_P(Rows, PortCheck, ::testing::ValuesIn(kPorts), rowName);

TEST_F(WindowTest, OverlongTextsFailWithRangeCheckErrorAndKeepConnectAsItWas) {
    TQM47f1& f = start("[Settings]\nIPAddress=127.0.0.1\nPort=80\n");
    ASSERT_TRUE(f.buConnect.enabled());
    f.IPAddress.operatorEdit(std::string(256, '1'), 256);
    f.IPPort.operatorEdit(std::string(256, '1'), 256);
    ASSERT_EQ(boxes.count(), 2U);
    for (const RecordedBox& box : boxes.boxes()) {
        EXPECT_EQ(box.kind, tk::BoxKind::errorReport);
        EXPECT_EQ(box.title, "QM47");
        EXPECT_EQ(box.text, "Range check error.");
    }
    EXPECT_TRUE(f.buConnect.enabled());
    // 255 characters are still checked normally.
    f.IPPort.operatorEdit(std::string(255, '1'), 255);
    EXPECT_EQ(boxes.count(), 2U);
}

TEST_F(WindowTest, PortTypedAfterAnInvalidAddressEnablesConnectAgain) {
    TQM47f1& f = start("[Settings]\nIPAddress=127.0.0.1\nPort=80\n");
    f.IPAddress.setFocus();
    f.IPAddress.operatorType("x");  // replaces the selected text
    EXPECT_FALSE(f.buConnect.enabled());
    f.IPPort.setFocus();
    f.IPPort.operatorKey('\b');
    f.IPPort.operatorType("8");
    EXPECT_EQ(f.IPPort.text(), "8");
    EXPECT_TRUE(f.buConnect.enabled());
}

}  // namespace
}  // namespace testsupport
