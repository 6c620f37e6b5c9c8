// The port chooser shown when a port is opened without a number: caption
// "Select Port", the texts "The configured serial port is not valid." and
// "Please choose another port.", a drop-down of "COM%d" names of the ports
// that can be opened or are in use, and the buttons "OK" and "Cancel".
//
// InstallPortChooserDialog() makes every TApdComPort use it. User-interface
// thread only.
#pragma once

#include <functional>
#include <vector>

class QDialog;
class QWidget;

namespace qln {

// Shows the chooser over parent; returns the chosen COM number, 0 for Cancel.
// beforeExec (tests) runs with the dialog just before it is shown.
int ChoosePort(QWidget *parent, const std::vector<int> &ports,
               const std::function<void(QDialog &)> &beforeExec = {});

// Installs the dialog as the port chooser of every port.
void InstallPortChooserDialog();

} // namespace qln
