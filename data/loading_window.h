// TForm4: the small "please wait" window shown while a long query runs.
#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;

namespace qel {

class TForm4 : public QDialog {
    Q_OBJECT
public:
    explicit TForm4(QWidget* owner = nullptr);
    QLabel* Label1;
};

// The shared reference: empty when no loading window exists. It clears itself when the
// window is destroyed by any means (closing it destroys it).
extern QPointer<TForm4> Form4;

// Creates, shows and repaints the loading window unless one exists; returns it.
TForm4* showLoadingWindow(const QString& text = QString());

// Destroys the loading window if one exists.
void destroyLoadingWindow();

} // namespace qel
