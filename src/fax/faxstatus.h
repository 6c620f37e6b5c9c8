// TApdAbstractFaxStatus: the abstract status display of a fax component.
// The application derives its concrete window from it; the fax component
// calls UpdateDisplay on every status report.
//
// Threading: user-interface thread only.
#pragma once

#include <string>

namespace qln::fax {

class TApdAbstractFax;

class TApdAbstractFaxStatus {
public:
    TApdAbstractFaxStatus() = default;
    virtual ~TApdAbstractFaxStatus() = default;

    virtual void CreateDisplay() {}
    virtual void DestroyDisplay() {}
    // First on the first report of a session (or call), Last on the final one.
    virtual void UpdateDisplay(bool first, bool last) = 0;

    int Position = 0;
    bool Ctl3D = true;
    bool Visible = false;
    std::string Caption = "Fax Status";
    TApdAbstractFax *Fax = nullptr;
};

} // namespace qln::fax
