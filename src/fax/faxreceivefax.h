// TApdReceiveFax: the fax receiving component. Holds the receiving settings,
// runs a FaxReceiver on the port's dispatcher, names received files and asks
// whether to take each call.
//
// Threading: user-interface thread; see TApdAbstractFax.
#pragma once

#include "fax/faxabstract.h"
#include "fax/faxreceive.h"

namespace qln::fax {

class TApdReceiveFax : public TApdAbstractFax {
public:
    TApdReceiveFax();
    ~TApdReceiveFax() override;

    int AnswerOnRing = 1;
    bool FaxAndData = false;
    bool OneFax = false;
    bool ConstantStatus = false;
    const std::string &DestinationDir() const { return destinationDir_; }
    void SetDestinationDir(const std::string &dir);
    int FaxNameMode = 1; // 1 by counter, 2 by month and day

    std::function<void(TApdReceiveFax &, bool &accept)> OnFaxAccept;
    std::function<void(TApdReceiveFax &, std::string &name)> OnFaxName;

    // Starts waiting for calls. 0 or a negative code (see TApdSendFax).
    int StartReceiving();
    int ClassesSupported();

protected:
    FaxSession &rec() override { return receiver_; }
    const FaxSession &rec() const override { return receiver_; }
    bool faxNext(std::string &, std::string &, std::string &) override { return false; }
    void faxName(std::string &name) override;
    bool faxAccept() override;
    FaxLogFacts logFacts() const override;

private:
    FaxReceiver receiver_;
    std::string destinationDir_;
};

} // namespace qln::fax
