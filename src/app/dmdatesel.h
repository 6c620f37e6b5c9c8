// The date selector: a month calendar, a panel with the chosen date written
// out ("dddd, mmmm d, yyyy"), buttons that move the date by a year or a
// month or back to today, and Ok and Cancel. A double click on the calendar
// is Ok. The caption is set by the caller. Modal, created for one use;
// user-interface thread only.
#pragma once

#include <QDate>
#include <QDialog>

class QCalendarWidget;
class QLabel;
class QPushButton;

namespace qln {

class TDateSelector : public QDialog {
    Q_OBJECT
public:
    // Format of the panel above the calendar.
    static constexpr const char *kPanelFormat = "dddd, mmmm d, yyyy";

    explicit TDateSelector(QWidget *parent = nullptr);

    void setDate(const QDate &date);
    QDate date() const;
    QString panelText() const;

    QCalendarWidget *calendar() const { return Calendar; }
    QPushButton *button(const char *objectName) const;

private:
    void showDate();

    QCalendarWidget *Calendar = nullptr;
    QLabel *DatePanel = nullptr;
};

}  // namespace qln
