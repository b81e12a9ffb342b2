#include "core/common/CalendarDateTime.h"
#include "core/graph/ZoomToModel.h"
#include "gui/dialogs/CZoomTo.h"

#include <QDateEdit>
#include <QTimeEdit>
#include <gtest/gtest.h>

namespace {

qint64 At(int day, int hour, int minute, int second) {
    return CalendarDateTime::FromFields(2024, 3, day, hour, minute, second).ToLocalTimeStamp();
}

// A recording from the 5th at 22:00:00 to the 6th at 02:00:00, one sample a minute.
struct ZoomDialog {
    ZoomToModel model{At(5, 22, 0, 0), At(6, 2, 0, 0), 60};
    CZoomTo dialog{model, {}};

    QDateEdit& Date(const char* name) { return *dialog.findChild<QDateEdit*>(name); }
    QTimeEdit& Time(const char* name) { return *dialog.findChild<QTimeEdit*>(name); }
};

} // namespace

TEST(ZoomDialog, TimePickersAreBoundedOnTheFirstAndLastDays) {
    ZoomDialog z;
    // Start: 5th 22:00:00 to 6th 01:51:00 (nine periods before the end).
    EXPECT_EQ(z.Date("startDate").minimumDate(), QDate(2024, 3, 5));
    EXPECT_EQ(z.Date("startDate").maximumDate(), QDate(2024, 3, 6));
    EXPECT_EQ(z.Time("startTime").minimumTime(), QTime(22, 0, 0));
    EXPECT_EQ(z.Time("startTime").maximumTime(), QTime(23, 59, 59));

    z.Date("startDate").setDate(QDate(2024, 3, 6));
    EXPECT_EQ(z.Time("startTime").minimumTime(), QTime(0, 0, 0));
    EXPECT_EQ(z.Time("startTime").maximumTime(), QTime(1, 51, 0));
    EXPECT_EQ(z.Time("startTime").time(), QTime(1, 51, 0))
        << "22:00 on the last day is past the latest start: brought back to it";
    EXPECT_EQ(z.model.ChosenStart(), At(6, 1, 51, 0)) << "the model keeps what is shown";

    // The end follows the start: at least nine periods after it.
    EXPECT_EQ(z.Time("endTime").minimumTime(), QTime(2, 0, 0));
    EXPECT_EQ(z.Time("endTime").maximumTime(), QTime(2, 0, 0));
    z.Date("startDate").setDate(QDate(2024, 3, 5));
    z.Time("startTime").setTime(QTime(23, 55, 0));
    EXPECT_EQ(z.Date("endDate").minimumDate(), QDate(2024, 3, 6));
    EXPECT_EQ(z.Time("endTime").minimumTime(), QTime(0, 4, 0))
        << "the earliest end, nine minutes after 23:55, is on the 6th, the end picker's day";
    EXPECT_EQ(z.Time("endTime").maximumTime(), QTime(2, 0, 0));
}
