// A date picker: a date box with a drop-down calendar, shown as "dd.MM.yyyy". It keeps the
// time of day it was given, so "now" stays now.
#pragma once

#include <QDateTimeEdit>
#include <functional>

namespace qel::ui {

class DatePicker : public QDateTimeEdit {
    Q_OBJECT
public:
    using Handler = std::function<void(DatePicker& sender)>;

    explicit DatePicker(QWidget* parent = nullptr);

    QDateTime value() const;                  // the date with the kept time
    void setValue(const QDateTime& value);
    void setToNow() { setValue(QDateTime::currentDateTime()); }

    Handler onChange;                         // the user changed the date

private:
    QTime time_;
    int settingFromCode_ = 0;
};

} // namespace qel::ui
