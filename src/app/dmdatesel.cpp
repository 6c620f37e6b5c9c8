#include "app/dmdatesel.h"

#include "common/localeformats.h"

#include <QCalendarWidget>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qln {

TDateSelector::TDateSelector(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DateSelector"));
    auto *layout = new QVBoxLayout(this);

    DatePanel = new QLabel(this);
    DatePanel->setObjectName(QStringLiteral("DatePanel"));
    DatePanel->setAlignment(Qt::AlignCenter);
    DatePanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    DatePanel->setMinimumHeight(DatePanel->fontMetrics().height() + 10);
    layout->addWidget(DatePanel);

    Calendar = new QCalendarWidget(this);
    Calendar->setObjectName(QStringLiteral("Calendar"));
    Calendar->setGridVisible(true);
    Calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    layout->addWidget(Calendar);

    auto *moves = new QHBoxLayout;
    struct Move {
        const char *name, *caption, *hint;
        int years, months;
        bool today;
    };
    const Move kMoves[] = {{"YearBack", "Year-", "Show the previous year", -1, 0, false},
                           {"MonthBack", "Month-", "Show the previous month", 0, -1, false},
                           {"TodayButton", "Today", "Show today's date", 0, 0, true},
                           {"MonthForward", "Month +", "Show the next month", 0, 1, false},
                           {"YearForward", "Year+", "Show the next year", 1, 0, false}};
    for (const Move &m : kMoves) {
        auto *b = new QPushButton(QString::fromLatin1(m.caption), this);
        b->setObjectName(QString::fromLatin1(m.name));
        b->setToolTip(QString::fromLatin1(m.hint));
        b->setAutoDefault(false);
        const Move move = m;
        connect(b, &QPushButton::clicked, this, [this, move] {
            setDate(move.today ? QDate::currentDate()
                               : date().addYears(move.years).addMonths(move.months));
        });
        moves->addWidget(b);
    }
    layout->addLayout(moves);

    auto *row = new QHBoxLayout;
    row->addStretch(1);
    auto *ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    row->addWidget(ok);
    row->addWidget(cancel);
    layout->addLayout(row);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // A double click (or Enter) on a day chooses it.
    connect(Calendar, &QCalendarWidget::activated, this, &QDialog::accept);
    connect(Calendar, &QCalendarWidget::selectionChanged, this, &TDateSelector::showDate);
    setDate(QDate::currentDate());
}

void TDateSelector::setDate(const QDate &date)
{
    if (!date.isValid())
        return;
    Calendar->setSelectedDate(date);
    Calendar->setCurrentPage(date.year(), date.month());
    showDate();
}

QDate TDateSelector::date() const { return Calendar->selectedDate(); }

QString TDateSelector::panelText() const { return DatePanel->text(); }

QPushButton *TDateSelector::button(const char *objectName) const
{
    return findChild<QPushButton *>(QString::fromLatin1(objectName));
}

void TDateSelector::showDate()
{
    DatePanel->setText(QString::fromStdString(formatDate(kPanelFormat, date())));
}

}  // namespace qln
