// The small tip windows of the set-up windows ("Quick Setup Tip"): a tip
// button beside an item opens a window with advice on it. Tests replace the
// presenter to see which tip would open without a modal window.
// User-interface thread only.
#pragma once

#include <QString>

#include <functional>
#include <string>

class QToolButton;
class QWidget;

namespace qln {

inline constexpr const char *kQuickSetupTipCaption = "Quick Setup Tip";

// Shows a tip window with the caption and the text.
void ShowTip(QWidget *parent, const std::string &caption, const std::string &text);
// Replaces the tip window (caption, text); an empty function restores it.
void SetTipPresenter(std::function<void(const std::string &, const std::string &)> presenter);

// A small "?" button that shows the tip (caption "Quick Setup Tip"), or a
// button with its own caption when one is given.
QToolButton *MakeTipButton(QWidget *parent, const std::string &tip, const QString &caption = QString());

} // namespace qln
