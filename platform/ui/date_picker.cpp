#include "platform/ui/date_picker.h"

#include "platform/ui/error_report.h"

namespace qel::ui {

DatePicker::DatePicker(QWidget* parent) : QDateTimeEdit(parent)
{
    setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    setCalendarPopup(true);
    setValue(QDateTime::currentDateTime());
    connect(this, &QDateTimeEdit::dateChanged, this, [this] {
        if (!settingFromCode_ && onChange)
            runGuarded([&] { onChange(*this); });
    });
}

QDateTime DatePicker::value() const { return QDateTime(date(), time_); }

void DatePicker::setValue(const QDateTime& value)
{
    ++settingFromCode_;
    time_ = value.time();
    setDate(value.date());
    --settingFromCode_;
}

} // namespace qel::ui
