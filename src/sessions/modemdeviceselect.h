// The modem device selection dialog, shown when a modem device is asked for
// by a name that is no longer present: caption "Select Modem Device", the
// name that was asked for, a list of the present devices, "OK" and
// "Cancel". InstallDeviceSelectionDialog() makes every TModemDevice use it.
// User-interface thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

class QDialog;
class QWidget;

namespace qln {

// Returns the chosen name, empty for Cancel or an empty list. beforeExec
// (tests) runs with the dialog just before it is shown.
std::string ChooseModemDevice(QWidget *parent, const std::vector<std::string> &names, const std::string &wanted,
                              const std::function<void(QDialog &)> &beforeExec = {});

void InstallDeviceSelectionDialog();

} // namespace qln
