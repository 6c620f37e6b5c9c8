// Check fax class: opens the modem (serial port or telephony device), makes
// sure it answers and resets, asks the fax sender which fax classes it
// supports ("AT+FCLASS=?") and recommends the first supported class in the
// order Class 1, Class 2, Class 2.0. Every failure ends as a text in the
// status line (or an information box) with the three labels reading
// "unknown"; nothing escapes.
//
// The window (faxclasscheckwindow.h) and `qlnfax modem classes` drive this
// object. User-interface thread only.
#pragma once

#include <functional>
#include <string>

namespace qln {

class ITelephonyDevice;
class TApdComPort;
namespace fax {
class TApdSendFax;
}

namespace faxclass {
inline constexpr const char *kCaptionBusy = "Finding Fax Class...Please wait";
inline constexpr const char *kCaptionDone = "Check Fax Class";
inline constexpr const char *kClassesTitle = "Fax Classes:";
inline constexpr const char *kTesting = "Testing Fax Classes...please wait.";
inline constexpr const char *kNoResponseCaption = "NO MODEM RESPONSE";
} // namespace faxclass

// What the caller hands the check.
struct ClassCheckRequest {
    int portNumber = 1;               // COM number, 1-based
    bool telephony = false;           // open through the telephony device
    ITelephonyDevice *device = nullptr;
    std::string deviceName;
};

// The recommendation: index 0 Class 1, 1 Class 2, 2 Class 2.0, or -1 with
// an empty name.
struct ClassCheckOutcome {
    int index = -1;
    std::string name;
};

class FaxClassCheck {
public:
    FaxClassCheck(TApdComPort &port, fax::TApdSendFax &fax, ClassCheckRequest request);

    // Told whenever the status line or a label changes.
    std::function<void()> onChange;

    ClassCheckOutcome run();

    const std::string &status() const { return status_; }
    const std::string &class1Label() const { return class1_; }
    const std::string &class2Label() const { return class2_; }
    const std::string &class20Label() const { return class20_; }
    // Class 2.0 is shown in bold when it is the recommendation.
    bool class20Bold() const { return class20Bold_; }
    const ClassCheckOutcome &outcome() const { return outcome_; }

private:
    void setStatus(const std::string &text);
    void unknownLabels();
    void changed();
    void query();

    TApdComPort &port_;
    fax::TApdSendFax &fax_;
    ClassCheckRequest request_;
    std::string status_;
    std::string class1_ = "Class 1 :";
    std::string class2_ = "Class 2 :";
    std::string class20_ = "Class 2.0 :";
    bool class20Bold_ = false;
    ClassCheckOutcome outcome_;
};

} // namespace qln
